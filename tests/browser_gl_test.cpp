// The browser's GL layer (web/gl/) built for the desktop, its WebGL calls
// going to Mesa's: the program here draws through the very entry points the
// page runs, and Mesa rasterises the layer's triangles. Each frame must match,
// to within rounding, the desktop program's frame of the same scene state
// (render_frames, drawn by Mesa's fixed-function pipeline), and its drawing
// calls (tools' drawing_calls, wrapped at link time) the stream the desktop
// made before the figure named its parts for the page, in every argument: each
// state's hash and count of calls are held against tests/call_stream.golden
// (QUADRUPED_WRITE_GOLDEN=1 writes it instead).
#include "support/gl_test.h"

#include <GL/glu.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/scene_fields.h"
#include "app/scene_state.h"
#include "gait/gait.h"
#include "input/input.h"
#include "scene/scene.h"
#include "web/gl/mesa_host.h"

namespace {

constexpr int kWidth = 640, kHeight = 360;

bool logging = false;
std::string stream; // the calls of the frame drawn last

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
    for (int i = 0; logging && i < n; ++i)
        put(v[i]);
}

std::uint64_t fnv1a(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// The desktop program's frame of the current scene state, given field by
// field as the page's panel names them (rows top-down); empty when
// render_frames fails.
std::vector<unsigned char> desktopFrame()
{
    // One file a process: CTest runs the tests side by side, each in its own.
    const std::string path =
        ::testing::TempDir() + "desktop-frame-" + std::to_string(getpid()) + ".ppm";
    std::string fields;
    for (const SceneField& field : kSceneFields) {
        if (!field.settable)
            continue;
        char value[32];
        if (field.real != nullptr)
            std::snprintf(value, sizeof value, "%.9g", double(scene.*field.real));
        else if (field.words[0] != nullptr)
            std::snprintf(value, sizeof value, "%s", field.words[scene.*field.integer != 0]);
        else
            std::snprintf(value, sizeof value, "%d", scene.*field.integer);
        fields += std::string(" ") + field.name + "=" + value;
    }
    const std::string command = RENDER_FRAMES " state " + path + fields + " >/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    std::ifstream in(path, std::ios::binary);
    const std::string ppm{std::istreambuf_iterator<char>(in), {}}, header = "P6\n640 360\n255\n";
    if (ppm.compare(0, header.size(), header) != 0)
        return {};
    return {ppm.begin() + header.size(), ppm.end()};
}

class BrowserGL : public SceneTest {};

} // namespace

// Each drawing call's wrapper: the call logged with the arguments after its
// name (then, after the line, the values of an array), then made.
extern "C" {
#define WRAP(name, params, args, array, ...)                                                       \
    void __real_##name params;                                                                     \
    void __wrap_##name params                                                                      \
    {                                                                                              \
        logCall(#name, ##__VA_ARGS__);                                                             \
        array;                                                                                     \
        __real_##name args;                                                                        \
    }
WRAP(glClear, (GLbitfield m), (m), {}, m)
WRAP(glEnable, (GLenum c), (c), {}, c)
WRAP(glDisable, (GLenum c), (c), {}, c)
WRAP(glMateriali, (GLenum f, GLenum p, GLint v), (f, p, v), {}, f, p, v)
WRAP(glPushMatrix, (), (), {})
WRAP(glPopMatrix, (), (), {})
WRAP(glEnd, (), (), {})
WRAP(glColor3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b), {}, r, g, b)
WRAP(glBegin, (GLenum m), (m), {}, m)
WRAP(glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), {}, x, y, z)
WRAP(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), {}, x, y, z)
WRAP(glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), {}, x, y, z)
WRAP(glRotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z), {}, a, x, y, z)
WRAP(glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), {}, x, y, z)
WRAP(gluCylinder, (GLUquadric * q, GLdouble r, GLdouble t, GLdouble h, GLint s, GLint k),
     (q, r, t, h, s, k), {}, q, r, t, h, s, k)
WRAP(glutSolidSphere, (GLdouble r, GLint s, GLint k), (r, s, k), {}, r, s, k)
WRAP(glutSolidCone, (GLdouble r, GLdouble h, GLint s, GLint k), (r, h, s, k), {}, r, h, s, k)
WRAP(glutSolidCube, (GLdouble s), (s), {}, s)
WRAP(glLightfv, (GLenum l, GLenum n, const GLfloat* v), (l, n, v), putAll(v, 4), l, n)
WRAP(glMaterialfv, (GLenum f, GLenum n, const GLfloat* v), (f, n, v), putAll(v, 4), f, n)
WRAP(glColor3fv, (const GLfloat* v), (v), putAll(v, 3))
}

// Each state follows the one before: tail ticks, keys (b steps, comma turns)
// and special keys (F1 the gait, F7 the lighting, F8 the trees, arrows the
// camera). The run halves the tail's swing towards zero: -7 gives -3. After 22
// walk steps a shape's hidden back meets its front where their depths tie.
TEST_F(BrowserGL, ReplayedFramesMatchMesaAndTheirCallsAsBefore)
{
    const struct {
        const char* name;
        const char* keys;
        std::vector<int> specials;
        int ticks = 0;
    } states[] = {
        {"start", "", {}},
        {"walk-between-keyframes", "bbb", {}},
        {"walk-second-half", "bbbbbbbbbbbbbbbbbbb", {}},
        {"run-bob-tail-7", "bbbbbbb", {GLUT_KEY_F1}, 39},
        {"run-turned-unlit", "bbbbb,,,", {GLUT_KEY_F7}},
        {"trees-off-camera-moved", "", {GLUT_KEY_F7, GLUT_KEY_F8, GLUT_KEY_RIGHT, GLUT_KEY_UP}},
    };
    std::ostringstream calls;
    for (const auto& state : states) {
        for (int t = 0; t < state.ticks; ++t)
            onTailTimer(0);
        for (const char* k = state.keys; *k != '\0'; ++k)
            onKey(static_cast<unsigned char>(*k), 0, 0);
        for (int k : state.specials)
            onSpecialKey(k, 0, 0);
        stream.clear();
        logging = true;
        renderFrame(); // the layer's frame stays in the back buffer (rows bottom-up)
        logging = false;
        calls << state.name << ' ' << std::hex << fnv1a(stream) << std::dec << ' '
              << std::count(stream.begin(), stream.end(), '\n') << '\n';
        const std::vector<unsigned char> ours = readBackBuffer(0, 0, kWidth, kHeight);
        const std::vector<unsigned char> desktop = desktopFrame();
        ASSERT_EQ(ours.size(), desktop.size()) << state.name;
        int worst = 0, apart = 0;
        for (std::size_t i = 0, row = 3 * kWidth; i < ours.size(); ++i) {
            const int d = std::abs(ours[i] - desktop[(kHeight - 1 - i / row) * row + i % row]);
            apart += d > 0;
            worst = std::max(worst, d);
        }
        std::printf("%s: %d channel values differ, by at most %d/255\n", state.name, apart, worst);
        EXPECT_LE(worst, 1) << state.name;
    }
    const std::string path = std::string(SOURCE_DIR) + "/tests/call_stream.golden";
    if (std::getenv("QUADRUPED_WRITE_GOLDEN") != nullptr) {
        std::ofstream(path) << calls.str();
        GTEST_SKIP() << "wrote " << path;
    }
    std::ifstream in(path);
    EXPECT_EQ(calls.str(), std::string(std::istreambuf_iterator<char>(in), {}));
}

// A frame the page skips, and one drawn while the context is lost, send
// nothing to WebGL (the back buffer keeps the frame before) and tell the page
// of no frame; the frame after (the same scene) is exactly the frame before.
TEST_F(BrowserGL, SkippedAndLostFramesSendNothing)
{
    renderFrame();
    const std::vector<unsigned char> before = readBackBuffer(0, 0, kWidth, kHeight);
    for (void (*set)(bool) : {host::setFrameSkipped, host::setContextLost}) {
        const int drawn = host::framesDrawn();
        set(true);
        onSpecialKey(GLUT_KEY_F8, 0, 0); // trees off
        EXPECT_TRUE(readBackBuffer(0, 0, kWidth, kHeight) == before);
        set(false);
        onSpecialKey(GLUT_KEY_F8, 0, 0); // trees on
        EXPECT_TRUE(readBackBuffer(0, 0, kWidth, kHeight) == before);
        EXPECT_EQ(host::framesDrawn(), drawn + 1);
    }
}
