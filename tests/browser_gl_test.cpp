// The browser's GL pieces against the desktop's. Shapes: every GLU and toolkit
// shape the program draws must reach GL from our generators as the same
// primitives, vertices and normals as from GLU and freeglut. Pipeline: every
// GL call of the program goes to Mesa and, alongside, to our pipeline, whose
// triangles Mesa then draws as plain coloured triangles in clip space; with
// one rasteriser for both pictures, any difference is our transforms,
// lighting or primitive splitting. The executable exports the GL calls it
// defines, so that libGLU and libglut draw into them too.
#include "support/gl_test.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/scene_state.h"
#include "camera/camera.h"
#include "input/input.h"
#include "scene/scene.h"
#include "web/pipeline.h"
#include "web/shapes.h"

namespace {

ffp::Pipeline pipeline;

// What reaches GL as immediate-mode primitives or client arrays, in order.
using Vec = std::array<float, 3>;
struct Primitive {
    GLenum mode;
    std::vector<std::array<Vec, 2>> vertices; // position, normal
};
std::vector<Primitive> recorded;
Vec currentNormal = {0, 0, 1};
const float *vertexArray = nullptr, *normalArray = nullptr; // packed float triples

void recordElement(GLuint i)
{
    recorded.back().vertices.push_back(
        {Vec{vertexArray[3 * i], vertexArray[3 * i + 1], vertexArray[3 * i + 2]},
         Vec{normalArray[3 * i], normalArray[3 * i + 1], normalArray[3 * i + 2]}});
}

// Mesa's (or GLU's, or the toolkit's) own entry point, past the ones defined here.
template <typename F> F real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
#define REAL(name) static const auto real_##name = real<decltype(&::name)>(#name)

void toggle(GLenum cap, bool on)
{
    ffp::Switch what;
    if (ffp::switchOf(cap, what))
        pipeline.enable(what, on);
}

// Mesa's picture in the given buffer, bottom row first.
std::vector<unsigned char> pixels(GLenum buffer)
{
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(view[2]) * view[3] * 3);
    glReadBuffer(buffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, view[2], view[3], GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// Draws the pipeline's triangles with Mesa, lighting off and every matrix the
// identity (the pipeline follows along, and so stays in step with Mesa).
void replay(const std::vector<ffp::Vertex>& triangles)
{
    for (GLenum stack : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(stack);
        glPushMatrix();
        glLoadIdentity();
    }
    glDisable(GL_LIGHTING);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_TRIANGLES);
    for (const ffp::Vertex& v : triangles) {
        glColor4fv(v.colour.data());
        glVertex4fv(v.clip.data());
    }
    glEnd();
    glFinish();
    for (GLenum stack : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(stack);
        glPopMatrix();
    }
}

} // namespace

// The entry points the program calls, seen by Mesa and by the pipeline alike.
// The toolkit's and GLU's shapes are drawn by our generators, so both see them.
#define FORWARD(name, params, args, feed)                                                          \
    extern "C" void name params                                                                    \
    {                                                                                              \
        REAL(name);                                                                                \
        real_##name args;                                                                          \
        feed;                                                                                      \
    }
FORWARD(glMatrixMode, (GLenum m), (m),
        pipeline.selectStack(m == GL_PROJECTION ? ffp::Stack::Projection : ffp::Stack::Modelview))
FORWARD(glLoadIdentity, (), (), pipeline.loadIdentity())
FORWARD(glPushMatrix, (), (), pipeline.push())
FORWARD(glPopMatrix, (), (), pipeline.pop())
FORWARD(glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), pipeline.translate(x, y, z))
FORWARD(glRotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z),
        pipeline.rotate(a, x, y, z))
FORWARD(glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), pipeline.scale(x, y, z))
FORWARD(gluPerspective, (GLdouble f, GLdouble a, GLdouble n, GLdouble z), (f, a, n, z),
        pipeline.perspective(f, a, n, z))
FORWARD(gluLookAt,
        (GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux,
         GLdouble uy, GLdouble uz),
        (ex, ey, ez, cx, cy, cz, ux, uy, uz), pipeline.lookAt(ex, ey, ez, cx, cy, cz, ux, uy, uz))
FORWARD(glEnable, (GLenum cap), (cap), toggle(cap, true))
FORWARD(glDisable, (GLenum cap), (cap), toggle(cap, false))
FORWARD(glColor3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b), pipeline.colour(r, g, b, 1.0f))
FORWARD(glColor3fv, (const GLfloat* c), (c), pipeline.colour(c[0], c[1], c[2], 1.0f))
FORWARD(glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z),
        (pipeline.normal(x, y, z), currentNormal = {x, y, z}))
FORWARD(glBegin, (GLenum mode), (mode),
        (pipeline.begin(ffp::primitiveOf(mode)), recorded.push_back({mode, {}})))
FORWARD(glEnd, (), (), pipeline.end())
FORWARD(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z),
        (pipeline.vertex(x, y, z),
         recorded.back().vertices.push_back({Vec{x, y, z}, currentNormal})))
FORWARD(glLightfv, (GLenum light, GLenum name, const GLfloat* v), (light, name, v),
        pipeline.light(name, v))
FORWARD(glMaterialfv, (GLenum face, GLenum name, const GLfloat* v), (face, name, v),
        pipeline.materialSpecular({v[0], v[1], v[2], v[3]}))
FORWARD(glMateriali, (GLenum face, GLenum name, GLint v), (face, name, v),
        pipeline.materialShininess(static_cast<float>(v)))

// The toolkit draws from client arrays: recorded only.
extern "C" {
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
    for (GLsizei i = 0; i < count; ++i)
        recordElement(static_cast<const GLushort*>(indices)[i]);
}
}

// The program's shapes come from our generators, so that Mesa and the pipeline see them.
#define SHAPE(name, ours, params, args)                                                            \
    extern "C" void name params                                                                    \
    {                                                                                              \
        ours args;                                                                                 \
    }
SHAPE(gluCylinder, drawQuadricCylinder, (GLUquadric*, double b, double t, double h, int s, int n),
      (b, t, h, s, n))
SHAPE(glutSolidSphere, drawSolidSphere, (double r, int s, int n), (r, s, n))
SHAPE(glutSolidCone, drawSolidCone, (double b, double h, int s, int n), (b, h, s, n))
SHAPE(glutSolidCube, drawSolidCube, (double size), (size))

namespace {

// What one drawing call sends, recorded from an empty list.
std::vector<Primitive> record(const std::function<void()>& draw)
{
    recorded.clear();
    draw();
    return std::move(recorded);
}

// GLU's and the toolkit's own shapes, past the ones defined here.
const auto realCylinder = [](auto... a) {
    static GLUquadric* const quadric = gluNewQuadric();
    REAL(gluCylinder);
    real_gluCylinder(quadric, a...);
};
#define REAL_SHAPE(name)                                                                           \
    [](auto... a) {                                                                                \
        REAL(name);                                                                                \
        real_##name(a...);                                                                         \
    }
const auto realSphere = REAL_SHAPE(glutSolidSphere);
const auto realCone = REAL_SHAPE(glutSolidCone);
const auto realCube = REAL_SHAPE(glutSolidCube);

// Every size and tessellation the trees and the figure draw.
#define SIZES(library, ours, ...)                                                                  \
    {                                                                                              \
#ours "(" #__VA_ARGS__ ")", [] { library(__VA_ARGS__); }, [] { ours(__VA_ARGS__); }        \
    }
const struct {
    const char* name;
    void (*library)();
    void (*ours)();
} kShapes[] = {
    SIZES(realCylinder, drawQuadricCylinder, 0.2, 0.2, 2.0, 15, 2), // trunk
    SIZES(realCylinder, drawQuadricCylinder, 0.8, 0.0, 2.0, 15, 2), // crown
    SIZES(realCylinder, drawQuadricCylinder, 0.25, 0.25, 0.4, 15, 2),
    SIZES(realCylinder, drawQuadricCylinder, 0.3, 0.3, 0.5, 15, 2),
    SIZES(realCylinder, drawQuadricCylinder, 0.02, 0.03, 0.2, 15, 2), // tail
    SIZES(realCylinder, drawQuadricCylinder, 0.015, 0.02, 0.15, 15, 2),
    SIZES(realCylinder, drawQuadricCylinder, 0.0, 0.015, 0.25, 15, 2),
    SIZES(realSphere, drawSolidSphere, 0.1675, 8, 8),
    SIZES(realSphere, drawSolidSphere, 0.04, 8, 8),
    SIZES(realSphere, drawSolidSphere, 0.032, 8, 8),
    SIZES(realSphere, drawSolidSphere, 0.08 / 3, 8, 8),
    SIZES(realSphere, drawSolidSphere, 0.02, 8, 8),
    SIZES(realCone, drawSolidCone, 0.5, 0.6, 8, 6),
    SIZES(realCube, drawSolidCube, 0.5),
};

class BrowserGL : public SceneTest {};

} // namespace

TEST_F(BrowserGL, ShapesSendWhatGluAndFreeglutSend)
{
    for (const auto& shape : kShapes) {
        const std::vector<Primitive> want = record(shape.library), got = record(shape.ours);
        ASSERT_FALSE(want.empty()) << shape.name;
        ASSERT_EQ(got.size(), want.size()) << shape.name;
        float worst = 0;
        for (std::size_t p = 0; p < want.size(); ++p) {
            EXPECT_EQ(got[p].mode, want[p].mode) << shape.name;
            ASSERT_EQ(got[p].vertices.size(), want[p].vertices.size()) << shape.name;
            for (std::size_t v = 0; v < want[p].vertices.size(); ++v)
                for (int a = 0; a < 2; ++a)
                    for (int k = 0; k < 3; ++k)
                        worst = std::max(
                            worst, std::fabs(got[p].vertices[v][a][k] - want[p].vertices[v][a][k]));
        }
        std::printf("%-40s largest difference of a position or normal: %g\n", shape.name, worst);
        EXPECT_LE(worst, 1e-6f) << shape.name;
    }
}

// One frame per state: the pipeline's replay must match Mesa's own picture to
// within rounding. The light is far away, so treating it as directional shifts
// the shading by only 3/255: the bound on the worst pixel is what catches that.
TEST_F(BrowserGL, ReplayedFramesMatchMesa)
{
    onReshape(640, 360); // the pipeline sees the projection and the view too
    // Each state follows the one before: keys (b, comma) and special keys (F1 ...).
    const struct {
        const char* name;
        const char* keys;
        std::vector<int> specials;
    } states[] = {
        {"first frame", "", {}},
        {"12 walk steps, then the run gait", "bbbbbbbbbbbb", {GLUT_KEY_F1}},
        {"7 run steps, 3 turns, lighting off", "bbbbbbb,,,", {GLUT_KEY_F7}},
        {"lit, trees off, camera turned and moved",
         "",
         {GLUT_KEY_F7, GLUT_KEY_F8, GLUT_KEY_RIGHT, GLUT_KEY_UP}},
    };
    for (const auto& state : states) {
        for (const char* k = state.keys; *k != '\0'; ++k)
            onKey(static_cast<unsigned char>(*k), 0, 0);
        for (int k : state.specials)
            onSpecialKey(k, 0, 0);
        pipeline.takeTriangles();
        std::vector<unsigned char> mesa;
        beforeSwap = [&mesa] { mesa = pixels(GL_BACK); };
        renderFrame();
        beforeSwap = nullptr;
        replay(pipeline.takeTriangles());
        const std::vector<unsigned char> ours = pixels(GL_BACK);
        ASSERT_EQ(mesa.size(), ours.size());
        std::size_t close = 0;
        int worst = 0;
        for (std::size_t i = 0; i < mesa.size(); i += 3) {
            int d = 0;
            for (int k = 0; k < 3; ++k)
                d = std::max(d, std::abs(mesa[i + k] - ours[i + k]));
            close += d <= 1;
            worst = std::max(worst, d);
        }
        const double share = double(close) / double(mesa.size() / 3);
        std::printf("%s: %.4f%% of pixels within 1/255, worst %d/255\n", state.name, 100.0 * share,
                    worst);
        EXPECT_GE(share, 0.9999) << state.name;
        EXPECT_LE(worst, 2) << state.name;
        EXPECT_NO_GL_ERROR();
    }
}
