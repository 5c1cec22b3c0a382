// The OpenGL 1.x and GLU entry points the program calls, for the browser: the
// fixed-function vertex stage runs on the CPU (pipeline.h) and WebGL only
// rasterises its triangles (renderer.h). A call that this layer cannot carry
// out as OpenGL would (an enum, primitive or parameter it does not handle, or
// a call out of turn) stops the program with one message naming the call and
// the value, rather than draw wrong.
#include "web/gl/entry_points.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "web/gl/host.h"
#include "web/gl/pipeline.h"
#include "web/gl/renderer.h"

namespace {

constexpr GLbitfield kClearable = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
constexpr GLint kMostShininess = 128;

ffp::FrameRecord record; // the last frame drawn, for picking
ffp::Pipeline pipeline{renderer::draw, &record};

// The page's tints over parts, and the corners of the one being drawn.
struct Tint {
    int part = ffp::kUnmarked;
    float rgba[4] = {0, 0, 0, 0};
};
Tint tints[kTints];
std::vector<ffp::Vec4> tinted;

// Stops the program with a message made as printf makes it.
[[noreturn]] __attribute__((format(printf, 1, 2))) void stop(const char* format, ...)
{
    char message[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    host::stop(message);
}

// Stops the program on a value of a call that the layer does not handle.
[[noreturn]] void unsupported(const char* call, const char* what, unsigned value)
{
    stop("%s: %s 0x%04X is not supported by the browser's GL layer", call, what, value);
}

// Stops the program on a call that OpenGL refuses between glBegin and glEnd.
void outsidePrimitive(const char* call)
{
    if (pipeline.inside())
        stop("%s between glBegin and glEnd", call);
}

// The lighting's capability for a glEnable cap; false for one it does not own.
bool capabilityOf(GLenum cap, ffp::Capability& capability)
{
    switch (cap) {
    case GL_LIGHTING: capability = ffp::Capability::Lighting; return true;
    case GL_LIGHT0: capability = ffp::Capability::Light0; return true;
    case GL_COLOR_MATERIAL: capability = ffp::Capability::ColourMaterial; return true;
    default: return false;
    }
}

// The lighting's parameter for a glLightfv name; false for one it does not have.
bool lightParameterOf(GLenum name, ffp::LightParameter& parameter)
{
    switch (name) {
    case GL_AMBIENT: parameter = ffp::LightParameter::Ambient; return true;
    case GL_DIFFUSE: parameter = ffp::LightParameter::Diffuse; return true;
    case GL_SPECULAR: parameter = ffp::LightParameter::Specular; return true;
    case GL_POSITION: parameter = ffp::LightParameter::Position; return true;
    default: return false;
    }
}

// Turns a capability on or off: the lighting's belong to the pipeline, the
// depth test to WebGL.
void setCapability(const char* call, GLenum cap, bool on)
{
    outsidePrimitive(call);
    ffp::Capability capability;
    if (capabilityOf(cap, capability)) {
        pipeline.lighting().enable(capability, on);
        return;
    }
    if (cap != GL_DEPTH_TEST)
        unsupported(call, "capability", cap);
    pipeline.flush();
    pipeline.depthTest(on);
    renderer::depthTest(on);
}

// Whether a glMaterial call for face sets the material OpenGL lights with:
// with two-sided lighting off, the front faces' serves both, and the back
// faces' is never used.
bool frontMaterial(const char* call, GLenum face)
{
    if (face != GL_FRONT && face != GL_BACK && face != GL_FRONT_AND_BACK)
        unsupported(call, "face", face);
    return face != GL_BACK;
}

// The matrix stacks, for a call that OpenGL refuses between glBegin and glEnd.
ffp::MatrixStacks& matrices(const char* call)
{
    outsidePrimitive(call);
    return pipeline.matrices();
}

// Whether the matrix calls act on the modelview, whose operations the record keeps.
bool onModelview()
{
    return pipeline.matrices().selectedStack() == ffp::Stack::Modelview;
}

// An operation on the modelview, kept in the record.
void keepOperation(ffp::Operation::Kind kind, float a, float b, float c, float d = 0)
{
    if (onModelview())
        record.operation({kind, {a, b, c, d}});
}

} // namespace

void drawShape(const char* call, const ffp::Mesh& mesh)
{
    outsidePrimitive(call);
    record.shape();
    pipeline.draw(mesh);
}

const ffp::MatrixStacks& layerMatrices()
{
    return pipeline.matrices();
}

const ffp::FrameRecord& frameRecord()
{
    return record;
}

bool tintPart(int slot, int part, const float rgba[4])
{
    if (slot < 0 || slot >= kTints || part < ffp::kUnmarked || part >= ffp::FrameRecord::kParts)
        return false;
    Tint& tint = tints[slot];
    const bool changed = tint.part != part || !std::equal(rgba, rgba + 4, tint.rgba);
    tint.part = part;
    std::copy(rgba, rgba + 4, tint.rgba);
    return changed;
}

void markDrawnPart(int part)
{
    outsidePrimitive(__func__);
    record.mark(part, pipeline.matrices().top(ffp::Stack::Modelview),
                pipeline.matrices().top(ffp::Stack::Projection));
}

extern "C" {

// Selects the stack the matrix calls act on: the modelview or the projection.
void glMatrixMode(GLenum mode)
{
    outsidePrimitive(__func__);
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION)
        unsupported(__func__, "mode", mode);
    pipeline.matrices().select(mode == GL_PROJECTION ? ffp::Stack::Projection
                                                     : ffp::Stack::Modelview);
}

// The selected top becomes the identity.
void glLoadIdentity()
{
    matrices(__func__).loadIdentity();
    if (onModelview())
        record.loadIdentity();
}

// Pushes a copy of the selected top.
void glPushMatrix()
{
    if (!matrices(__func__).push())
        stop("%s: the matrix stack is full", __func__);
    if (onModelview())
        record.push();
}

// Pops the selected top.
void glPopMatrix()
{
    if (!matrices(__func__).pop())
        stop("%s: the matrix stack holds one matrix only", __func__);
    if (onModelview())
        record.pop();
}

// The selected top times a translation.
void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    matrices(__func__).translate(x, y, z);
    keepOperation(ffp::Operation::Translate, x, y, z);
}

// The selected top times a rotation of angle degrees about (x, y, z).
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    matrices(__func__).rotate(angle, x, y, z);
    keepOperation(ffp::Operation::Rotate, angle, x, y, z);
}

// The selected top times a scale along each axis.
void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    matrices(__func__).scale(x, y, z);
    keepOperation(ffp::Operation::Scale, x, y, z);
}

// The selected top times a perspective projection.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    matrices(__func__).perspective(fovy, aspect, zNear, zFar);
}

// The selected top times the view from an eye towards a centre.
void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
               GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    matrices(__func__).lookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
    keepOperation(ffp::Operation::View, 0, 0, 0);
    if (onModelview())
        record.view(pipeline.matrices().top(ffp::Stack::Modelview));
}

// Where in the window clip space lands.
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    outsidePrimitive(__func__);
    pipeline.flush();
    renderer::viewport(x, y, width, height);
    record.viewport(x, y, width, height);
}

// A frame starts at its clear: whether it is skipped holds until the swap.
void glClear(GLbitfield mask)
{
    outsidePrimitive(__func__);
    if ((mask & ~kClearable) != 0)
        unsupported(__func__, "mask", mask);
    pipeline.flush();
    const bool skipped = renderer::startFrame();
    pipeline.skip(skipped);
    if (!skipped)
        record.start(); // a skipped frame keeps the last one drawn for picking
    renderer::clear(mask);
}

// Turns a capability on.
void glEnable(GLenum cap)
{
    setCapability(__func__, cap, true);
}

// Turns a capability off.
void glDisable(GLenum cap)
{
    setCapability(__func__, cap, false);
}

// The current colour, opaque.
void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    pipeline.lighting().colour({r, g, b, 1.0f});
}

// The current colour, opaque, from three floats.
void glColor3fv(const GLfloat* rgb)
{
    pipeline.lighting().colour({rgb[0], rgb[1], rgb[2], 1.0f});
}

// The current normal.
void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    pipeline.normal({x, y, z});
}

// Opens a primitive of the given mode.
void glBegin(GLenum mode)
{
    outsidePrimitive(__func__);
    ffp::Primitive primitive;
    if (!primitiveOf(mode, primitive))
        unsupported(__func__, "mode", mode);
    record.shape();
    pipeline.begin(primitive);
}

// A vertex of the open primitive, with the current colour and normal.
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!pipeline.vertex({x, y, z}))
        stop("%s outside glBegin and glEnd", __func__);
}

// Closes the open primitive: its triangles join the batch.
void glEnd()
{
    if (!pipeline.inside())
        stop("%s without glBegin", __func__);
    if (!pipeline.end())
        stop("%s: a primitive of more than %zu vertices", __func__, ffp::kBatchVertices);
}

// Light 0 is the only light the pipeline has; its position is carried by the
// modelview current at the call.
void glLightfv(GLenum light, GLenum name, const GLfloat* v)
{
    outsidePrimitive(__func__);
    if (light != GL_LIGHT0)
        unsupported(__func__, "light", light);
    ffp::LightParameter parameter;
    if (!lightParameterOf(name, parameter))
        unsupported(__func__, "parameter", name);
    pipeline.lighting().light(parameter, {v[0], v[1], v[2], v[3]},
                              pipeline.matrices().top(ffp::Stack::Modelview));
}

// The material's specular colour.
void glMaterialfv(GLenum face, GLenum name, const GLfloat* v)
{
    if (name != GL_SPECULAR)
        unsupported(__func__, "parameter", name);
    if (frontMaterial(__func__, face))
        pipeline.lighting().materialSpecular({v[0], v[1], v[2], v[3]});
}

// The material's shininess, a whole exponent.
void glMateriali(GLenum face, GLenum name, GLint value)
{
    if (name != GL_SHININESS)
        unsupported(__func__, "parameter", name);
    if (value < 0 || value > kMostShininess)
        unsupported(__func__, "shininess", static_cast<unsigned>(value));
    if (frontMaterial(__func__, face))
        pipeline.lighting().materialShininess(value);
}

// The toolkit shows the frame when the frame's callback returns: here the
// frame is drawn out, the page's tints over it, and the page hears of it.
void glutSwapBuffers()
{
    outsidePrimitive(__func__);
    pipeline.flush();
    for (const Tint& tint : tints)
        if (tint.part != ffp::kUnmarked) {
            record.corners(tint.part, tinted);
            renderer::tint(tinted, tint.rgba);
        }
    pipeline.skip(false);
    renderer::endFrame();
}
}
