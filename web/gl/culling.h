// Culling: what cannot colour a pixel is never sent. A point's clip code says
// which planes of the view volume it lies beyond; a triangle or a box whose
// corners all lie beyond one plane is outside the view. A convex shape seen
// from outside hides its back behind its front.
#pragma once

#include <cstddef>
#include <vector>

#include "web/gl/math.h"
#include "web/gl/mesh.h"
#include "web/gl/stacks.h"

namespace ffp {

using ClipCode = unsigned char;
constexpr ClipCode kEveryPlane = 0x3F;
constexpr ClipCode kNearPlane = 0x10;

// The planes of the view volume that a point in clip coordinates lies beyond,
// one bit each: left, right, bottom, top, near, far.
inline ClipCode clipCode(const Vec4& c)
{
    return static_cast<ClipCode>((c[0] < -c[3]) | (c[0] > c[3]) << 1 | (c[1] < -c[3]) << 2 |
                                 (c[1] > c[3]) << 3 | (c[2] < -c[3]) << 4 | (c[2] > c[3]) << 5);
}

// A box's eight corners carried by the modelview and the projection: the
// planes that every corner lies beyond, and whether some corner lies beyond
// the near plane or not in front of the eye.
struct BoxCodes {
    ClipCode every = kEveryPlane;
    bool nearPlaneReached = false;
};
BoxCodes boxCodes(const Vec3& low, const Vec3& high, const Mat4& modelview, const Mat4& projection);

// Which triangles of a mesh its own front hides from the eye.
class BackCulling {
public:
    // Marks the hidden triangles of the mesh, whose points lie at eye (eye
    // coordinates, in the mesh's order), whose box is seen as box, under the
    // stacks' modelview. None is marked unless the mesh hides its back in
    // this view; one seen from the inside stays unmarked where it shares a
    // welded position with one seen from outside, since where the back meets
    // the front their depths tie and the desktop may show either.
    void mark(const Mesh& mesh, const std::vector<Vec4>& eye, const BoxCodes& box,
              MatrixStacks& stacks);
    bool hidden(std::size_t triangle) const
    {
        return hidden_[triangle] != 0;
    }

private:
    std::vector<unsigned char> inwards_, weldedInwards_, hidden_;
};

} // namespace ffp
