// Drawing discipline: what each routine leaves on the matrix stack and as the
// current colour, and what a frame really puts in the framebuffer.
#include "support/gl_test.h"

#include "app/scene_state.h"
#include "figure/figure.h"
#include "figure/parts.h"
#include "scene/scene.h"

namespace {

class DrawingTest : public SceneTest {
protected:
    // Runs draw() inside a push and pop of its own and reports what it left.
    struct Left {
        GLint depthChange;
        bool matrixChanged;
        std::array<GLfloat, 4> colour;
    };
    Left leftBy(void (*draw)())
    {
        glPushMatrix();
        glColor3f(0.25f, 0.25f, 0.25f); // a colour no routine sets
        const GLint depth = modelviewDepth();
        const auto before = modelviewMatrix();
        draw();
        Left left{modelviewDepth() - depth, modelviewMatrix() != before, currentColour()};
        glPopMatrix();
        EXPECT_NO_GL_ERROR();
        return left;
    }
};

void expectColour(const std::array<GLfloat, 4>& c, const float (&rgb)[3])
{
    EXPECT_FLOAT_EQ(c[0], rgb[0]);
    EXPECT_FLOAT_EQ(c[1], rgb[1]);
    EXPECT_FLOAT_EQ(c[2], rgb[2]);
}

void drawLeg0()
{
    drawLeg(0);
}
void drawLeg2()
{
    drawLeg(2);
}

constexpr float kGreyColour[3] = {0.25f, 0.25f, 0.25f};
constexpr float kCrownColour[3] = {0.14f, 0.42f, 0.13f};

} // namespace

TEST_F(DrawingTest, RoutinesThatRestoreTheMatrix)
{
    struct Case {
        const char* name;
        void (*draw)();
        const float (*colour)[3];
    } cases[] = {
        {"drawJoint", drawJoint, &kLimbColour},
        {"drawLeg(0)", drawLeg0, &kLimbColour},
        {"drawLeg(2)", drawLeg2, &kLimbColour},
        {"drawHead", drawHead, &kGreyColour}, // draws in the colour it finds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Left left = leftBy(c.draw);
        EXPECT_EQ(left.depthChange, 0);
        EXPECT_FALSE(left.matrixChanged);
        expectColour(left.colour, *c.colour);
    }
}

TEST_F(DrawingTest, TreeAndTailLeaveTheMatrixChangedForTheCaller)
{
    Left tree = leftBy(drawTree);
    EXPECT_EQ(tree.depthChange, 0);
    EXPECT_TRUE(tree.matrixChanged);
    expectColour(tree.colour, kCrownColour);

    for (int walk = 0; walk <= 1; ++walk) {
        scene.walkGait = walk;
        Left tail = leftBy(drawTail);
        EXPECT_EQ(tail.depthChange, 0);
        EXPECT_TRUE(tail.matrixChanged);
        expectColour(tail.colour, kLimbColour);
    }
}

TEST_F(DrawingTest, BodyBobStaysInTheMatrixOnlyInTheRunGait)
{
    scene.bodyBob = 0.03f;
    scene.walkGait = 1;
    EXPECT_FALSE(leftBy(drawBody).matrixChanged);
    EXPECT_FALSE(leftBy(drawFigure).matrixChanged);

    scene.walkGait = 0;
    for (auto draw : {drawBody, drawFigure}) {
        glPushMatrix();
        const auto before = modelviewMatrix();
        const GLint depth = modelviewDepth();
        draw();
        const auto after = modelviewMatrix();
        EXPECT_EQ(modelviewDepth(), depth);
        // Only the translation column moves, by the view's y axis times the bob.
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(after[i], before[i]) << i;
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(after[12 + i], before[12 + i] + before[4 + i] * 0.03f, 1e-6) << i;
        glPopMatrix();
    }
    expectColour(leftBy(drawFigure).colour, kLimbColour);
}

TEST_F(DrawingTest, FrameRestoresTheViewAndSwapsOnce)
{
    for (int flags = 0; flags < 8; ++flags) {
        scene.lightingEnabled = flags & 1;
        scene.treesVisible = (flags >> 1) & 1;
        scene.walkGait = (flags >> 2) & 1;
        scene.bodyBob = 0.05f;
        const auto view = modelviewMatrix();
        const int swaps = swapCount();
        renderFrame();
        EXPECT_EQ(swapCount(), swaps + 1);
        EXPECT_EQ(modelviewMatrix(), view);
        EXPECT_EQ(modelviewDepth(), 1);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_EQ(glIsEnabled(GL_LIGHTING), GLboolean(scene.lightingEnabled));
        EXPECT_NO_GL_ERROR();
    }
    EXPECT_EQ(redisplayRequestCount(), 0);
}

TEST_F(DrawingTest, FrameSetsLightAndMaterialEveryTime)
{
    glDisable(GL_LIGHT0);
    glDisable(GL_COLOR_MATERIAL);
    renderFrame();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));

    GLfloat v[4];
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, v);
    EXPECT_FLOAT_EQ(v[1], 0.3f);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, v);
    EXPECT_EQ(v[0], 50.0f);
    glGetMaterialfv(GL_BACK, GL_SPECULAR, v);
    EXPECT_EQ(v[0], 1.0f);
    // The position is kept in eye coordinates: the world point (300, 2000, -20)
    // seen from the start camera at (0, 0.75, 5) looking along -z.
    glGetLightfv(GL_LIGHT0, GL_POSITION, v);
    EXPECT_NEAR(v[0], 300.0f, 1e-3);
    EXPECT_NEAR(v[1], 2000.0f - 0.75f, 1e-3);
    EXPECT_NEAR(v[2], -25.0f, 1e-3);
    EXPECT_EQ(v[3], 1.0f);
}

TEST_F(DrawingTest, UnlitGroundShowsItsPlainColour)
{
    scene.lightingEnabled = 0;
    renderFrame();
    // Bottom row of the window is ground well in front of the figure.
    const auto ground = backPixel(320, 5);
    EXPECT_EQ(ground, (std::array<int, 3>{13, 64, 13}));
    const auto sky = backPixel(20, 355); // top left, above the trees
    EXPECT_EQ(sky, (std::array<int, 3>{0, 0, 0}));
}

TEST_F(DrawingTest, LitGroundIsShadedByItsUpwardNormal)
{
    // Whatever normal the last primitive left, the ground shades the same.
    glNormal3f(0.0f, 0.0f, -1.0f);
    renderFrame();
    const auto first = backPixel(320, 5);
    glNormal3f(1.0f, 0.0f, 0.0f);
    renderFrame();
    const auto second = backPixel(320, 5);
    EXPECT_EQ(first, second);
    EXPECT_GT(first[1], first[0] + 50); // green, lit by ambient and diffuse
    EXPECT_GT(first[1], 64);
}

TEST_F(DrawingTest, HiddenTreesLeaveTheGroundAndFigureAlone)
{
    // The trunk of the tree at the origin shows between the figure's legs
    // below its body; without trees that pixel is ground.
    const int trunkX = 320, trunkY = 135, bodyX = 300, bodyY = 190;
    renderFrame();
    const auto trunk = backPixel(trunkX, trunkY);
    const auto body = backPixel(bodyX, bodyY);
    const auto ground = backPixel(320, 5);

    scene.treesVisible = 0;
    renderFrame();
    const auto behindTrunk = backPixel(trunkX, trunkY);
    EXPECT_NE(trunk, behindTrunk);
    EXPECT_GT(behindTrunk[1], behindTrunk[0] + 50) << "ground green where the trunk stood";
    EXPECT_EQ(backPixel(bodyX, bodyY), body);
    EXPECT_EQ(backPixel(320, 5), ground);
}
