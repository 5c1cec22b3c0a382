// Random event storm: keys, special keys (known, unknown and absurd codes),
// tail ticks and reshapes fed straight to the program's own handlers, each one
// drawing its real frame through Mesa. After every event the GL and the scene
// state must still be sane. The run is reproducible from its seed.
//
// QUADRUPED_FUZZ_EVENTS sets the number of events (default 100000) and
// QUADRUPED_FUZZ_SEED the seed (default kDefaultSeed).
#include "support/gl_test.h"

#include <GL/glu.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <sstream>
#include <string>

#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "input/input.h"
#include "scene/scene.h"

namespace {

constexpr std::uint64_t kDefaultSeed = 0x5eed2026;
constexpr long kDefaultEvents = 100000;
constexpr std::size_t kHistory = 12; // events shown before a failing one

long envNumber(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 0);
    return (end != nullptr && *end == '\0' && value > 0) ? value : fallback;
}

// splitmix64: a small generator whose sequence is the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // Uniform enough in [0, n) for these small n.
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }

private:
    std::uint64_t state_;
};

enum class Kind { Key, Special, Tick, Reshape };

struct Event {
    Kind kind;
    int a = 0; // key, special code or width
    int b = 0; // height
    int x = 0, y = 0;

    std::string describe() const
    {
        std::ostringstream s;
        switch (kind) {
        case Kind::Key: s << "onKey(" << a << ", " << x << ", " << y << ")"; break;
        case Kind::Special: s << "onSpecialKey(" << a << ", " << x << ", " << y << ")"; break;
        case Kind::Tick: s << "onTailTimer(0)"; break;
        case Kind::Reshape: s << "onReshape(" << a << ", " << b << ") + renderFrame()"; break;
        }
        return s.str();
    }
};

constexpr unsigned char kEscape = 27;

// The program's own keys come up often, so that the state really wanders.
constexpr unsigned char kCommandKeys[] = {'b', 'b', 'b', ',', '.', 'B', '<', '>'};
constexpr int kKnownSpecials[] = {
    GLUT_KEY_F1,   GLUT_KEY_F5,    GLUT_KEY_F6,   GLUT_KEY_F7,   GLUT_KEY_F8,
    GLUT_KEY_F11,  GLUT_KEY_LEFT,  GLUT_KEY_RIGHT, GLUT_KEY_UP,  GLUT_KEY_DOWN,
    GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_UP,    GLUT_KEY_DOWN};
constexpr int kAbsurdSpecials[] = {INT_MIN, INT_MIN + 1, -1000000, -65536, -256, 255, 256,
                                   1000,    65535,       65536,    1 << 30, INT_MAX};
// Edge sizes; the rest are small so that 100 000 frames stay quick.
constexpr int kEdgeSizes[][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {4096, 4096},
                                 {640, 360}, {1, 4096}, {4096, 1}, {2, 3}};

int pointerCoordinate(Random& r)
{
    switch (r.below(8)) {
    case 0: return INT_MIN;
    case 1: return INT_MAX;
    case 2: return -r.below(5000);
    default: return r.below(4096);
    }
}

Event nextEvent(Random& r)
{
    Event e{Kind::Key};
    const int roll = r.below(100);
    if (roll < 40) {
        e.kind = Kind::Key;
        if (r.below(2) == 0) {
            e.a = kCommandKeys[r.below(int(sizeof kCommandKeys))];
        } else {
            do
                e.a = r.below(256);
            while (e.a == kEscape); // Escape ends the process by design
        }
    } else if (roll < 75) {
        e.kind = Kind::Special;
        const int pick = r.below(10);
        if (pick < 5)
            e.a = kKnownSpecials[r.below(int(sizeof kKnownSpecials / sizeof(int)))];
        else if (pick < 9)
            e.a = r.between(-5, 130);
        else
            e.a = kAbsurdSpecials[r.below(int(sizeof kAbsurdSpecials / sizeof(int)))];
    } else if (roll < 95) {
        e.kind = Kind::Tick;
    } else {
        e.kind = Kind::Reshape;
        if (r.below(4) == 0) {
            const int pick = r.below(int(sizeof kEdgeSizes / sizeof kEdgeSizes[0]));
            e.a = kEdgeSizes[pick][0];
            e.b = kEdgeSizes[pick][1];
        } else {
            e.a = r.between(0, 64);
            e.b = r.between(0, 64);
        }
    }
    if (e.kind == Kind::Key || e.kind == Kind::Special) {
        e.x = pointerCoordinate(r);
        e.y = pointerCoordinate(r);
    }
    return e;
}

void apply(const Event& e)
{
    switch (e.kind) {
    case Kind::Key: onKey(static_cast<unsigned char>(e.a), e.x, e.y); break;
    case Kind::Special: onSpecialKey(e.a, e.x, e.y); break;
    case Kind::Tick: onTailTimer(0); break;
    case Kind::Reshape:
        // The toolkit follows a reshape with a redisplay; do the same.
        onReshape(e.a, e.b);
        renderFrame();
        break;
    }
}

// The view the camera state stands for, as the camera loads it.
std::array<GLfloat, 16> expectedView()
{
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(scene.cameraX, scene.cameraY, scene.cameraZ,
              double(scene.cameraX) + scene.lookX, double(scene.cameraY) + scene.lookY,
              double(scene.cameraZ) + scene.lookZ, 0.0, 1.0, 0.0);
    const auto view = modelviewMatrix();
    glPopMatrix();
    return view;
}

// Everything that must hold after any event; returns what does not.
std::string brokenInvariants(int swapsDrawn)
{
    std::ostringstream bad;
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        bad << " GL error 0x" << std::hex << error << std::dec << ";";
    while (glGetError() != GL_NO_ERROR) {
    }
    if (modelviewDepth() != 1)
        bad << " modelview depth " << modelviewDepth() << ";";
    if (projectionDepth() != 1)
        bad << " projection depth " << projectionDepth() << ";";
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    if (mode != GL_MODELVIEW)
        bad << " matrix mode 0x" << std::hex << mode << std::dec << ";";
    if (swapsDrawn != 1)
        bad << " " << swapsDrawn << " frames swapped instead of 1;";

    const struct {
        const char* name;
        int value;
    } flags[] = {{"walkGait", scene.walkGait},         {"headRising", scene.headRising},
                 {"tailSwingUp", scene.tailSwingUp},   {"advanceOnStep", scene.advanceOnStep},
                 {"lightingEnabled", scene.lightingEnabled}, {"treesVisible", scene.treesVisible}};
    for (const auto& f : flags)
        if (f.value != 0 && f.value != 1)
            bad << " flag " << f.name << " = " << f.value << ";";

    // The gait's counters stay inside their cycles, the wags inside their swing.
    if (scene.gaitFrame < 0 || scene.gaitFrame > (scene.walkGait ? 5 : 3))
        bad << " gaitFrame " << scene.gaitFrame << " outside the gait's cycle;";
    if (scene.gaitSubstep < 0 || scene.gaitSubstep > 12)
        bad << " gaitSubstep " << scene.gaitSubstep << ";";
    if (!(scene.headAngle >= -3.0f && scene.headAngle <= 21.0f))
        bad << " headAngle " << scene.headAngle << ";";
    if (scene.tailAngle < -17 || scene.tailAngle > 17)
        bad << " tailAngle " << scene.tailAngle << ";";

    if (scene.cameraY != 0.75f)
        bad << " cameraY " << scene.cameraY << ";";
    if (scene.lookY != 0.0f)
        bad << " lookY " << scene.lookY << ";";

    const struct {
        const char* name;
        float value;
    } floats[] = {{"bodyBob", scene.bodyBob},         {"headAngle", scene.headAngle},
                  {"figureX", scene.figureX},         {"figureZ", scene.figureZ},
                  {"heading", scene.heading},         {"cameraAngle", scene.cameraAngle},
                  {"cameraX", scene.cameraX},         {"cameraY", scene.cameraY},
                  {"cameraZ", scene.cameraZ},         {"lookX", scene.lookX},
                  {"lookY", scene.lookY},             {"lookZ", scene.lookZ},
                  {"aspectRatio", scene.aspectRatio}, {"neckAngle", scene.neckAngle}};
    for (const auto& f : floats)
        if (!std::isfinite(f.value))
            bad << " " << f.name << " not finite (" << f.value << ");";
    for (const PoseTable* table : {&scene.walkPoses, &scene.runPoses})
        for (const auto& keyframe : *table)
            for (const auto& leg : keyframe)
                for (float angle : leg)
                    if (!std::isfinite(angle))
                        bad << " pose table angle not finite;";

    const double length = std::hypot(double(scene.lookX), double(scene.lookZ));
    if (!(std::fabs(length - 1.0) <= 1e-6))
        bad << " view direction (" << scene.lookX << ", " << scene.lookZ << ") has length "
            << length << ";";

    // No event may leave a stray transform: the modelview is the camera's view.
    const auto view = expectedView();
    const auto now = modelviewMatrix();
    for (int i = 0; i < 16; ++i) {
        if (!(std::fabs(now[i] - view[i]) <= 1e-6f)) {
            bad << " modelview[" << i << "] " << now[i] << " is not the view's " << view[i]
                << ";";
            break;
        }
    }
    return bad.str();
}

class FuzzTest : public SceneTest {};

} // namespace

TEST_F(FuzzTest, RandomEventsKeepTheStateAndTheGLSane)
{
    const std::uint64_t seed =
        static_cast<std::uint64_t>(envNumber("QUADRUPED_FUZZ_SEED", long(kDefaultSeed)));
    const long events = envNumber("QUADRUPED_FUZZ_EVENTS", kDefaultEvents);
    std::printf("fuzz: seed 0x%llx, %ld events (QUADRUPED_FUZZ_SEED, QUADRUPED_FUZZ_EVENTS)\n",
                static_cast<unsigned long long>(seed), events);
    std::fflush(stdout);

    // Start small: most frames of the storm draw into a small viewport.
    onReshape(48, 27);
    ASSERT_EQ(brokenInvariants(1), "");

    Random random(seed);
    std::deque<std::string> history;
    long counts[4] = {};
    float headLow = scene.headAngle, headHigh = scene.headAngle;
    for (long i = 0; i < events; ++i) {
        const Event e = nextEvent(random);
        ++counts[static_cast<int>(e.kind)];
        const int swaps = swapCount();
        apply(e);
        const std::string bad = brokenInvariants(swapCount() - swaps);
        headLow = std::fmin(headLow, scene.headAngle);
        headHigh = std::fmax(headHigh, scene.headAngle);
        history.push_back(e.describe());
        if (history.size() > kHistory)
            history.pop_front();
        if (!bad.empty()) {
            std::string trail;
            for (const std::string& h : history)
                trail += "\n    " + h;
            FAIL() << "seed 0x" << std::hex << seed << std::dec << ", event #" << i << " ("
                   << e.describe() << "):" << bad << "\n  last events, oldest first:" << trail
                   << "\n  replay: QUADRUPED_FUZZ_SEED=" << seed
                   << " QUADRUPED_FUZZ_EVENTS=" << (i + 1);
        }
    }
    std::printf("fuzz: %ld keys, %ld special keys, %ld tail ticks, %ld reshapes\n", counts[0],
                counts[1], counts[2], counts[3]);
    std::printf("fuzz: the head angle ranged over [%g, %g] degrees\n", double(headLow),
                double(headHigh));
}
