// The scene's geometry and lighting, measured from the vertices (and their lit
// colours) OpenGL really receives.
#include "support/gl_test.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "figure/figure.h"
#include "figure/parts.h"
#include "scene/scene.h"

namespace {

constexpr int kFeedbackViewport = 1000;
constexpr double kFeedbackHalfSize = 5.0;

struct Vec3 {
    double x, y, z;
};

// A vertex as feedback mode returns it, with its colour (RGB).
struct FeedbackVertex {
    Vec3 p;
    std::array<float, 3> rgb;
};
using Vertices = std::vector<FeedbackVertex>;

// The vertices of every polygon draw() issues from an identity modelview, in
// order, through feedback mode in an ortho box of +-h, with their colours (lit
// only if draw() turns lighting on); the start view is loaded again after.
Vertices feedbackVertices(const std::function<void()>& draw, double h = kFeedbackHalfSize)
{
    glDisable(GL_LIGHTING);
    glViewport(0, 0, kFeedbackViewport, kFeedbackViewport);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-h, h, -h, h, -h, h);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    std::vector<GLfloat> buffer(8 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    onReshape(kStartWidth, kStartHeight);
    EXPECT_GE(used, 0) << "feedback buffer overflow";

    Vertices vertices; // only polygons; window coordinates back to the ortho box
    const double s = 2 * h / kFeedbackViewport;
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(buffer[i++], GL_POLYGON_TOKEN);
        for (int v = 0, count = int(buffer[i++]); v < count; ++v, i += 7) {
            const GLfloat* w = &buffer[i];
            vertices.push_back(
                {{-h + w[0] * s, -h + w[1] * s, -(2.0 * w[2] - 1.0) * h}, {w[3], w[4], w[5]}});
        }
    }
    return vertices;
}

// The vertices of v between two distances from a point, in the joint colour if asked.
Vertices around(const Vertices& v, const Vec3& c, double from, double to, bool jointsOnly = false)
{
    Vertices out;
    for (const FeedbackVertex& f : v) {
        const double d = std::hypot(f.p.x - c.x, f.p.y - c.y, f.p.z - c.z);
        if (d > from && d < to && (!jointsOnly || std::fabs(f.rgb[1] - kJointColour[1]) < 1e-3))
            out.push_back(f);
    }
    return out;
}

// The box around a set of vertices: its lowest corner, its centre and its size.
struct Box {
    Vec3 lo, centre, size;
};
Box box(const Vertices& v)
{
    Vec3 lo = v.at(0).p, hi = lo;
    for (const FeedbackVertex& f : v) {
        lo = {std::min(lo.x, f.p.x), std::min(lo.y, f.p.y), std::min(lo.z, f.p.z)};
        hi = {std::max(hi.x, f.p.x), std::max(hi.y, f.p.y), std::max(hi.z, f.p.z)};
    }
    return {lo,
            {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2},
            {hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}};
}

void expectNear(const Vec3& got, const Vec3& want, double tolerance = 1e-4)
{
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

class Geometry : public SceneTest {};
class Lighting : public SceneTest {};

} // namespace

TEST_F(Geometry, StraightLegsReachDownToTheirPawBasesUnderTheirHips)
{
    std::fill_n(&scene.walkPoses[0][0][0], sizeof(PoseTable) / sizeof(float), 0.0f);
    const Vertices figure = feedbackVertices(drawFigure);
    const Vec3 hips[] = {{-0.34, -0.8775, 0.15},
                         {-0.34, -0.8775, -0.15},
                         {0.44, -0.8375, 0.1},
                         {0.44, -0.8375, -0.1}};
    for (const Vec3& hip : hips) {
        const Vertices paw = around(figure, hip, -1, 0.051);
        ASSERT_FALSE(paw.empty()) << hip.x << "," << hip.z;
        EXPECT_NEAR(box(paw).lo.y, hip.y, 1e-5);
        EXPECT_NEAR(box(paw).size.x, 0.1, 1e-3); // a disc of radius 0.05
        expectNear(box(paw).centre, {hip.x, box(paw).centre.y, hip.z}, 1e-5);
    }
}

TEST_F(Geometry, TailDroopsBackwardsBendsRisesInTheRunAndHalvesItsSwing)
{
    // The second joint sphere marks where the first segment (0.2 long) ends,
    // 45 degrees below level; the third where the second (0.15) ends, bent
    // 24 further down. The run lifts the first by 5 and the second by 2.5.
    const auto secondJoint = [](double from = 0.1, double to = 0.25) {
        return box(around(feedbackVertices(drawTail), {0, 0, 0}, from, to, true)).centre;
    };
    const auto thirdJoint = [&] { return secondJoint(0.3, 0.4); };
    expectNear(secondJoint(), {-0.1414, -0.1414, 0});
    expectNear(thirdJoint(), {-0.1414 - 0.15 * 0.3584, -0.1414 - 0.15 * 0.9336, 0}); // 69 degrees
    scene.walkGait = 0;
    expectNear(secondJoint(), {-0.1532, -0.1286, 0});
    expectNear(thirdJoint(), {-0.1532 - 0.15 * 0.4772, -0.1286 - 0.15 * 0.8788, 0}); // 61.5
    scene.tailAngle = -7; // halves to -3, not -4
    const Vec3 swung = secondJoint();
    EXPECT_NEAR(std::atan2(swung.z, -swung.x) * 180 / M_PI, 3.0, 1e-3);
}

TEST_F(Geometry, FigureStandsAtItsPlaceTurnedAndRidesTheBodyBobInTheRun)
{
    const Vertices figure = feedbackVertices(drawFigure);
    const Vec3 c = box(figure).centre, s = box(figure).size;
    // The box around the frame's figure, which it draws last, or around the rest.
    const auto placed = [n = long(figure.size())](bool ofFigure) {
        const Vertices v = feedbackVertices(renderFrame);
        return box(ofFigure ? Vertices(v.end() - n, v.end()) : Vertices(v.begin(), v.end() - n));
    };
    expectNear(placed(true).centre, {c.x, c.y + 0.945, c.z + 1.5}, 1e-5);
    const Box rest = placed(false);
    scene.figureX = 1.0f;
    scene.figureZ = -2.0f;
    scene.heading = 90.0f; // the head end (+x) points along -z
    scene.bodyBob = 0.05f; // ignored in the walk gait
    expectNear(placed(true).centre, {c.z + 1.0, c.y + 0.945, -c.x - 2.0}, 1e-5);
    expectNear(placed(true).size, {s.z, s.y, s.x}, 1e-5);
    scene.walkGait = 0; // in the run the whole figure rides on it, nothing else
    scene.bodyBob = 0.0f;
    const Vec3 still = placed(true).centre;
    scene.bodyBob = 0.05f;
    expectNear(placed(true).centre, {still.x, still.y + 0.05, still.z}, 1e-5);
    expectNear(placed(false).lo, rest.lo, 1e-6);
    expectNear(placed(false).size, rest.size, 1e-6);
}

TEST_F(Geometry, TreesStandTenApartWithTheirCrownsTipsFourHigh)
{
    // A crown's tip (above a trunk and a crown each 2 tall) at every x and z
    // from -40 to 30, 10 apart.
    std::set<std::pair<double, double>> tips, grid;
    for (int i = 0; i < 64; ++i)
        grid.insert({10.0 * (i / 8 - 4), 10.0 * (i % 8 - 4)});
    for (const FeedbackVertex& v : feedbackVertices(renderFrame, 50))
        if (v.p.y > 3.5) {
            ASSERT_NEAR(v.p.y, 4, 1e-4);
            tips.insert({std::round(v.p.x * 1e3) / 1e3, std::round(v.p.z * 1e3) / 1e3});
        }
    EXPECT_EQ(tips, grid);
}

TEST_F(Lighting, GroundSeenFromAboveShinesWithTheLightsPlaceAndTheShininess)
{
    // Looking straight down (the world's +y turned to the eye's +z), the
    // ground's normal is the direction to the (infinitely far) viewer. At a
    // corner, with d the cosine of the angle to the light, a point at (300, 2000, -20),
    // the half vector's cosine is sqrt((1 + d) / 2), and the lighting equation
    // gives: ground colour x (0.2 scene ambient + 1 light ambient + d diffuse)
    // + white material specular x light specular x sqrt((1 + d) / 2)^50.
    const Vertices frame = feedbackVertices(
        [] {
            glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
            renderFrame();
        },
        128);
    int corners = 0;
    for (const FeedbackVertex& v : frame) {
        if (std::fabs(v.p.x) < 99 || std::fabs(v.p.y) < 99)
            continue;
        ++corners;
        // From the corner (x, 0.1, z) to the light; the eye's y is the world's -z.
        const Vec3 toLight = {300 - v.p.x, 2000 - 0.1, -20 + v.p.y};
        const double d = toLight.y / std::hypot(toLight.x, toLight.y, toLight.z);
        const double shine = std::pow((1 + d) / 2, 50 / 2.0);
        const double ground[3] = {0.05, 0.25, 0.05}, specular[3] = {0.2, 0.3, 0.3};
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(v.rgb[c], ground[c] * (0.2 + 1 + d) + shine * specular[c], 1e-5)
                << v.p.x << ", " << v.p.y << " channel " << c;
    }
    EXPECT_GE(corners, 4);
}
