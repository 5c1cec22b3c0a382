// The desktop program's GL, GLU and toolkit calls, frame by frame, held
// against the stream it made before the figure named its parts for the page:
// a marker that is empty on the desktop must leave every call and argument as
// it was. Each drawing call is wrapped at link time (tools' drawing_calls, the
// benchmark's list) and written as a line of its name and arguments; a frame's
// lines are hashed, and each state's hash and call count are compared with
// tests/call_stream.golden (QUADRUPED_WRITE_GOLDEN=1 writes it instead).
#include "support/gl_test.h"

#include <GL/glu.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/scene_state.h"
#include "input/input.h"
#include "scene/scene.h"

namespace {

bool logging = false;
std::string stream;

// One argument as exact text: floats and doubles with 17 digits.
void put(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, " %.17g", v);
    stream += text;
}
void put(const GLUquadric*) {} // the quadric's address differs from run to run

template <typename... Args> void logCall(const char* name, Args... args)
{
    if (!logging)
        return;
    stream += name;
    (put(args), ...);
    stream += '\n';
}

void putAll(const GLfloat* v, int n)
{
    if (logging)
        for (int i = 0; i < n; ++i)
            put(v[i]);
}

std::uint64_t fnv1a(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

} // namespace

extern "C" {
#define SIMPLE(name, parameters, ...)                                                              \
    void __real_##name parameters;                                                                 \
    void __wrap_##name parameters                                                                  \
    {                                                                                              \
        logCall(#name, __VA_ARGS__);                                                               \
        __real_##name(__VA_ARGS__);                                                                \
    }
#define NOARGS(name)                                                                               \
    void __real_##name();                                                                          \
    void __wrap_##name()                                                                           \
    {                                                                                              \
        logCall(#name);                                                                            \
        __real_##name();                                                                           \
    }
SIMPLE(glClear, (GLbitfield m), m)
SIMPLE(glEnable, (GLenum c), c)
SIMPLE(glDisable, (GLenum c), c)
SIMPLE(glMateriali, (GLenum f, GLenum p, GLint v), f, p, v)
NOARGS(glPushMatrix)
NOARGS(glPopMatrix)
NOARGS(glEnd)
SIMPLE(glColor3f, (GLfloat r, GLfloat g, GLfloat b), r, g, b)
SIMPLE(glBegin, (GLenum m), m)
SIMPLE(glNormal3f, (GLfloat x, GLfloat y, GLfloat z), x, y, z)
SIMPLE(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), x, y, z)
SIMPLE(glTranslatef, (GLfloat x, GLfloat y, GLfloat z), x, y, z)
SIMPLE(glRotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), a, x, y, z)
SIMPLE(glScalef, (GLfloat x, GLfloat y, GLfloat z), x, y, z)
SIMPLE(gluCylinder, (GLUquadric * q, GLdouble r, GLdouble t, GLdouble h, GLint s, GLint k), q, r, t,
       h, s, k)
SIMPLE(glutSolidSphere, (GLdouble r, GLint s, GLint k), r, s, k)
SIMPLE(glutSolidCone, (GLdouble r, GLdouble h, GLint s, GLint k), r, h, s, k)
SIMPLE(glutSolidCube, (GLdouble s), s)
void __real_glLightfv(GLenum, GLenum, const GLfloat*);
void __wrap_glLightfv(GLenum light, GLenum name, const GLfloat* v)
{
    logCall("glLightfv", light, name);
    putAll(v, 4);
    __real_glLightfv(light, name, v);
}
void __real_glMaterialfv(GLenum, GLenum, const GLfloat*);
void __wrap_glMaterialfv(GLenum face, GLenum name, const GLfloat* v)
{
    logCall("glMaterialfv", face, name);
    putAll(v, 4);
    __real_glMaterialfv(face, name, v);
}
void __real_glColor3fv(const GLfloat*);
void __wrap_glColor3fv(const GLfloat* v)
{
    logCall("glColor3fv");
    putAll(v, 3);
    __real_glColor3fv(v);
}
}

namespace {

class CallStream : public SceneTest {};

} // namespace

// Each state follows the one before: keys (b steps, comma turns) and special
// keys (F1 the gait, F7 the lighting, F8 the trees, arrows the camera).
TEST_F(CallStream, EveryFrameAsBefore)
{
    const struct {
        const char* name;
        const char* keys;
        std::vector<int> specials;
    } states[] = {
        {"start", "", {}},
        {"walk-between-keyframes", "bbb", {}},
        {"walk-second-half", "bbbbbbbbbbbbbbbbbbbbbbbbbb", {}},
        {"run-bob", "bbbbbbb", {GLUT_KEY_F1}},
        {"run-turned-unlit", "bbbbb,,,", {GLUT_KEY_F7}},
        {"trees-off-camera-moved", "", {GLUT_KEY_F7, GLUT_KEY_F8, GLUT_KEY_RIGHT, GLUT_KEY_UP}},
    };
    std::ostringstream got;
    for (const auto& state : states) {
        for (const char* k = state.keys; *k != '\0'; ++k)
            onKey(static_cast<unsigned char>(*k), 0, 0);
        for (int k : state.specials)
            onSpecialKey(k, 0, 0);
        stream.clear();
        logging = true;
        renderFrame();
        logging = false;
        std::size_t calls = 0;
        for (char c : stream)
            calls += c == '\n';
        got << state.name << ' ' << std::hex << fnv1a(stream) << std::dec << ' ' << calls << '\n';
    }
    const std::string path = std::string(SOURCE_DIR) + "/tests/call_stream.golden";
    if (std::getenv("QUADRUPED_WRITE_GOLDEN") != nullptr) {
        std::ofstream(path) << got.str();
        GTEST_SKIP() << "wrote " << path;
    }
    std::ifstream in(path);
    const std::string golden{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(got.str(), golden);
}
