#include "web/gl/shapes.h"

#include <cmath>
#include <vector>

// Every intermediate below keeps the type (float or double) that GLU and
// freeglut give it: the shapes must round exactly as theirs do, so that the
// browser's vertices equal the desktop's to the last bit.

namespace {

using ffp::kPi;
constexpr int kQuadricCacheSize = 240; // GLU caps slices one below this

struct Circle {
    std::vector<float> sin, cos; // one more entry than points: the first again
};

// The toolkit's sin/cos table: full circle clockwise from +x seen from +z, or half 0..pi.
Circle toolkitCircle(int points, bool half)
{
    const float step =
        (half ? 1 : 2) * static_cast<float>(kPi) / static_cast<float>(half ? points : -points);
    Circle c{std::vector<float>(points + 1), std::vector<float>(points + 1)};
    c.sin[0] = 0.0f;
    c.cos[0] = 1.0f;
    for (int i = 1; i < points; ++i) {
        c.sin[i] = static_cast<float>(std::sin(static_cast<double>(step * i)));
        c.cos[i] = static_cast<float>(std::cos(static_cast<double>(step * i)));
    }
    if (half) {
        c.sin[points] = 0.0f;
        c.cos[points] = -1.0f;
    } else {
        c.sin[points] = c.sin[0];
        c.cos[points] = c.cos[0];
    }
    return c;
}

} // namespace

// Frustum side along +z: x = r sin(a), y = r cos(a), a turning from +y towards +x.
ffp::Mesh quadricCylinder(double base, double top, double height, int slices, int stacks)
{
    ffp::Mesh mesh;
    if (slices >= kQuadricCacheSize)
        slices = kQuadricCacheSize - 1;
    if (slices < 2 || stacks < 1 || base < 0.0 || top < 0.0 || height < 0.0)
        return mesh;
    const float deltaRadius = static_cast<float>(base - top);
    const float length = static_cast<float>(std::sqrt(deltaRadius * deltaRadius + height * height));
    if (length == 0.0f)
        return mesh;
    mesh.shell = ffp::Mesh::Shell::Tube;
    mesh.leavesNormal = true;
    const float zNormal = deltaRadius / length;
    const float xyNormalRatio = static_cast<float>(height / length);

    std::vector<float> sinA(slices + 1), cosA(slices + 1), sinN(slices + 1), cosN(slices + 1);
    for (int i = 0; i < slices; ++i) {
        const float angle = static_cast<float>(2 * kPi * i / slices);
        sinN[i] = static_cast<float>(xyNormalRatio * std::sin(static_cast<double>(angle)));
        cosN[i] = static_cast<float>(xyNormalRatio * std::cos(static_cast<double>(angle)));
        sinA[i] = static_cast<float>(std::sin(static_cast<double>(angle)));
        cosA[i] = static_cast<float>(std::cos(static_cast<double>(angle)));
    }
    sinA[slices] = sinA[0];
    cosA[slices] = cosA[0];
    sinN[slices] = sinN[0];
    cosN[slices] = cosN[0];

    for (int j = 0; j < stacks; ++j) {
        const float zLow = static_cast<float>(j * height / stacks);
        const float zHigh = static_cast<float>((j + 1) * height / stacks);
        const float radiusLow =
            static_cast<float>(base - deltaRadius * (static_cast<float>(j) / stacks));
        const float radiusHigh =
            static_cast<float>(base - deltaRadius * (static_cast<float>(j + 1) / stacks));
        mesh.begin(ffp::Primitive::QuadStrip);
        for (int i = 0; i <= slices; ++i) {
            mesh.add({radiusLow * sinA[i], radiusLow * cosA[i], zLow}, {sinN[i], cosN[i], zNormal});
            mesh.add({radiusHigh * sinA[i], radiusHigh * cosA[i], zHigh},
                     {sinN[i], cosN[i], zNormal});
        }
    }
    return mesh;
}

// Sphere strips from the +z pole down, slices clockwise from +x seen from +z.
ffp::Mesh solidSphere(double radius, int slices, int stacks)
{
    ffp::Mesh mesh;
    if (slices < 1 || stacks < 2)
        return mesh;
    mesh.shell = ffp::Mesh::Shell::Closed;
    const float r = static_cast<float>(radius);
    const Circle around = toolkitCircle(slices, false);
    const Circle down = toolkitCircle(stacks, true);
    // A point of ring `ring` (0 and stacks are the poles) at slice `slice`.
    const auto emit = [&](int ring, int slice) {
        if (ring == 0 || ring == stacks) {
            const float z = ring == 0 ? 1.0f : -1.0f;
            mesh.add({0.0f, 0.0f, z * r}, {0.0f, 0.0f, z});
            return;
        }
        const float x = around.cos[slice] * down.sin[ring];
        const float y = around.sin[slice] * down.sin[ring];
        const float z = down.cos[ring];
        mesh.add({x * r, y * r, z * r}, {x, y, z});
    };
    // Each strip pairs the lower ring's point with the upper ring's.
    for (int ring = 0; ring < stacks; ++ring) {
        mesh.begin(ffp::Primitive::TriangleStrip);
        for (int slice = 0; slice <= slices; ++slice) {
            emit(ring + 1, slice);
            emit(ring, slice);
        }
    }
    return mesh;
}

// Cone base disc at z 0 facing -z, then side strips up to the apex on +z, clockwise from +x.
ffp::Mesh solidCone(double base, double height, int slices, int stacks)
{
    ffp::Mesh mesh;
    if (slices < 1 || stacks < 1)
        return mesh;
    mesh.shell = ffp::Mesh::Shell::Closed;
    const float b = static_cast<float>(base), h = static_cast<float>(height);
    const Circle around = toolkitCircle(slices, false);
    const float zStep = h / stacks;
    const float rStep = b / stacks;
    // The squares add up in float, the root and the quotients in double.
    const double slant = std::sqrt(static_cast<double>(h * h + b * b));
    const float cosn = static_cast<float>(h / slant);
    const float sinn = static_cast<float>(b / slant);

    mesh.begin(ffp::Primitive::TriangleStrip);
    for (int j = 0; j <= slices; ++j) {
        mesh.add({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f});
        mesh.add({around.cos[j] * b, around.sin[j] * b, 0.0f}, {0.0f, 0.0f, -1.0f});
    }

    // The radius and height of each ring build up step by step, as the toolkit's do.
    std::vector<float> ringZ(stacks + 1), ringR(stacks + 1);
    float z = 0.0f, r = b;
    for (int i = 0; i <= stacks; ++i) {
        ringZ[i] = z;
        ringR[i] = r;
        z += zStep;
        r -= rStep;
    }
    for (int i = 0; i < stacks; ++i) {
        mesh.begin(ffp::Primitive::TriangleStrip);
        for (int j = 0; j <= slices; ++j) {
            const float nx = around.cos[j] * cosn, ny = around.sin[j] * cosn;
            for (int ring = i; ring <= i + 1; ++ring)
                mesh.add({around.cos[j] * ringR[ring], around.sin[j] * ringR[ring], ringZ[ring]},
                         {nx, ny, sinn});
        }
    }
    return mesh;
}

// Cube about the origin: faces +z, +x, +y, -x, -y, -z as the toolkit orders them, corners 012 023.
ffp::Mesh solidCube(double size)
{
    const float s = static_cast<float>(size) / 2;
    struct Face {
        ffp::Vec3 normal;
        float corner[4][3]; // in units of half the edge
    };
    static const Face kFaces[6] = {
        {{0, 0, 1}, {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}},
        {{1, 0, 0}, {{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}},
        {{0, 1, 0}, {{1, 1, 1}, {1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
        {{-1, 0, 0}, {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}},
        {{0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
        {{0, 0, -1}, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
    };
    static const int kTriangleCorners[6] = {0, 1, 2, 0, 2, 3};
    ffp::Mesh mesh;
    mesh.shell = ffp::Mesh::Shell::Closed;
    mesh.begin(ffp::Primitive::Triangles);
    for (const Face& f : kFaces)
        for (int k : kTriangleCorners)
            mesh.add({f.corner[k][0] * s, f.corner[k][1] * s, f.corner[k][2] * s}, f.normal);
    return mesh;
}
