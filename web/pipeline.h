// OpenGL 1.x's fixed-function vertex stage on the CPU: matrix stacks,
// per-vertex lighting with one local light, and primitive assembly into
// triangles that carry clip coordinates and clamped colours, ready for any
// rasteriser (WebGL in the browser, Mesa in the tests).
#pragma once

#include <array>
#include <vector>

namespace ffp {

using Vec4 = std::array<float, 4>;
using Mat4 = std::array<float, 16>; // column-major, as OpenGL keeps it

// One vertex ready to rasterise: clip coordinates and its lit colour.
struct Vertex {
    Vec4 clip;
    Vec4 colour;
};

enum class Stack { Modelview, Projection };
enum class Primitive { Points, Lines, Triangles, TriangleStrip, TriangleFan, Quads, QuadStrip };
enum class Switch { Lighting, Light0, ColourMaterial };

// The pipeline's primitive for an OpenGL glBegin mode; points and lines are dropped.
Primitive primitiveOf(unsigned glMode);
// The pipeline's switch for an OpenGL capability; false for one it does not own.
bool switchOf(unsigned glCap, Switch& what);

class Pipeline {
public:
    Pipeline();

    // Matrices: every operation acts on the current stack's top, as glMatrixMode selects.
    void selectStack(Stack stack);
    void loadIdentity();
    bool push(); // false on overflow (the stack is left as it was)
    bool pop();  // false on underflow
    void multiply(const Mat4& m);
    void translate(float x, float y, float z);
    void rotate(float degrees, float x, float y, float z);
    void scale(float x, float y, float z);
    // gluPerspective and gluLookAt, with GLU's own precision.
    void perspective(double fovyDegrees, double aspect, double zNear, double zFar);
    void lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                double centreZ, double upX, double upY, double upZ);
    const Mat4& top(Stack stack) const;
    int depth(Stack stack) const;

    // Current vertex attributes and lighting state.
    void colour(float r, float g, float b, float a);
    void normal(float x, float y, float z);
    void enable(Switch what, bool on);
    void lightAmbient(const Vec4& rgba);
    void lightDiffuse(const Vec4& rgba);
    void lightSpecular(const Vec4& rgba);
    // Kept in eye coordinates: transformed by the modelview current at the call.
    void lightPosition(const Vec4& xyzw);
    // glLightfv for light 0: GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR or GL_POSITION.
    void light(unsigned glName, const float* v);
    void materialSpecular(const Vec4& rgba);
    void materialShininess(float shininess);

    // Immediate mode: vertices between begin and end become triangles.
    void begin(Primitive primitive);
    void vertex(float x, float y, float z);
    void end();

    // Triangles assembled since the last call, three vertices each, in order.
    std::vector<Vertex> takeTriangles();

private:
    Vertex shade(float x, float y, float z) const;
    void emit(const Vertex& a, const Vertex& b, const Vertex& c);

    std::vector<Mat4> modelview_, projection_;
    std::vector<Mat4>* current_;

    Vec4 colour_ = {1, 1, 1, 1};
    std::array<float, 3> normal_ = {0, 0, 1};
    bool lighting_ = false, light0_ = false, colourMaterial_ = false;
    Vec4 lightAmbient_ = {0, 0, 0, 1}, lightDiffuse_ = {1, 1, 1, 1}, lightSpecular_ = {1, 1, 1, 1};
    Vec4 lightPosition_ = {0, 0, 1, 0};
    Vec4 materialAmbient_ = {0.2f, 0.2f, 0.2f, 1}, materialDiffuse_ = {0.8f, 0.8f, 0.8f, 1};
    Vec4 materialSpecular_ = {0, 0, 0, 1};
    float shininess_ = 0;

    Primitive primitive_ = Primitive::Triangles;
    bool inside_ = false;
    std::vector<Vertex> pending_; // the open primitive's vertices
    std::vector<Vertex> triangles_;
};

} // namespace ffp
