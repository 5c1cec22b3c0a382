#include "web/gl/lighting.h"

#include <algorithm>

namespace ffp {

namespace {

// The light model's default: the scene's ambient light, added to every lit vertex.
constexpr Vec4 kGlobalAmbient = {0.2f, 0.2f, 0.2f, 1.0f};
// The infinite viewer's direction, in eye coordinates.
constexpr Vec3 kToViewer = {0, 0, 1};

// v clamped to [0, 1]; not a number (a specular power past the float range
// times a zero colour) is 1, as Mesa's rasteriser takes it.
float clamp01(float v)
{
    return v < 0.0f ? 0.0f : v <= 1.0f ? v : 1.0f;
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

} // namespace

// Tracking starts from the current colour at once, not at the next one.
void Lighting::enable(Capability capability, bool on)
{
    switch (capability) {
    case Capability::Lighting: lit_ = on; break;
    case Capability::Light0: light0_ = on; break;
    case Capability::ColourMaterial:
        tracking_ = on;
        if (on)
            materialAmbient_ = materialDiffuse_ = colour_;
        break;
    }
}

void Lighting::colour(const Vec4& rgba)
{
    colour_ = rgba;
    if (tracking_)
        materialAmbient_ = materialDiffuse_ = colour_;
}

void Lighting::light(LightParameter parameter, const Vec4& value, const Mat4& modelview)
{
    switch (parameter) {
    case LightParameter::Ambient: lightAmbient_ = value; break;
    case LightParameter::Diffuse: lightDiffuse_ = value; break;
    case LightParameter::Specular: lightSpecular_ = value; break;
    case LightParameter::Position:
        lightPosition_ = modelview.apply(value);
        for (int k = 0; k < 3; ++k)
            lightPoint_[k] = lightPosition_[k] / lightPosition_[3];
        break;
    }
}

void Lighting::materialSpecular(const Vec4& rgba)
{
    materialSpecular_ = rgba;
}

void Lighting::materialShininess(int shininess)
{
    shininess_ = shininess;
}

Vec3 Lighting::shade(const Vec4& eye, const Vec3& normal) const
{
    if (!lit_)
        return {clamp01(colour_[0]), clamp01(colour_[1]), clamp01(colour_[2])};
    Vec3 c;
    for (int k = 0; k < 3; ++k)
        c[k] = materialAmbient_[k] * kGlobalAmbient[k];
    if (light0_) {
        Vec3 toLight = xyz(lightPosition_);
        if (lightPosition_[3] != 0.0f) {
            const float toEyeSpace = 1.0f / eye[3];
            for (int k = 0; k < 3; ++k)
                toLight[k] = lightPoint_[k] - eye[k] * toEyeSpace;
        }
        toLight = normalise(toLight);
        const float nDotL = dot(normal, toLight);
        float specular = 0.0f;
        if (nDotL > 0.0f) {
            const float nDotH = dot(normal, normalise(plus(toLight, kToViewer)));
            // OpenGL's 0 to the power 0 is 1: a shininess of 0 lights the
            // whole side that faces the light.
            specular = power(std::max(nDotH, 0.0f), shininess_);
        }
        const float diffuse = std::max(nDotL, 0.0f);
        for (int k = 0; k < 3; ++k)
            c[k] += materialAmbient_[k] * lightAmbient_[k] +
                    diffuse * materialDiffuse_[k] * lightDiffuse_[k] +
                    specular * materialSpecular_[k] * lightSpecular_[k];
    }
    return {clamp01(c[0]), clamp01(c[1]), clamp01(c[2])};
}

} // namespace ffp
