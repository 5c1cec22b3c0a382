// What a frame costs, measured side by side in one process and one window:
//   - renderFrame, the program's whole frame;
//   - the floor: a frame that only clears and swaps;
//   - a flat replay: the very same GL/GLU/GLUT calls in the same order,
//     recorded from renderFrame itself and replayed one after the other,
//     without the program's structure (state record, tables, helper routines);
//   - renderFrame with the trees switched off, to show their share;
// at 640 x 360 and at 1920 x 1080; and the state work of a frame alone
// (gaitStep, the fourteen jointAngle calls, tailTick).
//
// Every frame ends in glutSwapBuffers, which with Mesa's software renderer
// finishes the frame and puts it on the X server, so wall time is the cost.
// Run it under an X server whose screen holds 1920 x 1080 (scripts/bench.sh).
#include <benchmark/benchmark.h>

#include <GL/freeglut.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "scene/scene.h"
#include "tools/frame_capture.h"

namespace {

struct Size {
    int width, height;
};

constexpr Size kSmall = {kStartWidth, kStartHeight};
constexpr Size kLarge = {1920, 1080};

// Resizes the real window and waits until the toolkit has seen the new size
// (its reshape handler is the program's own onReshape).
bool resizeWindow(Size size)
{
    if (glutGet(GLUT_WINDOW_WIDTH) != size.width || glutGet(GLUT_WINDOW_HEIGHT) != size.height) {
        glutReshapeWindow(size.width, size.height);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (glutGet(GLUT_WINDOW_WIDTH) != size.width ||
               glutGet(GLUT_WINDOW_HEIGHT) != size.height) {
            glutMainLoopEvent();
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        glutMainLoopEvent();
    }
    onReshape(size.width, size.height);
    return true;
}

// The start state (walk gait, first keyframe), the one the replay was recorded in.
void startState(benchmark::State& state, Size size)
{
    resetSceneState();
    if (!resizeWindow(size))
        state.SkipWithError("the window did not take the requested size");
    for (int i = 0; i < 3; ++i)
        renderFrame(); // warm up buffers of the new size
}

void clearAndSwap()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

// ---- the flat replay: renderFrame's own calls, recorded once ----

// Every GL, GLU and toolkit call that the program's drawing code makes is
// wrapped at link time (bench/CMakeLists.txt lists them). While recording,
// each wrapper also keeps a call of the real function with its arguments;
// pointer arguments are copied.
bool recording = false;
std::vector<std::function<void()>> recorded;

template <typename Call> void keep(const Call& call)
{
    if (recording)
        recorded.emplace_back(call);
    call();
}

// The record of one frame of the start state, as renderFrame draws it.
void recordFrame()
{
    resetSceneState();
    recorded.clear();
    recording = true;
    beforeSwap = [] { recorded.emplace_back(glutSwapBuffers); };
    renderFrame();
    beforeSwap = nullptr;
    recording = false;
}

// One frame from the record: the same calls, one after the other.
void replayFrame()
{
    for (const auto& call : recorded)
        call();
}

} // namespace

#define WRAP(name, parameters, arguments)                                                          \
    void __real_##name parameters;                                                                 \
    void __wrap_##name parameters                                                                  \
    {                                                                                              \
        keep([=] { __real_##name arguments; });                                                    \
    }
extern "C" {
WRAP(glClear, (GLbitfield m), (m))
WRAP(glEnable, (GLenum c), (c))
WRAP(glDisable, (GLenum c), (c))
WRAP(glMateriali, (GLenum f, GLenum p, GLint v), (f, p, v))
WRAP(glPushMatrix, (), ())
WRAP(glPopMatrix, (), ())
WRAP(glColor3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b))
WRAP(glBegin, (GLenum m), (m))
WRAP(glEnd, (), ())
WRAP(glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
WRAP(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
WRAP(glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
WRAP(glRotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z))
WRAP(glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
WRAP(gluCylinder, (GLUquadric * q, GLdouble r, GLdouble t, GLdouble h, GLint s, GLint k),
     (q, r, t, h, s, k))
WRAP(glutSolidSphere, (GLdouble r, GLint s, GLint k), (r, s, k))
WRAP(glutSolidCone, (GLdouble r, GLdouble h, GLint s, GLint k), (r, h, s, k))
WRAP(glutSolidCube, (GLdouble s), (s))

void __real_glLightfv(GLenum, GLenum, const GLfloat*);
void __wrap_glLightfv(GLenum light, GLenum name, const GLfloat* v)
{
    const std::array<GLfloat, 4> copy = {v[0], v[1], v[2], v[3]};
    keep([=] { __real_glLightfv(light, name, copy.data()); });
}
void __real_glMaterialfv(GLenum, GLenum, const GLfloat*);
void __wrap_glMaterialfv(GLenum face, GLenum name, const GLfloat* v)
{
    const std::array<GLfloat, 4> copy = {v[0], v[1], v[2], v[3]};
    keep([=] { __real_glMaterialfv(face, name, copy.data()); });
}
void __real_glColor3fv(const GLfloat*);
void __wrap_glColor3fv(const GLfloat* v)
{
    const std::array<GLfloat, 3> copy = {v[0], v[1], v[2]};
    keep([=] { __real_glColor3fv(copy.data()); });
}
}

namespace {

// ---- frame benchmarks ----

void BM_RenderFrame(benchmark::State& state, Size size)
{
    startState(state, size);
    for (auto _ : state)
        renderFrame();
}

// The same frame with the tree grid switched off (F8): what the 64 trees cost.
void BM_RenderFrameNoTrees(benchmark::State& state, Size size)
{
    startState(state, size);
    scene.treesVisible = 0;
    for (auto _ : state)
        renderFrame();
    scene.treesVisible = 1;
}

void BM_ReplayFrame(benchmark::State& state, Size size)
{
    startState(state, size);
    for (auto _ : state)
        replayFrame();
}

void BM_ClearSwap(benchmark::State& state, Size size)
{
    startState(state, size);
    for (auto _ : state)
        clearAndSwap();
}

// ---- state work of a frame, no drawing ----

void BM_GaitStep(benchmark::State& state)
{
    resetSceneState();
    for (auto _ : state) {
        gaitStep();
        benchmark::ClobberMemory();
    }
}

void BM_FrameJointAngles(benchmark::State& state)
{
    resetSceneState();
    scene.gaitSubstep = 4; // a blend between two keyframes
    for (auto _ : state) {
        // The calls one frame makes: legs 0, 2, 3, 1; hind legs joints 0..3,
        // front legs joints 1..3.
        for (int leg : {0, 2, 3, 1})
            for (int joint = (leg < 2 ? 0 : 1); joint < 4; ++joint)
                benchmark::DoNotOptimize(jointAngle(leg, joint));
        benchmark::ClobberMemory();
    }
}

void BM_TailTick(benchmark::State& state)
{
    resetSceneState();
    for (auto _ : state) {
        tailTick();
        benchmark::ClobberMemory();
    }
}

void registerAll()
{
    const struct {
        const char* name;
        Size size;
    } sizes[] = {{"640x360", kSmall}, {"1920x1080", kLarge}};
    for (const auto& s : sizes) {
        const Size size = s.size;
        for (const auto& b : {std::make_pair("renderFrame", &BM_RenderFrame),
                              std::make_pair("replayFrame", &BM_ReplayFrame),
                              std::make_pair("clearSwap", &BM_ClearSwap),
                              std::make_pair("renderFrameNoTrees", &BM_RenderFrameNoTrees)}) {
            const auto fn = b.second;
            benchmark::RegisterBenchmark((std::string(b.first) + "/" + s.name).c_str(),
                                         [fn, size](benchmark::State& st) { fn(st, size); })
                ->Unit(benchmark::kMicrosecond)
                ->UseRealTime();
        }
    }
    benchmark::RegisterBenchmark("gaitStep", BM_GaitStep)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("jointAngle x14", BM_FrameJointAngles)
        ->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("tailTick", BM_TailTick)->Unit(benchmark::kNanosecond);
}

// Keeps each benchmark's median real time for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    SummaryReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> medianNs;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
                continue;
            const double ns =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
            medianNs[run.run_name.function_name] = ns;
        }
    }
};

// Does the replay draw the same picture as renderFrame? Compares the two
// frames' back buffers just before their swaps.
bool sameFrames(Size size)
{
    resetSceneState();
    if (!resizeWindow(size))
        return false;
    const auto grab = [size](void (*frame)()) {
        std::vector<unsigned char> pixels;
        beforeSwap = [&pixels, size] { pixels = readBackBuffer(0, 0, size.width, size.height); };
        frame();
        beforeSwap = nullptr;
        return pixels;
    };
    const auto program = grab(renderFrame);
    const auto replay = grab(replayFrame);
    const auto cleared = grab(clearAndSwap);
    const auto differing = [](const std::vector<unsigned char>& a,
                              const std::vector<unsigned char>& b) {
        long n = 0;
        for (std::size_t i = 0; i < a.size(); i += 3)
            n += !std::equal(&a[i], &a[i] + 3, &b[i]);
        return n;
    };
    std::printf("%zu calls recorded; pixels that differ: renderFrame vs replay %ld, renderFrame vs "
                "clear only %ld\n",
                recorded.size(), differing(program, replay), differing(program, cleared));
    return differing(program, replay) == 0 && differing(program, cleared) > 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Defaults: repeated runs, interleaved at random so that a slow spell of a
    // shared machine spreads over every benchmark; the summary uses medians.
    std::vector<char*> args(argv, argv + argc);
    static char repetitions[] = "--benchmark_repetitions=7";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {repetitions, interleave, aggregates});
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);

    setUpWindow(&count, args.data()); // the program's own window and start-up
    glutReshapeFunc(onReshape);
    glutDisplayFunc(renderFrame);
    initGaitTables();

    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    std::printf("GL: %s | %s | %s\n", glGetString(GL_VENDOR), glGetString(GL_RENDERER),
                glGetString(GL_VERSION));
    recordFrame();
    const bool same = sameFrames(kSmall);
    std::printf("the replay draws the same pixels as renderFrame at 640x360: %s\n",
                same ? "yes" : "NO");

    registerAll();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& m = reporter.medianNs;
    const auto get = [&m](const std::string& name) {
        const auto it = m.find(name);
        return it == m.end() ? 0.0 : it->second;
    };
    std::printf("\nSummary (medians of the repetitions, wall time):\n");
    std::printf("%-10s %14s %14s %14s %16s %16s\n", "size", "renderFrame", "replay", "clear+swap",
                "frame/replay", "frame/floor");
    for (const char* size : {"640x360", "1920x1080"}) {
        const double frame = get(std::string("renderFrame/") + size);
        const double replay = get(std::string("replayFrame/") + size);
        const double floor = get(std::string("clearSwap/") + size);
        if (frame <= 0 || replay <= 0 || floor <= 0)
            continue;
        std::printf("%-10s %11.0f us %11.0f us %11.0f us %15.2fx %15.2fx\n", size, frame / 1e3,
                    replay / 1e3, floor / 1e3, frame / replay, frame / floor);
    }
    for (const char* size : {"640x360", "1920x1080"}) {
        const double frame = get(std::string("renderFrame/") + size);
        const double noTrees = get(std::string("renderFrameNoTrees/") + size);
        if (frame > 0 && noTrees > 0)
            std::printf("%-10s without the 64 trees (F8): %.0f us; the trees take %.0f %% of the "
                        "frame\n",
                        size, noTrees / 1e3, 100.0 * (frame - noTrees) / frame);
    }
    const double step = get("gaitStep"), angles = get("jointAngle x14"), tick = get("tailTick");
    if (step > 0 && angles > 0 && tick > 0) {
        const double small = get("renderFrame/640x360");
        std::printf("state work: gaitStep %.1f ns, 14 x jointAngle %.1f ns, tailTick %.1f ns", step,
                    angles, tick);
        if (small > 0)
            std::printf(" = %.4f %% of a 640x360 frame", 100.0 * (step + angles + tick) / small);
        std::printf("\n");
    }
    return same ? 0 : 2;
}
