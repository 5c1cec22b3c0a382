// The page's whole interface to the running program, linked into the program
// itself: the readers the page calls from Module.onFrame (after every frame
// the program draws) and when it edits the tables, the one way it writes into
// the program (quadrupedSetAngle), and the frame loop that the page and the
// performance script call. The readers only read the scene. Each export is
// named once, here: EMSCRIPTEN_KEEPALIVE exports it.
#include <emscripten/emscripten.h>

#include "app/toolkit.h"

#include <vector>

#include "app/legs.h"
#include "app/scene_fields.h"
#include "app/scene_state.h"
#include "gait/gait.h"
#include "scene/scene.h"
#include "web/json.h"
#include "web/model.h"

namespace {

// An array of arrays by [leg][joint], each value written by write(leg,
// joint); null where a leg has no such joint.
template <typename Write> void writeLegs(Json& json, Write write)
{
    json.open('[');
    for (int leg = 0; leg < kLegCount; ++leg) {
        json.open('[');
        for (int joint = 0; joint < kJointCount; ++joint) {
            if (legHasJoint(leg, joint))
                write(leg, joint);
            else
                json.null();
        }
        json.close();
    }
    json.close();
}

// angle(leg, joint) in degrees for every leg and joint, as writeLegs writes them.
template <typename Angle> void writeAngles(Json& json, Angle angle)
{
    writeLegs(json, [&](int leg, int joint) { json.number(double(angle(leg, joint))); });
}

// A gait's stored keyframes (its first half-cycle), keyframe by keyframe.
void writeTable(Json& json, const Gait& gait)
{
    json.open('[');
    for (int k = 0; k < gait.storedKeyframes; ++k)
        writeAngles(json, [&](int leg, int joint) { return (scene.*gait.poses)[k][leg][joint]; });
    json.close();
}

// The gait that the page's flag names: walk non-zero, run 0.
const Gait& gaitOf(int walk)
{
    return walk ? kWalkGait : kRunGait;
}

} // namespace

extern "C" {

// The program's facts (web/model.h), in a string that stays as it is.
EMSCRIPTEN_KEEPALIVE const char* quadrupedModel()
{
    static Json json;
    json.clear();
    writeModel(json);
    return json.text();
}

// The scene as one JSON object, field by field (app/scene_fields.h), in a
// string that the next call overwrites.
EMSCRIPTEN_KEEPALIVE const char* quadrupedState()
{
    static Json json;
    json.clear();
    json.open('{');
    for (const SceneField& field : kSceneFields) {
        json.key(field.name);
        if (field.real != nullptr)
            json.number(double(scene.*field.real));
        else if (field.words[0] != nullptr)
            json.string(field.words[scene.*field.integer != 0]);
        else
            json.integer(scene.*field.integer);
    }
    json.close();
    return json.text();
}

// The pose as the figure is drawn now, as one JSON object in a string that
// the next call overwrites: "pose" (each joint's angle from the pose
// sampler), "next" (the keyframe it blends towards) and "cycle" (keyframes
// in a whole cycle of the gait now).
EMSCRIPTEN_KEEPALIVE const char* quadrupedPose()
{
    static Json json;
    json.clear();
    const Gait& gait = currentGait();
    json.open('{').key("pose");
    writeAngles(json, jointAngle);
    json.key("next").integer(nextKeyframe(gait, scene.gaitFrame));
    json.key("cycle").integer(gait.cycleKeyframes).close();
    return json.text();
}

// Both gaits' keyframe tables as they stand, {"walk": ..., "run": ...}, each
// its stored keyframes of [leg][joint] rows, in a string that the next call
// overwrites.
EMSCRIPTEN_KEEPALIVE const char* quadrupedTables()
{
    static Json json;
    json.clear();
    json.open('{');
    for (const Gait* gait : {&kWalkGait, &kRunGait}) {
        json.key(gait->name);
        writeTable(json, *gait);
    }
    json.close();
    return json.text();
}

// A whole cycle of the gait (walk non-zero) as the gait step walks it from
// keyframe 0, sub-step 0 back to there, and the pose sampler's angles at each
// step from the gait's table as it stands: {"keyframe": [...], "substep":
// [...], "angles": [leg][joint][step]}, null for a joint a leg lacks. Reads
// the tables alone, so the scene stays as it is.
EMSCRIPTEN_KEEPALIVE const char* quadrupedCycle(int walk)
{
    static Json json;
    json.clear();
    const Gait& gait = gaitOf(walk);
    std::vector<CyclePoint> points{{0, 0}};
    do
        points.push_back(nextCyclePoint(gait, points.back()));
    while (points.back().keyframe != 0 || points.back().substep != 0);
    json.open('{').key("keyframe").open('[');
    for (const CyclePoint& point : points)
        json.integer(point.keyframe);
    json.close().key("substep").open('[');
    for (const CyclePoint& point : points)
        json.integer(point.substep);
    json.close().key("angles");
    writeLegs(json, [&](int leg, int joint) {
        json.open('[');
        for (const CyclePoint& point : points)
            json.number(double(sampleAngle(gait, scene.*gait.poses, point, leg, joint)));
        json.close();
    });
    json.close();
    return json.text();
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
