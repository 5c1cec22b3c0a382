// The OpenGL 1.x and GLU entry points the program calls, for the browser: the
// fixed-function pipeline runs on the CPU (web/pipeline.h) and WebGL only
// rasterises its triangles, each vertex carrying clip coordinates and a colour.
// A call that this layer cannot carry out as OpenGL would (an enum, primitive
// or parameter it does not handle, or a call out of turn) stops the program
// with one message naming the call and the value, rather than draw wrong.
#include <GL/glu.h>
#include <GL/glut.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "web/layer.h"
#include "web/pipeline.h"

namespace {

constexpr unsigned kArrayBuffer = 0x8892;        // GL_ARRAY_BUFFER
constexpr unsigned kElementArrayBuffer = 0x8893; // GL_ELEMENT_ARRAY_BUFFER
constexpr unsigned kStreamDraw = 0x88E0;         // GL_STREAM_DRAW
constexpr unsigned kVertexShader = 0x8B31;       // GL_VERTEX_SHADER
constexpr unsigned kFragmentShader = 0x8B30;     // GL_FRAGMENT_SHADER
constexpr unsigned kPositionAttribute = 0;
constexpr unsigned kColourAttribute = 1;
constexpr GLbitfield kClearable = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
constexpr GLint kMostShininess = 128;

// The vertex stage is already done: positions arrive in clip space, colours lit.
const char* const kVertexSource = R"(
attribute vec4 position;
attribute vec3 colour;
varying vec3 shade;
void main() {
    gl_Position = position;
    shade = colour;
})";
// Precision is WebGL's to state; Mesa's desktop GLSL has none.
const char* const kFragmentSource = R"(
#ifdef GL_ES
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
#endif
varying vec3 shade;
void main() {
    gl_FragColor = vec4(shade, 1.0);
})";

void draw(const std::vector<ffp::Vertex>& vertices, const std::vector<std::uint16_t>& indices);

// The layer: one pipeline, the WebGL objects that draw its output, and the
// state it has handed to WebGL, to hand again to a restored context.
struct Layer {
    ffp::Pipeline pipeline{draw};
    unsigned program = 0, vertices = 0, indices = 0;
    bool watching = false;
    bool depthTest = false;
    bool viewportSet = false;
    GLint viewport[4] = {0, 0, 0, 0};
};
Layer gl;

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

// OpenGL refuses these calls between glBegin and glEnd.
void outsidePrimitive(const char* call)
{
    if (gl.pipeline.inside())
        stop("%s between glBegin and glEnd", call);
}

// A shader of the given type, compiled from source.
unsigned compile(unsigned type, const char* source)
{
    const unsigned shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

// Made on first use, when the toolkit has made the WebGL context, and again
// after the context is restored.
void prepare()
{
    if (gl.program != 0)
        return;
    gl.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(gl.program, compile(kVertexShader, kVertexSource));
    emscripten_glAttachShader(gl.program, compile(kFragmentShader, kFragmentSource));
    emscripten_glBindAttribLocation(gl.program, kPositionAttribute, "position");
    emscripten_glBindAttribLocation(gl.program, kColourAttribute, "colour");
    emscripten_glLinkProgram(gl.program);
    emscripten_glGenBuffers(1, &gl.vertices);
    emscripten_glGenBuffers(1, &gl.indices);
}

// A restored context has none of the old objects and WebGL's default state.
void remake()
{
    gl.program = gl.vertices = gl.indices = 0;
    gl.depthTest ? emscripten_glEnable(GL_DEPTH_TEST) : emscripten_glDisable(GL_DEPTH_TEST);
    if (gl.viewportSet)
        emscripten_glViewport(gl.viewport[0], gl.viewport[1], gl.viewport[2], gl.viewport[3]);
}

// Rasterises one batch of the pipeline's triangles. A lost context draws
// nothing; the frame after its restoration shows the scene again.
void draw(const std::vector<ffp::Vertex>& vertices, const std::vector<std::uint16_t>& indices)
{
    if (!gl.watching) {
        host::watchContext(remake);
        gl.watching = true;
    }
    if (host::contextLost())
        return;
    prepare();
    emscripten_glUseProgram(gl.program);
    emscripten_glBindBuffer(kArrayBuffer, gl.vertices);
    emscripten_glBufferData(kArrayBuffer,
                            static_cast<std::ptrdiff_t>(vertices.size() * sizeof(ffp::Vertex)),
                            vertices.data(), kStreamDraw);
    emscripten_glBindBuffer(kElementArrayBuffer, gl.indices);
    emscripten_glBufferData(kElementArrayBuffer,
                            static_cast<std::ptrdiff_t>(indices.size() * sizeof(std::uint16_t)),
                            indices.data(), kStreamDraw);
    const int stride = sizeof(ffp::Vertex);
    emscripten_glEnableVertexAttribArray(kPositionAttribute);
    emscripten_glVertexAttribPointer(kPositionAttribute, 4, GL_FLOAT, 0, stride,
                                     reinterpret_cast<const void*>(offsetof(ffp::Vertex, clip)));
    emscripten_glEnableVertexAttribArray(kColourAttribute);
    emscripten_glVertexAttribPointer(kColourAttribute, 3, GL_FLOAT, 0, stride,
                                     reinterpret_cast<const void*>(offsetof(ffp::Vertex, colour)));
    emscripten_glDrawElements(GL_TRIANGLES, static_cast<int>(indices.size()), GL_UNSIGNED_SHORT,
                              nullptr);
}

// Lighting switches belong to the pipeline, the depth test to WebGL.
void setCapability(const char* call, GLenum cap, bool on)
{
    outsidePrimitive(call);
    ffp::Switch what;
    if (ffp::switchOf(cap, what)) {
        gl.pipeline.enable(what, on);
        return;
    }
    if (cap != GL_DEPTH_TEST)
        unsupported(call, "capability", cap);
    gl.pipeline.flush();
    gl.depthTest = on;
    if (!host::contextLost())
        on ? emscripten_glEnable(cap) : emscripten_glDisable(cap);
}

// The material of the faces OpenGL lights: with two-sided lighting off, the
// front faces' serves both, and the back faces' is never used.
bool frontMaterial(const char* call, GLenum face)
{
    if (face != GL_FRONT && face != GL_BACK && face != GL_FRONT_AND_BACK)
        unsupported(call, "face", face);
    return face != GL_BACK;
}

} // namespace

void drawShape(const char* call, const ffp::Mesh& mesh)
{
    outsidePrimitive(call);
    gl.pipeline.draw(mesh);
}

extern "C" {

void glMatrixMode(GLenum mode)
{
    outsidePrimitive("glMatrixMode");
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION)
        unsupported("glMatrixMode", "mode", mode);
    gl.pipeline.selectStack(mode == GL_PROJECTION ? ffp::Stack::Projection : ffp::Stack::Modelview);
}

void glLoadIdentity()
{
    outsidePrimitive("glLoadIdentity");
    gl.pipeline.loadIdentity();
}

void glPushMatrix()
{
    outsidePrimitive("glPushMatrix");
    if (!gl.pipeline.push())
        stop("glPushMatrix: the matrix stack is full");
}

void glPopMatrix()
{
    outsidePrimitive("glPopMatrix");
    if (!gl.pipeline.pop())
        stop("glPopMatrix: the matrix stack holds one matrix only");
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    outsidePrimitive("glTranslatef");
    gl.pipeline.translate(x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    outsidePrimitive("glRotatef");
    gl.pipeline.rotate(angle, x, y, z);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    outsidePrimitive("glScalef");
    gl.pipeline.scale(x, y, z);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    outsidePrimitive("gluPerspective");
    gl.pipeline.perspective(fovy, aspect, zNear, zFar);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
               GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    outsidePrimitive("gluLookAt");
    gl.pipeline.lookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    outsidePrimitive("glViewport");
    gl.pipeline.flush();
    gl.viewportSet = true;
    gl.viewport[0] = x, gl.viewport[1] = y, gl.viewport[2] = width, gl.viewport[3] = height;
    if (!host::contextLost())
        emscripten_glViewport(x, y, width, height);
}

void glClear(GLbitfield mask)
{
    outsidePrimitive("glClear");
    if ((mask & ~kClearable) != 0)
        unsupported("glClear", "mask", mask);
    gl.pipeline.flush();
    if (!host::contextLost())
        emscripten_glClear(mask);
}

void glEnable(GLenum cap)
{
    setCapability("glEnable", cap, true);
}

void glDisable(GLenum cap)
{
    setCapability("glDisable", cap, false);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    gl.pipeline.colour(r, g, b);
}

void glColor3fv(const GLfloat* rgb)
{
    gl.pipeline.colour(rgb[0], rgb[1], rgb[2]);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    gl.pipeline.normal(x, y, z);
}

void glBegin(GLenum mode)
{
    outsidePrimitive("glBegin");
    ffp::Primitive primitive;
    if (!ffp::primitiveOf(mode, primitive))
        unsupported("glBegin", "mode", mode);
    gl.pipeline.begin(primitive);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!gl.pipeline.vertex(x, y, z))
        stop("glVertex3f outside glBegin and glEnd");
}

void glEnd()
{
    if (!gl.pipeline.inside())
        stop("glEnd without glBegin");
    if (!gl.pipeline.end())
        stop("glEnd: a primitive of more than %zu vertices", ffp::kBatchVertices);
}

// Light 0 is the only light the pipeline has.
void glLightfv(GLenum light, GLenum name, const GLfloat* v)
{
    outsidePrimitive("glLightfv");
    if (light != GL_LIGHT0)
        unsupported("glLightfv", "light", light);
    if (!gl.pipeline.light(name, v))
        unsupported("glLightfv", "parameter", name);
}

void glMaterialfv(GLenum face, GLenum name, const GLfloat* v)
{
    if (name != GL_SPECULAR)
        unsupported("glMaterialfv", "parameter", name);
    if (frontMaterial("glMaterialfv", face))
        gl.pipeline.materialSpecular({v[0], v[1], v[2], v[3]});
}

void glMateriali(GLenum face, GLenum name, GLint value)
{
    if (name != GL_SHININESS)
        unsupported("glMateriali", "parameter", name);
    if (value < 0 || value > kMostShininess)
        unsupported("glMateriali", "shininess", static_cast<unsigned>(value));
    if (frontMaterial("glMateriali", face))
        gl.pipeline.materialShininess(value);
}

// The toolkit shows the frame when the frame's callback returns: here the
// frame is drawn out, and the page hears of it.
void glutSwapBuffers()
{
    outsidePrimitive("glutSwapBuffers");
    gl.pipeline.flush();
    if (!host::contextLost())
        host::frameDrawn();
}
}
