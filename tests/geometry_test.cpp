// The figure's geometry, measured from the vertices OpenGL really receives.
#include "support/gl_test.h"

#include <algorithm>
#include <cmath>

#include "app/scene_state.h"
#include "figure/figure.h"
#include "figure/parts.h"
#include "scene/scene.h"

namespace {

constexpr double kTolerance = 1e-4;

class GeometryTest : public SceneTest {
protected:
    // Every joint angle 0: the legs hang straight down.
    void straightenLegs()
    {
        std::fill_n(&scene.walkPoses[0][0][0], sizeof(PoseTable) / sizeof(float), 0.0f);
    }
};

bool sameColour(const FeedbackVertex& v, const float (&rgb)[3])
{
    return std::fabs(v.rgba[0] - rgb[0]) < 1e-3 && std::fabs(v.rgba[1] - rgb[1]) < 1e-3 &&
           std::fabs(v.rgba[2] - rgb[2]) < 1e-3;
}

double distance(const Vec3& a, const Vec3& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                     (a.z - b.z) * (a.z - b.z));
}

// Vertices drawn in the given colour whose distance from a point lies in [near, far).
std::vector<FeedbackVertex> select(const std::vector<FeedbackVertex>& all, const float (&rgb)[3],
                                   const Vec3& from, double nearest, double farthest)
{
    std::vector<FeedbackVertex> out;
    for (const FeedbackVertex& v : all) {
        const double d = distance(v.p, from);
        if (sameColour(v, rgb) && d >= nearest && d < farthest)
            out.push_back(v);
    }
    return out;
}

std::vector<FeedbackVertex> where(const std::vector<FeedbackVertex>& all, bool (*keep)(const Vec3&))
{
    std::vector<FeedbackVertex> out;
    for (const FeedbackVertex& v : all)
        if (keep(v.p))
            out.push_back(v);
    return out;
}

void expectNear(const Vec3& got, const Vec3& want, double tolerance = kTolerance)
{
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

} // namespace

TEST_F(GeometryTest, StraightLegsReachDownToTheirPawBases)
{
    straightenLegs();
    const auto figure = feedbackVertices(drawFigure);
    ASSERT_FALSE(figure.empty());

    // The hind paws (x near -0.34) are the lowest points of the figure; the
    // front paws (x near 0.44) stand 0.04 higher, since their legs are shorter
    // by a segment but hang from hips 0.24 lower.
    const auto hind = where(figure, [](const Vec3& p) { return p.x < -0.2 && p.x > -0.5; });
    const auto front = where(figure, [](const Vec3& p) { return p.x > 0.3 && p.x < 0.6; });
    EXPECT_NEAR(minCorner(hind).y, -0.8775, 1e-5);
    EXPECT_NEAR(minCorner(front).y, -0.8375, 1e-5);
    EXPECT_NEAR(minCorner(figure).y, -0.8775, 1e-5);

    // Each paw base is a disc of radius 0.05 under its hip.
    const auto pawOf = [&](double x, double z) {
        std::vector<FeedbackVertex> paw;
        for (const FeedbackVertex& v : figure)
            if (v.p.y < -0.83 && std::hypot(v.p.x - x, v.p.z - z) < 0.06)
                paw.push_back(v);
        return paw;
    };
    for (const Vec3& hip :
         {Vec3{-0.34, 0, 0.15}, Vec3{-0.34, 0, -0.15}, Vec3{0.44, 0, 0.1}, Vec3{0.44, 0, -0.1}}) {
        const auto paw = pawOf(hip.x, hip.z);
        ASSERT_FALSE(paw.empty()) << hip.x << "," << hip.z;
        EXPECT_NEAR(maxCorner(paw).x - minCorner(paw).x, 0.1, 1e-3);
        EXPECT_NEAR(boundsCentre(paw).x, hip.x, 1e-5);
        EXPECT_NEAR(boundsCentre(paw).z, hip.z, 1e-5);
    }
}

TEST_F(GeometryTest, BentFrontLegSwingsTowardsTheHead)
{
    // Front leg 2 at walk keyframe 1, sub-step 0: joint 1 at 43, joint 2 at -81.
    scene.gaitFrame = 1;
    const auto leg = feedbackVertices([] { drawLeg(kFrontRightLeg); });
    const auto joints = select(leg, kJointColour, {0, 0, 0}, 0.0, 10.0);
    // The knee sphere sits 0.33 from the hip turned 43 degrees towards +x.
    const double a = 43.0 * M_PI / 180.0;
    const Vec3 knee{0.33 * std::sin(a), -0.33 * std::cos(a), 0};
    const auto kneeSphere = select(leg, kJointColour, knee, 0.0, 0.045);
    ASSERT_FALSE(kneeSphere.empty());
    expectNear(boundsCentre(kneeSphere), knee);
    EXPECT_GT(maxCorner(joints).x, 0.2);
}

TEST_F(GeometryTest, HeadPieceHangsOffTheRaisedNeck)
{
    // The neck and head are two boxes of the same tessellation, neck first.
    const auto head = feedbackVertices([] {
        glTranslatef(0.5f, 0.16f, 0.0f); // where the figure hangs its head
        drawHead();
    });
    ASSERT_EQ(head.size() % 2, 0u);
    const std::vector<FeedbackVertex> neckBox(head.begin(), head.begin() + head.size() / 2);
    const std::vector<FeedbackVertex> headBox(head.begin() + head.size() / 2, head.end());
    expectNear(boundsCentre(neckBox), {0.5, 0.16, 0});
    expectNear(boundsCentre(headBox), {0.8012, 0.2350, 0});

    // The figure draws exactly those head vertices.
    const auto figure = feedbackVertices(drawFigure);
    for (const FeedbackVertex& v : headBox) {
        bool found = false;
        for (const FeedbackVertex& f : figure)
            found = found || distance(f.p, v.p) < 1e-6;
        ASSERT_TRUE(found) << v.p.x << "," << v.p.y << "," << v.p.z;
    }

    // Level neck at head angle 45: its box spans 0.7 along x.
    scene.headAngle = 45.0f;
    const auto level = feedbackVertices(drawHead);
    const std::vector<FeedbackVertex> levelNeck(level.begin(), level.begin() + level.size() / 2);
    EXPECT_NEAR(maxCorner(levelNeck).x - minCorner(levelNeck).x, 0.7, 1e-5);
    EXPECT_NEAR(maxCorner(levelNeck).y - minCorner(levelNeck).y, 0.2, 1e-5);
}

TEST_F(GeometryTest, TailDroopsBackwardsAndRisesInTheRunGait)
{
    // The joint sphere at the end of the first segment marks where it ends.
    const auto secondJoint = [] {
        const auto tail = feedbackVertices(drawTail);
        return boundsCentre(select(tail, kJointColour, {0, 0, 0}, 0.1, 0.25));
    };
    // The tip, 0.4 beyond the second joint after a further bend down.
    const auto tip = [] {
        const auto tail = feedbackVertices(drawTail);
        FeedbackVertex farthest = tail.at(0);
        for (const FeedbackVertex& v : tail)
            if (distance(v.p, {0, 0, 0}) > distance(farthest.p, {0, 0, 0}))
                farthest = v;
        return farthest.p;
    };
    const auto along = [](double degreesBelow, double length) {
        const double a = degreesBelow * M_PI / 180.0;
        return Vec3{-length * std::cos(a), -length * std::sin(a), 0};
    };
    const auto plus = [](const Vec3& a, const Vec3& b) { return Vec3{a.x + b.x, a.y + b.y, 0}; };

    expectNear(secondJoint(), {-0.1414, -0.1414, 0});
    expectNear(tip(), plus(along(45, 0.2), along(45 + 24, 0.4)));
    scene.walkGait = 0;
    expectNear(secondJoint(), {-0.1532, -0.1286, 0});
    expectNear(tip(), plus(along(40, 0.2), along(40 + 21.5, 0.4)));

    // A positive swing turns the tail towards -z; the run gait halves it.
    scene.walkGait = 1;
    scene.tailAngle = 10;
    const Vec3 swungWalk = secondJoint();
    EXPECT_LT(swungWalk.z, -0.02);
    EXPECT_NEAR(std::hypot(swungWalk.x, swungWalk.z), 0.1414, kTolerance);
    scene.walkGait = 0;
    scene.tailAngle = -7; // halves to -3, not -4
    const Vec3 swungRun = secondJoint();
    EXPECT_NEAR(std::atan2(swungRun.z, -swungRun.x) * 180 / M_PI, 3.0, 1e-3);
}

TEST_F(GeometryTest, RunGaitBodyBobMovesTheWholeFigureAndNothingElse)
{
    scene.walkGait = 0;
    const auto figure = feedbackVertices(drawFigure);
    const auto still = feedbackVertices(renderFrame);
    scene.bodyBob = 0.05f;
    const auto bobbing = feedbackVertices(renderFrame);

    ASSERT_EQ(still.size(), bobbing.size());
    ASSERT_GT(still.size(), figure.size());
    // Ground and trees come first and stay put; the figure comes last and rises.
    const size_t firstFigureVertex = still.size() - figure.size();
    for (size_t i = 0; i < still.size(); ++i) {
        const double rise = i < firstFigureVertex ? 0.0 : 0.05;
        ASSERT_NEAR(bobbing[i].p.x, still[i].p.x, 1e-5) << i;
        ASSERT_NEAR(bobbing[i].p.y, still[i].p.y + rise, 1e-5) << i;
        ASSERT_NEAR(bobbing[i].p.z, still[i].p.z, 1e-5) << i;
    }

    // In the walk gait the bob is ignored.
    scene.walkGait = 1;
    scene.bodyBob = 0.0f;
    const auto walkStill = feedbackVertices(drawFigure);
    scene.bodyBob = 0.05f;
    const auto walkBob = feedbackVertices(drawFigure);
    ASSERT_EQ(walkStill.size(), walkBob.size());
    for (size_t i = 0; i < walkStill.size(); ++i)
        ASSERT_LT(distance(walkStill[i].p, walkBob[i].p), 1e-6) << i;
}

TEST_F(GeometryTest, FigureStandsAtItsPlaceTurnedByTheHeading)
{
    // The frame draws the figure last, moved to (figureX, 0.945, figureZ) and
    // turned about +y: at heading 90 its head end (+x) points along -z.
    const auto own = feedbackVertices(drawFigure);
    const auto placedFigure = [&own] {
        const auto frame = feedbackVertices(renderFrame);
        return std::vector<FeedbackVertex>(frame.end() - own.size(), frame.end());
    };
    scene.figureX = 1.0f;
    scene.figureZ = -2.0f;
    const auto facingX = placedFigure();
    scene.heading = 90.0f;
    const auto facingMinusZ = placedFigure();
    for (size_t i = 0; i < own.size(); ++i) {
        expectNear(facingX[i].p, {own[i].p.x + 1.0, own[i].p.y + 0.945, own[i].p.z - 2.0}, 1e-5);
        expectNear(facingMinusZ[i].p, {own[i].p.z + 1.0, own[i].p.y + 0.945, -own[i].p.x - 2.0},
                   1e-5);
        if (HasFailure())
            FAIL() << "vertex " << i;
    }
}
