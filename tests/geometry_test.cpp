// The scene's geometry and lighting, measured from the vertices (and their lit
// colours) OpenGL really receives: what the call stream of browser_gl_test,
// which holds every other size and place, cannot see.
#include "support/gl_test.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
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

// The centre of the box around the vertices of v in the joint colour between
// two distances from the origin.
Vec3 jointCentre(const Vertices& v, double from, double to)
{
    Vec3 lo = {1e9, 1e9, 1e9}, hi = {-1e9, -1e9, -1e9};
    for (const FeedbackVertex& f : v)
        if (const double d = std::hypot(f.p.x, f.p.y, f.p.z);
            d > from && d < to && std::fabs(f.rgb[1] - kJointColour[1]) < 1e-3) {
            lo = {std::min(lo.x, f.p.x), std::min(lo.y, f.p.y), std::min(lo.z, f.p.z)};
            hi = {std::max(hi.x, f.p.x), std::max(hi.y, f.p.y), std::max(hi.z, f.p.z)};
        }
    return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
}

class Geometry : public SceneTest {};
class Lighting : public SceneTest {};

} // namespace

// The run halves the tail's swing towards zero: its second joint sphere, 0.2
// along the first segment, turns 3 degrees about y at a tail angle of -7.
TEST_F(Geometry, TailHalvesItsSwingInTheRun)
{
    scene.walkGait = 0;
    scene.tailAngle = -7; // halves to -3, not -4
    const Vec3 joint = jointCentre(feedbackVertices(drawTail), 0.1, 0.25);
    EXPECT_NEAR(std::atan2(joint.z, -joint.x) * 180 / M_PI, 3.0, 1e-3);
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
