#include "app/toolkit.h"

#include "app/scene_state.h"
#include "scene/scene.h"

namespace {

constexpr double kTrunkRadius = 0.2;
constexpr double kTrunkHeight = 2.0;
constexpr double kCrownRadius = 0.8;
constexpr double kCrownHeight = 2.0;
// RGB of the trunk's bark and of the crown.
constexpr float kBarkColour[3] = {0.54f, 0.4f, 0.3f};
constexpr float kCrownColour[3] = {0.14f, 0.42f, 0.13f};
// How finely both are cut: slices around the tree's axis, stacks along it.
constexpr int kSlices = 15;
constexpr int kStacks = 2;

} // namespace

// Trunk cylinder from y 0 to 2 and crown cone from y 2 to 4, both along the
// tree's y axis after the cylinder axis (+z) is turned up.
void drawTree()
{
    glColor3fv(kBarkColour);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    gluCylinder(scene.quadric, kTrunkRadius, kTrunkRadius, kTrunkHeight, kSlices, kStacks);
    glTranslatef(0.0f, 0.0f, static_cast<float>(kTrunkHeight));
    glColor3fv(kCrownColour);
    gluCylinder(scene.quadric, kCrownRadius, 0.0, kCrownHeight, kSlices, kStacks);
}
