// The browser's GL layer (web/gl/) built for the desktop, its WebGL calls
// going to Mesa's: the program here draws through the very entry points the
// page runs, and Mesa rasterises the layer's triangles. Each frame must match,
// to within rounding, the desktop program's own frame of the same scene state
// (render_frames, drawn by Mesa's fixed-function pipeline).
#include "support/gl_test.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/scene_fields.h"
#include "app/scene_state.h"
#include "input/input.h"
#include "scene/scene.h"
#include "web/gl/mesa_host.h"

namespace {

constexpr int kWidth = 640, kHeight = 360;

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

// Each state follows the one before: keys (b, comma) and special keys (F1 ...).
TEST_F(BrowserGL, ReplayedFramesMatchMesa)
{
    const struct {
        const char* name;
        const char* keys;
        std::vector<int> specials;
    } states[] = {
        {"first frame", "", {}},
        {"22 walk steps", "bbbbbbbbbbbbbbbbbbbbbb", {}},
        {"12 more, then the run gait", "bbbbbbbbbbbb", {GLUT_KEY_F1}},
        {"7 run steps, 3 turns, lighting off", "bbbbbbb,,,", {GLUT_KEY_F7}},
        {"lit, trees off, camera turned and moved",
         "",
         {GLUT_KEY_F7, GLUT_KEY_F8, GLUT_KEY_RIGHT, GLUT_KEY_UP}},
    };
    for (const auto& state : states) {
        for (const char* k = state.keys; *k != '\0'; ++k)
            onKey(static_cast<unsigned char>(*k), 0, 0);
        for (int k : state.specials)
            onSpecialKey(k, 0, 0);
        renderFrame(); // the layer's frame stays in the back buffer (rows bottom-up)
        const std::vector<unsigned char> ours = readBackBuffer(0, 0, kWidth, kHeight);
        const std::vector<unsigned char> desktop = desktopFrame();
        ASSERT_EQ(ours.size(), desktop.size()) << state.name;
        int worst = 0, apart = 0;
        for (int p = 0; p < kWidth * kHeight; ++p) {
            const unsigned char* a = &ours[3 * p];
            const unsigned char* b =
                &desktop[3 * ((kHeight - 1 - p / kWidth) * kWidth + p % kWidth)];
            const int d =
                std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
            apart += d > 0;
            worst = std::max(worst, d);
        }
        std::printf("%s: %d pixels differ, by at most %d/255\n", state.name, apart, worst);
        EXPECT_LE(worst, 1) << state.name;
        EXPECT_NO_GL_ERROR();
    }
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
