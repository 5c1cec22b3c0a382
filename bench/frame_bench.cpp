// What a frame costs, measured side by side in one process and one window:
//   - renderFrame, the program's whole frame;
//   - the floor: a frame that only clears and swaps;
//   - a bare loop: the very same GL/GLU/GLUT calls in the same order, written
//     out flat here with the start pose's numbers, without the program's
//     structure (state record, tables, helper routines);
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
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "scene/scene.h"

namespace {

struct Size {
    int width, height;
};

// Set only while sameFrames grabs a frame: the swap first copies the back buffer.
bool capture = false;
Size captureSize = {0, 0};
std::vector<unsigned char> captured;
constexpr Size kSmall = {640, 360};
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

// The start state (walk gait, first keyframe), which the bare loop hard-codes.
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

// ---- the bare loop: renderFrame's calls for the start state, written flat ----

void bareCylinder(GLUquadric* q, double base, double top, double height)
{
    gluCylinder(q, base, top, height, 15, 2);
}

void bareFrame()
{
    GLUquadric* const q = scene.quadric;
    const GLfloat ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat specular[4] = {0.2f, 0.3f, 0.3f, 1.0f};
    const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position[4] = {300.0f, 2000.0f, -20.0f, 1.0f};
    const GLfloat joint[3] = {0.6f, 0.5f, 0.3f};
    const GLfloat limb[3] = {1.0f, 0.8f, 0.0f};

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, diffuse);
    glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, 50);

    // Ground.
    glPushMatrix();
    glColor3f(0.05f, 0.25f, 0.05f);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glVertex3f(-100.0f, 0.1f, -100.0f);
    glVertex3f(-100.0f, 0.1f, 100.0f);
    glVertex3f(100.0f, 0.1f, 100.0f);
    glVertex3f(100.0f, 0.1f, -100.0f);
    glEnd();
    glPopMatrix();

    // Trees.
    for (int i = -4; i <= 3; ++i) {
        for (int j = -4; j <= 3; ++j) {
            glPushMatrix();
            glTranslatef(i * 10.0f, 0.0f, j * 10.0f);
            glColor3f(0.54f, 0.4f, 0.3f);
            glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
            bareCylinder(q, 0.2, 0.2, 2.0);
            glTranslatef(0.0f, 0.0f, 2.0f);
            glColor3f(0.14f, 0.42f, 0.13f);
            bareCylinder(q, 0.8, 0.0, 2.0);
            glPopMatrix();
        }
    }

    // Figure at (0, 0.945, 1.5), heading 0.
    glPushMatrix();
    glTranslatef(0.0f, 0.945f, 1.5f);
    glRotatef(0.0f, 0.0f, 1.0f, 0.0f);

    // Body.
    glPushMatrix();
    glColor3f(0.6f, 0.4f, 0.1f);
    glPushMatrix();
    glTranslatef(-0.4f, 0.0f, 0.0f);
    glPushMatrix();
    glScalef(1.0f, 1.2f, 1.0f);
    glutSolidSphere(0.1675, 8, 8);
    glPopMatrix();
    glScalef(2.0f, 0.8f, 0.5f);
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    bareCylinder(q, 0.25, 0.25, 0.4);
    glPopMatrix();
    glPushMatrix();
    glTranslatef(0.4f, 0.0f, 0.0f);
    glScalef(1.0f, 1.2f, 0.75f);
    glutSolidSphere(0.1675, 8, 8);
    glPopMatrix();
    glPopMatrix();

    // Legs 0, 2, 3, 1 with the first walk keyframe's angles. Hind legs have
    // three segments from joint 0, front legs two from joint 1; then the paw.
    const struct {
        float x, y, z;
        bool hind;
        float angle[4];
    } legs[] = {
        {-0.34f, 0.08f, 0.15f, true, {15, -35, 70, 0}},
        {0.44f, -0.16f, 0.1f, false, {0, 7, -33, 0}},
        {0.44f, -0.16f, -0.1f, false, {0, 4, -4, 0}},
        {-0.34f, 0.08f, -0.15f, true, {-20, -26, 39, 0}},
    };
    const struct {
        float sx, sy, sz, drop;
    } segments[3] = {
        {0.4f, 0.4f, 0.11f, 0.24f}, {0.2f, 0.5f, 0.1f, 0.29f}, {0.1f, 0.35f, 0.08f, 0.215f}};
    for (const auto& leg : legs) {
        glPushMatrix();
        glTranslatef(leg.x, leg.y, leg.z);
        glColor3fv(joint);
        glutSolidSphere(0.04, 8, 8);
        glColor3fv(limb);
        glPushMatrix();
        const int first = leg.hind ? 0 : 1;
        for (int s = first; s < 3; ++s) {
            glPushMatrix();
            glRotatef(leg.angle[s], 0.0f, 0.0f, 1.0f);
            glTranslatef(0.0f, -0.04f, 0.0f);
            glPushMatrix();
            glScalef(segments[s].sx, segments[s].sy, segments[s].sz);
            glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
            gluCylinder(q, 0.3, 0.3, 0.5, 15, 2);
            glPopMatrix();
            glTranslatef(0.0f, -segments[s].drop, 0.0f);
            glColor3fv(joint);
            glutSolidSphere(0.04, 8, 8);
            glColor3fv(limb);
        }
        glPushMatrix();
        glRotatef(leg.angle[3], 0.0f, 0.0f, 1.0f);
        glTranslatef(0.0f, -0.04f, 0.0f);
        glTranslatef(0.0f, -0.0525f, 0.0f);
        glScalef(0.1f, 0.15f, 0.1f);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
        glutSolidCone(0.5, 0.6, 8, 6);
        glPopMatrix();
        for (int s = first; s < 3; ++s)
            glPopMatrix();
        glPopMatrix();
        glPopMatrix();
    }

    // Head.
    glPushMatrix();
    glTranslatef(0.5f, 0.16f, 0.0f);
    glPushMatrix();
    glRotatef(45.0f, 0.0f, 0.0f, 1.0f);
    glPushMatrix();
    glScalef(1.4f, 0.4f, 0.2f);
    glutSolidCube(0.5);
    glPopMatrix();
    glTranslatef(0.266f, -0.16f, 0.0f);
    glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    glScalef(0.4f, 0.3f, 0.15f);
    glutSolidCube(0.5);
    glPopMatrix();
    glPopMatrix();

    // Tail, straight (angle 0, walk gait).
    glPushMatrix();
    glTranslatef(-0.56f, 0.08f, 0.0f);
    glColor3fv(joint);
    glutSolidSphere(0.032, 8, 8);
    glColor3fv(limb);
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(-45.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, -0.2f);
    bareCylinder(q, 0.02, 0.03, 0.2);
    glColor3fv(joint);
    glutSolidSphere(0.08 / 3, 8, 8);
    glColor3fv(limb);
    glRotatef(0.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(-24.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, -0.15f);
    bareCylinder(q, 0.015, 0.02, 0.15);
    glColor3fv(joint);
    glutSolidSphere(0.02, 8, 8);
    glRotatef(0.0f, 0.0f, 1.0f, 0.0f);
    glColor3fv(limb);
    glTranslatef(0.0f, 0.0f, -0.25f);
    bareCylinder(q, 0.0, 0.015, 0.25);
    glPopMatrix();

    glPopMatrix(); // figure

    glutSwapBuffers();
}

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

void BM_BareFrame(benchmark::State& state, Size size)
{
    startState(state, size);
    for (auto _ : state)
        bareFrame();
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
                              std::make_pair("bareFrame", &BM_BareFrame),
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

// Does the bare loop draw the same picture as renderFrame? Compares the two
// frames' back buffers just before their swaps.
bool sameFrames(Size size)
{
    resetSceneState();
    if (!resizeWindow(size))
        return false;
    const auto grab = [size](void (*frame)()) {
        captured.assign(std::size_t(size.width) * size.height * 4, 0);
        captureSize = size;
        capture = true;
        frame();
        capture = false;
        return captured;
    };
    const auto program = grab(renderFrame);
    const auto bare = grab(bareFrame);
    const auto cleared = grab(clearAndSwap);
    const auto differing = [](const std::vector<unsigned char>& a,
                              const std::vector<unsigned char>& b) {
        long n = 0;
        for (std::size_t i = 0; i < a.size(); i += 4)
            n += std::memcmp(&a[i], &b[i], 3) != 0;
        return n;
    };
    std::printf("pixels that differ: renderFrame vs bare loop %ld, renderFrame vs clear only %ld\n",
                differing(program, bare), differing(program, cleared));
    return differing(program, bare) == 0 && differing(program, cleared) > 0;
}

} // namespace

// Linked with --wrap=glutSwapBuffers: every frame's swap passes through here.
extern "C" {
void __real_glutSwapBuffers();
void __wrap_glutSwapBuffers()
{
    if (capture) {
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, captureSize.width, captureSize.height, GL_RGBA, GL_UNSIGNED_BYTE,
                     captured.data());
    }
    __real_glutSwapBuffers();
}
}

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
    const bool same = sameFrames(kSmall);
    std::printf("bare loop draws the same pixels as renderFrame at 640x360: %s\n",
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
    std::printf("%-10s %14s %14s %14s %16s %16s\n", "size", "renderFrame", "bare loop",
                "clear+swap", "frame/bare", "frame/floor");
    for (const char* size : {"640x360", "1920x1080"}) {
        const double frame = get(std::string("renderFrame/") + size);
        const double bare = get(std::string("bareFrame/") + size);
        const double floor = get(std::string("clearSwap/") + size);
        if (frame <= 0 || bare <= 0 || floor <= 0)
            continue;
        std::printf("%-10s %11.0f us %11.0f us %11.0f us %15.2fx %15.2fx\n", size, frame / 1e3,
                    bare / 1e3, floor / 1e3, frame / bare, frame / floor);
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
