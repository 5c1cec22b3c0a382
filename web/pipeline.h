// OpenGL 1.x's fixed-function vertex stage on the CPU: matrix stacks,
// per-vertex lighting with one local light, and primitive assembly into
// indexed triangles that carry clip coordinates and clamped colours, ready
// for any rasteriser (WebGL in the browser, Mesa in the tests). Triangles
// wholly outside the view volume are left out: they would cover no pixel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ffp {

using Vec4 = std::array<float, 4>;
using Mat4 = std::array<float, 16>; // column-major, as OpenGL keeps it

// One vertex ready to rasterise: clip coordinates and its lit colour, red,
// green and blue (every colour the layer is given is opaque).
struct Vertex {
    Vec4 clip;
    std::array<float, 3> colour;
};

// WebGL 1 draws 16-bit indices: one batch holds at most this many vertices.
constexpr std::size_t kBatchVertices = 65536;

enum class Stack { Modelview, Projection };
enum class Primitive { Triangles, TriangleStrip, TriangleFan, Quads, QuadStrip };
enum class Switch { Lighting, Light0, ColourMaterial };

// The pipeline's primitive for a glBegin mode; false for one it cannot draw
// (points, lines, polygons).
bool primitiveOf(unsigned glMode, Primitive& primitive);
// The pipeline's switch for an OpenGL capability; false for one it does not own.
bool switchOf(unsigned glCap, Switch& what);

// A shape made once and drawn many times: its primitives, each vertex with
// the normal current when it was sent, the box around all of them, and what
// its surface encloses.
struct Mesh {
    // Open: nothing is known. Closed: the surface of a convex body. Tube: the
    // same, open at its lowest and highest z only (a frustum's side).
    enum class Shell { Open, Closed, Tube };
    struct Point {
        float position[3], normal[3];
    };
    struct Part {
        Primitive primitive;
        std::vector<Point> points;
    };
    std::vector<Part> parts;
    Shell shell = Shell::Open;
    std::size_t size = 0; // points in all parts
    float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    std::array<float, 3> last = {0, 0, 1}; // the last point's normal
    // Made by index(): the triangles the parts split into, as the pipeline
    // splits them (three points each, counted through all parts), and for
    // each point which of the mesh's distinct positions it lies at.
    std::vector<std::uint32_t> corners, spots;
    std::size_t spotCount = 0;

    void begin(Primitive primitive);
    void add(float x, float y, float z, float nx, float ny, float nz);
    void index();
};

class Pipeline {
public:
    // Receives each finished batch; the pipeline reuses both vectors afterwards.
    using Draw = void (*)(const std::vector<Vertex>& vertices,
                          const std::vector<std::uint16_t>& indices);
    explicit Pipeline(Draw draw);

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

    // Current vertex attributes and lighting state.
    void colour(float r, float g, float b);
    void normal(float x, float y, float z);
    void enable(Switch what, bool on);
    // glLightfv for light 0: GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR or GL_POSITION
    // (kept in eye coordinates: transformed by the modelview current at the
    // call); false for any other parameter.
    bool light(unsigned glName, const float* v);
    void materialSpecular(const Vec4& rgba);
    void materialShininess(int shininess); // glMateriali's whole exponent, 0 to 128

    // Immediate mode: vertices between begin and end become triangles. Each
    // returns false when called out of turn; end also when the primitive has
    // more vertices than one batch holds.
    bool begin(Primitive primitive);
    bool vertex(float x, float y, float z);
    bool end();
    bool inside() const
    {
        return inside_;
    }
    // A mesh, as if its primitives were sent one by one (outside begin and end).
    // Triangles that the mesh's own front hides from the eye are left out.
    void draw(const Mesh& mesh);
    // Hands the triangles assembled so far to the rasteriser.
    void flush();

private:
    Vertex shade(float x, float y, float z, Vec4& eye);
    void pend(float x, float y, float z);
    bool keeps(std::size_t a, std::size_t b, std::size_t c) const;
    void drawIndexed(const Mesh& mesh);
    void changed(); // after any change to the current stack's top
    const std::array<float, 9>& normalMatrix();
    bool outside(const Mesh& mesh) const;
    bool hidesItsBack(const Mesh& mesh);
    bool facesInwards(const Vec4& a, const Vec4& b, const Vec4& c) const;

    Draw draw_;
    std::vector<Mat4> modelview_, projection_;
    std::vector<Mat4>* current_;
    std::array<float, 9> normalMatrix_{};
    bool normalMatrixStale_ = true;

    Vec4 colour_ = {1, 1, 1, 1};
    std::array<float, 3> normal_ = {0, 0, 1};
    bool lighting_ = false, light0_ = false, colourMaterial_ = false;
    Vec4 lightAmbient_ = {0, 0, 0, 1}, lightDiffuse_ = {1, 1, 1, 1}, lightSpecular_ = {1, 1, 1, 1};
    Vec4 lightPosition_ = {0, 0, 1, 0};
    float lightPoint_[3] = {0, 0, 0}; // a local light's position divided by its w
    Vec4 materialAmbient_ = {0.2f, 0.2f, 0.2f, 1}, materialDiffuse_ = {0.8f, 0.8f, 0.8f, 1};
    Vec4 materialSpecular_ = {0, 0, 0, 1};
    int shininess_ = 0;

    Primitive primitive_ = Primitive::Triangles;
    bool inside_ = false;
    std::vector<Vertex> pending_;               // the open primitive's vertices,
    std::vector<unsigned char> pendingOutside_; // the clip planes each lies beyond,
    std::vector<Vec4> pendingEye_;              // and where each is in eye space
    std::vector<unsigned char> inwards_;        // the mesh's triangles seen from inside,
    std::vector<unsigned char> spotInwards_;    // its positions where all of them are
    Vec4 interior_ = {0, 0, 0, 1};              // a point inside it, in eye space
    std::vector<Vertex> vertices_;              // the batch
    std::vector<std::uint16_t> indices_;
};

} // namespace ffp
