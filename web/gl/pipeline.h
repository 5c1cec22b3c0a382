// OpenGL 1.x's fixed-function vertex stage on the CPU: vertices and meshes
// go through the matrix stacks and the lighting, and are assembled into
// indexed triangles that carry clip coordinates and clamped colours, in
// batches ready for any rasteriser (WebGL in the browser, Mesa in the tests).
// Triangles that cannot colour a pixel are left out (see culling.h): a
// shape's hidden back only while the depth test hides it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "web/gl/assembly.h"
#include "web/gl/culling.h"
#include "web/gl/lighting.h"
#include "web/gl/math.h"
#include "web/gl/mesh.h"
#include "web/gl/picking.h"
#include "web/gl/stacks.h"

namespace ffp {

// One vertex ready to rasterise: clip coordinates and its lit colour, red,
// green and blue (every colour the layer is given is opaque).
struct Vertex {
    Vec4 clip;
    Vec3 colour;
};

// WebGL 1 draws 16-bit indices: one batch holds at most this many vertices.
constexpr std::size_t kBatchVertices = 65536;

class Pipeline {
public:
    // Receives each finished batch; the pipeline reuses both vectors afterwards.
    using Draw = void (*)(const std::vector<Vertex>& vertices,
                          const std::vector<std::uint16_t>& indices);
    // Every batch handed on is also kept in record, if one is given, each
    // triangle with the record's part at the time.
    explicit Pipeline(Draw draw, FrameRecord* record = nullptr);

    // The matrix stacks and the lighting state, which vertices are shaded with.
    MatrixStacks& matrices()
    {
        return matrices_;
    }
    Lighting& lighting()
    {
        return lighting_;
    }
    void normal(const Vec3& normal); // the current normal, in object coordinates

    // Immediate mode: vertices between begin and end become triangles. Each
    // returns false when called out of turn; end also when the primitive has
    // more vertices than one batch holds.
    bool begin(Primitive primitive);
    bool vertex(const Vec3& position);
    bool end();
    bool inside() const
    {
        return inside_;
    }
    // A mesh, as if its primitives were sent one by one (outside begin and end).
    void draw(const Mesh& mesh);
    // Hands the triangles assembled so far to the rasteriser.
    void flush();
    // While on, vertices and meshes only change the current normal and count
    // towards the open primitive: nothing is shaded, assembled or handed on.
    void skip(bool on);
    // Whether the rasteriser tests depth (glEnable(GL_DEPTH_TEST)): without,
    // a shape's back drawn after its front shows.
    void depthTest(bool on)
    {
        depthTest_ = on;
    }

private:
    void clearPending(); // an open primitive with no vertex yet
    void shadeOnto(const Vec3& position);
    std::size_t append();
    void keep(std::size_t base, std::size_t a, std::size_t b, std::size_t c);
    void drawParts(const Mesh& mesh);
    void drawIndexed(const Mesh& mesh, const BoxCodes& box);

    Draw draw_;
    MatrixStacks matrices_;
    Lighting lighting_;
    Vec3 normal_ = {0, 0, 1};

    Primitive primitive_ = Primitive::Triangles;
    bool inside_ = false, skipping_ = false, depthTest_ = false;
    std::size_t count_ = 0;              // the open primitive's vertices,
    std::vector<Vertex> pending_;        // shaded,
    std::vector<ClipCode> pendingCodes_; // with their clip codes
    std::vector<Vec4> pendingEye_;       // and eye coordinates
    BackCulling backs_;
    std::vector<Vertex> vertices_; // the batch
    std::vector<std::uint16_t> indices_;
    FrameRecord* record_ = nullptr;
    std::vector<signed char> parts_; // each triangle's part, while kept in a record
};

} // namespace ffp
