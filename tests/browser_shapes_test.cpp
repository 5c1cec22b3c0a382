// The shapes web/gl/shapes.cpp makes for the browser against GLU 9.0's and
// freeglut 3.4's own: every distinct shape call that the program's frames make
// (walking and running) must send OpenGL the same primitives, vertices and
// normals from both. The executable defines the calls it records and exports
// them, so that libGLU and libglut send theirs to it too.
#include "support/gl_test.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
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

// Each distinct shape call of the program's, by its name, sizes, slices and
// stacks: it draws GLU's or freeglut's shape and returns ours.
std::map<std::string, std::function<ffp::Mesh()>> calls;

// " a b ...": a call's numbers, each as short as it can be read back exactly.
template <typename... Number> std::string numbers(Number... n)
{
    std::string out;
    char text[32];
    ((out += ' ', out.append(text, std::to_chars(text, text + sizeof text, n).ptr)), ...);
    return out;
}

} // namespace

// REAL: GLU's or the toolkit's own entry point, past the ones defined here.
// NOTE defines one of those, which keeps its call (named by its sizes) as
// GLU's or the toolkit's own drawing (args), then ours.
#define REAL(name) reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name))
#define NOTE(name, params, sizes, args, ours)                                                      \
    extern "C" void name params                                                                    \
    {                                                                                              \
        calls.emplace(#name + numbers sizes, [=] { return REAL(name) args, ours; });               \
    }
NOTE(gluCylinder, (GLUquadric * q, double b, double t, double h, int s, int n), (b, t, h, s, n),
     (q, b, t, h, s, n), quadricCylinder(b, t, h, s, n))
NOTE(glutSolidSphere, (double r, int s, int n), (r, s, n), (r, s, n), solidSphere(r, s, n))
NOTE(glutSolidCone, (double b, double h, int s, int n), (b, h, s, n), (b, h, s, n),
     solidCone(b, h, s, n))
NOTE(glutSolidCube, (double size), (size), (size), solidCube(size))

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
    for (const auto& [name, draw] : calls) {
        recorded.clear();
        const ffp::Mesh ours = draw();
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
                for (int k = 0; k < 6; ++k)
                    worst = std::max(worst, std::fabs((k < 3 ? q.position[k] : q.normal[k - 3]) -
                                                      recorded[p].points[v][k]));
            }
        }
        std::printf("%-36s largest difference of a position or normal: %g\n", name.c_str(), worst);
        EXPECT_LE(worst, 1e-6f) << name;
    }
}
