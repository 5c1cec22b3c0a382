#include "app/toolkit.h"

#include "app/scene_state.h"
#include "figure/parts.h"

namespace {

constexpr double kCubeEdge = 0.5;
constexpr float kNeckRise = 45.0f; // degrees above +x with no head bob
constexpr float kNeckScale[3] = {1.4f, 0.4f, 0.2f};
constexpr float kHeadOffset[3] = {0.266f, -0.16f, 0.0f}; // in the neck's frame
constexpr float kHeadScale[3] = {0.4f, 0.3f, 0.15f};

} // namespace

// Neck box turned up by 45 - headAngle about z, head box hanging off it at
// neckAngle; both in the colour the caller left current.
void drawHead()
{
    glPushMatrix();
    glRotatef(kNeckRise - scene.headAngle, 0.0f, 0.0f, 1.0f);
    glPushMatrix();
    glScalef(kNeckScale[0], kNeckScale[1], kNeckScale[2]);
    glutSolidCube(kCubeEdge);
    glPopMatrix();
    glTranslatef(kHeadOffset[0], kHeadOffset[1], kHeadOffset[2]);
    glRotatef(scene.neckAngle, 0.0f, 0.0f, 1.0f);
    glScalef(kHeadScale[0], kHeadScale[1], kHeadScale[2]);
    glutSolidCube(kCubeEdge);
    glPopMatrix();
}
