#include "app/toolkit.h"

#include "app/legs.h"
#include "app/scene_state.h"
#include "figure/marks.h"
#include "figure/parts.h"
#include "gait/gait.h"

namespace {

constexpr double kJointRadius = 0.04;
constexpr float kJointGap = 0.04f; // each segment starts this far below its joint

// Every segment is this cylinder, scaled per segment and hung along -y.
constexpr double kSegmentRadius = 0.3;
constexpr double kSegmentHeight = 0.5;

// One leg segment's shape and the drop to the next joint centre.
struct Segment {
    int joint;
    float scale[3];
    float drop; // from the segment's top (kJointGap below its joint) to the next joint
};
constexpr Segment kUpperLeg = {kUpperJoint, {0.4f, 0.4f, 0.11f}, 0.24f};
constexpr Segment kLowerLeg = {kLowerJoint, {0.2f, 0.5f, 0.1f}, 0.29f};
constexpr Segment kShin = {kShinJoint, {0.1f, 0.35f, 0.08f}, 0.215f};

// Paw cone: base 0.05 wide, 0.0925 below the last joint, tip up.
constexpr float kPawDrop = 0.0525f;
constexpr float kPawScale[3] = {0.1f, 0.15f, 0.1f};
constexpr double kPawConeRadius = 0.5;
constexpr double kPawConeHeight = 0.6;
constexpr int kPawSlices = 8;
constexpr int kPawStacks = 6;

// Turns at the leg's joint about z, then drops by the joint gap.
void turnAtJoint(int leg, int joint)
{
    glRotatef(jointAngle(leg, joint), 0.0f, 0.0f, 1.0f);
    glTranslatef(0.0f, -kJointGap, 0.0f);
}

// The paw cone below the last joint, turned by joint 3.
void drawPaw(int leg)
{
    markPart(legPart(leg, kPawJoint));
    glPushMatrix();
    turnAtJoint(leg, kPawJoint);
    glTranslatef(0.0f, -kPawDrop, 0.0f);
    glScalef(kPawScale[0], kPawScale[1], kPawScale[2]);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glutSolidCone(kPawConeRadius, kPawConeHeight, kPawSlices, kPawStacks);
    glPopMatrix();
}

// One segment (a part of its own, marked where its joint sits) turned by its
// joint, its lower joint sphere, then the rest of
// the chain below it inside the same push and pop.
void drawSegment(int leg, const Segment& segment, void (*below)(int))
{
    markPart(legPart(leg, segment.joint)); // at its joint, before the joint turns it
    glPushMatrix();
    turnAtJoint(leg, segment.joint);
    glPushMatrix();
    glScalef(segment.scale[0], segment.scale[1], segment.scale[2]);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f); // the cylinder's +z axis turns to -y
    gluCylinder(scene.quadric, kSegmentRadius, kSegmentRadius, kSegmentHeight, kTubeSlices,
                kTubeStacks);
    glPopMatrix();
    glTranslatef(0.0f, -segment.drop, 0.0f);
    drawJoint();
    below(leg);
    glPopMatrix();
}

void drawShin(int leg)
{
    drawSegment(leg, kShin, drawPaw);
}

void drawLowerLeg(int leg)
{
    drawSegment(leg, kLowerLeg, drawShin);
}

void drawUpperLeg(int leg)
{
    drawSegment(leg, kUpperLeg, drawLowerLeg);
}

} // namespace

void drawJoint()
{
    glColor3fv(kJointColour);
    glutSolidSphere(kJointRadius, kSphereSlices, kSphereStacks);
    glColor3fv(kLimbColour);
}

// Hind legs start at the upper segment, front legs at the lower one.
void drawLeg(int leg)
{
    glPushMatrix();
    if (isHindLeg(leg))
        drawUpperLeg(leg);
    else
        drawLowerLeg(leg);
    glPopMatrix();
}
