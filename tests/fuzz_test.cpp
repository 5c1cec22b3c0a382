// Random keys, special keys (known, unknown and absurd codes), tail ticks and
// reshapes through the program's own handlers, each drawing its real frame;
// after every event each invariant of the table holds. QUADRUPED_FUZZ_EVENTS
// sets the number of events (default 100000), QUADRUPED_FUZZ_SEED the seed.
#include "support/gl_test.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "input/input.h"
#include "scene/scene.h"

namespace {

long envNumber(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && std::atol(text) > 0 ? std::atol(text) : fallback;
}

// The standard fixes mt19937_64's sequence, so a seed replays on any platform.
struct Random {
    std::mt19937_64 engine;
    int below(int n)
    {
        return static_cast<int>(engine() % static_cast<unsigned>(n));
    }
    template <typename T, std::size_t N> T pick(const T (&from)[N])
    {
        return from[below(N)];
    }
};

bool flag(int v)
{
    return v == 0 || v == 1;
}

bool finite()
{
    for (float v : {scene.bodyBob, scene.headAngle, scene.figureX, scene.figureZ, scene.heading,
                    scene.cameraAngle, scene.cameraX, scene.cameraZ, scene.lookX, scene.lookZ,
                    scene.aspectRatio})
        if (!std::isfinite(v))
            return false;
    return true;
}

// What must hold after any event.
const struct {
    const char* what;
    bool (*holds)();
} kInvariants[] = {
    {"no GL error", [] { return glGetError() == GL_NO_ERROR; }},
    {"both matrix stacks at depth 1, the modelview current",
     [] {
         GLint mode = 0;
         glGetIntegerv(GL_MATRIX_MODE, &mode);
         return mode == GL_MODELVIEW && stackDepth(GL_MODELVIEW_STACK_DEPTH) == 1 &&
                stackDepth(GL_PROJECTION_STACK_DEPTH) == 1;
     }},
    {"flags hold 0 or 1",
     [] {
         return flag(scene.walkGait) && flag(scene.headRising) && flag(scene.tailSwingUp) &&
                flag(scene.advanceOnStep) && flag(scene.lightingEnabled) &&
                flag(scene.treesVisible);
     }},
    {"the keyframe lies in the gait's cycle",
     [] { return scene.gaitFrame >= 0 && scene.gaitFrame < currentGait().cycleKeyframes; }},
    {"the sub-step lies in 0..12",
     [] { return scene.gaitSubstep >= 0 && scene.gaitSubstep <= 12; }},
    {"the head lies in [-3, 21] degrees",
     [] { return scene.headAngle >= -3.0f && scene.headAngle <= 21.0f; }},
    {"the tail lies in [-17, 17] degrees",
     [] { return scene.tailAngle >= -17 && scene.tailAngle <= 17; }},
    {"every float is finite", finite},
    {"the camera stays level at 0.75",
     [] { return scene.cameraY == 0.75f && scene.lookY == 0.0f; }},
    {"the view direction has unit length",
     [] { return std::fabs(std::hypot(scene.lookX, scene.lookZ) - 1.0) <= 1e-6; }},
    {"the modelview looks from the eye along the view direction",
     [] {
         const Vec3 ahead = toEye({scene.cameraX + 10.0 * scene.lookX, scene.cameraY,
                                   scene.cameraZ + 10.0 * scene.lookZ});
         return std::hypot(ahead.x, ahead.y, ahead.z + 10.0) < 1e-3;
     }},
};

// One random event through the program's handlers; returns what it was.
std::string randomEvent(Random& r)
{
    static const int kCommandKeys[] = {'b', 'b', 'b', ',', '.', 'B', '<', '>'};
    static const int kSpecials[] = {GLUT_KEY_F1, GLUT_KEY_F5,   GLUT_KEY_F6,   GLUT_KEY_F7,
                                    GLUT_KEY_F8, GLUT_KEY_F11,  GLUT_KEY_LEFT, GLUT_KEY_RIGHT,
                                    GLUT_KEY_UP, GLUT_KEY_DOWN, INT_MIN,       INT_MAX,
                                    -1,          1 << 30};
    static const int kSizes[] = {0, 1, 2, 640, 4096};
    static const int kPointer[] = {INT_MIN, INT_MAX, -1, 0, 17, 4000};
    const int roll = r.below(100);
    const int x = r.pick(kPointer), y = r.pick(kPointer);
    if (roll < 40) {
        int key = r.below(2) ? r.pick(kCommandKeys) : r.below(256);
        key = key == 27 ? 'b' : key; // Escape ends the process by design
        onKey(static_cast<unsigned char>(key), x, y);
        return "onKey(" + std::to_string(key) + ")";
    }
    if (roll < 75) {
        const int key = r.below(2) ? r.pick(kSpecials) : r.below(136) - 5;
        onSpecialKey(key, x, y);
        return "onSpecialKey(" + std::to_string(key) + ")";
    }
    if (roll < 95) {
        onTailTimer(0);
        return "onTailTimer(0)";
    }
    // Mostly small windows, so that 100 000 frames stay quick; the toolkit
    // follows a reshape with a frame.
    const int w = r.below(4) ? r.below(65) : r.pick(kSizes);
    const int h = r.below(4) ? r.below(65) : r.pick(kSizes);
    onReshape(w, h);
    renderFrame();
    return "onReshape(" + std::to_string(w) + ", " + std::to_string(h) + ")";
}

class Fuzz : public SceneTest {};

} // namespace

TEST_F(Fuzz, RandomEventsKeepEveryInvariant)
{
    const auto seed = static_cast<std::uint64_t>(envNumber("QUADRUPED_FUZZ_SEED", 0x5eed2026));
    const long events = envNumber("QUADRUPED_FUZZ_EVENTS", 100000);
    std::printf("fuzz: seed %llu, %ld events\n", static_cast<unsigned long long>(seed), events);
    onReshape(48, 27);
    Random random{std::mt19937_64(seed)};
    std::string last = "start";
    for (long i = 0; i < events; ++i) {
        const int swaps = toolkitCalls.swaps;
        const std::string event = randomEvent(random);
        ASSERT_EQ(toolkitCalls.swaps, swaps + 1)
            << "event #" << i << ", " << event << ", after " << last;
        for (const auto& invariant : kInvariants)
            ASSERT_TRUE(invariant.holds())
                << invariant.what << ": event #" << i << ", " << event << ", after " << last
                << " (QUADRUPED_FUZZ_SEED=" << seed << " QUADRUPED_FUZZ_EVENTS=" << i + 1 << ")";
        last = event;
    }
}
