#include "camera/camera.h"

#include "app/toolkit.h"

#include <cmath>

#include "app/scene_state.h"

namespace {

constexpr double kFieldOfViewY = 45.0; // degrees
constexpr double kNearPlane = 1.0;
constexpr double kFarPlane = 1000.0;
constexpr double kStepLength = 0.1; // scene units per move step

// Loads the look-at transform of the current eye and direction into the
// modelview matrix, which every camera operation leaves current.
void loadView()
{
    glLoadIdentity();
    gluLookAt(scene.cameraX, scene.cameraY, scene.cameraZ, double(scene.cameraX) + scene.lookX,
              double(scene.cameraY) + scene.lookY, double(scene.cameraZ) + scene.lookZ, 0.0, 1.0,
              0.0);
}

} // namespace

void onReshape(int width, int height)
{
    if (height == 0)
        height = 1;
    scene.aspectRatio = static_cast<float>(width * 1.0 / height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    gluPerspective(kFieldOfViewY, scene.aspectRatio, kNearPlane, kFarPlane);
    glMatrixMode(GL_MODELVIEW);
    loadView();
}

void orientCamera(float yaw)
{
    scene.lookX = static_cast<float>(std::sin(double(yaw)));
    scene.lookZ = static_cast<float>(-std::cos(double(yaw)));
    loadView();
}

void moveCamera(int steps)
{
    // steps * look is a float product, then widened by the double step length.
    scene.cameraX = static_cast<float>(scene.cameraX + steps * scene.lookX * kStepLength);
    scene.cameraZ = static_cast<float>(scene.cameraZ + steps * scene.lookZ * kStepLength);
    loadView();
}
