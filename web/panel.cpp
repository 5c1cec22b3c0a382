// What the page beside the canvas reads from the running program, linked into
// the program itself. The page calls these from Module.onFrame, that is after
// every frame the program draws; they only read the scene, except the frame
// loop that the performance script times. Both readers build their JSON in a
// std::string, which grows with what it holds.
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

// A float as JSON, with 9 significant digits: enough to read back the very same
// float, so that a picture can be redrawn from exactly this state.
void appendNumber(std::string& json, double value)
{
    char number[32]; // "%.9g" of a double takes at most 16
    std::snprintf(number, sizeof number, "%.9g", value);
    json += number;
}

// text as a JSON string: the program's names hold nothing that needs an escape.
void appendString(std::string& json, const char* text)
{
    json += '"';
    json += text;
    json += '"';
}

// One joint angle per leg and joint of a keyframe's [leg][joint] rows, as a
// JSON array of arrays; null where a leg has no such joint.
template <typename Angle> void appendLegs(std::string& json, Angle angle)
{
    json += '[';
    for (int leg = 0; leg < kLegCount; ++leg) {
        json += leg > 0 ? ",[" : "[";
        for (int joint = 0; joint < kJointCount; ++joint) {
            json += joint > 0 ? "," : "";
            if (legHasJoint(leg, joint))
                appendNumber(json, double(angle(leg, joint)));
            else
                json += "null";
        }
        json += ']';
    }
    json += ']';
}

// names as a JSON array of strings.
template <std::size_t N> void appendNames(std::string& json, const char* const (&names)[N])
{
    json += '[';
    for (std::size_t i = 0; i < N; ++i) {
        json += i > 0 ? "," : "";
        appendString(json, names[i]);
    }
    json += ']';
}

} // namespace

extern "C" {

// The scene as one JSON object, field by field (app/scene_fields.h), in a
// string that the next call overwrites.
EMSCRIPTEN_KEEPALIVE const char* quadrupedState()
{
    static std::string json;
    json = "{";
    for (const SceneField& field : kSceneFields) {
        json += json.size() > 1 ? "," : "";
        appendString(json, field.name);
        json += ':';
        if (field.real != nullptr)
            appendNumber(json, double(scene.*field.real));
        else if (field.words[0] != nullptr)
            appendString(json, field.words[scene.*field.integer != 0]);
        else
            json += std::to_string(scene.*field.integer);
    }
    json += '}';
    return json.c_str();
}

// The pose as the figure is drawn now and the gait's keyframes behind it, as
// one JSON object in a string that the next call overwrites: the legs' and
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
// that the page can time frames without a key press or the tail timer, and
// draw the last frame again to keep it as a picture when the program ends.
EMSCRIPTEN_KEEPALIVE void quadrupedDrawFrames(int count)
{
    for (int i = 0; i < count; ++i)
        renderFrame();
}
}
