// The last frame as drawn, kept so that a point of the window can be traced
// back to what covers it: every triangle the layer handed on (its clip-space
// corners and the part it was drawn for), and, for each part of the scene
// that the program marks, the matrices in force at its mark and the modelview
// operations that led there. Nothing here draws or changes what is drawn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "web/gl/math.h"

namespace ffp {

// What is drawn outside any marked part (the ground, the trees).
constexpr int kUnmarked = -1;

// One modelview operation as the program made it.
struct Operation {
    enum Kind : std::uint8_t { View, Translate, Rotate, Scale } kind;
    float values[4]; // View: none; Translate and Scale: x y z; Rotate: degrees x y z
};

// A marked part as the last frame drew it.
struct PartRecord {
    bool drawn = false; // marked in the last frame
    Mat4 pivot{};       // the modelview at its first mark: the frame it hangs in
    Mat4 projection{};
    // The operations on the modelview stack's path (since its last identity)
    // at the part's first shape; the first `own` of them were made before its mark.
    std::vector<Operation> chain;
    std::size_t own = 0;
    bool shaped = false; // chain taken at a shape
};

class FrameRecord {
public:
    static constexpr int kParts = 64; // parts are numbered 0 to kParts - 1

    // A frame that will be drawn starts: the last one is forgotten.
    void start();
    void viewport(int x, int y, int width, int height);

    // The modelview stack's operations, as the entry points make them.
    void loadIdentity();
    void push();
    void pop();
    void operation(const Operation& op);
    // The modelview that the camera's view (the last View operation) left.
    void view(const Mat4& modelview)
    {
        view_ = modelview;
    }
    const Mat4& view() const
    {
        return view_;
    }

    // From now on the triangles belong to part (kUnmarked: to none); a part's
    // first mark in a frame keeps the matrices given.
    void mark(int part, const Mat4& modelview, const Mat4& projection);
    int part() const
    {
        return part_;
    }
    // A shape or primitive of the current part is about to be drawn.
    void shape();
    // A batch handed to the rasteriser: clip positions of its vertices, and
    // its triangles (three indices each) with the part of each.
    template <typename Vertex>
    void batch(const std::vector<Vertex>& vertices, const std::vector<std::uint16_t>& indices,
               const std::vector<signed char>& parts)
    {
        const auto base = static_cast<std::uint32_t>(clip_.size());
        for (const Vertex& v : vertices)
            clip_.push_back(v.clip);
        for (std::size_t t = 0; 3 * t < indices.size(); ++t)
            triangles_.push_back(
                {{base + indices[3 * t], base + indices[3 * t + 1], base + indices[3 * t + 2]},
                 parts[t]});
    }

    // The part of the front-most triangle covering window point (x, y)
    // (pixels from the viewport's window's bottom left, a pixel's centre at
    // .5), depth-tested as GL's default test does; kUnmarked where that is
    // no part, or nothing covers it.
    int pick(float x, float y) const;
    // The clip-space corners of a part's triangles as handed on, three a
    // triangle, into out (emptied first).
    void corners(int part, std::vector<Vec4>& out) const;
    const PartRecord* record(int part) const;
    const int* viewportBox() const
    {
        return viewport_;
    }

private:
    struct Triangle {
        std::uint32_t corner[3];
        signed char part;
    };
    std::vector<Vec4> clip_;
    std::vector<Triangle> triangles_;
    PartRecord parts_[kParts];
    std::vector<Operation> operations_; // since the last identity
    std::vector<std::size_t> pushes_;   // operations_'s size at each push
    int part_ = kUnmarked;
    int viewport_[4] = {0, 0, 0, 0};
    Mat4 view_{};
};

} // namespace ffp
