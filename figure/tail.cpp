#include "app/toolkit.h"

#include "app/scene_state.h"
#include "figure/parts.h"
#include "gait/gait.h"

namespace {

// The tail's bend in degrees: turned about y to point away from the head,
// drooping about x at the root and bending further down at the second joint,
// where the gait's lift counts half. The swing turns each segment further to
// the same side: once at the root, twice and three times at the next joints.
constexpr float kBackwards = 90.0f;
constexpr float kRootDroop = 45.0f;
constexpr double kSecondBend = 24.0;
constexpr double kSecondLiftShare = 0.5;
constexpr int kSecondSwing = 2;
constexpr int kThirdSwing = 3;

// Root to tip: length, radius at the far end, radius at the joint end.
constexpr double kLength1 = 0.2, kFar1 = 0.02, kNear1 = 0.03;
constexpr double kLength2 = 0.15, kFar2 = 0.015, kNear2 = 0.02;
constexpr double kLength3 = 0.25, kFar3 = 0.0, kNear3 = 0.015;

constexpr double kRootJointRadius = 0.032;
constexpr double kSecondJointRadius = 0.08 / 3;
constexpr double kThirdJointRadius = 0.02;

// Joint sphere in the joint colour; the caller sets the limb colour after it.
void drawTailJoint(double radius)
{
    glColor3fv(kJointColour);
    glutSolidSphere(radius, kSphereSlices, kSphereStacks);
}

// One segment running from its far end back to the current joint along -z.
void drawTailSegment(double length, double farRadius, double nearRadius)
{
    glTranslatef(0.0f, 0.0f, static_cast<float>(-length));
    gluCylinder(scene.quadric, farRadius, nearRadius, length, kTubeSlices, kTubeStacks);
}

} // namespace

// Swing s (halved towards zero in the run gait) turns each segment about its
// y axis, further at each joint; the lift raises segments 1 and 2 about x.
void drawTail()
{
    const Gait& gait = currentGait();
    const int swing = scene.tailAngle / gait.tailSwingDivisor;
    const float lift = gait.tailLift;

    drawTailJoint(kRootJointRadius);
    glColor3fv(kLimbColour);
    glRotatef(static_cast<float>(kBackwards - swing), 0.0f, 1.0f, 0.0f);
    glRotatef(lift - kRootDroop, 1.0f, 0.0f, 0.0f);
    drawTailSegment(kLength1, kFar1, kNear1);

    drawTailJoint(kSecondJointRadius);
    glColor3fv(kLimbColour);
    glRotatef(static_cast<float>(-(swing * kSecondSwing)), 0.0f, 1.0f, 0.0f);
    glRotatef(static_cast<float>(lift * kSecondLiftShare - kSecondBend), 1.0f, 0.0f, 0.0f);
    drawTailSegment(kLength2, kFar2, kNear2);

    drawTailJoint(kThirdJointRadius);
    glRotatef(static_cast<float>(-(swing * kThirdSwing)), 0.0f, 1.0f, 0.0f);
    glColor3fv(kLimbColour);
    drawTailSegment(kLength3, kFar3, kNear3);
}
