// The shapes web/gl/shapes.cpp makes for the browser against GLU 9.0's and
// freeglut 3.4's own: every distinct shape call that the program's frames make
// (walking and running) must send OpenGL the same primitives, vertices and
// normals from both. The executable defines the calls it records and exports
// them, so that libGLU and libglut send theirs to it too.
#include "support/gl_test.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <set>
#include <tuple>
#include <vector>

#include "input/input.h"
#include "scene/scene.h"
#include "web/gl/entry_points.h" // primitiveOf
#include "web/gl/shapes.h"

namespace {

// What reaches GL as immediate-mode primitives or client arrays, in order.
using Point = std::array<float, 6>; // position, normal
struct Primitive {
    GLenum mode;
    std::vector<Point> points;
};
std::vector<Primitive> recorded;
std::array<float, 3> currentNormal = {0, 0, 1};
const float *vertexArray = nullptr, *normalArray = nullptr; // packed float triples

// The program's shape calls: which shape, its sizes, slices and stacks (unused ones 0).
enum Shape { kCylinder, kSphere, kCone, kCube };
const char* const kNames[] = {"gluCylinder", "glutSolidSphere", "glutSolidCone", "glutSolidCube"};
using Call = std::tuple<Shape, double, double, double, int, int>;
std::set<Call> calls;

} // namespace

// GLU's or the toolkit's own entry point, past the ones defined here.
#define REAL(name) reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name))
#define NOTE(name, shape, params, ...)                                                             \
    extern "C" void name params                                                                    \
    {                                                                                              \
        calls.insert({shape, __VA_ARGS__});                                                        \
    }
NOTE(gluCylinder, kCylinder, (GLUquadric*, double b, double t, double h, int s, int n), b, t, h, s,
     n)
NOTE(glutSolidSphere, kSphere, (double radius, int s, int n), radius, 0, 0, s, n)
NOTE(glutSolidCone, kCone, (double base, double height, int s, int n), base, height, 0, s, n)
NOTE(glutSolidCube, kCube, (double size), size, 0, 0, 0, 0)

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
    recorded.back().points.push_back(
        {x, y, z, currentNormal[0], currentNormal[1], currentNormal[2]});
}
void glVertexPointer(GLint, GLenum, GLsizei, const GLvoid* data)
{
    vertexArray = static_cast<const float*>(data);
}
void glNormalPointer(GLenum, GLsizei, const GLvoid* data)
{
    normalArray = static_cast<const float*>(data);
}
void glDrawElements(GLenum mode, GLsizei count, GLenum, const GLvoid* indices)
{
    recorded.push_back({mode, {}});
    for (GLsizei i = 0; i < count; ++i) {
        const int v = 3 * static_cast<const GLushort*>(indices)[i];
        recorded.back().points.push_back({vertexArray[v], vertexArray[v + 1], vertexArray[v + 2],
                                          normalArray[v], normalArray[v + 1], normalArray[v + 2]});
    }
}
}

class BrowserGL : public SceneTest {};

TEST_F(BrowserGL, ShapesSendWhatGluAndFreeglutSend)
{
    renderFrame();                   // walking, trees on
    onSpecialKey(GLUT_KEY_F1, 0, 0); // running
    ASSERT_FALSE(calls.empty());
    static GLUquadric* const quadric = gluNewQuadric();
    for (const auto& [shape, a, b, c, slices, stacks] : calls) {
        recorded.clear();
        ffp::Mesh ours;
        switch (shape) {
        case kCylinder:
            REAL(gluCylinder)(quadric, a, b, c, slices, stacks);
            ours = quadricCylinder(a, b, c, slices, stacks);
            break;
        case kSphere:
            REAL(glutSolidSphere)(a, slices, stacks);
            ours = solidSphere(a, slices, stacks);
            break;
        case kCone:
            REAL(glutSolidCone)(a, b, slices, stacks);
            ours = solidCone(a, b, slices, stacks);
            break;
        case kCube:
            REAL(glutSolidCube)(a);
            ours = solidCube(a);
            break;
        }
        char name[64];
        std::snprintf(name, sizeof name, "%s: %g %g %g, %d by %d", kNames[shape], a, b, c, slices,
                      stacks);
        ASSERT_FALSE(recorded.empty()) << name;
        ASSERT_EQ(ours.parts.size(), recorded.size()) << name;
        float worst = 0;
        for (std::size_t p = 0; p < recorded.size(); ++p) {
            ffp::Primitive primitive;
            EXPECT_TRUE(primitiveOf(recorded[p].mode, primitive) &&
                        primitive == ours.parts[p].primitive)
                << name;
            ASSERT_EQ(ours.parts[p].points.size(), recorded[p].points.size()) << name;
            for (std::size_t v = 0; v < recorded[p].points.size(); ++v) {
                const ffp::Mesh::Point& q = ours.parts[p].points[v];
                const Point mine = {q.position[0], q.position[1], q.position[2],
                                    q.normal[0],   q.normal[1],   q.normal[2]};
                for (int k = 0; k < 6; ++k)
                    worst = std::max(worst, std::fabs(mine[k] - recorded[p].points[v][k]));
            }
        }
        std::printf("%-36s largest difference of a position or normal: %g\n", name, worst);
        EXPECT_LE(worst, 1e-6f) << name;
    }
}
