// Prints, as CSV, the angle every leg joint is drawn at on each gait step of one
// whole cycle, read from the program's own pose sampler.
//
//   pose_csv walk [EDITS]   37 rows: steps 0..36 of the walk cycle (step 36 is step 0 again)
//   pose_csv run [EDITS]    21 rows: steps 0..20 of the run cycle
//
// EDITS change the keyframe tables first, written as the browser page's links
// write them (tools/edits.h): "w2.hr.lower-50_r1.fl.paw20".
//
// Columns: step, keyframe, substep, then one per joint that moves (the front
// legs have no upper joint, so 14 in all).
#include <cstdio>
#include <cstring>

#include "app/legs.h"
#include "app/scene_state.h"
#include "gait/gait.h"
#include "tools/edits.h"

int main(int argc, char** argv)
{
    resetSceneState();
    if (argc < 2 || argc > 3 ||
        (std::strcmp(argv[1], kWalkGait.name) != 0 && std::strcmp(argv[1], kRunGait.name) != 0) ||
        !applyEdits(argc == 3 ? argv[2] : "")) {
        std::fprintf(stderr, "usage: %s walk|run [EDITS]\n", argv[0]);
        return 2;
    }
    const bool walk = std::strcmp(argv[1], kWalkGait.name) == 0;
    scene.walkGait = walk ? 1 : 0;

    std::printf("step,keyframe,substep");
    for (int leg = 0; leg < kLegCount; ++leg)
        for (int joint = 0; joint < kJointCount; ++joint)
            if (legHasJoint(leg, joint))
                std::printf(",%s %s", kLegNames[leg], kJointNames[joint]);
    std::printf("\n");

    // One whole cycle, ending on the row where the gait is back at its start.
    for (int step = 0;; ++step) {
        std::printf("%d,%d,%d", step, scene.gaitFrame, scene.gaitSubstep);
        for (int leg = 0; leg < kLegCount; ++leg)
            for (int joint = 0; joint < kJointCount; ++joint)
                if (legHasJoint(leg, joint))
                    std::printf(",%g", double(jointAngle(leg, joint)));
        std::printf("\n");
        if (step > 0 && scene.gaitFrame == 0 && scene.gaitSubstep == 0)
            break;
        gaitStep();
    }
    return 0;
}
