// What the page beside the canvas reads from the running program. The page
// calls these from Module.onFrame, that is after every frame the program draws;
// they only read the scene, except the frame loop that the performance script times.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdio>
#include <string>

#include "app/legs.h"
#include "app/scene_fields.h"
#include "app/scene_state.h"
#include "gait/gait.h"
#include "scene/scene.h"

namespace {

// One joint angle per leg and joint of a keyframe's [leg][joint] rows, as a
// JSON array of arrays; null where a leg has no such joint.
template <typename Angle> void appendLegs(std::string& json, Angle angle)
{
    char number[32];
    json += '[';
    for (int leg = 0; leg < kLegCount; ++leg) {
        json += leg > 0 ? ",[" : "[";
        for (int joint = 0; joint < kJointCount; ++joint) {
            std::snprintf(number, sizeof number, "%.9g", double(angle(leg, joint)));
            json += joint > 0 ? "," : "";
            json += legHasJoint(leg, joint) ? number : "null";
        }
        json += ']';
    }
    json += ']';
}

// names as a JSON array of strings.
template <std::size_t N> void appendNames(std::string& json, const char* const (&names)[N])
{
    json += '[';
    for (std::size_t i = 0; i < N; ++i)
        json += std::string(i > 0 ? ",\"" : "\"") + names[i] + '"';
    json += ']';
}

} // namespace

extern "C" {

// The scene as one JSON object, in a buffer that the next call overwrites.
// Floats are written with 9 significant digits, enough to read back the very
// same float, so that a picture can be redrawn from exactly this state.
EMSCRIPTEN_KEEPALIVE const char* quadrupedState()
{
    static char json[1024]; // some 400 bytes are used
    int used = 0;
    const auto add = [&used](const char* format, auto... values) {
        used += std::snprintf(json + used, sizeof json - used, format, values...);
    };
    for (const SceneField& field : kSceneFields) {
        add(used == 0 ? "{\"%s\":" : ",\"%s\":", field.name);
        if (field.real != nullptr)
            add("%.9g", double(scene.*field.real));
        else if (field.words[0] != nullptr)
            add("\"%s\"", field.words[scene.*field.integer != 0]);
        else
            add("%d", scene.*field.integer);
    }
    add("%s", "}");
    return json;
}

// The pose as the figure is drawn now and the gait's keyframes behind it, as
// one JSON object in a buffer that the next call overwrites: the legs' and
// joints' names, "pose" (each joint's angle from the pose sampler), "partner"
// (each leg's partner, whose row it takes in the second half-cycle), "next"
// (the keyframe it blends towards), "cycle" (keyframes in a whole cycle) and
// "stored" (the gait's table of the first half-cycle, keyframe by keyframe).
EMSCRIPTEN_KEEPALIVE const char* quadrupedPose()
{
    static std::string json;
    const Gait& gait = currentGait();
    json = "{\"legs\":";
    appendNames(json, kLegNames);
    json += ",\"joints\":";
    appendNames(json, kJointNames);
    json += ",\"pose\":";
    appendLegs(json, jointAngle);
    json += ",\"partner\":[";
    for (int leg = 0; leg < kLegCount; ++leg)
        json += (leg > 0 ? "," : "") + std::to_string(partnerLeg(leg));
    json += "],\"next\":" + std::to_string(nextKeyframe());
    json += ",\"cycle\":" + std::to_string(gait.cycleKeyframes) + ",\"stored\":[";
    for (int k = 0; k < gait.storedKeyframes; ++k) {
        json += k > 0 ? "," : "";
        appendLegs(json, [&](int leg, int joint) { return (scene.*gait.poses)[k][leg][joint]; });
    }
    json += "]}";
    return json.c_str();
}

// Draws count frames of the current scene, as the desktop benchmark does, so
// that the page can time frames without a key press or the tail timer.
EMSCRIPTEN_KEEPALIVE void quadrupedDrawFrames(int count)
{
    for (int i = 0; i < count; ++i)
        renderFrame();
}
}
