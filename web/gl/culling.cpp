#include "web/gl/culling.h"

#include <cstdint>

namespace ffp {

namespace {

// How far off a triangle's plane the eye must be, as a share of its distance,
// before the triangle counts as turned away from it: edge-on ones are kept.
constexpr float kEdgeOn = 1.0e-3f;
// How far inside a tube's end planes the eye must be, as a share of its length.
constexpr float kEndMargin = 1.0e-3f;
constexpr int kBoxCorners = 8;

// Whether the eye sees the triangle a b c (eye coordinates) from the side of
// the point interior, clearly off the triangle's plane.
bool facesInwards(const Vec4& a, const Vec4& b, const Vec4& c, const Vec4& interior)
{
    const Vec3 corner = xyz(a);
    const Vec3 n = cross(minus(xyz(b), corner), minus(xyz(c), corner));
    const float towardsEye = -dot(n, corner);
    return towardsEye * dot(n, minus(xyz(interior), corner)) > 0.0f &&
           towardsEye * towardsEye > kEdgeOn * kEdgeOn * dot(n, n) * dot(corner, corner);
}

// Whether a projection is a perspective one (gluPerspective's, glFrustum's)
// with its eye at the eye-space origin: w = -z times a positive factor, and
// x and y with no part that does not scale with the distance. A parallel one
// (such as the identity) has no eye there. Its depth must also grow with the
// distance along every sight line, which it does when the clip z at the eye
// is negative: a near plane behind the eye or beyond the far one turns the
// depth test round, and the back of a shape shows instead of its front.
bool eyeAtOrigin(const Mat4& p)
{
    return p(3, 0) == 0.0f && p(3, 1) == 0.0f && p(3, 2) < 0.0f && p(3, 3) == 0.0f &&
           p(0, 3) == 0.0f && p(1, 3) == 0.0f && p(2, 3) < 0.0f;
}

// Whether every triangle of the mesh that the eye sees from the inside is
// hidden behind the mesh's own front, and if so a point inside it (the box's
// centre, eye coordinates). So it is for a convex body's closed surface seen
// from outside, and for a tube's side seen from between the planes of its
// open ends (no sight line then reaches the inside but through the side):
// both when the whole box lies before the near plane, which keeps the eye
// outside, under an affine modelview and a perspective projection, whose
// sight lines all meet at the eye.
bool hidesItsBack(const Mesh& mesh, const BoxCodes& box, MatrixStacks& stacks, Vec4& interior)
{
    const Mat4& mv = stacks.top(Stack::Modelview);
    if (mesh.shell == Mesh::Shell::Open || box.nearPlaneReached || mv(3, 0) != 0.0f ||
        mv(3, 1) != 0.0f || mv(3, 2) != 0.0f || mv(3, 3) != 1.0f ||
        !eyeAtOrigin(stacks.top(Stack::Projection)))
        return false;
    if (mesh.shell == Mesh::Shell::Tube) {
        // The eye's z in the mesh's own coordinates: the inverse of the
        // (affine) modelview is the normal matrix's transpose and minus its
        // translation.
        const Mat3& n = stacks.normalMatrix();
        const float eyeZ = -(n(0, 2) * mv(0, 3) + n(1, 2) * mv(1, 3) + n(2, 2) * mv(2, 3));
        const float margin = kEndMargin * (mesh.high[2] - mesh.low[2]);
        if (!(eyeZ > mesh.low[2] + margin && eyeZ < mesh.high[2] - margin))
            return false;
    }
    interior = mv.apply({(mesh.low[0] + mesh.high[0]) / 2, (mesh.low[1] + mesh.high[1]) / 2,
                         (mesh.low[2] + mesh.high[2]) / 2, 1.0f});
    return true;
}

} // namespace

BoxCodes boxCodes(const Vec3& low, const Vec3& high, const Mat4& modelview, const Mat4& projection)
{
    BoxCodes box;
    for (int corner = 0; corner < kBoxCorners; ++corner) {
        const Vec4 clip = projection.apply(
            modelview.apply({corner & 1 ? high[0] : low[0], corner & 2 ? high[1] : low[1],
                             corner & 4 ? high[2] : low[2], 1.0f}));
        const ClipCode code = clipCode(clip);
        box.every &= code;
        box.nearPlaneReached = box.nearPlaneReached || clip[3] <= 0.0f || (code & kNearPlane) != 0;
    }
    return box;
}

void BackCulling::mark(const Mesh& mesh, const std::vector<Vec4>& eye, const BoxCodes& box,
                       MatrixStacks& stacks)
{
    const std::size_t triangles = mesh.triangleIndices.size() / 3;
    hidden_.assign(triangles, 0);
    Vec4 interior;
    if (!hidesItsBack(mesh, box, stacks, interior))
        return;
    const std::uint32_t* t = mesh.triangleIndices.data();
    const std::uint32_t* welded = mesh.weldedPositions.data();
    inwards_.resize(triangles);
    weldedInwards_.assign(mesh.weldedCount, 1);
    for (std::size_t i = 0; i < triangles; ++i) {
        inwards_[i] = facesInwards(eye[t[3 * i]], eye[t[3 * i + 1]], eye[t[3 * i + 2]], interior);
        for (int k = 0; k < 3 && !inwards_[i]; ++k)
            weldedInwards_[welded[t[3 * i + k]]] = 0;
    }
    for (std::size_t i = 0; i < triangles; ++i)
        hidden_[i] = inwards_[i] && weldedInwards_[welded[t[3 * i]]] &&
                     weldedInwards_[welded[t[3 * i + 1]]] && weldedInwards_[welded[t[3 * i + 2]]];
}

} // namespace ffp
