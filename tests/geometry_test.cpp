// The figure's geometry, measured from the vertices OpenGL really receives.
#include "support/gl_test.h"

#include <algorithm>
#include <cmath>
#include <functional>
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

// A vertex as feedback mode returns it, with the green of its colour.
struct FeedbackVertex {
    Vec3 p;
    float green;
};
using Vertices = std::vector<FeedbackVertex>;

// Vertices, in object coordinates of an identity modelview, of every primitive
// that draw() issues, read back in order through OpenGL's feedback mode with
// lighting off (so each carries its current colour). The box is +-5 on each
// axis. The start view is loaded again afterwards.
Vertices feedbackVertices(const std::function<void()>& draw)
{
    const double h = kFeedbackHalfSize;
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

    // Only polygons are drawn; window coordinates go back to the ortho box.
    Vertices vertices;
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(buffer[i++], GL_POLYGON_TOKEN);
        const int count = static_cast<int>(buffer[i++]);
        for (int v = 0; v < count; ++v, i += 7) {
            const GLfloat* w = &buffer[i];
            const double s = 2 * h / kFeedbackViewport;
            vertices.push_back({{-h + w[0] * s, -h + w[1] * s, -(2.0 * w[2] - 1.0) * h}, w[4]});
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
        if (d > from && d < to && (!jointsOnly || std::fabs(f.green - kJointColour[1]) < 1e-3))
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

TEST_F(Geometry, HeadPieceHangsOffTheRaisedNeck)
{
    const auto part = [](bool head) { // neck first, then head: two boxes of one tessellation
        const Vertices v = feedbackVertices(drawHead);
        const auto half = v.begin() + long(v.size() / 2);
        return box(head ? Vertices(half, v.end()) : Vertices(v.begin(), half));
    };
    expectNear(part(false).centre, {0, 0, 0});
    expectNear(part(true).centre, {0.3012, 0.0750, 0}); // (0.8012, 0.2350) on the figure
    scene.headAngle = 45.0f;                            // the neck lies level: 0.7 long, 0.2 high
    expectNear(part(false).size, {0.7, 0.2, 0.1}, 1e-5);
}

TEST_F(Geometry, TailDroopsBackwardsRisesInTheRunAndHalvesItsSwing)
{
    // The second joint sphere marks where the first segment ends.
    const auto secondJoint = [] {
        return box(around(feedbackVertices(drawTail), {0, 0, 0}, 0.1, 0.25, true)).centre;
    };
    expectNear(secondJoint(), {-0.1414, -0.1414, 0});
    scene.walkGait = 0;
    expectNear(secondJoint(), {-0.1532, -0.1286, 0});
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
