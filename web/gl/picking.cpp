#include "web/gl/picking.h"

#include <algorithm>

namespace ffp {

namespace {

// A clip-space polygon cut to the side of one plane where d(v) >= 0.
template <typename Distance> std::size_t cut(const Vec4* in, std::size_t n, Vec4* out, Distance d)
{
    std::size_t m = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Vec4& a = in[i];
        const Vec4& b = in[(i + 1) % n];
        const float da = d(a), db = d(b);
        if (da >= 0)
            out[m++] = a;
        if ((da >= 0) != (db >= 0)) {
            const float t = da / (da - db);
            Vec4 p;
            for (int k = 0; k < 4; ++k)
                p[k] = a[k] + (b[k] - a[k]) * t;
            out[m++] = p;
        }
    }
    return m;
}

// Window x, y and depth of a clip-space point in front of the eye.
Vec3 window(const Vec4& c, const int* viewport)
{
    const float x = c[0] / c[3], y = c[1] / c[3], z = c[2] / c[3];
    return {viewport[0] + (x + 1) * 0.5f * viewport[2], viewport[1] + (y + 1) * 0.5f * viewport[3],
            (z + 1) * 0.5f};
}

// The depth at (x, y) of the window triangle a b c, if it covers the point
// (either winding: the program culls no faces); otherwise above 1.
float depthAt(const Vec3& a, const Vec3& b, const Vec3& c, float x, float y)
{
    const float area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    if (area == 0)
        return 2;
    const float wa = ((b[0] - x) * (c[1] - y) - (b[1] - y) * (c[0] - x)) / area;
    const float wb = ((c[0] - x) * (a[1] - y) - (c[1] - y) * (a[0] - x)) / area;
    const float wc = 1 - wa - wb;
    if (wa < 0 || wb < 0 || wc < 0)
        return 2;
    return wa * a[2] + wb * b[2] + wc * c[2];
}

// A clip-space triangle cut to the view volume's near and far planes (what
// GL clips before it divides by w), as a polygon of up to five corners.
std::size_t clipped(const Vec4& a, const Vec4& b, const Vec4& c, Vec4* out)
{
    const Vec4 corners[3] = {a, b, c};
    Vec4 cut1[4];
    const std::size_t n = cut(corners, 3, cut1, [](const Vec4& v) { return v[2] + v[3]; });
    return cut(cut1, n, out, [](const Vec4& v) { return v[3] - v[2]; });
}

} // namespace

void FrameRecord::start()
{
    clip_.clear();
    triangles_.clear();
    for (PartRecord& p : parts_)
        p.drawn = p.shaped = false;
    part_ = kUnmarked;
}

void FrameRecord::viewport(int x, int y, int width, int height)
{
    viewport_[0] = x, viewport_[1] = y, viewport_[2] = width, viewport_[3] = height;
}

void FrameRecord::loadIdentity()
{
    operations_.clear();
    pushes_.assign(pushes_.size(), 0);
}

void FrameRecord::push()
{
    pushes_.push_back(operations_.size());
}

void FrameRecord::pop()
{
    if (pushes_.empty())
        return;
    operations_.resize(std::min(operations_.size(), pushes_.back()));
    pushes_.pop_back();
}

void FrameRecord::operation(const Operation& op)
{
    if (op.kind == Operation::View)
        loadIdentity(); // the chain starts at the camera
    operations_.push_back(op);
}

void FrameRecord::mark(int part, const Mat4& modelview, const Mat4& projection)
{
    part_ = part >= 0 && part < kParts ? part : kUnmarked;
    if (part_ == kUnmarked || parts_[part_].drawn)
        return;
    PartRecord& p = parts_[part_];
    p.drawn = true;
    p.pivot = modelview;
    p.projection = projection;
    p.chain = operations_;
    p.own = operations_.size();
}

void FrameRecord::shape()
{
    if (part_ == kUnmarked || parts_[part_].shaped)
        return;
    parts_[part_].shaped = true;
    parts_[part_].chain = operations_;
}

int FrameRecord::pick(float x, float y) const
{
    float nearest = 1; // the cleared depth: GL_LESS passes only what is nearer
    int found = kUnmarked;
    for (const Triangle& t : triangles_) {
        const Vec4 &a = clip_[t.corner[0]], &b = clip_[t.corner[1]], &c = clip_[t.corner[2]];
        const bool inside = a[3] > 0 && b[3] > 0 && c[3] > 0 && a[2] >= -a[3] && b[2] >= -b[3] &&
                            c[2] >= -c[3] && a[2] <= a[3] && b[2] <= b[3] && c[2] <= c[3];
        Vec4 polygon[5];
        const std::size_t n = inside ? 3 : clipped(a, b, c, polygon);
        if (inside)
            polygon[0] = a, polygon[1] = b, polygon[2] = c;
        if (n < 3)
            continue;
        const Vec3 first = window(polygon[0], viewport_);
        Vec3 previous = window(polygon[1], viewport_);
        for (std::size_t i = 2; i < n; ++i) {
            const Vec3 next = window(polygon[i], viewport_);
            const float depth = depthAt(first, previous, next, x, y);
            if (depth < nearest)
                nearest = depth, found = t.part;
            previous = next;
        }
    }
    return found;
}

void FrameRecord::corners(int part, std::vector<Vec4>& out) const
{
    out.clear();
    for (const Triangle& t : triangles_)
        if (t.part == part)
            for (std::uint32_t corner : t.corner)
                out.push_back(clip_[corner]);
}

const PartRecord* FrameRecord::record(int part) const
{
    return part >= 0 && part < kParts && parts_[part].drawn ? &parts_[part] : nullptr;
}

} // namespace ffp
