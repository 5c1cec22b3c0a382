#include "app/toolkit.h"

#include "app/legs.h"
#include "app/scene_state.h"
#include "figure/figure.h"
#include "figure/marks.h"
#include "figure/parts.h"
#include "gait/gait.h"

namespace {

constexpr float kBodyEndX = 0.4f;     // end spheres' centres at -x and +x
constexpr double kEndRadius = 0.1675; // before the ends' scaling
constexpr double kTubeRadius = 0.25;  // before the tube's scaling
constexpr double kTubeLength = 0.4;   // before the tube's x2 scaling

// RGB of the whole body, both ends and the tube.
constexpr float kCoatColour[3] = {0.6f, 0.4f, 0.1f};

// Where each piece hangs on the body, in the figure's frame.
struct Attachment {
    int leg;
    float x, y, z;
};
// Legs in drawing order: leg 1 comes last so that the head, drawn next, takes
// the limb colour its last joint sphere leaves.
constexpr Attachment kLegAttachments[] = {
    {kHindRightLeg, -0.34f, 0.08f, 0.15f},
    {kFrontRightLeg, 0.44f, -0.16f, 0.1f},
    {kFrontLeftLeg, 0.44f, -0.16f, -0.1f},
    {kHindLeftLeg, -0.34f, 0.08f, -0.15f},
};
constexpr float kHeadAttachment[3] = {0.5f, 0.16f, 0.0f};
constexpr float kTailAttachment[3] = {-0.56f, 0.08f, 0.0f};

} // namespace

void drawBody()
{
    if (currentGait().bodyBobShown)
        glTranslatef(0.0f, scene.bodyBob, 0.0f); // left in place: moves the whole figure

    glPushMatrix();
    glColor3fv(kCoatColour);

    glPushMatrix();
    glTranslatef(-kBodyEndX, 0.0f, 0.0f);
    glPushMatrix();
    glScalef(1.0f, 1.2f, 1.0f);
    glutSolidSphere(kEndRadius, kSphereSlices, kSphereStacks); // rear
    glPopMatrix();
    // The tube starts at the rear centre and runs 0.4 x 2 along +x.
    glScalef(2.0f, 0.8f, 0.5f);
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    gluCylinder(scene.quadric, kTubeRadius, kTubeRadius, kTubeLength, kTubeSlices, kTubeStacks);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(kBodyEndX, 0.0f, 0.0f);
    glScalef(1.0f, 1.2f, 0.75f);
    glutSolidSphere(kEndRadius, kSphereSlices, kSphereStacks); // front
    glPopMatrix();

    glPopMatrix();
}

void drawFigure()
{
    markPart(kBodyPart);
    drawBody();

    for (const Attachment& a : kLegAttachments) {
        glPushMatrix();
        glTranslatef(a.x, a.y, a.z);
        markPart(kBodyPart);
        drawJoint(); // the hip or shoulder, part of the body
        drawLeg(a.leg);
        glPopMatrix();
    }

    glPushMatrix();
    glTranslatef(kHeadAttachment[0], kHeadAttachment[1], kHeadAttachment[2]);
    markPart(kHeadPart);
    drawHead();
    glPopMatrix();

    glPushMatrix();
    glTranslatef(kTailAttachment[0], kTailAttachment[1], kTailAttachment[2]);
    markPart(kTailPart);
    drawTail();
    glPopMatrix();
    markPart(kNoPart);
}
