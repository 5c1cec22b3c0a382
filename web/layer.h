// Inside the browser's GL layer: what its pieces share. gl.cpp draws with
// WebGL's calls, under Emscripten's names for them since it defines the GL
// names itself, and asks the place it runs in for a few services. The browser
// build takes both from Emscripten and the page (browser.cpp); the desktop
// build from Mesa's OpenGL (mesa.cpp), so that tests run the very layer the
// page runs.
#pragma once

#include <cstddef>

#include "web/pipeline.h"

// WebGL 1's calls that gl.cpp makes.
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
void emscripten_glBufferData(unsigned target, std::ptrdiff_t size, const void* data,
                             unsigned usage);
void emscripten_glEnableVertexAttribArray(unsigned index);
void emscripten_glVertexAttribPointer(unsigned index, int size, unsigned type,
                                      unsigned char normalised, int stride, const void* offset);
void emscripten_glDrawElements(unsigned mode, int count, unsigned type, const void* offset);
void emscripten_glEnable(unsigned cap);
void emscripten_glDisable(unsigned cap);
void emscripten_glClear(unsigned mask);
void emscripten_glViewport(int x, int y, int width, int height);
}

namespace host {

// Ends the program at once with one message (the page says "The program has
// stopped: " and the message).
[[noreturn]] void stop(const char* message);
// From now on, calls remake when a lost WebGL context comes back, and asks for
// a frame after it; in between, contextLost() is true.
void watchContext(void (*remake)());
bool contextLost();
// A frame is drawn and still in the drawing buffer: the page may read it.
void frameDrawn();

} // namespace host

// gl.cpp: a shape of GLU's or the toolkit's, for the call that asked for it.
void drawShape(const char* call, const ffp::Mesh& mesh);
