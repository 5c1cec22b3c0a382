#include "input/input.h"

#include "app/toolkit.h"

#include <cstdlib>

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "scene/scene.h"

namespace {

constexpr unsigned char kEscape = 27;
constexpr double kTurnStep = 5.0;        // degrees per ',' or '.'
constexpr float kCameraTurnStep = 0.05f; // radians per arrow press
constexpr int kCameraMoveSteps = 5;      // 0.5 units per arrow press

} // namespace

void onKey(unsigned char key, int /*x*/, int /*y*/)
{
    switch (key) {
    case kEscape: std::exit(0);
    case ',': scene.heading = static_cast<float>(scene.heading + kTurnStep); break;
    case '.': scene.heading = static_cast<float>(scene.heading - kTurnStep); break;
    case 'b': gaitStep(); break;
    default: break;
    }
    renderFrame();
}

void onSpecialKey(int key, int /*x*/, int /*y*/)
{
    switch (key) {
    case GLUT_KEY_F1: switchGait(); break;
    case GLUT_KEY_F5: glutFullScreen(); break;
    case GLUT_KEY_F6: glutReshapeWindow(kStartWidth, kStartHeight); break;
    case GLUT_KEY_F7: scene.lightingEnabled = !scene.lightingEnabled; break;
    case GLUT_KEY_F8: scene.treesVisible = !scene.treesVisible; break;
    case GLUT_KEY_F11: scene.advanceOnStep = !scene.advanceOnStep; break;
    case GLUT_KEY_LEFT:
        scene.cameraAngle = static_cast<float>(scene.cameraAngle - kCameraTurnStep);
        orientCamera(scene.cameraAngle);
        break;
    case GLUT_KEY_RIGHT:
        scene.cameraAngle = static_cast<float>(scene.cameraAngle + kCameraTurnStep);
        orientCamera(scene.cameraAngle);
        break;
    case GLUT_KEY_UP: moveCamera(kCameraMoveSteps); break;
    case GLUT_KEY_DOWN: moveCamera(-kCameraMoveSteps); break;
    default: break;
    }
    renderFrame();
}
