#include "web/pipeline.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace ffp {

namespace {

constexpr int kStackDepth = 32; // what OpenGL guarantees for the modelview stack
constexpr double kPi = 3.14159265358979323846;
constexpr Mat4 kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// The light model's default: the scene's ambient light, added to every lit vertex.
constexpr Vec4 kGlobalAmbient = {0.2f, 0.2f, 0.2f, 1.0f};

// a * b for column-major matrices, in single precision like Mesa's own product.
Mat4 product(const Mat4& a, const Mat4& b)
{
    Mat4 p{};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            p[col * 4 + row] = a[row] * b[col * 4] + a[4 + row] * b[col * 4 + 1] +
                               a[8 + row] * b[col * 4 + 2] + a[12 + row] * b[col * 4 + 3];
    return p;
}

// m * (x, y, z, w): a point or direction through a column-major matrix.
Vec4 apply(const Mat4& m, float x, float y, float z, float w)
{
    return {m[0] * x + m[4] * y + m[8] * z + m[12] * w, m[1] * x + m[5] * y + m[9] * z + m[13] * w,
            m[2] * x + m[6] * y + m[10] * z + m[14] * w,
            m[3] * x + m[7] * y + m[11] * z + m[15] * w};
}

// The inverse transpose of m's upper 3 x 3, row-major: it carries normals to
// eye space. Normals are not renormalised afterwards, as with GL_NORMALIZE off.
std::array<float, 9> inverseTranspose(const Mat4& m)
{
    const double a = m[0], b = m[4], c = m[8];
    const double d = m[1], e = m[5], f = m[9];
    const double g = m[2], h = m[6], i = m[10];
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (det == 0.0)
        return {0, 0, 0, 0, 0, 0, 0, 0, 0};
    const double s = 1.0 / det;
    // (M^-1)^T is the cofactor matrix divided by the determinant.
    return {float((e * i - f * h) * s), float((f * g - d * i) * s), float((d * h - e * g) * s),
            float((c * h - b * i) * s), float((a * i - c * g) * s), float((b * g - a * h) * s),
            float((b * f - c * e) * s), float((c * d - a * f) * s), float((a * e - b * d) * s)};
}

float dot3(const float* a, const float* b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// v scaled to unit length in place; a zero vector stays zero.
void normalise3(float* v)
{
    const float length = std::sqrt(dot3(v, v));
    if (length > 0.0f)
        for (int k = 0; k < 3; ++k)
            v[k] /= length;
}

float clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}

// x to the whole power n (n >= 0), by squaring.
float power(float x, int n)
{
    float result = 1.0f;
    for (; n > 0; n >>= 1, x *= x)
        if (n & 1)
            result *= x;
    return result;
}

// The planes of the view volume that a point in clip coordinates lies beyond, one bit each.
unsigned char beyond(const Vec4& c)
{
    return static_cast<unsigned char>((c[0] < -c[3]) | (c[0] > c[3]) << 1 | (c[1] < -c[3]) << 2 |
                                      (c[1] > c[3]) << 3 | (c[2] < -c[3]) << 4 |
                                      (c[2] > c[3]) << 5);
}
constexpr unsigned char kEveryPlane = 0x3F;
constexpr unsigned char kNearPlane = 0x10;
// How far off a triangle's plane the eye must be, as a share of its distance,
// before the triangle counts as turned away from it: edge-on ones are kept.
constexpr float kEdgeOn = 1.0e-3f;
// How far inside a tube's end planes the eye must be, as a share of its length.
constexpr float kEndMargin = 1.0e-3f;

// Calls emit(a, b, c) for each triangle of a primitive of n vertices, in
// order. Quads split along the diagonal from their second to their fourth
// vertex, as Mesa's software rasteriser splits them, so that colours blend
// across each quad the same way.
template <typename Emit> void assemble(Primitive primitive, std::size_t n, Emit emit)
{
    switch (primitive) {
    case Primitive::Triangles:
        for (std::size_t i = 0; i + 2 < n; i += 3)
            emit(i, i + 1, i + 2);
        break;
    case Primitive::TriangleStrip:
        for (std::size_t i = 0; i + 2 < n; ++i) {
            if (i % 2 == 0)
                emit(i, i + 1, i + 2);
            else
                emit(i + 1, i, i + 2);
        }
        break;
    case Primitive::TriangleFan:
        for (std::size_t i = 1; i + 1 < n; ++i)
            emit(0, i, i + 1);
        break;
    case Primitive::Quads:
        for (std::size_t i = 0; i + 3 < n; i += 4) {
            emit(i, i + 1, i + 3);
            emit(i + 1, i + 2, i + 3);
        }
        break;
    case Primitive::QuadStrip:
        for (std::size_t i = 0; i + 3 < n; i += 2) {
            emit(i + 2, i, i + 3);
            emit(i, i + 1, i + 3);
        }
        break;
    }
}

} // namespace

bool primitiveOf(unsigned glMode, Primitive& primitive)
{
    switch (glMode) {
    case GL_TRIANGLES: primitive = Primitive::Triangles; return true;
    case GL_TRIANGLE_STRIP: primitive = Primitive::TriangleStrip; return true;
    case GL_TRIANGLE_FAN: primitive = Primitive::TriangleFan; return true;
    case GL_QUADS: primitive = Primitive::Quads; return true;
    case GL_QUAD_STRIP: primitive = Primitive::QuadStrip; return true;
    default: return false;
    }
}

bool switchOf(unsigned glCap, Switch& what)
{
    switch (glCap) {
    case GL_LIGHTING: what = Switch::Lighting; return true;
    case GL_LIGHT0: what = Switch::Light0; return true;
    case GL_COLOR_MATERIAL: what = Switch::ColourMaterial; return true;
    default: return false;
    }
}

void Mesh::begin(Primitive primitive)
{
    parts.push_back({primitive, {}});
}

void Mesh::add(float x, float y, float z, float nx, float ny, float nz)
{
    const float p[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) {
        low[k] = size == 0 ? p[k] : std::min(low[k], p[k]);
        high[k] = size == 0 ? p[k] : std::max(high[k], p[k]);
    }
    parts.back().points.push_back({{x, y, z}, {nx, ny, nz}});
    last = {nx, ny, nz};
    ++size;
}

void Mesh::index()
{
    corners.clear();
    spots.clear();
    // Positions told apart by their bits, with -0 made +0: an order for any float.
    std::map<std::array<std::uint32_t, 3>, std::uint32_t> spot;
    for (const Part& part : parts) {
        const std::size_t base = spots.size();
        for (const Point& p : part.points) {
            std::array<std::uint32_t, 3> bits;
            for (int k = 0; k < 3; ++k) {
                const float v = p.position[k] + 0.0f;
                std::memcpy(&bits[k], &v, sizeof v);
            }
            spots.push_back(
                spot.emplace(bits, static_cast<std::uint32_t>(spot.size())).first->second);
        }
        // A triangle with two corners on one spot has no area: it colours nothing.
        assemble(part.primitive, part.points.size(),
                 [&](std::size_t a, std::size_t b, std::size_t c) {
                     const std::uint32_t* at = spots.data() + base;
                     if (at[a] != at[b] && at[b] != at[c] && at[c] != at[a])
                         for (std::size_t i : {a, b, c})
                             corners.push_back(static_cast<std::uint32_t>(base + i));
                 });
    }
    spotCount = spot.size();
}

Pipeline::Pipeline(Draw draw)
    : draw_(draw), modelview_{kIdentity}, projection_{kIdentity}, current_(&modelview_)
{
}

void Pipeline::changed()
{
    if (current_ == &modelview_)
        normalMatrixStale_ = true;
}

void Pipeline::selectStack(Stack stack)
{
    current_ = stack == Stack::Modelview ? &modelview_ : &projection_;
}

void Pipeline::loadIdentity()
{
    current_->back() = kIdentity;
    changed();
}

bool Pipeline::push()
{
    if (static_cast<int>(current_->size()) >= kStackDepth)
        return false;
    current_->push_back(current_->back());
    return true;
}

bool Pipeline::pop()
{
    if (current_->size() <= 1)
        return false;
    current_->pop_back();
    changed();
    return true;
}

void Pipeline::multiply(const Mat4& m)
{
    current_->back() = product(current_->back(), m);
    changed();
}

// A translation leaves the upper 3 x 3, and so the normal matrix, as it was.
void Pipeline::translate(float x, float y, float z)
{
    Mat4& m = current_->back();
    for (int row = 0; row < 4; ++row)
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
}
// A rotation about an axis through the origin, counter-clockwise seen from the
// axis's tip. Rotations about a coordinate axis are built exactly, as Mesa does.
void Pipeline::rotate(float degrees, float x, float y, float z)
{
    const float s = static_cast<float>(std::sin(degrees * kPi / 180.0));
    const float c = static_cast<float>(std::cos(degrees * kPi / 180.0));
    Mat4 r = kIdentity;
    auto at = [&r](int row, int col) -> float& { return r[col * 4 + row]; };
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        const float sz = z < 0.0f ? -s : s;
        at(0, 0) = c, at(1, 1) = c, at(0, 1) = -sz, at(1, 0) = sz;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        const float sy = y < 0.0f ? -s : s;
        at(0, 0) = c, at(2, 2) = c, at(0, 2) = sy, at(2, 0) = -sy;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        const float sx = x < 0.0f ? -s : s;
        at(1, 1) = c, at(2, 2) = c, at(1, 2) = -sx, at(2, 1) = sx;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f)
            return;
        x /= length, y /= length, z /= length;
        const float k = 1.0f - c;
        at(0, 0) = k * x * x + c, at(0, 1) = k * x * y - z * s, at(0, 2) = k * z * x + y * s;
        at(1, 0) = k * x * y + z * s, at(1, 1) = k * y * y + c, at(1, 2) = k * y * z - x * s;
        at(2, 0) = k * z * x - y * s, at(2, 1) = k * y * z + x * s, at(2, 2) = k * z * z + c;
    }
    multiply(r);
}

void Pipeline::scale(float x, float y, float z)
{
    Mat4& m = current_->back();
    for (int row = 0; row < 4; ++row)
        m[row] *= x, m[4 + row] *= y, m[8 + row] *= z;
    changed();
}

// A symmetric frustum: fovy is the full vertical angle, aspect is width / height.
void Pipeline::perspective(double fovyDegrees, double aspect, double zNear, double zFar)
{
    const double radians = fovyDegrees / 2 * kPi / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0)
        return;
    const double cotangent = std::cos(radians) / sine;
    Mat4 m{};
    m[0] = static_cast<float>(cotangent / aspect);
    m[5] = static_cast<float>(cotangent);
    m[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
    m[11] = -1.0f;
    m[14] = static_cast<float>(-2 * zNear * zFar / deltaZ);
    multiply(m);
}

// The view from an eye towards a centre with y up, built in single precision
// like GLU's: side = forward x up, then up again as side x forward.
void Pipeline::lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                      double centreZ, double upX, double upY, double upZ)
{
    float forward[3] = {float(centreX - eyeX), float(centreY - eyeY), float(centreZ - eyeZ)};
    float up[3] = {float(upX), float(upY), float(upZ)};
    const auto normalise = [](float* v) {
        const double r = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
        if (r == 0.0)
            return;
        for (int k = 0; k < 3; ++k)
            v[k] = static_cast<float>(v[k] / r);
    };
    const auto cross = [](const float* a, const float* b, float* out) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    normalise(forward);
    float side[3];
    cross(forward, up, side);
    normalise(side);
    cross(side, forward, up);
    Mat4 m = kIdentity;
    for (int k = 0; k < 3; ++k) {
        m[k * 4 + 0] = side[k];
        m[k * 4 + 1] = up[k];
        m[k * 4 + 2] = -forward[k];
    }
    multiply(m);
    translate(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}

const Mat4& Pipeline::top(Stack stack) const
{
    return (stack == Stack::Modelview ? modelview_ : projection_).back();
}

void Pipeline::colour(float r, float g, float b)
{
    colour_ = {r, g, b, 1.0f};
    if (colourMaterial_)
        materialAmbient_ = materialDiffuse_ = colour_;
}

void Pipeline::normal(float x, float y, float z)
{
    normal_ = {x, y, z};
}

void Pipeline::enable(Switch what, bool on)
{
    switch (what) {
    case Switch::Lighting: lighting_ = on; break;
    case Switch::Light0: light0_ = on; break;
    case Switch::ColourMaterial:
        colourMaterial_ = on;
        // Tracking starts from the current colour at once, not at the next one.
        if (on)
            materialAmbient_ = materialDiffuse_ = colour_;
        break;
    }
}

bool Pipeline::light(unsigned glName, const float* v)
{
    Vec4* colour = nullptr;
    switch (glName) {
    case GL_AMBIENT: colour = &lightAmbient_; break;
    case GL_DIFFUSE: colour = &lightDiffuse_; break;
    case GL_SPECULAR: colour = &lightSpecular_; break;
    case GL_POSITION:
        lightPosition_ = apply(modelview_.back(), v[0], v[1], v[2], v[3]);
        for (int k = 0; k < 3; ++k)
            lightPoint_[k] = lightPosition_[k] / lightPosition_[3];
        return true;
    default: return false;
    }
    *colour = {v[0], v[1], v[2], v[3]};
    return true;
}

void Pipeline::materialSpecular(const Vec4& rgba)
{
    materialSpecular_ = rgba;
}

void Pipeline::materialShininess(int shininess)
{
    shininess_ = shininess;
}

bool Pipeline::begin(Primitive primitive)
{
    if (inside_)
        return false;
    primitive_ = primitive;
    inside_ = true;
    pending_.clear();
    pendingOutside_.clear();
    pendingEye_.clear();
    return true;
}

bool Pipeline::vertex(float x, float y, float z)
{
    if (!inside_)
        return false;
    pend(x, y, z);
    return true;
}

// One vertex shaded onto the open primitive, with where it lies.
void Pipeline::pend(float x, float y, float z)
{
    Vec4 eye;
    pending_.push_back(shade(x, y, z, eye));
    pendingOutside_.push_back(beyond(pending_.back().clip));
    pendingEye_.push_back(eye);
}

// Splits the open primitive into indexed triangles, leaving out those wholly
// beyond one plane of the view volume: they would cover no pixel.
bool Pipeline::end()
{
    if (!inside_ || pending_.size() > kBatchVertices)
        return false;
    inside_ = false;
    const std::size_t n = pending_.size();
    unsigned char everyVertex = kEveryPlane;
    for (unsigned char planes : pendingOutside_)
        everyVertex &= planes;
    if (n < 3 || everyVertex != 0)
        return true;
    if (vertices_.size() + n > kBatchVertices)
        flush();
    const std::size_t base = vertices_.size();
    vertices_.insert(vertices_.end(), pending_.begin(), pending_.end());
    assemble(primitive_, n, [&](std::size_t a, std::size_t b, std::size_t c) {
        if (keeps(a, b, c))
            for (std::size_t i : {a, b, c})
                indices_.push_back(static_cast<std::uint16_t>(base + i));
    });
    return true;
}

// Whether the pending triangle a b c lies partly inside the view volume.
bool Pipeline::keeps(std::size_t a, std::size_t b, std::size_t c) const
{
    return (pendingOutside_[a] & pendingOutside_[b] & pendingOutside_[c]) == 0;
}

// Whether the eye sees the triangle (in eye space) from the side of the
// mesh's inside, clearly off its plane.
bool Pipeline::facesInwards(const Vec4& a, const Vec4& b, const Vec4& c) const
{
    const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const float v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                        u[0] * v[1] - u[1] * v[0]};
    const float inwards[3] = {interior_[0] - a[0], interior_[1] - a[1], interior_[2] - a[2]};
    const float towardsEye = -dot3(n, a.data());
    return towardsEye * dot3(n, inwards) > 0.0f &&
           towardsEye * towardsEye > kEdgeOn * kEdgeOn * dot3(n, n) * dot3(a.data(), a.data());
}

// Whether every triangle of the mesh that the eye sees from the inside is
// hidden behind the mesh's own front. So it is for a convex body's closed
// surface seen from outside, and for a tube's side seen from between the
// planes of its open ends (no sight line then reaches the inside but through
// the side): both when the whole box lies before the near plane, which keeps
// the eye outside. The interior point for facesInwards is the box's centre.
bool Pipeline::hidesItsBack(const Mesh& mesh)
{
    const Mat4& mv = modelview_.back();
    if (mesh.shell == Mesh::Shell::Open || mv[3] != 0.0f || mv[7] != 0.0f || mv[11] != 0.0f ||
        mv[15] != 1.0f)
        return false;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec4 eye = apply(mv, corner & 1 ? mesh.high[0] : mesh.low[0],
                               corner & 2 ? mesh.high[1] : mesh.low[1],
                               corner & 4 ? mesh.high[2] : mesh.low[2], 1.0f);
        const Vec4 clip = apply(projection_.back(), eye[0], eye[1], eye[2], eye[3]);
        if (clip[3] <= 0.0f || (beyond(clip) & kNearPlane) != 0)
            return false;
    }
    if (mesh.shell == Mesh::Shell::Tube) {
        // The eye in the mesh's own coordinates: the inverse of the modelview
        // (affine here) is the normal matrix's transpose and minus its translation.
        const std::array<float, 9>& n = normalMatrix();
        const float eyeZ = -(n[2] * mv[12] + n[5] * mv[13] + n[8] * mv[14]);
        const float margin = kEndMargin * (mesh.high[2] - mesh.low[2]);
        if (!(eyeZ > mesh.low[2] + margin && eyeZ < mesh.high[2] - margin))
            return false;
    }
    interior_ = apply(mv, (mesh.low[0] + mesh.high[0]) / 2, (mesh.low[1] + mesh.high[1]) / 2,
                      (mesh.low[2] + mesh.high[2]) / 2, 1.0f);
    return true;
}

// True when the mesh's box lies wholly beyond one plane of the view volume:
// the view volume is convex, so then every triangle of the mesh does too.
bool Pipeline::outside(const Mesh& mesh) const
{
    unsigned char everyCorner = kEveryPlane;
    for (int corner = 0; corner < 8 && everyCorner != 0; ++corner) {
        const float x = corner & 1 ? mesh.high[0] : mesh.low[0];
        const float y = corner & 2 ? mesh.high[1] : mesh.low[1];
        const float z = corner & 4 ? mesh.high[2] : mesh.low[2];
        const Vec4 eye = apply(modelview_.back(), x, y, z, 1.0f);
        everyCorner &= beyond(apply(projection_.back(), eye[0], eye[1], eye[2], eye[3]));
    }
    return everyCorner != 0;
}

void Pipeline::draw(const Mesh& mesh)
{
    if (mesh.size == 0)
        return;
    if (outside(mesh))
        ;
    else if (mesh.size <= kBatchVertices && !mesh.corners.empty())
        drawIndexed(mesh);
    else
        for (const Mesh::Part& part : mesh.parts) {
            begin(part.primitive);
            for (const Mesh::Point& p : part.points) {
                normal_ = {p.normal[0], p.normal[1], p.normal[2]};
                vertex(p.position[0], p.position[1], p.position[2]);
            }
            end();
        }
    // Drawn or not, the mesh leaves its last normal current, as sending it would.
    normal_ = mesh.last;
}

// The whole mesh as one primitive of its indexed triangles. A triangle seen
// from the mesh's inside is left out when hidesItsBack holds and every
// triangle that shares a corner with it is seen from the inside as well:
// where the back meets the front, depths come so close that the desktop's
// own picture may show either, so the triangles there stay as they are drawn.
void Pipeline::drawIndexed(const Mesh& mesh)
{
    pending_.clear();
    pendingOutside_.clear();
    pendingEye_.clear();
    for (const Mesh::Part& part : mesh.parts)
        for (const Mesh::Point& p : part.points) {
            normal_ = {p.normal[0], p.normal[1], p.normal[2]};
            pend(p.position[0], p.position[1], p.position[2]);
        }
    const std::size_t triangles = mesh.corners.size() / 3;
    const std::uint32_t* corner = mesh.corners.data();
    const bool cull = hidesItsBack(mesh);
    inwards_.assign(triangles, 0);
    spotInwards_.assign(mesh.spotCount, cull);
    for (std::size_t t = 0; cull && t < triangles; ++t) {
        inwards_[t] = facesInwards(pendingEye_[corner[3 * t]], pendingEye_[corner[3 * t + 1]],
                                   pendingEye_[corner[3 * t + 2]]);
        for (int k = 0; k < 3 && !inwards_[t]; ++k)
            spotInwards_[mesh.spots[corner[3 * t + k]]] = 0;
    }
    if (vertices_.size() + mesh.size > kBatchVertices)
        flush();
    const std::size_t base = vertices_.size();
    vertices_.insert(vertices_.end(), pending_.begin(), pending_.end());
    for (std::size_t t = 0; t < triangles; ++t) {
        const std::uint32_t a = corner[3 * t], b = corner[3 * t + 1], c = corner[3 * t + 2];
        const bool hidden = inwards_[t] && spotInwards_[mesh.spots[a]] &&
                            spotInwards_[mesh.spots[b]] && spotInwards_[mesh.spots[c]];
        if (!hidden && keeps(a, b, c))
            for (std::uint32_t i : {a, b, c})
                indices_.push_back(static_cast<std::uint16_t>(base + i));
    }
}

void Pipeline::flush()
{
    if (!indices_.empty())
        draw_(vertices_, indices_);
    vertices_.clear();
    indices_.clear();
}

// One vertex through the modelview, the lighting and the projection. The
// lighting is OpenGL 1.x's, in eye space: a local light, an infinite viewer,
// front-face material for both faces, each result clamped to [0, 1].
const std::array<float, 9>& Pipeline::normalMatrix()
{
    if (normalMatrixStale_) {
        normalMatrix_ = inverseTranspose(modelview_.back());
        normalMatrixStale_ = false;
    }
    return normalMatrix_;
}

Vertex Pipeline::shade(float x, float y, float z, Vec4& eye)
{
    const Mat4& mv = modelview_.back();
    eye = apply(mv, x, y, z, 1.0f);
    Vertex out;
    out.clip = apply(projection_.back(), eye[0], eye[1], eye[2], eye[3]);
    if (!lighting_) {
        for (int k = 0; k < 3; ++k)
            out.colour[k] = clamp01(colour_[k]);
        return out;
    }

    const Vec4& ambient = colourMaterial_ ? colour_ : materialAmbient_;
    const Vec4& diffuse = colourMaterial_ ? colour_ : materialDiffuse_;
    float c[3];
    for (int k = 0; k < 3; ++k)
        c[k] = ambient[k] * kGlobalAmbient[k];

    if (light0_) {
        const std::array<float, 9>& nm = normalMatrix();
        const float n[3] = {nm[0] * normal_[0] + nm[1] * normal_[1] + nm[2] * normal_[2],
                            nm[3] * normal_[0] + nm[4] * normal_[1] + nm[5] * normal_[2],
                            nm[6] * normal_[0] + nm[7] * normal_[1] + nm[8] * normal_[2]};
        float toLight[3];
        if (lightPosition_[3] != 0.0f) {
            const float toEyeSpace = 1.0f / eye[3];
            for (int k = 0; k < 3; ++k)
                toLight[k] = lightPoint_[k] - eye[k] * toEyeSpace;
        } else {
            for (int k = 0; k < 3; ++k)
                toLight[k] = lightPosition_[k];
        }
        normalise3(toLight);
        const float nDotL = dot3(n, toLight);
        float specular = 0.0f;
        if (nDotL > 0.0f) {
            float half[3] = {toLight[0], toLight[1], toLight[2] + 1.0f}; // infinite viewer
            normalise3(half);
            const float nDotH = dot3(n, half);
            specular = nDotH > 0.0f ? power(nDotH, shininess_) : 0.0f;
        }
        const float diffuseFactor = std::max(nDotL, 0.0f);
        for (int k = 0; k < 3; ++k)
            c[k] += ambient[k] * lightAmbient_[k] + diffuseFactor * diffuse[k] * lightDiffuse_[k] +
                    specular * materialSpecular_[k] * lightSpecular_[k];
    }
    out.colour = {clamp01(c[0]), clamp01(c[1]), clamp01(c[2])};
    return out;
}

} // namespace ffp
