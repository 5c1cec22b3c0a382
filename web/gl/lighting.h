// OpenGL 1.x's lighting of one vertex, as far as the program uses it: light 0
// (local or directional), the light model's default ambient, an infinite
// viewer, the front material serving both faces, and colour tracking of the
// material's ambient and diffuse colours; with the current colour, which
// colour tracking follows and unlit vertices take.
#pragma once

#include "web/gl/math.h"

namespace ffp {

enum class Capability { Lighting, Light0, ColourMaterial };
enum class LightParameter { Ambient, Diffuse, Specular, Position };

class Lighting {
public:
    // Turns lighting, light 0 or colour tracking on or off.
    void enable(Capability capability, bool on);
    // The current colour, which unlit vertices take and tracking copies.
    void colour(const Vec4& rgba);
    // One of light 0's parameters; a position is kept in eye coordinates,
    // carried there by the modelview current at the call.
    void light(LightParameter parameter, const Vec4& value, const Mat4& modelview);
    void materialSpecular(const Vec4& rgba); // the front material's specular colour
    void materialShininess(int shininess);   // glMateriali's whole exponent, 0 to 128

    // Whether shade() reads the normal (else any will do).
    bool usesNormal() const
    {
        return lit_ && light0_;
    }
    // The red, green and blue of a vertex at eye (eye coordinates) with the
    // eye-space normal: the current colour when lighting is off, else the
    // lighting equation's sum; each clamped to [0, 1].
    Vec3 shade(const Vec4& eye, const Vec3& normal) const;

private:
    bool lit_ = false, light0_ = false, tracking_ = false;
    Vec4 colour_ = {1, 1, 1, 1};
    Vec4 lightAmbient_ = {0, 0, 0, 1}, lightDiffuse_ = {1, 1, 1, 1}, lightSpecular_ = {1, 1, 1, 1};
    Vec4 lightPosition_ = {0, 0, 1, 0};
    Vec3 lightPoint_ = {0, 0, 0}; // a local light's position divided by its w
    Vec4 materialAmbient_ = {0.2f, 0.2f, 0.2f, 1}, materialDiffuse_ = {0.8f, 0.8f, 0.8f, 1};
    Vec4 materialSpecular_ = {0, 0, 0, 1};
    int shininess_ = 0;
};

} // namespace ffp
