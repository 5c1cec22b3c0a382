#include "web/gl/renderer.h"

#include <cstddef>
#include <cstdio>

#include "web/gl/host.h"
#include "web/gl/webgl.h"

namespace renderer {

namespace {

constexpr unsigned kPositionAttribute = 0;
constexpr unsigned kColourAttribute = 1;
constexpr int kClipComponents = 4;
constexpr int kColourComponents = 3;

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

// The WebGL objects that draw, the state the layer hands WebGL, and the frame's.
struct State {
    unsigned program = 0, vertices = 0, indices = 0;
    bool watching = false;
    bool depthTest = false, viewportSet = false;
    int viewport[4] = {0, 0, 0, 0};
    bool stale = false; // WebGL lacks the depth test or viewport above
    bool frameOpen = false, skipped = false;
};
State state;

// Whether what is drawn now may reach WebGL.
bool live()
{
    return !state.skipped && !host::contextLost();
}

// Stops the program when WebGL says that a shader did not compile or the
// program did not link (status 0), with what failed and WebGL's own log. A
// lost context answers 0 to every question: that is no failure.
void check(int status, const char* what, void (*log)(unsigned, int, int*, char*), unsigned object)
{
    if (status != 0 || host::contextLost())
        return;
    char text[480] = "";
    log(object, sizeof text, nullptr, text);
    char message[560];
    std::snprintf(message, sizeof message, "the GL layer's %s failed: %s", what, text);
    host::stop(message);
}

// A shader of the given type, compiled from source.
unsigned compile(unsigned type, const char* source)
{
    const unsigned shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    int status = 0;
    emscripten_glGetShaderiv(shader, webgl::kCompileStatus, &status);
    check(status,
          type == webgl::kVertexShader ? "vertex shader's compile" : "fragment shader's compile",
          emscripten_glGetShaderInfoLog, shader);
    return shader;
}

// Made on first use, when the toolkit has made the WebGL context, and again
// after the context is restored.
void prepare()
{
    if (state.program != 0)
        return;
    state.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(state.program, compile(webgl::kVertexShader, kVertexSource));
    emscripten_glAttachShader(state.program, compile(webgl::kFragmentShader, kFragmentSource));
    emscripten_glBindAttribLocation(state.program, kPositionAttribute, "position");
    emscripten_glBindAttribLocation(state.program, kColourAttribute, "colour");
    emscripten_glLinkProgram(state.program);
    int linked = 0;
    emscripten_glGetProgramiv(state.program, webgl::kLinkStatus, &linked);
    check(linked, "shader program's link", emscripten_glGetProgramInfoLog, state.program);
    emscripten_glGenBuffers(1, &state.vertices);
    emscripten_glGenBuffers(1, &state.indices);
}

// The layer's shader program in use, with size bytes of vertices at data in its vertex buffer.
void useWithVertices(const void* data, std::size_t size)
{
    prepare();
    emscripten_glUseProgram(state.program);
    emscripten_glBindBuffer(webgl::kArrayBuffer, state.vertices);
    emscripten_glBufferData(webgl::kArrayBuffer, static_cast<std::ptrdiff_t>(size), data,
                            webgl::kStreamDraw);
}

// WebGL is handed the depth test and the viewport when it lacks them and can take them.
void handOver()
{
    if (!state.stale || !live())
        return;
    state.depthTest ? emscripten_glEnable(webgl::kDepthTest)
                    : emscripten_glDisable(webgl::kDepthTest);
    if (state.viewportSet)
        emscripten_glViewport(state.viewport[0], state.viewport[1], state.viewport[2],
                              state.viewport[3]);
    state.stale = false;
}

// A restored context has none of the old objects and WebGL's default state.
void remake()
{
    state.program = state.vertices = state.indices = 0;
    state.stale = true;
    handOver();
}

} // namespace

void draw(const std::vector<ffp::Vertex>& vertices, const std::vector<std::uint16_t>& indices)
{
    if (!live())
        return;
    useWithVertices(vertices.data(), vertices.size() * sizeof(ffp::Vertex));
    emscripten_glBindBuffer(webgl::kElementArrayBuffer, state.indices);
    emscripten_glBufferData(webgl::kElementArrayBuffer,
                            static_cast<std::ptrdiff_t>(indices.size() * sizeof(std::uint16_t)),
                            indices.data(), webgl::kStreamDraw);
    const int stride = sizeof(ffp::Vertex);
    emscripten_glEnableVertexAttribArray(kPositionAttribute);
    emscripten_glVertexAttribPointer(kPositionAttribute, kClipComponents, webgl::kFloat, 0, stride,
                                     reinterpret_cast<const void*>(offsetof(ffp::Vertex, clip)));
    emscripten_glEnableVertexAttribArray(kColourAttribute);
    emscripten_glVertexAttribPointer(kColourAttribute, kColourComponents, webgl::kFloat, 0, stride,
                                     reinterpret_cast<const void*>(offsetof(ffp::Vertex, colour)));
    emscripten_glDrawElements(webgl::kTriangles, static_cast<int>(indices.size()),
                              webgl::kUnsignedShort, nullptr);
}

void tint(const std::vector<ffp::Vec4>& corners, const float rgba[4])
{
    if (!live() || corners.empty())
        return;
    useWithVertices(corners.data(), corners.size() * sizeof(ffp::Vec4));
    emscripten_glEnableVertexAttribArray(kPositionAttribute);
    emscripten_glVertexAttribPointer(kPositionAttribute, kClipComponents, webgl::kFloat, 0,
                                     sizeof(ffp::Vec4), nullptr);
    emscripten_glDisableVertexAttribArray(kColourAttribute); // one colour for all
    emscripten_glVertexAttrib3f(kColourAttribute, rgba[0], rgba[1], rgba[2]);
    // The same corners through the same shader give the same depths: equal
    // passes where the part won the depth test, and the depths stay as drawn.
    emscripten_glDepthFunc(webgl::kLessOrEqual);
    emscripten_glDepthMask(0);
    emscripten_glEnable(webgl::kBlend);
    emscripten_glBlendColor(0, 0, 0, rgba[3]);
    emscripten_glBlendFunc(webgl::kConstantAlpha, webgl::kOneMinusConstantAlpha);
    emscripten_glDrawArrays(webgl::kTriangles, 0, static_cast<int>(corners.size()));
    emscripten_glDisable(webgl::kBlend);
    emscripten_glDepthMask(1);
    emscripten_glDepthFunc(webgl::kLess);
}

void depthTest(bool on)
{
    state.depthTest = on;
    state.stale = true;
    handOver();
}

void viewport(int x, int y, int width, int height)
{
    state.viewportSet = true;
    state.viewport[0] = x, state.viewport[1] = y, state.viewport[2] = width,
    state.viewport[3] = height;
    state.stale = true;
    handOver();
}

void clear(unsigned mask)
{
    if (live())
        emscripten_glClear(mask);
}

bool startFrame()
{
    if (!state.watching) {
        host::watchContext(remake);
        state.watching = true;
    }
    if (!state.frameOpen) {
        state.frameOpen = true;
        state.skipped = host::frameSkipped();
        handOver();
    }
    return state.skipped;
}

void endFrame()
{
    if (live())
        host::frameDrawn();
    state.frameOpen = state.skipped = false;
}

} // namespace renderer
