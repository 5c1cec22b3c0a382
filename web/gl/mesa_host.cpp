// The Mesa host of the GL layer (see host.h and webgl.h), for the tests on the
// desktop: WebGL's calls go to the same calls of Mesa's OpenGL, whose
// compatibility profile holds WebGL 1's, and the frame stays in the back
// buffer, where the tests read it. The tests set what the page would
// (mesa_host.h).
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "web/gl/host.h"
#include "web/gl/mesa_host.h"
#include "web/gl/webgl.h"

namespace {

bool skipped = false, lost = false;
void (*remakeObjects)() = nullptr;
int drawn = 0;

// Mesa's entry point of that name, past the GL names that entry_points.cpp defines.
template <typename F> F mesa(const char* name)
{
    const auto entry = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    if (entry == nullptr) {
        std::fprintf(stderr, "the GL layer: OpenGL has no %s\n", name);
        std::abort();
    }
    return entry;
}

} // namespace

#define WEBGL(result, name, params, args)                                                          \
    extern "C" result emscripten_##name params                                                     \
    {                                                                                              \
        static const auto entry = mesa<result(*) params>(#name);                                   \
        return entry args;                                                                         \
    }
WEBGL(unsigned, glCreateShader, (unsigned type), (type))
WEBGL(void, glShaderSource, (unsigned s, int n, const char* const* text, const int* lengths),
      (s, n, text, lengths))
WEBGL(void, glCompileShader, (unsigned shader), (shader))
WEBGL(void, glGetShaderiv, (unsigned shader, unsigned name, int* value), (shader, name, value))
WEBGL(void, glGetShaderInfoLog, (unsigned shader, int size, int* length, char* log),
      (shader, size, length, log))
WEBGL(void, glGetProgramiv, (unsigned program, unsigned name, int* value), (program, name, value))
WEBGL(void, glGetProgramInfoLog, (unsigned program, int size, int* length, char* log),
      (program, size, length, log))
WEBGL(unsigned, glCreateProgram, (), ())
WEBGL(void, glAttachShader, (unsigned program, unsigned shader), (program, shader))
WEBGL(void, glBindAttribLocation, (unsigned program, unsigned index, const char* name),
      (program, index, name))
WEBGL(void, glLinkProgram, (unsigned program), (program))
WEBGL(void, glUseProgram, (unsigned program), (program))
WEBGL(void, glGenBuffers, (int count, unsigned* buffers), (count, buffers))
WEBGL(void, glBindBuffer, (unsigned target, unsigned buffer), (target, buffer))
WEBGL(void, glBufferData, (unsigned target, std::ptrdiff_t size, const void* data, unsigned usage),
      (target, size, data, usage))
WEBGL(void, glEnableVertexAttribArray, (unsigned index), (index))
WEBGL(void, glVertexAttribPointer,
      (unsigned index, int size, unsigned type, unsigned char normalised, int stride,
       const void* offset),
      (index, size, type, normalised, stride, offset))
WEBGL(void, glDrawElements, (unsigned mode, int count, unsigned type, const void* offset),
      (mode, count, type, offset))
WEBGL(void, glDrawArrays, (unsigned mode, int first, int count), (mode, first, count))
WEBGL(void, glDisableVertexAttribArray, (unsigned index), (index))
WEBGL(void, glVertexAttrib3f, (unsigned index, float x, float y, float z), (index, x, y, z))
WEBGL(void, glDepthFunc, (unsigned function), (function))
WEBGL(void, glDepthMask, (unsigned char write), (write))
WEBGL(void, glBlendColor, (float r, float g, float b, float a), (r, g, b, a))
WEBGL(void, glBlendFunc, (unsigned source, unsigned destination), (source, destination))
WEBGL(void, glEnable, (unsigned cap), (cap))
WEBGL(void, glDisable, (unsigned cap), (cap))
WEBGL(void, glClear, (unsigned mask), (mask))
WEBGL(void, glViewport, (int x, int y, int width, int height), (x, y, width, height))

namespace host {

void stop(const char* message)
{
    std::fprintf(stderr, "%s\n", message);
    std::abort();
}

// Mesa's context is lost only when a test says so.
void watchContext(void (*remake)())
{
    remakeObjects = remake;
}

bool contextLost()
{
    return lost;
}

bool frameSkipped()
{
    return skipped;
}

void frameDrawn()
{
    ++drawn;
}

void setFrameSkipped(bool skip)
{
    skipped = skip;
}

void setContextLost(bool lose)
{
    lost = lose;
    if (!lost && remakeObjects != nullptr) {
        emscripten_glDisable(webgl::kDepthTest);
        remakeObjects();
    }
}

int framesDrawn()
{
    return drawn;
}

} // namespace host
