#include "web/pipeline.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

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
std::array<float, 9> normalMatrix(const Mat4& m)
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

} // namespace

Primitive primitiveOf(unsigned glMode)
{
    switch (glMode) {
    case GL_POINTS: return Primitive::Points;
    case GL_LINES: return Primitive::Lines;
    case GL_TRIANGLE_STRIP: return Primitive::TriangleStrip;
    case GL_TRIANGLE_FAN: return Primitive::TriangleFan;
    case GL_QUADS: return Primitive::Quads;
    case GL_QUAD_STRIP: return Primitive::QuadStrip;
    default: return Primitive::Triangles;
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

Pipeline::Pipeline() : modelview_{kIdentity}, projection_{kIdentity}, current_(&modelview_) {}

void Pipeline::selectStack(Stack stack)
{
    current_ = stack == Stack::Modelview ? &modelview_ : &projection_;
}

void Pipeline::loadIdentity()
{
    current_->back() = kIdentity;
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
    return true;
}

void Pipeline::multiply(const Mat4& m)
{
    current_->back() = product(current_->back(), m);
}

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

int Pipeline::depth(Stack stack) const
{
    return static_cast<int>((stack == Stack::Modelview ? modelview_ : projection_).size());
}

void Pipeline::colour(float r, float g, float b, float a)
{
    colour_ = {r, g, b, a};
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

void Pipeline::lightAmbient(const Vec4& rgba)
{
    lightAmbient_ = rgba;
}

void Pipeline::lightDiffuse(const Vec4& rgba)
{
    lightDiffuse_ = rgba;
}

void Pipeline::lightSpecular(const Vec4& rgba)
{
    lightSpecular_ = rgba;
}

void Pipeline::lightPosition(const Vec4& p)
{
    lightPosition_ = apply(modelview_.back(), p[0], p[1], p[2], p[3]);
}

void Pipeline::light(unsigned glName, const float* v)
{
    const Vec4 value = {v[0], v[1], v[2], v[3]};
    switch (glName) {
    case GL_AMBIENT: lightAmbient(value); break;
    case GL_DIFFUSE: lightDiffuse(value); break;
    case GL_SPECULAR: lightSpecular(value); break;
    case GL_POSITION: lightPosition(value); break;
    default: break;
    }
}

void Pipeline::materialSpecular(const Vec4& rgba)
{
    materialSpecular_ = rgba;
}

void Pipeline::materialShininess(float shininess)
{
    shininess_ = shininess;
}

void Pipeline::begin(Primitive primitive)
{
    primitive_ = primitive;
    inside_ = true;
    pending_.clear();
}

void Pipeline::vertex(float x, float y, float z)
{
    if (!inside_)
        return;
    pending_.push_back(shade(x, y, z));
}

// Splits the open primitive into triangles. Quads split along the diagonal from
// their second to their fourth vertex, as Mesa's software rasteriser splits them,
// so that colours blend across each quad the same way.
void Pipeline::end()
{
    if (!inside_)
        return;
    inside_ = false;
    const std::vector<Vertex>& v = pending_;
    const std::size_t n = v.size();
    switch (primitive_) {
    case Primitive::Triangles:
        for (std::size_t i = 0; i + 2 < n; i += 3)
            emit(v[i], v[i + 1], v[i + 2]);
        break;
    case Primitive::TriangleStrip:
        for (std::size_t i = 0; i + 2 < n; ++i) {
            if (i % 2 == 0)
                emit(v[i], v[i + 1], v[i + 2]);
            else
                emit(v[i + 1], v[i], v[i + 2]);
        }
        break;
    case Primitive::TriangleFan:
        for (std::size_t i = 1; i + 1 < n; ++i)
            emit(v[0], v[i], v[i + 1]);
        break;
    case Primitive::Quads:
        for (std::size_t i = 0; i + 3 < n; i += 4) {
            emit(v[i], v[i + 1], v[i + 3]);
            emit(v[i + 1], v[i + 2], v[i + 3]);
        }
        break;
    case Primitive::QuadStrip:
        for (std::size_t i = 0; i + 3 < n; i += 2) {
            emit(v[i + 2], v[i], v[i + 3]);
            emit(v[i], v[i + 1], v[i + 3]);
        }
        break;
    case Primitive::Points:
    case Primitive::Lines: break; // the program draws neither
    }
    pending_.clear();
}

std::vector<Vertex> Pipeline::takeTriangles()
{
    std::vector<Vertex> out;
    out.swap(triangles_);
    return out;
}

void Pipeline::emit(const Vertex& a, const Vertex& b, const Vertex& c)
{
    triangles_.push_back(a);
    triangles_.push_back(b);
    triangles_.push_back(c);
}

// One vertex through the modelview, the lighting and the projection. The
// lighting is OpenGL 1.x's, in eye space: a local light, an infinite viewer,
// front-face material for both faces, each result clamped to [0, 1].
Vertex Pipeline::shade(float x, float y, float z) const
{
    const Mat4& mv = modelview_.back();
    const Vec4 eye = apply(mv, x, y, z, 1.0f);
    Vertex out;
    out.clip = apply(projection_.back(), eye[0], eye[1], eye[2], eye[3]);
    if (!lighting_) {
        for (int k = 0; k < 4; ++k)
            out.colour[k] = clamp01(colour_[k]);
        return out;
    }

    const Vec4& ambient = colourMaterial_ ? colour_ : materialAmbient_;
    const Vec4& diffuse = colourMaterial_ ? colour_ : materialDiffuse_;
    float c[3];
    for (int k = 0; k < 3; ++k)
        c[k] = ambient[k] * kGlobalAmbient[k];

    if (light0_) {
        const std::array<float, 9> nm = normalMatrix(mv);
        const float n[3] = {nm[0] * normal_[0] + nm[1] * normal_[1] + nm[2] * normal_[2],
                            nm[3] * normal_[0] + nm[4] * normal_[1] + nm[5] * normal_[2],
                            nm[6] * normal_[0] + nm[7] * normal_[1] + nm[8] * normal_[2]};
        float toLight[3];
        if (lightPosition_[3] != 0.0f) {
            for (int k = 0; k < 3; ++k)
                toLight[k] = lightPosition_[k] / lightPosition_[3] - eye[k] / eye[3];
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
            specular = nDotH > 0.0f ? std::pow(nDotH, shininess_) : 0.0f;
        }
        const float diffuseFactor = std::max(nDotL, 0.0f);
        for (int k = 0; k < 3; ++k)
            c[k] += ambient[k] * lightAmbient_[k] + diffuseFactor * diffuse[k] * lightDiffuse_[k] +
                    specular * materialSpecular_[k] * lightSpecular_[k];
    }
    out.colour = {clamp01(c[0]), clamp01(c[1]), clamp01(c[2]), clamp01(diffuse[3])};
    return out;
}

} // namespace ffp
