// The browser's GL layer (web/gl/) held against Mesa on what the program never
// draws: seeded random sequences of every call the layer takes, with every
// axis and sign, zero and negative scales, stacks to their limit, every light
// and material parameter, colour tracking and lighting on and off, shapes cut
// by the near plane and seen from inside. Each sequence runs once through the
// layer (over the Mesa host: llvmpipe rasterises its triangles) and once
// through Mesa's own OpenGL, GLU and freeglut. After every call outside
// glBegin and glEnd both matrix tops must equal Mesa's, float for float; after
// the sequence every pixel but a few on edges (kEdgePixels) must agree within
// 1/255, as the program's frames do (browser_gl_test). Sequence i runs from
// seed QUADRUPED_GL_SEED + i, for QUADRUPED_GL_SEQUENCES (default 300); a
// failure prints the seed (which with QUADRUPED_GL_SEQUENCES=1 replays it) and
// the calls' names. Then the units the sequences cannot see, worked out by hand.
#define GL_GLEXT_PROTOTYPES
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "web/gl/entry_points.h"
#include "web/gl/pipeline.h"
#include "web/gl/shapes.h"

namespace {

constexpr int kSize = 64; // the window, in pixels
constexpr int kTolerance = 1;
// Pixels a frame may have beyond it: the layer takes a vertex to clip space as
// P x (M x v), Mesa as (P x M) x v, so an edge's pixel may fall either side.
constexpr int kEdgePixels = 4;

// Every call the layer defines that a sequence makes.
// clang-format off
#define CALLS(X)                                                                                   \
    X(glMatrixMode) X(glLoadIdentity) X(glPushMatrix) X(glPopMatrix) X(glTranslatef)               \
    X(glRotatef) X(glScalef) X(gluPerspective) X(gluLookAt) X(glViewport) X(glClear)               \
    X(glEnable) X(glDisable) X(glColor3f) X(glColor3fv) X(glNormal3f) X(glBegin) X(glVertex3f)     \
    X(glEnd) X(glLightfv) X(glMaterialfv) X(glMateriali) X(gluNewQuadric) X(gluDeleteQuadric)      \
    X(gluCylinder) X(glutSolidSphere) X(glutSolidCone) X(glutSolidCube)
// clang-format on

// One implementation of those calls: the layer's, or Mesa's, GLU's and freeglut's.
struct Api {
#define FIELD(name) decltype(&::name) name;
    CALLS(FIELD)
};
#define LAYER(name) &::name,
const Api kLayer = {CALLS(LAYER)};

// The libraries' own entry points, past the layer's. The executable keeps the
// layer's names to itself (see tests/CMakeLists.txt), so that GLU's and
// freeglut's shapes also draw with Mesa's calls.
Api mesa()
{
    Api api;
#define MESA(name) api.name = reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name));
    CALLS(MESA)
    return api;
}

const GLenum kCapabilities[] = {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL, GL_DEPTH_TEST};
const GLenum kLightParameters[] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION};
const GLenum kFaces[] = {GL_FRONT, GL_BACK, GL_FRONT_AND_BACK};
const GLenum kModes[] = {GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN, GL_QUADS, GL_QUAD_STRIP};

struct Call {
    const char* name;
    std::function<void(const Api&, GLUquadric*)> run;
    bool outside;
};
using Sequence = std::vector<Call>;

// Adds a call of the implementation's with these arguments, worked out before.
#define CALL(name, ...)                                                                            \
    sequence_.push_back(                                                                           \
        {#name, [=](const Api& gl, [[maybe_unused]] GLUquadric* q) { gl.name(__VA_ARGS__); },      \
         !inside_})

// The calls of one seed: a prologue that sets every piece of state the layer
// keeps, then random calls, then pops back to one matrix a stack.
class Generator {
public:
    explicit Generator(std::uint64_t seed) : random_(seed) {}

    Sequence make()
    {
        mode(true);
        CALL(glLoadIdentity);
        if (chance(0.85))
            perspective();
        mode(false);
        CALL(glLoadIdentity);
        viewport();
        capability(GL_DEPTH_TEST, chance(0.8));
        CALL(glClear, GLbitfield(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
        if (chance(0.3))
            lookAt();
        for (GLenum name : kLightParameters)
            light(name);
        material(GL_FRONT_AND_BACK);
        shininess(GL_FRONT_AND_BACK);
        colour(); // the material's ambient and diffuse colours
        capability(GL_COLOR_MATERIAL, true);
        capability(GL_COLOR_MATERIAL, chance(0.6));
        normal();
        capability(GL_LIGHTING, chance(0.7));
        capability(GL_LIGHT0, chance(0.8));
        for (int n = 12 + below(30); n > 0; --n)
            randomCall();
        for (bool projection : {true, false}) {
            mode(projection);
            while (depth_[projection] > 1)
                pop();
        }
        return sequence_;
    }

private:
    float uniform(float low, float high)
    {
        return std::uniform_real_distribution<float>(low, high)(random_);
    }
    int below(int n)
    {
        return static_cast<int>(random_() % static_cast<unsigned>(n));
    }
    bool chance(double p)
    {
        return std::uniform_real_distribution<double>(0, 1)(random_) < p;
    }
    template <typename T> T pick(std::initializer_list<T> from)
    {
        return from.begin()[below(static_cast<int>(from.size()))];
    }
    float value(float low, float high, std::initializer_list<float> special = {0, 1, -1})
    {
        return chance(0.2) ? pick(special) : uniform(low, high);
    }
    std::array<float, 4> rgba()
    {
        return {value(-0.25f, 1.25f), value(-0.25f, 1.25f), value(-0.25f, 1.25f), 1};
    }

    void mode(bool projection)
    {
        projection_ = projection;
        CALL(glMatrixMode, projection ? GL_PROJECTION : GL_MODELVIEW);
    }
    void push()
    {
        if (depth_[projection_] < ffp::MatrixStacks::kDepth) {
            ++depth_[projection_];
            CALL(glPushMatrix);
        }
    }
    void pop()
    {
        if (depth_[projection_] > 1) {
            --depth_[projection_];
            flatAt_ = flat() ? flatAt_ : 0;
            CALL(glPopMatrix);
        }
    }
    void translate()
    {
        const float x = value(-4, 4), y = value(-4, 4), z = value(-6, 2);
        CALL(glTranslatef, x, y, z);
    }
    // About a coordinate axis with either sign and any length (kind 0), an
    // axis in a coordinate plane (1), a general axis (2), one too short to
    // turn about (3), and none (4).
    void rotate()
    {
        if (flat())
            return translate();
        const float angle = value(-720, 720, {0, 90, -90, 180, -270, 360});
        const int kind = below(5);
        float a[3];
        for (float& x : a)
            x = kind == 2 ? uniform(-3, 3) : kind == 3 ? uniform(-6e-5f, 6e-5f) : 0;
        for (int n = kind < 2 ? kind + 1 : 0; n > 0; --n)
            a[below(3)] = kind == 0 ? uniform(0.1f, 5) * (chance(0.5) ? -1 : 1) : uniform(-3, 3);
        CALL(glRotatef, angle, a[0], a[1], a[2]);
    }
    void scale()
    {
        const std::initializer_list<float> special = {0, -1, 1, 2, -0.5f};
        const float x = value(-2.5f, 2.5f, special), y = value(-2.5f, 2.5f, special),
                    z = value(-2.5f, 2.5f, special);
        if (!projection_ && !flat() && x * y * z == 0) {
            flatAt_ = depth_[0];
            capability(GL_DEPTH_TEST, false);
        }
        CALL(glScalef, x, y, z);
    }
    // With the degenerate ones GLU leaves the matrix alone for: no angle, no
    // aspect, no depth.
    void perspective()
    {
        const double fovy = value(5, 175, {0, 180, -60}), aspect = value(0.25f, 4, {0, -1, 1});
        const double zNear = value(0.02f, 2, {0.01f, -0.5f, 1}),
                     zFar = chance(0.1) ? zNear : zNear + value(0.3f, 40, {-1, 0.01f});
        CALL(gluPerspective, fovy, aspect, zNear, zFar);
    }
    // Up along the view now and then, and the eye on the centre.
    void lookAt()
    {
        if (flat())
            return translate();
        double v[9];
        for (double& x : v)
            x = value(-3, 3);
        for (int k = 0, along = chance(0.1), onCentre = chance(0.05); k < 3; ++k) {
            v[6 + k] = along ? v[3 + k] - v[k] : v[6 + k];
            v[3 + k] = onCentre ? v[k] : v[3 + k];
        }
        CALL(gluLookAt, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
    }
    void viewport()
    {
        const bool whole = chance(0.6);
        const int x = whole ? 0 : below(48) - 16, y = whole ? 0 : below(48) - 16;
        const int w = whole ? kSize : 8 + below(96), h = whole ? kSize : 8 + below(96);
        CALL(glViewport, x, y, w, h);
    }
    void capability(GLenum cap, bool on)
    {
        if (on && !(cap == GL_DEPTH_TEST && flatAt_ != 0 && depth_[0] >= flatAt_))
            CALL(glEnable, cap);
        else
            CALL(glDisable, cap);
    }
    // A colour of light 0, or its position (directional, local, any w), which
    // the modelview now carries.
    void light(GLenum name)
    {
        std::array<float, 4> v = rgba();
        if (name == GL_POSITION)
            v = {value(-6, 6), value(-6, 6), value(-6, 6), pick<float>({0, 1, 1, 2, 0.5f, -1})};
        CALL(glLightfv, GL_LIGHT0, name, v.data());
    }
    void material(GLenum face)
    {
        const std::array<float, 4> v = rgba();
        CALL(glMaterialfv, face, GL_SPECULAR, v.data());
    }
    // Not 0 between glBegin and glEnd, where Mesa's 0 to the power 0 is 0 (and
    // 1 outside them, as OpenGL says: the layer's, everywhere).
    void shininess(GLenum face)
    {
        int s = chance(0.3) ? pick({0, 1, 128}) : below(129);
        s = inside_ && s == 0 ? 1 : s;
        CALL(glMateriali, face, GL_SHININESS, s);
    }
    void colour()
    {
        const std::array<float, 4> c = rgba();
        if (chance(0.5))
            CALL(glColor3f, c[0], c[1], c[2]);
        else
            CALL(glColor3fv, c.data());
    }
    void normal()
    {
        const float x = value(-1.5f, 1.5f), y = value(-1.5f, 1.5f), z = value(-1.5f, 1.5f);
        CALL(glNormal3f, x, y, z);
    }
    // glBegin's modes, with none to ten vertices about a point ahead, colours,
    // normals and the material changed between them.
    void primitive()
    {
        const GLenum mode = kModes[below(5)];
        inside_ = true; // from glBegin on, Mesa's matrices cannot be read
        CALL(glBegin, mode);
        const float cx = uniform(-2, 2), cy = uniform(-2, 2), cz = uniform(-6, 1);
        for (int n = below(11); n > 0; --n) {
            switch (below(8)) {
            case 0: normal(); break;
            case 1: colour(); break;
            case 2: material(GL_FRONT_AND_BACK); break;
            case 3: shininess(GL_FRONT); break;
            default: break;
            }
            const float x = cx + uniform(-1.5f, 1.5f), y = cy + uniform(-1.5f, 1.5f),
                        z = cz + uniform(-1.5f, 1.5f);
            CALL(glVertex3f, x, y, z);
        }
        inside_ = false;
        CALL(glEnd);
    }
    // A shape, mostly placed ahead (or around the eye) and turned and scaled
    // first, with sizes GLU and freeglut refuse or turn inside out now and then.
    void shape()
    {
        const bool placed = chance(0.75);
        if (placed) {
            push();
            const float x = uniform(-2, 2), y = uniform(-2, 2), z = uniform(-7, 1);
            CALL(glTranslatef, x, y, z);
            if (chance(0.5))
                rotate();
            if (chance(0.3))
                scale();
        }
        const int slices = chance(0.05) ? 250 : below(40), stacks = below(12);
        switch (below(4)) {
        case 0: {
            const double base = value(0, 2, {0, -0.5f}), top = value(0, 2, {0, -0.5f}),
                         height = value(0, 3, {0, -1});
            CALL(gluCylinder, q, base, top, height, slices, stacks);
            break;
        }
        case 1: {
            const double radius = value(0.1f, 2.5f, {0, -1});
            CALL(glutSolidSphere, radius, slices, stacks);
            break;
        }
        case 2: {
            // Not flat: its base and side would lie in one plane (see flatAt_).
            const double base = value(0.1f, 2, {0, -1}), height = value(0.1f, 3, {-1.5f});
            CALL(glutSolidCone, base, height, slices, stacks);
            break;
        }
        default: {
            const double size = value(0.2f, 3, {0, -2});
            CALL(glutSolidCube, size);
            break;
        }
        }
        if (placed)
            pop();
    }

    void randomCall()
    {
        switch (below(20)) {
        case 0: mode(!projection_); break;
        case 1: push(); break;
        case 2: pop(); break;
        case 3:
            if (chance(0.3)) {
                flatAt_ = projection_ ? flatAt_ : 0;
                CALL(glLoadIdentity);
            } else
                while (depth_[projection_] < ffp::MatrixStacks::kDepth)
                    push(); // to the limit
            break;
        case 4: translate(); break;
        case 5: rotate(); break;
        case 6: scale(); break;
        case 7:
            // No perspective in the modelview, and one at most in the
            // projection: a product of them sends w through 0 inside
            // triangles, where no two roundings of a corner agree on what the
            // triangle covers.
            if (projection_)
                CALL(glLoadIdentity);
            projection_ ? perspective() : lookAt();
            break;
        case 8: capability(kCapabilities[below(4)], chance(0.6)); break;
        case 9: light(kLightParameters[below(4)]); break;
        case 10: chance(0.5) ? material(kFaces[below(3)]) : shininess(kFaces[below(3)]); break;
        case 11: colour(); break;
        case 12: normal(); break;
        case 13:
            if (chance(0.2))
                viewport();
            else if (chance(0.2))
                CALL(glClear, GL_DEPTH_BUFFER_BIT);
            else
                primitive();
            break;
        default: shape(); break;
        }
    }

    std::mt19937_64 random_; // the standard fixes its sequence: a seed replays anywhere
    Sequence sequence_;
    int depth_[2] = {1, 1}; // modelview, projection
    bool projection_ = false, inside_ = false;
    // The modelview's depth at a scale by 0, which leaves it singular until
    // popped below it (0: none). Its normal matrix is then the identity in
    // both, as long as no rotation mixes the zero column into the others: the
    // determinant, pure rounding then, would pick an inverse at random. The
    // depth test stays off meanwhile: a flattened shape's faces lie in one
    // plane, where rounding alone decides which of them shows.
    int flatAt_ = 0;
    bool flat() const
    {
        return !projection_ && flatAt_ != 0 && depth_[0] >= flatAt_;
    }
};

// Every call of the sequence through one implementation, the frame drawn out
// and read back; in tops, the modelview's and the projection's top after each
// call outside glBegin and glEnd (zeros inside them), 32 floats a call.
std::vector<unsigned char> draw(const Sequence& sequence, const Api& gl, std::vector<float>& tops)
{
    GLUquadric* quadric = gl.gluNewQuadric();
    for (const Call& call : sequence) {
        call.run(gl, quadric);
        tops.resize(tops.size() + 32);
        float* t = &tops[tops.size() - 32];
        if (call.outside && &gl == &kLayer) {
            std::memcpy(t, layerMatrices().top(ffp::Stack::Modelview).m.data(), 64);
            std::memcpy(t + 16, layerMatrices().top(ffp::Stack::Projection).m.data(), 64);
        } else if (call.outside) {
            glGetFloatv(GL_MODELVIEW_MATRIX, t);
            glGetFloatv(GL_PROJECTION_MATRIX, t + 16);
        }
    }
    gl.gluDeleteQuadric(quadric);
    &gl == &kLayer ? glutSwapBuffers() : glFinish();
    std::vector<unsigned char> pixels(3 * kSize * kSize);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::uint64_t envNumber(const char* name, std::uint64_t fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 0) : fallback;
}

// What an abort (the layer stopping the program) says before the process ends.
char replay[96] = "";
void sayReplay(int)
{
    [[maybe_unused]] const auto written = write(STDERR_FILENO, replay, std::strlen(replay));
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

using ffp::Primitive;

struct Batch {
    std::vector<ffp::Vertex> vertices;
    std::vector<std::uint16_t> indices;
};
std::vector<Batch> batches; // what the pipelines below hand on

ffp::Pipeline capturing(bool lit = false)
{
    batches.clear();
    ffp::Pipeline pipeline([](const auto& v, const auto& i) { batches.push_back({v, i}); });
    pipeline.lighting().enable(ffp::Capability::Lighting, lit);
    pipeline.lighting().enable(ffp::Capability::Light0, lit);
    pipeline.depthTest(true);
    return pipeline;
}

} // namespace

TEST(GLDifferential, RandomSequencesMatchMesa)
{
    static char name[] = "gl_layer_test";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kSize, kSize);
    glutCreateWindow(name);
    const std::uint64_t first = envNumber("QUADRUPED_GL_SEED", 20261300);
    const std::uint64_t count = envNumber("QUADRUPED_GL_SEQUENCES", 300);
    const Api gl = mesa();
    int failed = 0;
    std::signal(SIGABRT, sayReplay);
    for (std::uint64_t seed = first; seed < first + count && failed < 3; ++seed) {
        std::snprintf(replay, sizeof replay,
                      "replay: QUADRUPED_GL_SEED=%llu QUADRUPED_GL_SEQUENCES=1\n",
                      static_cast<unsigned long long>(seed));
        const Sequence sequence = Generator(seed).make();
        std::vector<float> ours, theirs;
        const std::vector<unsigned char> a = draw(sequence, kLayer, ours);
        // Mesa draws with none of the layer's WebGL objects bound.
        glUseProgram(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glDisableVertexAttribArray(0);
        glDisableVertexAttribArray(1);
        const std::vector<unsigned char> b = draw(sequence, gl, theirs);
        const GLenum error = glGetError();
        char apart[192] = "";                   // the first difference
        std::size_t last = sequence.size() - 1; // the last call listed
        const auto [x, y] =
            std::mismatch(ours.begin(), ours.end(), theirs.begin(),
                          [](float u, float v) { return u == v || (u != u && v != v); });
        if (const std::size_t k = x - ours.begin(); x != ours.end())
            std::snprintf(apart, sizeof apart,
                          "after call %zu, the %s's element %zu: the layer %.9g, Mesa %.9g",
                          last = k / 32, k % 32 < 16 ? "modelview" : "projection", k % 16, *x, *y);
        int worst = 0, pixels = 0, at = 0;
        for (int p = 0; p < kSize * kSize; ++p) {
            int d = 0;
            for (int c = 0; c < 3; ++c)
                d = std::max(d, std::abs(a[3 * p + c] - b[3 * p + c]));
            pixels += d > kTolerance;
            at = d > worst ? p : at;
            worst = std::max(worst, d);
        }
        const unsigned char *p = &a[3 * at], *q = &b[3 * at];
        if (*apart == '\0' && (pixels > kEdgePixels || error != GL_NO_ERROR))
            std::snprintf(apart, sizeof apart,
                          "%d pixels differ by more than %d/255, by at most %d (pixel %d, %d; the "
                          "layer %d %d %d, Mesa %d %d %d); Mesa's error: %s",
                          pixels, kTolerance, worst, at % kSize, at / kSize, p[0], p[1], p[2], q[0],
                          q[1], q[2], reinterpret_cast<const char*>(gluErrorString(error)));
        if (*apart == '\0')
            continue;
        ++failed;
        std::string calls;
        for (std::size_t i = 0; i <= last; ++i)
            calls += "  " + std::to_string(i) + " " + sequence[i].name + "\n";
        ADD_FAILURE() << apart << "\n" << calls << replay;
    }
    std::signal(SIGABRT, SIG_DFL);
}

// 90,000 vertices in three primitives: the third does not fit beside the
// first two, so it starts a second batch, with indices counted from its start.
TEST(Pipeline, BatchesOverSixtyFiveThousandVertices)
{
    constexpr std::size_t kPrimitive = 30000;
    ffp::Pipeline pipeline = capturing();
    for (int primitive = 0; primitive < 3; ++primitive) {
        pipeline.begin(Primitive::Triangles);
        for (std::size_t i = 0; i < kPrimitive; ++i)
            pipeline.vertex({0.5f * (i % 3 == 1), 0.5f * (i % 3 == 2), 0});
        pipeline.end();
    }
    pipeline.flush();
    ASSERT_EQ(batches.size(), 2u);
    for (std::size_t b = 0; b < 2; ++b) {
        std::vector<std::uint16_t> counted((2 - b) * kPrimitive);
        std::iota(counted.begin(), counted.end(), 0);
        EXPECT_EQ(batches[b].vertices.size(), counted.size()) << b;
        EXPECT_EQ(batches[b].indices, counted) << b;
    }
    // A primitive larger than a batch is refused at its end.
    pipeline.begin(Primitive::Triangles);
    for (std::size_t i = 0; i <= ffp::kBatchVertices; ++i)
        pipeline.vertex({0, 0, 0});
    EXPECT_FALSE(pipeline.end());
}

// A skipped frame hands nothing on, yet changes the state as a drawn one
// does: the frame after it comes out the same, to the bit.
TEST(Pipeline, SkippedFrameChangesTheStateOnly)
{
    ffp::Mesh tube = quadricCylinder(0.5, 0.25, 0.5, 8, 1);
    tube.index();
    std::vector<Batch> after[2];
    for (bool skip : {false, true}) {
        ffp::Pipeline pipeline = capturing(true);
        ffp::MatrixStacks& m = pipeline.matrices();
        pipeline.skip(skip);
        pipeline.lighting().colour({0.3f, 0.6f, 0.9f, 1});
        m.push();
        m.rotate(30, 1, 1, 0);
        pipeline.lighting().light(ffp::LightParameter::Position, {1, 2, 3, 1},
                                  m.top(ffp::Stack::Modelview));
        m.pop();
        m.scale(0.5f, 1, 1);
        for (int frame = 0; frame < 2; ++frame) {
            pipeline.begin(Primitive::Triangles); // a small one in the middle of the view
            for (const ffp::Vec3& corner : {ffp::Vec3{0, 0, 0}, {0.1f, 0, 0}, {0, 0.1f, 0}})
                pipeline.vertex(corner);
            pipeline.end();
            pipeline.draw(tube); // sent vertex by vertex: its last normal stays current
            pipeline.flush();
            EXPECT_EQ(batches.empty(), skip && frame == 0);
            after[skip] = batches; // in the end, the frame after
            batches.clear();
            pipeline.skip(false);
        }
    }
    ASSERT_TRUE(after[0].size() == 1 && after[1].size() == 1);
    const std::vector<ffp::Vertex>& v = after[0][0].vertices;
    EXPECT_EQ(after[0][0].indices, after[1][0].indices);
    ASSERT_EQ(v.size(), after[1][0].vertices.size());
    EXPECT_EQ(std::memcmp(v.data(), after[1][0].vertices.data(), v.size() * sizeof v[0]), 0);
}

// Each call the layer cannot carry out as OpenGL would stops the program with
// one message naming the call and the value.
TEST(EntryPoints, UnsupportedCallsStop)
{
    static const GLfloat kRgba[4] = {0, 0, 0, 1};
    const std::pair<void (*)(), const char*> cases[] = {
        {[] { glBegin(GL_POLYGON); }, "glBegin: mode 0x0009 is not supported"},
        {[] { glMatrixMode(GL_TEXTURE); }, "glMatrixMode: mode 0x1702 is not supported"},
        {[] { glEnable(GL_FOG); }, "glEnable: capability 0x0B60 is not supported"},
        {[] { glClear(GL_STENCIL_BUFFER_BIT); }, "glClear: mask 0x0400 is not supported"},
        {[] { glLightfv(GL_LIGHT1, GL_AMBIENT, kRgba); }, "glLightfv: light 0x4001 is not"},
        {[] { glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, kRgba); }, "glLightfv: parameter 0x1204"},
        {[] { glMaterialfv(GL_FRONT, GL_DIFFUSE, kRgba); }, "glMaterialfv: parameter 0x1201"},
        {[] { glMaterialfv(GL_LEFT, GL_SPECULAR, kRgba); }, "glMaterialfv: face 0x0406"},
        {[] { glMateriali(GL_FRONT, GL_SHININESS, 129); }, "glMateriali: shininess 0x0081"},
        {[] { glPopMatrix(); }, "glPopMatrix: the matrix stack holds one matrix only"},
        {[] {
             for (int depth = 0; depth < ffp::MatrixStacks::kDepth; ++depth)
                 glPushMatrix();
         },
         "glPushMatrix: the matrix stack is full"}, // a 33rd matrix
        {[] { glBegin(GL_QUADS), glTranslatef(1, 0, 0); },
         "glTranslatef between glBegin and glEnd"},
        {[] { glVertex3f(0, 0, 0); }, "glVertex3f outside glBegin and glEnd"},
        {[] { glEnd(); }, "glEnd without glBegin"},
    };
    for (const auto& [call, message] : cases)
        EXPECT_DEATH(call(), message);
}

// The frame record picks the part of the nearest triangle at a pixel, as the
// depth test would: a nearer triangle drawn first wins over a farther one, an
// equally near one drawn later does not, an unmarked one in front hides all,
// and one reaching behind the eye is cut at the near plane, not mirrored.
// A part's mark keeps the operations on the stack's path and the matrix then.
TEST(Picking, FrontMostPartAndItsChain)
{
    ffp::FrameRecord record;
    ffp::Pipeline pipeline([](const auto&, const auto&) {}, &record);
    ffp::MatrixStacks& m = pipeline.matrices();
    m.select(ffp::Stack::Projection);
    m.perspective(90, 1, 1, 100);
    m.select(ffp::Stack::Modelview);
    record.viewport(0, 0, 100, 100);
    record.start();
    const auto triangle = [&](int part, float z, std::array<float, 3> far = {0, 0, 0}) {
        record.mark(part, m.top(ffp::Stack::Modelview), m.top(ffp::Stack::Projection));
        pipeline.begin(Primitive::Triangles);
        pipeline.vertex({-1 + far[0], -1, z + far[2]});
        pipeline.vertex({1, -1, z});
        pipeline.vertex({0, 1, z});
        pipeline.end();
    };
    m.push();
    record.push();
    m.translate(0, 0, -1);
    record.operation({ffp::Operation::Translate, {0, 0, -1, 0}});
    triangle(2, -2); // nearer, drawn first
    triangle(1, -4); // farther
    triangle(3, -2); // as near as part 2, later
    m.pop();
    record.pop();
    triangle(4, -30, {-40, 0, 35}); // a corner behind the eye, left of the view
    pipeline.flush();
    EXPECT_EQ(record.pick(50.5f, 50.5f), 2);
    EXPECT_EQ(record.pick(95.5f, 50.5f), ffp::kUnmarked); // nothing there
    EXPECT_EQ(record.pick(49.5f, 52.5f), 2);
    EXPECT_EQ(record.pick(50.5f, 98.5f), ffp::kUnmarked);
    EXPECT_EQ(record.pick(2.5f, 48.5f), 4); // only the cut triangle reaches this far left
    ASSERT_NE(record.record(2), nullptr);
    EXPECT_EQ(record.record(2)->chain.size(), 1u);
    EXPECT_EQ(record.record(2)->pivot(2, 3), -1.0f);
    EXPECT_TRUE(record.record(4)->chain.empty());
    EXPECT_EQ(record.record(5), nullptr);
    triangle(ffp::kUnmarked, -1.5f); // in front of them all
    pipeline.flush();
    EXPECT_EQ(record.pick(50.5f, 50.5f), ffp::kUnmarked);
}
