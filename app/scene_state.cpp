#include "app/scene_state.h"

#include "app/toolkit.h"

#include "gait/gait.h"

// The quadric is created by this static initialiser, before main and before
// any OpenGL context exists; GLU only allocates it here.
SceneState scene = [] {
    SceneState start;
    start.quadric = gluNewQuadric();
    return start;
}();

void resetSceneState()
{
    GLUquadric* const quadric = scene.quadric;
    scene = SceneState{};
    scene.quadric = quadric;
    initGaitTables();
}
