// GLU's quadrics and the toolkit's solid shapes for the browser, where neither
// library has them. Each distinct shape is made once and kept: the program
// draws the same few shapes with the same arguments hundreds of times a frame.
#include <GL/glu.h>
#include <GL/glut.h>

#include <cmath>
#include <map>
#include <new>
#include <tuple>

#include "web/gl/entry_points.h"
#include "web/gl/shapes.h"

namespace {

enum class Shape { Cylinder, Sphere, Cone, Cube };
// A shape and its arguments: sizes first, then slices and stacks.
using Key = std::tuple<Shape, double, double, double, int, int>;
// Past this many distinct shapes the cache starts again, so that a program
// that draws ever new sizes does not make it grow without end.
constexpr std::size_t kMostShapes = 256;

// A shape's mesh, indexed for drawing.
ffp::Mesh make(const Key& key)
{
    const auto [shape, a, b, c, slices, stacks] = key;
    ffp::Mesh mesh;
    switch (shape) {
    case Shape::Cylinder: mesh = quadricCylinder(a, b, c, slices, stacks); break;
    case Shape::Sphere: mesh = solidSphere(a, slices, stacks); break;
    case Shape::Cone: mesh = solidCone(a, b, slices, stacks); break;
    case Shape::Cube: mesh = solidCube(a); break;
    }
    mesh.index();
    return mesh;
}

// The mesh of a shape, made on its first call. Sizes that are not numbers
// cannot be ordered as keys: such a shape is made afresh every time.
const ffp::Mesh& cached(const Key& key)
{
    static std::map<Key, ffp::Mesh> meshes;
    static ffp::Mesh unordered;
    if (std::isnan(std::get<1>(key)) || std::isnan(std::get<2>(key)) ||
        std::isnan(std::get<3>(key)))
        return unordered = make(key);
    const auto found = meshes.find(key);
    if (found != meshes.end())
        return found->second;
    if (meshes.size() >= kMostShapes)
        meshes.clear();
    return meshes.emplace(key, make(key)).first->second;
}

} // namespace

// GLU's header only names the quadric. The program never changes a quadric's
// properties, so ours carries none and every shape uses GLU's defaults.
class GLUquadric {};

// A fresh quadric with GLU's defaults, or null when memory runs out (as GLU does).
GLUquadric* GLAPIENTRY gluNewQuadric(void)
{
    return new (std::nothrow) GLUquadric;
}

// Frees a quadric from gluNewQuadric; null is allowed.
void GLAPIENTRY gluDeleteQuadric(GLUquadric* quad)
{
    delete quad;
}

// Cone frustum along +z from radius base at z 0 to radius top at z height.
void GLAPIENTRY gluCylinder(GLUquadric* quad, GLdouble base, GLdouble top, GLdouble height,
                            GLint slices, GLint stacks)
{
    if (quad != nullptr)
        drawShape(__func__, cached({Shape::Cylinder, base, top, height, slices, stacks}));
}

// Sphere about the origin with its poles on the z axis.
void FGAPIENTRY glutSolidSphere(GLdouble radius, GLint slices, GLint stacks)
{
    drawShape(__func__, cached({Shape::Sphere, radius, 0, 0, slices, stacks}));
}

// Cone with its base disc at z 0 and its apex at z height.
void FGAPIENTRY glutSolidCone(GLdouble base, GLdouble height, GLint slices, GLint stacks)
{
    drawShape(__func__, cached({Shape::Cone, base, height, 0, slices, stacks}));
}

// Axis-aligned cube of edge size about the origin.
void FGAPIENTRY glutSolidCube(GLdouble size)
{
    drawShape(__func__, cached({Shape::Cube, size, 0, 0, 0, 0}));
}
