// What the page beside the canvas reads from the running program, and the one
// way it writes into it, linked into the program itself. The page calls the
// readers from Module.onFrame, that is after every frame the program draws,
// and when it edits the tables; they only read the scene, except the frame
// loop that the performance script times. The readers build their JSON in a
// std::string, which grows with what it holds.
#include <emscripten/emscripten.h>

#include "app/toolkit.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

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

// A JSON array of arrays by [leg][joint], each value appended by
// appendValue(leg, joint); null where a leg has no such joint.
template <typename Append> void appendLegs(std::string& json, Append appendValue)
{
    json += '[';
    for (int leg = 0; leg < kLegCount; ++leg) {
        json += leg > 0 ? ",[" : "[";
        for (int joint = 0; joint < kJointCount; ++joint) {
            json += joint > 0 ? "," : "";
            if (legHasJoint(leg, joint))
                appendValue(leg, joint);
            else
                json += "null";
        }
        json += ']';
    }
    json += ']';
}

// angle(leg, joint) in degrees for every leg and joint, as appendLegs writes them.
template <typename Angle> void appendAngles(std::string& json, Angle angle)
{
    appendLegs(json, [&](int leg, int joint) { appendNumber(json, double(angle(leg, joint))); });
}

// A gait's stored keyframes (its first half-cycle), keyframe by keyframe.
void appendTable(std::string& json, const Gait& gait)
{
    json += '[';
    for (int k = 0; k < gait.storedKeyframes; ++k) {
        json += k > 0 ? "," : "";
        appendAngles(json, [&](int leg, int joint) { return (scene.*gait.poses)[k][leg][joint]; });
    }
    json += ']';
}

// The gait that the page's flag names: walk non-zero, run 0.
const Gait& gaitOf(int walk)
{
    return walk ? kWalkGait : kRunGait;
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

// The pose as the figure is drawn now, as one JSON object in a string that
// the next call overwrites: the legs' and joints' names, "pose" (each joint's
// angle from the pose sampler), "partner" (each leg's partner, whose row it
// takes in the second half-cycle), "next" (the keyframe it blends towards)
// and "cycle" (keyframes in a whole cycle).
EMSCRIPTEN_KEEPALIVE const char* quadrupedPose()
{
    static std::string json;
    const Gait& gait = currentGait();
    json = "{\"legs\":";
    appendNames(json, kLegNames);
    json += ",\"joints\":";
    appendNames(json, kJointNames);
    json += ",\"pose\":";
    appendAngles(json, jointAngle);
    json += ",\"partner\":[";
    for (int leg = 0; leg < kLegCount; ++leg)
        json += (leg > 0 ? "," : "") + std::to_string(partnerLeg(leg));
    json += "],\"next\":" + std::to_string(nextKeyframe(gait, scene.gaitFrame));
    json += ",\"cycle\":" + std::to_string(gait.cycleKeyframes) + "}";
    return json.c_str();
}

// Both gaits' keyframe tables as they stand, {"walk": ..., "run": ...}, each
// its stored keyframes of [leg][joint] rows, in a string that the next call
// overwrites.
EMSCRIPTEN_KEEPALIVE const char* quadrupedTables()
{
    static std::string json;
    json = "{\"walk\":";
    appendTable(json, kWalkGait);
    json += ",\"run\":";
    appendTable(json, kRunGait);
    json += '}';
    return json.c_str();
}

// A whole cycle of the gait (walk non-zero) as the gait step walks it from
// keyframe 0, sub-step 0 back to there, and the pose sampler's angles at each
// step from the gait's table as it stands: {"keyframe": [...], "substep":
// [...], "angles": [leg][joint][step]}, null for a joint a leg lacks. Reads
// the tables alone, so the scene stays as it is.
EMSCRIPTEN_KEEPALIVE const char* quadrupedCycle(int walk)
{
    static std::string json;
    const Gait& gait = gaitOf(walk);
    std::vector<CyclePoint> points{{0, 0}};
    do
        points.push_back(nextCyclePoint(gait, points.back()));
    while (points.back().keyframe != 0 || points.back().substep != 0);
    std::string keyframes;
    std::string substeps;
    for (const CyclePoint& point : points) {
        keyframes += (keyframes.empty() ? "" : ",") + std::to_string(point.keyframe);
        substeps += (substeps.empty() ? "" : ",") + std::to_string(point.substep);
    }
    json = "{\"keyframe\":[" + keyframes + "],\"substep\":[" + substeps + "],\"angles\":";
    appendLegs(json, [&](int leg, int joint) {
        json += '[';
        for (std::size_t step = 0; step < points.size(); ++step) {
            json += step > 0 ? "," : "";
            appendNumber(json,
                         double(sampleAngle(gait, scene.*gait.poses, points[step], leg, joint)));
        }
        json += ']';
    });
    json += '}';
    return json.c_str();
}

// Sets one stored angle of a gait's table (walk non-zero) in degrees, as
// setStoredAngle does, and asks for a frame; 0 where it refuses, changing nothing.
EMSCRIPTEN_KEEPALIVE int quadrupedSetAngle(int walk, int keyframe, int leg, int joint,
                                           double degrees)
{
    if (!setStoredAngle(gaitOf(walk), keyframe, leg, joint, degrees))
        return 0;
    glutPostRedisplay();
    return 1;
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
