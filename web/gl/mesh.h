// A shape made once and drawn many times: its primitives, each vertex with the
// normal current when it was sent, the box around all of them, what its
// surface encloses, and (after index()) its triangles over welded positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "web/gl/assembly.h"
#include "web/gl/math.h"

namespace ffp {

struct Mesh {
    // Open: nothing is known. Closed: the surface of a convex body. Tube: the
    // same, open at its lowest and highest z only (a frustum's side).
    enum class Shell { Open, Closed, Tube };
    struct Point {
        Vec3 position, normal;
    };
    struct Part {
        Primitive primitive;
        std::vector<Point> points;
    };
    std::vector<Part> parts;
    Shell shell = Shell::Open;
    std::size_t size = 0; // points in all parts
    Vec3 low = {0, 0, 0}, high = {0, 0, 0};
    Vec3 last = {0, 0, 1}; // the last point's normal
    // Whether drawing the mesh leaves that normal current: so for a shape sent
    // vertex by vertex (GLU's), not for one drawn from arrays (the toolkit's,
    // after which Mesa's current normal is what it was).
    bool leavesNormal = false;

    // Made by index(): the triangle indices (three points each, numbered
    // through all parts) of the triangles the parts split into, and for each
    // point the number of its welded position, the same for every point at
    // the same position.
    std::vector<std::uint32_t> triangleIndices, weldedPositions;
    std::size_t weldedCount = 0;

    // Starts a new primitive, and adds a point to the last one.
    void begin(Primitive primitive);
    void add(const Vec3& position, const Vec3& normal);
    // Fills the triangle indices and welded positions, leaving out triangles
    // with no area (two corners at one position): they colour nothing.
    void index();
};

} // namespace ffp
