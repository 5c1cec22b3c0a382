// The browser's GL layer (web/gl/) held against Mesa on what the program never
// draws: seeded random sequences of every call the layer takes, with every
// axis and sign, zero and negative scales, stacks to their limit, every light
// and material parameter, colour tracking and lighting on and off, shapes cut
// by the near plane and seen from inside. Each sequence runs once through the
// layer (over the Mesa host: llvmpipe rasterises its triangles) and once
// through Mesa's own OpenGL, GLU and freeglut. After every call outside
// glBegin and glEnd both matrix tops must equal Mesa's, float for float; after
// the sequence every pixel but a few on edges (kEdgePixels) must agree within
// 1/255, as the program's frames do (browser_gl_test). Sequence i runs from seed QUADRUPED_GL_SEED
// + i, for QUADRUPED_GL_SEQUENCES (default 300) sequences; a failure prints the seed and the calls,
// and the seed with QUADRUPED_GL_SEQUENCES=1 replays it alone.
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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "web/gl/entry_points.h"

namespace {

constexpr int kSize = 64; // the window, in pixels
constexpr int kTolerance = 1;
// Pixels a frame may have beyond it: the layer carries a vertex to clip space
// as projection x (modelview x vertex), Mesa as (projection x modelview) x
// vertex, so corners differ in their last bits, and now and then a pixel
// centre on an edge falls to the other side (at most 3 in 600 sequences).
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
    void (*finish)(); // the frame drawn out
};
const Api kLayer = {
#define LAYER(name) &::name,
    CALLS(LAYER) & ::glutSwapBuffers};

// The libraries' own entry points, past the layer's. The executable keeps the
// layer's names to itself (see tests/CMakeLists.txt), so that GLU's and
// freeglut's shapes also draw with Mesa's calls.
Api mesa()
{
    Api api;
#define MESA(name) api.name = reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name));
    CALLS(MESA)
    api.finish = glFinish;
    return api;
}

// A sequence: its calls as text and as code, and whether each leaves the
// matrices readable (it is outside glBegin and glEnd).
struct Call {
    std::string text;
    std::function<void(const Api&, GLUquadric*)> run;
    bool outside;
};
using Sequence = std::vector<Call>;

// The calls of one seed: a prologue that sets every piece of state the layer
// keeps, then random calls, then pops back to one matrix a stack.
class Generator {
public:
    explicit Generator(std::uint64_t seed) : random_(seed) {}
    Sequence make();

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
    // A value in [low, high], or now and then one of the special ones.
    float value(float low, float high, std::initializer_list<float> special = {0, 1, -1})
    {
        return chance(0.2) ? special.begin()[below(static_cast<int>(special.size()))]
                           : uniform(low, high);
    }
    std::array<float, 4> colour(float alpha = 1)
    {
        return {value(-0.25f, 1.25f), value(-0.25f, 1.25f), value(-0.25f, 1.25f), alpha};
    }
    // Adds a call, written as C with its numbers.
    template <typename F> void add(const std::string& text, F run)
    {
        sequence_.push_back({text, run, !inside_});
    }
    template <typename... Number> static std::string numbers(Number... values)
    {
        std::string out;
        char text[32];
        for (double v : {double(values)...}) {
            std::snprintf(text, sizeof text, "%s%.9g", out.empty() ? "" : ", ", v);
            out += text;
        }
        return out;
    }
    static const char* name(GLenum value)
    {
        switch (value) {
        case GL_AMBIENT: return "GL_AMBIENT";
        case GL_DIFFUSE: return "GL_DIFFUSE";
        case GL_SPECULAR: return "GL_SPECULAR";
        case GL_POSITION: return "GL_POSITION";
        case GL_FRONT: return "GL_FRONT";
        case GL_BACK: return "GL_BACK";
        case GL_FRONT_AND_BACK: return "GL_FRONT_AND_BACK";
        case GL_LIGHTING: return "GL_LIGHTING";
        case GL_LIGHT0: return "GL_LIGHT0";
        case GL_DEPTH_TEST: return "GL_DEPTH_TEST";
        default: return "GL_COLOR_MATERIAL";
        }
    }
    void mode(bool projection);
    void push();
    void pop();
    void translate();
    void rotate();
    void scale();
    void perspective();
    void lookAt();
    void viewport();
    void capability(GLenum cap, bool on);
    void light(GLenum name);
    void material(GLenum face);
    void shininess(GLenum face);
    void colourCall();
    void normal();
    void primitive();
    void shape();
    void randomCall();

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

#define ADD(name, ...)                                                                             \
    add(#name "(" + numbers(__VA_ARGS__) + ")",                                                    \
        [=](const Api& gl, GLUquadric*) { gl.name(__VA_ARGS__); })

void Generator::mode(bool projection)
{
    projection_ = projection;
    const GLenum m = projection ? GL_PROJECTION : GL_MODELVIEW;
    add(projection ? "glMatrixMode(GL_PROJECTION)" : "glMatrixMode(GL_MODELVIEW)",
        [=](const Api& gl, GLUquadric*) { gl.glMatrixMode(m); });
}

void Generator::push()
{
    if (depth_[projection_] < ffp::MatrixStacks::kDepth) {
        ++depth_[projection_];
        add("glPushMatrix()", [](const Api& gl, GLUquadric*) { gl.glPushMatrix(); });
    }
}

void Generator::pop()
{
    if (depth_[projection_] > 1) {
        --depth_[projection_];
        flatAt_ = flat() ? flatAt_ : 0;
        add("glPopMatrix()", [](const Api& gl, GLUquadric*) { gl.glPopMatrix(); });
    }
}

void Generator::translate()
{
    const float x = value(-4, 4), y = value(-4, 4), z = value(-6, 2);
    ADD(glTranslatef, x, y, z);
}

// About each coordinate axis with either sign and any length, a general axis,
// one too short to turn about, and none.
void Generator::rotate()
{
    if (flat())
        return translate();
    const float angle = value(-720, 720, {0, 90, -90, 180, -270, 360});
    float axis[3] = {0, 0, 0};
    switch (below(5)) {
    case 0: axis[below(3)] = uniform(0.1f, 5) * (chance(0.5) ? -1 : 1); break;
    case 1:
        axis[below(3)] = uniform(-3, 3);
        axis[below(3)] = uniform(-3, 3);
        break;
    case 2:
        for (float& a : axis)
            a = uniform(-3, 3);
        break;
    case 3:
        for (float& a : axis)
            a = uniform(-6e-5f, 6e-5f);
        break;
    default: break;
    }
    ADD(glRotatef, angle, axis[0], axis[1], axis[2]);
}

void Generator::scale()
{
    const std::initializer_list<float> special = {0, -1, 1, 2, -0.5f};
    const float x = value(-2.5f, 2.5f, special), y = value(-2.5f, 2.5f, special),
                z = value(-2.5f, 2.5f, special);
    if (!projection_ && !flat() && x * y * z == 0) {
        flatAt_ = depth_[0];
        capability(GL_DEPTH_TEST, false);
    }
    ADD(glScalef, x, y, z);
}

// With the degenerate ones GLU leaves the matrix alone for: no angle, no
// aspect, no depth.
void Generator::perspective()
{
    const double fovy = value(5, 175, {0, 180, -60}), aspect = value(0.25f, 4, {0, -1, 1});
    const double zNear = value(0.02f, 2, {0.01f, -0.5f, 1}),
                 zFar = chance(0.1) ? zNear : zNear + value(0.3f, 40, {-1, 0.01f});
    ADD(gluPerspective, fovy, aspect, zNear, zFar);
}

// Up along the view now and then, and the eye on the centre.
void Generator::lookAt()
{
    if (flat())
        return translate();
    double v[9];
    for (double& x : v)
        x = value(-3, 3);
    if (chance(0.1))
        for (int k = 0; k < 3; ++k)
            v[6 + k] = v[3 + k] - v[k];
    if (chance(0.05))
        for (int k = 0; k < 3; ++k)
            v[3 + k] = v[k];
    ADD(gluLookAt, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
}

void Generator::viewport()
{
    const bool whole = chance(0.6);
    const int x = whole ? 0 : below(48) - 16, y = whole ? 0 : below(48) - 16;
    const int w = whole ? kSize : 8 + below(96), h = whole ? kSize : 8 + below(96);
    ADD(glViewport, x, y, w, h);
}

void Generator::capability(GLenum cap, bool on)
{
    on = on && !(cap == GL_DEPTH_TEST && flatAt_ != 0 && depth_[0] >= flatAt_);
    add(std::string(on ? "glEnable(" : "glDisable(") + name(cap) + ")",
        [=](const Api& gl, GLUquadric*) { on ? gl.glEnable(cap) : gl.glDisable(cap); });
}

// A colour of light 0, or its position (directional, local, any w), which
// the modelview now carries.
void Generator::light(GLenum name)
{
    std::array<float, 4> v = colour();
    if (name == GL_POSITION)
        v = {value(-6, 6), value(-6, 6), value(-6, 6),
             std::initializer_list<float>{0, 1, 1, 2, 0.5f, -1}.begin()[below(6)]};
    add(std::string("glLightfv(GL_LIGHT0, ") + Generator::name(name) + ", {" +
            numbers(v[0], v[1], v[2], v[3]) + "})",
        [=](const Api& gl, GLUquadric*) { gl.glLightfv(GL_LIGHT0, name, v.data()); });
}

void Generator::material(GLenum face)
{
    const std::array<float, 4> v = colour();
    add(std::string("glMaterialfv(") + name(face) + ", GL_SPECULAR, {" +
            numbers(v[0], v[1], v[2], v[3]) + "})",
        [=](const Api& gl, GLUquadric*) { gl.glMaterialfv(face, GL_SPECULAR, v.data()); });
}

// Not 0 between glBegin and glEnd, where Mesa's 0 to the power 0 is 0 (and 1
// outside them, as OpenGL says: the layer's, everywhere).
void Generator::shininess(GLenum face)
{
    int s = chance(0.3) ? std::initializer_list<int>{0, 1, 128}.begin()[below(3)] : below(129);
    s = inside_ && s == 0 ? 1 : s;
    add(std::string("glMateriali(") + name(face) + ", GL_SHININESS, " + std::to_string(s) + ")",
        [=](const Api& gl, GLUquadric*) { gl.glMateriali(face, GL_SHININESS, s); });
}

void Generator::colourCall()
{
    const std::array<float, 4> c = colour();
    if (chance(0.5))
        ADD(glColor3f, c[0], c[1], c[2]);
    else
        add("glColor3fv({" + numbers(c[0], c[1], c[2]) + "})",
            [=](const Api& gl, GLUquadric*) { gl.glColor3fv(c.data()); });
}

void Generator::normal()
{
    const float x = value(-1.5f, 1.5f), y = value(-1.5f, 1.5f), z = value(-1.5f, 1.5f);
    ADD(glNormal3f, x, y, z);
}

// glBegin's modes, with none to ten vertices about a point ahead, colours,
// normals and the material changed between them.
void Generator::primitive()
{
    static const GLenum kModes[] = {GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN, GL_QUADS,
                                    GL_QUAD_STRIP};
    const GLenum mode = kModes[below(5)];
    inside_ = true; // from glBegin on, Mesa's matrices cannot be read
    ADD(glBegin, mode);
    const float cx = uniform(-2, 2), cy = uniform(-2, 2), cz = uniform(-6, 1);
    for (int n = below(11); n > 0; --n) {
        switch (below(8)) {
        case 0: normal(); break;
        case 1: colourCall(); break;
        case 2: material(GL_FRONT_AND_BACK); break;
        case 3: shininess(GL_FRONT); break;
        default: break;
        }
        const float x = cx + uniform(-1.5f, 1.5f), y = cy + uniform(-1.5f, 1.5f),
                    z = cz + uniform(-1.5f, 1.5f);
        ADD(glVertex3f, x, y, z);
    }
    inside_ = false;
    add("glEnd()", [](const Api& gl, GLUquadric*) { gl.glEnd(); });
}

// A shape, mostly placed ahead (or around the eye) and turned and scaled first,
// with sizes GLU and freeglut refuse or turn inside out now and then.
void Generator::shape()
{
    const bool placed = chance(0.75);
    if (placed) {
        push();
        const float x = uniform(-2, 2), y = uniform(-2, 2), z = uniform(-7, 1);
        ADD(glTranslatef, x, y, z);
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
        add("gluCylinder(q, " + numbers(base, top, height, slices, stacks) + ")",
            [=](const Api& gl, GLUquadric* q) {
                gl.gluCylinder(q, base, top, height, slices, stacks);
            });
        break;
    }
    case 1: {
        const double radius = value(0.1f, 2.5f, {0, -1});
        ADD(glutSolidSphere, radius, slices, stacks);
        break;
    }
    case 2: {
        // Not flat: its base and side would lie in one plane (see flatAt_).
        const double base = value(0.1f, 2, {0, -1}), height = value(0.1f, 3, {-1.5f});
        ADD(glutSolidCone, base, height, slices, stacks);
        break;
    }
    default: {
        const double size = value(0.2f, 3, {0, -2});
        ADD(glutSolidCube, size);
        break;
    }
    }
    if (placed)
        pop();
}

void Generator::randomCall()
{
    static const GLenum kCaps[] = {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL, GL_DEPTH_TEST};
    static const GLenum kLight[] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION};
    static const GLenum kFaces[] = {GL_FRONT, GL_BACK, GL_FRONT_AND_BACK};
    switch (below(20)) {
    case 0: mode(!projection_); break;
    case 1: push(); break;
    case 2: pop(); break;
    case 3:
        if (chance(0.3)) {
            flatAt_ = projection_ ? flatAt_ : 0;
            add("glLoadIdentity()", [](const Api& gl, GLUquadric*) { gl.glLoadIdentity(); });
        } else
            while (depth_[projection_] < ffp::MatrixStacks::kDepth)
                push(); // to the limit
        break;
    case 4: translate(); break;
    case 5: rotate(); break;
    case 6: scale(); break;
    case 7:
        // No perspective in the modelview, and one at most in the projection:
        // a product of them sends w through 0 inside triangles, where no two
        // roundings of a corner agree on what the triangle covers.
        if (projection_)
            add("glLoadIdentity()", [](const Api& gl, GLUquadric*) { gl.glLoadIdentity(); });
        projection_ ? perspective() : lookAt();
        break;
    case 8: capability(kCaps[below(4)], chance(0.6)); break;
    case 9: light(kLight[below(4)]); break;
    case 10: chance(0.5) ? material(kFaces[below(3)]) : shininess(kFaces[below(3)]); break;
    case 11: colourCall(); break;
    case 12: normal(); break;
    case 13:
        if (chance(0.2))
            viewport();
        else if (chance(0.2))
            add("glClear(GL_DEPTH_BUFFER_BIT)",
                [](const Api& gl, GLUquadric*) { gl.glClear(GL_DEPTH_BUFFER_BIT); });
        else
            primitive();
        break;
    default: shape(); break;
    }
}

Sequence Generator::make()
{
    mode(true);
    add("glLoadIdentity()", [](const Api& gl, GLUquadric*) { gl.glLoadIdentity(); });
    if (chance(0.85))
        perspective();
    mode(false);
    add("glLoadIdentity()", [](const Api& gl, GLUquadric*) { gl.glLoadIdentity(); });
    viewport();
    capability(GL_DEPTH_TEST, chance(0.8));
    ADD(glClear, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (chance(0.3))
        lookAt();
    for (GLenum name : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION})
        light(name);
    material(GL_FRONT_AND_BACK);
    shininess(GL_FRONT_AND_BACK);
    colourCall(); // the material's ambient and diffuse colours
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

// Every call of the sequence through one implementation, the frame drawn out
// and read back; after each call outside glBegin and glEnd, see(call number).
std::vector<unsigned char> draw(const Sequence& sequence, const Api& gl,
                                const std::function<void(std::size_t)>& see)
{
    GLUquadric* quadric = gl.gluNewQuadric();
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        sequence[i].run(gl, quadric);
        if (sequence[i].outside)
            see(i);
    }
    gl.gluDeleteQuadric(quadric);
    gl.finish();
    std::vector<unsigned char> pixels(3 * kSize * kSize);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
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

class GLDifferential : public ::testing::Test {
protected:
    // One freeglut window with a depth buffer, as the program's.
    static void SetUpTestSuite()
    {
        static char name[] = "gl_differential_test";
        static char* argv[] = {name, nullptr};
        int argc = 1;
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(kSize, kSize);
        glutCreateWindow(name);
    }
};

} // namespace

TEST_F(GLDifferential, RandomSequencesMatchMesa)
{
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
        std::vector<std::array<float, 32>> tops; // the layer's, after each call
        const std::vector<unsigned char> ours = draw(sequence, kLayer, [&](std::size_t) {
            std::array<float, 32> t;
            std::memcpy(t.data(), layerMatrices().top(ffp::Stack::Modelview).m.data(), 64);
            std::memcpy(t.data() + 16, layerMatrices().top(ffp::Stack::Projection).m.data(), 64);
            tops.push_back(t);
        });
        // Mesa draws with none of the layer's WebGL objects bound.
        glUseProgram(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glDisableVertexAttribArray(0);
        glDisableVertexAttribArray(1);
        std::size_t seen = 0, wrong = sequence.size();
        std::string apart;
        const std::vector<unsigned char> theirs = draw(sequence, gl, [&](std::size_t i) {
            std::array<float, 32> t;
            glGetFloatv(GL_MODELVIEW_MATRIX, t.data());
            glGetFloatv(GL_PROJECTION_MATRIX, t.data() + 16);
            for (int k = 0; k < 32 && wrong == sequence.size(); ++k)
                if (!(t[k] == tops[seen][k]) && !(t[k] != t[k] && tops[seen][k] != tops[seen][k])) {
                    wrong = i;
                    char text[160];
                    std::snprintf(text, sizeof text,
                                  "the %s's element %d: the layer %.9g, Mesa %.9g",
                                  k < 16 ? "modelview" : "projection", k % 16, tops[seen][k], t[k]);
                    apart = text;
                }
            ++seen;
        });
        const GLenum error = glGetError();
        int worst = 0, pixels = 0, at = -1;
        for (int p = 0; p < kSize * kSize; ++p) {
            int d = 0;
            for (int c = 0; c < 3; ++c)
                d = std::max(d, std::abs(ours[3 * p + c] - theirs[3 * p + c]));
            pixels += d > kTolerance;
            at = d > worst ? p : at;
            worst = std::max(worst, d);
        }
        if (wrong == sequence.size() && pixels <= kEdgePixels && error == GL_NO_ERROR)
            continue;
        ++failed;
        std::string calls;
        for (std::size_t i = 0; i < sequence.size() && i <= wrong; ++i)
            calls += "  " + std::to_string(i) + " " + sequence[i].text + "\n";
        if (wrong < sequence.size())
            ADD_FAILURE() << "after call " << wrong << ", " << apart << "\n" << calls << replay;
        else
            ADD_FAILURE() << pixels << " pixels differ by more than " << kTolerance
                          << "/255, by at most " << worst << " (pixel " << at % kSize << ", "
                          << at / kSize << "; the layer " << +ours[3 * at] << " "
                          << +ours[3 * at + 1] << " " << +ours[3 * at + 2] << ", Mesa "
                          << +theirs[3 * at] << " " << +theirs[3 * at + 1] << " "
                          << +theirs[3 * at + 2] << "); Mesa's error: " << gluErrorString(error)
                          << "\n"
                          << calls << replay;
    }
    std::signal(SIGABRT, SIG_DFL);
}

// Both stacks hold as many matrices as Mesa's: one more push is refused by
// Mesa with an error, and stops the program in the layer.
TEST_F(GLDifferential, StacksEndWhereMesasEnd)
{
    const Api gl = mesa();
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
        gl.glMatrixMode(mode);
        for (int depth = 1; depth < ffp::MatrixStacks::kDepth; ++depth)
            gl.glPushMatrix();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << mode;
        gl.glPushMatrix();
        EXPECT_EQ(glGetError(), GLenum(GL_STACK_OVERFLOW)) << mode;
        for (int depth = 1; depth < ffp::MatrixStacks::kDepth; ++depth)
            gl.glPopMatrix();
        EXPECT_DEATH(
            {
                glMatrixMode(mode);
                for (int depth = 0; depth < ffp::MatrixStacks::kDepth; ++depth)
                    glPushMatrix();
            },
            "glPushMatrix: the matrix stack is full");
    }
}
