// The browser's fixed-function pipeline against Mesa's. Every OpenGL and GLU
// call the program makes goes to Mesa and, alongside, to our pipeline; the
// triangles the pipeline assembles are then drawn by Mesa as plain coloured
// triangles in clip space. With one rasteriser for both pictures, any
// difference comes from our transforms, lighting or primitive splitting.
#include "support/gl_test.h"

#include <dlfcn.h>

#include <algorithm>
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

// Mesa's own entry point of the given name, past the ones defined here.
template <typename F> F real(const char* name)
{
    void* f = dlsym(RTLD_NEXT, name);
    if (f == nullptr) {
        std::fprintf(stderr, "no %s in the GL libraries\n", name);
        std::abort();
    }
    return reinterpret_cast<F>(f);
}
#define REAL(name) static const auto real_##name = real<decltype(&::name)>(#name)

ffp::Primitive primitiveOf(GLenum mode)
{
    switch (mode) {
    case GL_TRIANGLE_STRIP: return ffp::Primitive::TriangleStrip;
    case GL_TRIANGLE_FAN: return ffp::Primitive::TriangleFan;
    case GL_QUADS: return ffp::Primitive::Quads;
    case GL_QUAD_STRIP: return ffp::Primitive::QuadStrip;
    default: return ffp::Primitive::Triangles;
    }
}

void toggle(GLenum cap, bool on)
{
    if (cap == GL_LIGHTING)
        pipeline.enable(ffp::Switch::Lighting, on);
    else if (cap == GL_LIGHT0)
        pipeline.enable(ffp::Switch::Light0, on);
    else if (cap == GL_COLOR_MATERIAL)
        pipeline.enable(ffp::Switch::ColourMaterial, on);
}

ffp::Vec4 vec4(const GLfloat* v)
{
    return {v[0], v[1], v[2], v[3]};
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

// Draws the pipeline's triangles with Mesa, lighting off and every matrix the identity.
void replay(const std::vector<ffp::Vertex>& triangles)
{
    REAL(glMatrixMode);
    REAL(glPushMatrix);
    REAL(glPopMatrix);
    REAL(glLoadIdentity);
    REAL(glDisable);
    REAL(glBegin);
    REAL(glEnd);
    for (GLenum stack : {GL_PROJECTION, GL_MODELVIEW}) {
        real_glMatrixMode(stack);
        real_glPushMatrix();
        real_glLoadIdentity();
    }
    real_glDisable(GL_LIGHTING);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    real_glBegin(GL_TRIANGLES);
    for (const ffp::Vertex& v : triangles) {
        glColor4fv(v.colour.data());
        glVertex4fv(v.clip.data());
    }
    real_glEnd();
    glFinish();
    for (GLenum stack : {GL_PROJECTION, GL_MODELVIEW}) {
        real_glMatrixMode(stack);
        real_glPopMatrix();
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
FORWARD(glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), pipeline.normal(x, y, z))
FORWARD(glBegin, (GLenum mode), (mode), pipeline.begin(primitiveOf(mode)))
FORWARD(glEnd, (), (), pipeline.end())
FORWARD(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), pipeline.vertex(x, y, z))
FORWARD(glLightfv, (GLenum light, GLenum name, const GLfloat* v), (light, name, v),
        name == GL_AMBIENT    ? pipeline.lightAmbient(vec4(v))
        : name == GL_DIFFUSE  ? pipeline.lightDiffuse(vec4(v))
        : name == GL_SPECULAR ? pipeline.lightSpecular(vec4(v))
                              : pipeline.lightPosition(vec4(v)))
FORWARD(glMaterialfv, (GLenum face, GLenum name, const GLfloat* v), (face, name, v),
        pipeline.materialSpecular(vec4(v)))
FORWARD(glMateriali, (GLenum face, GLenum name, GLint v), (face, name, v),
        pipeline.materialShininess(static_cast<float>(v)))

extern "C" {
void gluCylinder(GLUquadric*, GLdouble base, GLdouble top, GLdouble height, GLint slices,
                 GLint stacks)
{
    drawQuadricCylinder(base, top, height, slices, stacks);
}
void glutSolidSphere(double radius, GLint slices, GLint stacks)
{
    drawSolidSphere(radius, slices, stacks);
}
void glutSolidCone(double base, double height, GLint slices, GLint stacks)
{
    drawSolidCone(base, height, slices, stacks);
}
void glutSolidCube(double size)
{
    drawSolidCube(size);
}
}

namespace {

class PipelineTest : public SceneTest {};

} // namespace

// One frame per state: the pipeline's replay must match Mesa's own picture to
// within rounding. The light is far away, so treating it as directional shifts
// the shading by only 3/255: the bound on the worst pixel is what catches that.
TEST_F(PipelineTest, ReplayedFramesMatchMesa)
{
    onReshape(640, 360); // the pipeline sees the projection and the view too
    const struct {
        const char* name;
        void (*prepare)();
    } states[] = {
        {"first frame", [] {}},
        {"run gait, turned",
         [] {
             for (int i = 0; i < 12; ++i)
                 onKey('b', 0, 0);
             onSpecialKey(GLUT_KEY_F1, 0, 0);
             for (int i = 0; i < 7; ++i)
                 onKey('b', 0, 0);
             for (int i = 0; i < 3; ++i)
                 onKey(',', 0, 0);
         }},
        {"lighting off", [] { onSpecialKey(GLUT_KEY_F7, 0, 0); }},
        {"camera moved, trees off",
         [] {
             onSpecialKey(GLUT_KEY_F7, 0, 0);
             onSpecialKey(GLUT_KEY_F8, 0, 0);
             onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
             onSpecialKey(GLUT_KEY_UP, 0, 0);
         }},
    };
    for (const auto& state : states) {
        state.prepare();
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
