// The OpenGL 1.x and GLU entry points the program calls, for the browser: the
// fixed-function pipeline runs on the CPU (web/pipeline.h) and WebGL only
// rasterises its triangles, each vertex carrying clip coordinates and a colour.
#include <GL/glu.h>
#include <GL/glut.h>
#include <emscripten/emscripten.h>

#include <cstddef>
#include <vector>

#include "web/pipeline.h"

// WebGL through Emscripten's own names for it, since this file defines the GL
// names itself. Only what the rasteriser needs.
extern "C" {
unsigned emscripten_glCreateShader(unsigned type);
void emscripten_glShaderSource(unsigned shader, int count, const char* const* text,
                               const int* lengths);
void emscripten_glCompileShader(unsigned shader);
unsigned emscripten_glCreateProgram();
void emscripten_glAttachShader(unsigned program, unsigned shader);
void emscripten_glBindAttribLocation(unsigned program, unsigned index, const char* name);
void emscripten_glLinkProgram(unsigned program);
void emscripten_glUseProgram(unsigned program);
void emscripten_glGenBuffers(int count, unsigned* buffers);
void emscripten_glBindBuffer(unsigned target, unsigned buffer);
void emscripten_glBufferData(unsigned target, long size, const void* data, unsigned usage);
void emscripten_glEnableVertexAttribArray(unsigned index);
void emscripten_glVertexAttribPointer(unsigned index, int size, unsigned type,
                                      unsigned char normalised, int stride, const void* offset);
void emscripten_glDrawArrays(unsigned mode, int first, int count);
void emscripten_glEnable(unsigned cap);
void emscripten_glDisable(unsigned cap);
void emscripten_glClear(unsigned mask);
void emscripten_glViewport(int x, int y, int width, int height);
}

namespace {

constexpr unsigned kArrayBuffer = 0x8892;    // GL_ARRAY_BUFFER
constexpr unsigned kStreamDraw = 0x88E0;     // GL_STREAM_DRAW
constexpr unsigned kVertexShader = 0x8B31;   // GL_VERTEX_SHADER
constexpr unsigned kFragmentShader = 0x8B30; // GL_FRAGMENT_SHADER
constexpr unsigned kPositionAttribute = 0;
constexpr unsigned kColourAttribute = 1;

// The vertex stage is already done: positions arrive in clip space, colours lit.
const char* const kVertexSource = R"(
attribute vec4 position;
attribute vec4 colour;
varying vec4 shade;
void main() {
    gl_Position = position;
    shade = colour;
})";
const char* const kFragmentSource = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
varying vec4 shade;
void main() {
    gl_FragColor = shade;
})";

// The browser's GL: one pipeline, and the WebGL objects that draw its output.
struct WebGL {
    ffp::Pipeline pipeline;
    unsigned program = 0;
    unsigned buffer = 0;
};
WebGL gl;

unsigned compile(unsigned type, const char* source)
{
    const unsigned shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

// Made on first use: the toolkit creates the WebGL context with the window.
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
    emscripten_glGenBuffers(1, &gl.buffer);
}

// Rasterises the triangles assembled so far; called before anything that
// would change how they are drawn (clear, viewport, depth test) and at the swap.
void flush()
{
    const std::vector<ffp::Vertex> triangles = gl.pipeline.takeTriangles();
    if (triangles.empty())
        return;
    prepare();
    emscripten_glUseProgram(gl.program);
    emscripten_glBindBuffer(kArrayBuffer, gl.buffer);
    emscripten_glBufferData(kArrayBuffer, static_cast<long>(triangles.size() * sizeof(ffp::Vertex)),
                            triangles.data(), kStreamDraw);
    const int stride = sizeof(ffp::Vertex);
    emscripten_glEnableVertexAttribArray(kPositionAttribute);
    emscripten_glVertexAttribPointer(kPositionAttribute, 4, GL_FLOAT, 0, stride,
                                     reinterpret_cast<const void*>(offsetof(ffp::Vertex, clip)));
    emscripten_glEnableVertexAttribArray(kColourAttribute);
    emscripten_glVertexAttribPointer(kColourAttribute, 4, GL_FLOAT, 0, stride,
                                     reinterpret_cast<const void*>(offsetof(ffp::Vertex, colour)));
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<int>(triangles.size()));
}

// Lighting switches belong to the pipeline; the rest (the depth test) to WebGL.
void setCapability(GLenum cap, bool on)
{
    ffp::Switch what;
    if (ffp::switchOf(cap, what)) {
        gl.pipeline.enable(what, on);
        return;
    }
    flush();
    on ? emscripten_glEnable(cap) : emscripten_glDisable(cap);
}

} // namespace

extern "C" {

void glMatrixMode(GLenum mode)
{
    gl.pipeline.selectStack(mode == GL_PROJECTION ? ffp::Stack::Projection : ffp::Stack::Modelview);
}

void glLoadIdentity()
{
    gl.pipeline.loadIdentity();
}

void glPushMatrix()
{
    gl.pipeline.push();
}

void glPopMatrix()
{
    gl.pipeline.pop();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    gl.pipeline.translate(x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    gl.pipeline.rotate(angle, x, y, z);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    gl.pipeline.scale(x, y, z);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    gl.pipeline.perspective(fovy, aspect, zNear, zFar);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
               GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    gl.pipeline.lookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    flush();
    emscripten_glViewport(x, y, width, height);
}

void glClear(GLbitfield mask)
{
    flush();
    emscripten_glClear(mask);
}

void glEnable(GLenum cap)
{
    setCapability(cap, true);
}

void glDisable(GLenum cap)
{
    setCapability(cap, false);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    gl.pipeline.colour(r, g, b, 1.0f);
}

void glColor3fv(const GLfloat* rgb)
{
    gl.pipeline.colour(rgb[0], rgb[1], rgb[2], 1.0f);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    gl.pipeline.normal(x, y, z);
}

void glBegin(GLenum mode)
{
    gl.pipeline.begin(ffp::primitiveOf(mode));
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    gl.pipeline.vertex(x, y, z);
}

void glEnd()
{
    gl.pipeline.end();
}

// Light 0 is the only light the pipeline has.
void glLightfv(GLenum light, GLenum name, const GLfloat* v)
{
    if (light == GL_LIGHT0)
        gl.pipeline.light(name, v);
}

// With two-sided lighting off only the front material counts.
void glMaterialfv(GLenum face, GLenum name, const GLfloat* v)
{
    if (face != GL_BACK && name == GL_SPECULAR)
        gl.pipeline.materialSpecular({v[0], v[1], v[2], v[3]});
}

void glMateriali(GLenum face, GLenum name, GLint value)
{
    if (face != GL_BACK && name == GL_SHININESS)
        gl.pipeline.materialShininess(static_cast<float>(value));
}

// Emscripten's toolkit swaps by itself when the frame's callback returns: here
// the frame is drawn out, and the page hears of it.
void glutSwapBuffers()
{
    flush();
    EM_ASM({
        if (Module['onFrame'])
            Module['onFrame']();
    });
}
}
