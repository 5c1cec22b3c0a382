// What the in-process tests share: one real freeglut window with a Mesa context
// per test process, counters of the frames drawn, and probes of the GL state.
#pragma once

#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <array>
#include <functional>
#include <vector>

// Buffer swaps and redisplay requests made by the program since process start
// (the real toolkit calls are wrapped at link time to count them).
int swapCount();
int redisplayRequestCount();

struct Vec3 {
    double x, y, z;
};

GLint modelviewDepth();
GLint projectionDepth();
std::array<GLfloat, 16> modelviewMatrix();
std::array<GLfloat, 4> currentColour();
// The colour a pixel of the back buffer holds, 0..255 per channel.
std::array<int, 3> backPixel(int x, int y);

// Vertices, in object coordinates of an identity modelview, of every polygon
// that draw() issues, read back through OpenGL's feedback mode.
std::vector<Vec3> feedbackVertices(const std::function<void()>& draw);

// Mean and bounds of a set of vertices.
Vec3 centroid(const std::vector<Vec3>& v);
Vec3 lowest(const std::vector<Vec3>& v);
Vec3 minCorner(const std::vector<Vec3>& v);
Vec3 maxCorner(const std::vector<Vec3>& v);

// Each test starts from the state the event loop first sees: start values,
// filled tables, a 640 x 360 reshape with the start view in the modelview.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

#define EXPECT_NO_GL_ERROR() EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR))
