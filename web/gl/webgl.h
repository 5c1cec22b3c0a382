// The WebGL 1 calls and values that the renderer uses, under Emscripten's
// names for the calls, since the layer defines the GL names itself. The
// browser build takes them from Emscripten; the desktop build from Mesa's
// OpenGL (mesa_host.cpp), whose compatibility profile holds WebGL 1's.
#pragma once

#include <cstddef>

extern "C" {
unsigned emscripten_glCreateShader(unsigned type);
void emscripten_glShaderSource(unsigned shader, int count, const char* const* text,
                               const int* lengths);
void emscripten_glCompileShader(unsigned shader);
void emscripten_glGetShaderiv(unsigned shader, unsigned name, int* value);
void emscripten_glGetShaderInfoLog(unsigned shader, int size, int* length, char* log);
void emscripten_glGetProgramiv(unsigned program, unsigned name, int* value);
void emscripten_glGetProgramInfoLog(unsigned program, int size, int* length, char* log);
unsigned emscripten_glCreateProgram();
void emscripten_glAttachShader(unsigned program, unsigned shader);
void emscripten_glBindAttribLocation(unsigned program, unsigned index, const char* name);
void emscripten_glLinkProgram(unsigned program);
void emscripten_glUseProgram(unsigned program);
void emscripten_glGenBuffers(int count, unsigned* buffers);
void emscripten_glBindBuffer(unsigned target, unsigned buffer);
void emscripten_glBufferData(unsigned target, std::ptrdiff_t size, const void* data,
                             unsigned usage);
void emscripten_glEnableVertexAttribArray(unsigned index);
void emscripten_glVertexAttribPointer(unsigned index, int size, unsigned type,
                                      unsigned char normalised, int stride, const void* offset);
void emscripten_glDrawElements(unsigned mode, int count, unsigned type, const void* offset);
void emscripten_glDrawArrays(unsigned mode, int first, int count);
void emscripten_glDisableVertexAttribArray(unsigned index);
void emscripten_glVertexAttrib3f(unsigned index, float x, float y, float z);
void emscripten_glDepthFunc(unsigned function);
void emscripten_glDepthMask(unsigned char write);
void emscripten_glBlendColor(float red, float green, float blue, float alpha);
void emscripten_glBlendFunc(unsigned source, unsigned destination);
void emscripten_glEnable(unsigned cap);
void emscripten_glDisable(unsigned cap);
void emscripten_glClear(unsigned mask);
void emscripten_glViewport(int x, int y, int width, int height);
}

namespace webgl {

// The values of WebGL's enums that the renderer passes.
enum Value : unsigned {
    kTriangles = 0x0004,
    kLess = 0x0201,
    kLessOrEqual = 0x0203,
    kBlend = 0x0BE2,
    kConstantAlpha = 0x8003,
    kOneMinusConstantAlpha = 0x8004,
    kDepthTest = 0x0B71,
    kUnsignedShort = 0x1403,
    kFloat = 0x1406,
    kArrayBuffer = 0x8892,
    kElementArrayBuffer = 0x8893,
    kStreamDraw = 0x88E0,
    kFragmentShader = 0x8B30,
    kVertexShader = 0x8B31,
    kCompileStatus = 0x8B81,
    kLinkStatus = 0x8B82,
};

} // namespace webgl
