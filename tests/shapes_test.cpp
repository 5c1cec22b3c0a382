// The browser's shape generators against the desktop's GLU and freeglut: every
// shape the figure and the trees draw must reach GL as the same primitives,
// with the same vertices in the same order and the same normals.
//
// This executable defines (and exports) the GL calls that libGLU and libglut
// draw with, so both libraries, and the generators, land in the recorder below
// instead of libGL.
#include "support/gl_test.h"

#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "web/shapes.h"

namespace {

using Vec = std::array<float, 3>;
struct Vertex {
    Vec position, normal;
};
struct Primitive {
    GLenum mode;
    std::vector<Vertex> vertices;
};

std::vector<Primitive> recorded;
Vec currentNormal = {0, 0, 1};
const GLvoid* vertexArray = nullptr; // tightly packed float triples, as the toolkit's are
const GLvoid* normalArray = nullptr;

// Entry `index` of a client array of float triples.
Vec fetch(const GLvoid* array, GLuint index)
{
    const float* p = static_cast<const float*>(array) + 3 * std::size_t(index);
    return {p[0], p[1], p[2]};
}

} // namespace

// GL's drawing calls, as GLU and the toolkit make them: only recorded.
extern "C" {
void glBegin(GLenum mode)
{
    recorded.push_back({mode, {}});
}
void glEnd() {}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    currentNormal = {x, y, z};
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    recorded.back().vertices.push_back({{x, y, z}, currentNormal});
}
void glEnableClientState(GLenum) {}
void glDisableClientState(GLenum) {}
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* data)
{
    EXPECT_TRUE(size == 3 && type == GL_FLOAT && stride == 0);
    vertexArray = data;
}
void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* data)
{
    EXPECT_TRUE(type == GL_FLOAT && stride == 0);
    normalArray = data;
}
void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices)
{
    ASSERT_EQ(type, GLenum(GL_UNSIGNED_SHORT));
    recorded.push_back({mode, {}});
    for (GLsizei i = 0; i < count; ++i) {
        const GLuint index = static_cast<const GLushort*>(indices)[i];
        recorded.back().vertices.push_back({fetch(vertexArray, index), fetch(normalArray, index)});
    }
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    recorded.push_back({mode, {}});
    for (GLint index = first; index < first + count; ++index)
        recorded.back().vertices.push_back({fetch(vertexArray, index), fetch(normalArray, index)});
}
}

namespace {

// GLU's cylinder of one default quadric, kept for the whole run.
void quadricCylinder(double base, double top, double height, int slices, int stacks)
{
    static GLUquadric* const quadric = gluNewQuadric();
    gluCylinder(quadric, base, top, height, slices, stacks);
}

// What one drawing call sends, recorded from an empty list.
std::vector<Primitive> record(void (*draw)())
{
    recorded.clear();
    draw();
    return std::move(recorded);
}

struct Shape {
    const char* name;
    void (*library)();
    void (*ours)();
};
// clang-format off
#define SHAPE(library, ours, ...) \
    {#library "(" #__VA_ARGS__ ")", [] { library(__VA_ARGS__); }, [] { ours(__VA_ARGS__); }}
// clang-format on

// Every size and tessellation the trees (scene/tree.cpp) and figure (figure/*.cpp) draw.
const Shape kShapes[] = {
    SHAPE(quadricCylinder, drawQuadricCylinder, 0.2, 0.2, 2, 15, 2), // trunk
    SHAPE(quadricCylinder, drawQuadricCylinder, 0.8, 0, 2, 15, 2),   // crown
    SHAPE(quadricCylinder, drawQuadricCylinder, 0.25, 0.25, 0.4, 15, 2),
    SHAPE(quadricCylinder, drawQuadricCylinder, 0.3, 0.3, 0.5, 15, 2),
    SHAPE(quadricCylinder, drawQuadricCylinder, 0.02, 0.03, 0.2, 15, 2), // tail
    SHAPE(quadricCylinder, drawQuadricCylinder, 0.015, 0.02, 0.15, 15, 2),
    SHAPE(quadricCylinder, drawQuadricCylinder, 0, 0.015, 0.25, 15, 2),
    SHAPE(glutSolidSphere, drawSolidSphere, 0.1675, 8, 8),
    SHAPE(glutSolidSphere, drawSolidSphere, 0.04, 8, 8),
    SHAPE(glutSolidSphere, drawSolidSphere, 0.032, 8, 8),
    SHAPE(glutSolidSphere, drawSolidSphere, 0.08 / 3, 8, 8),
    SHAPE(glutSolidSphere, drawSolidSphere, 0.02, 8, 8),
    SHAPE(glutSolidCone, drawSolidCone, 0.5, 0.6, 8, 6),
    SHAPE(glutSolidCube, drawSolidCube, 0.5),
};

// Largest difference of any one coordinate of two points.
float largestDifference(const Vec& a, const Vec& b)
{
    return std::max({std::fabs(a[0] - b[0]), std::fabs(a[1] - b[1]), std::fabs(a[2] - b[2])});
}

TEST(ShapesTest, GeneratorsSendWhatGluAndFreeglutSend)
{
    constexpr float kTolerance = 1e-6f;
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        const std::vector<Primitive> want = record(shape.library);
        const std::vector<Primitive> got = record(shape.ours);
        ASSERT_FALSE(want.empty()) << "the library drew nothing the recorder saw";
        ASSERT_EQ(got.size(), want.size());
        float position = 0, normal = 0;
        for (std::size_t p = 0; p < want.size(); ++p) {
            EXPECT_EQ(got[p].mode, want[p].mode) << "primitive " << p;
            ASSERT_EQ(got[p].vertices.size(), want[p].vertices.size()) << "primitive " << p;
            for (std::size_t v = 0; v < want[p].vertices.size(); ++v) {
                const Vertex &g = got[p].vertices[v], &w = want[p].vertices[v];
                position = std::max(position, largestDifference(g.position, w.position));
                normal = std::max(normal, largestDifference(g.normal, w.normal));
            }
        }
        std::printf("%-50s max difference: position %g, normal %g\n", shape.name, position, normal);
        EXPECT_LE(position, kTolerance);
        EXPECT_LE(normal, kTolerance);
    }
}

} // namespace
