// The browser's GL layer's units on their own, with no window or GL context:
// each result below is worked out by hand. The layer's entry points are linked
// in too (over the Mesa host), for the calls that must stop the program.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include "web/gl/assembly.h"
#include "web/gl/pipeline.h"
#include "web/gl/shapes.h"

namespace {

using ffp::Primitive;

struct Batch {
    std::vector<ffp::Vertex> vertices;
    std::vector<std::uint16_t> indices;
};
std::vector<Batch> batches; // what the pipelines below hand on

// A pipeline that hands its batches to batches, emptied first, with the depth
// test on; lit: with lighting and light 0 on, as the program draws.
ffp::Pipeline capturing(bool lit = false)
{
    batches.clear();
    ffp::Pipeline pipeline([](const auto& v, const auto& i) { batches.push_back({v, i}); });
    pipeline.lighting().enable(ffp::Capability::Lighting, lit);
    pipeline.lighting().enable(ffp::Capability::Light0, lit);
    pipeline.depthTest(true);
    return pipeline;
}

// One small triangle in the middle of the view.
void triangle(ffp::Pipeline& pipeline)
{
    pipeline.begin(Primitive::Triangles);
    for (const ffp::Vec3& corner : {ffp::Vec3{0, 0, 0}, {0.1f, 0, 0}, {0, 0.1f, 0}})
        pipeline.vertex(corner);
    pipeline.end();
}

} // namespace

TEST(Matrices, RotateTranslateScaleProduct)
{
    ffp::MatrixStacks stacks;
    stacks.rotate(90, 0, 0, 1);
    stacks.translate(1, 2, 3);
    stacks.scale(2, 3, 4);
    // R T S: the axes scaled by 2, 3 and 4, moved by (1, 2, 3), then turned a
    // quarter about z, which takes (x, y) to (-y, x).
    const float expected[16] = {0, -3, 0, -2, 2, 0, 0, 1, 0, 0, 4, 3, 0, 0, 0, 1};
    for (int k = 0; k < 16; ++k)
        EXPECT_NEAR(stacks.top(ffp::Stack::Modelview)(k / 4, k % 4), expected[k], 1e-6f) << k;
    // The normal matrix (R S)^-T is R S^-1: the axes scaled by 1/2, 1/3 and 1/4, turned.
    const float normals[9] = {0, -1.0f / 3, 0, 0.5f, 0, 0, 0, 0, 0.25f};
    for (int k = 0; k < 9; ++k)
        EXPECT_NEAR(stacks.normalMatrix()(k / 3, k % 3), normals[k], 1e-6f) << k;
}

TEST(Matrices, StacksOverflowAndUnderflow)
{
    ffp::MatrixStacks stacks;
    stacks.select(ffp::Stack::Projection);
    for (int depth = 1; depth < ffp::MatrixStacks::kDepth; ++depth)
        ASSERT_TRUE(stacks.push()) << depth;
    stacks.translate(1, 0, 0);
    EXPECT_FALSE(stacks.push()); // a 33rd matrix: refused, the stack left as it was
    for (int depth = ffp::MatrixStacks::kDepth; depth > 1; --depth) {
        ASSERT_TRUE(stacks.pop()) << depth;
        EXPECT_EQ(stacks.top(ffp::Stack::Projection)(0, 3), 0) << depth; // the translated one went
    }
    EXPECT_FALSE(stacks.pop()); // the last matrix stays
    stacks.select(ffp::Stack::Modelview);
    EXPECT_FALSE(stacks.pop()); // the other stack was never pushed
}

TEST(Lighting, OneLitVertex)
{
    ffp::Lighting lighting;
    for (auto capability :
         {ffp::Capability::Lighting, ffp::Capability::Light0, ffp::Capability::ColourMaterial})
        lighting.enable(capability, true);
    lighting.colour({0.5f, 0.25f, 1, 1});
    ffp::Mat4 modelview = ffp::kIdentity;
    modelview(0, 3) = 1; // x + 1 for the position
    lighting.light(ffp::LightParameter::Ambient, {0.1f, 0.1f, 0.1f, 1}, modelview);
    lighting.light(ffp::LightParameter::Diffuse, {0.5f, 0.5f, 0.5f, 1}, modelview);
    lighting.light(ffp::LightParameter::Specular, {1, 1, 1, 1}, modelview);
    lighting.light(ffp::LightParameter::Position, {10, 0, 0, 2}, modelview); // (12, 0, 0) / 2
    lighting.materialSpecular({0.5f, 0.5f, 0.5f, 1});
    lighting.materialShininess(4);
    // At (3, 0, -4) facing +z, the light at (6, 0, 0) lies along (3, 0, 4) / 5:
    // n.L = 0.8. With the infinite viewer's (0, 0, 1) the half vector runs
    // along (0.6, 0, 1.8): (n.H)^4 = (1.8^2 / 3.6)^2 = 0.81. So each channel c
    // of the colour gives c x (0.2 + 0.1) + 0.8 x c x 0.5 + 0.81 x 0.5 x 1, clamped.
    const ffp::Vec3 lit = lighting.shade({3, 0, -4, 1}, {0, 0, 1});
    // Facing away from the light: the ambient terms alone.
    const ffp::Vec3 away = lighting.shade({3, 0, -4, 1}, {0, 0, -1});
    const float expected[2][3] = {{0.755f, 0.58f, 1}, {0.15f, 0.075f, 0.3f}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(lit[k], expected[0][k], 1e-6f) << k;
        EXPECT_NEAR(away[k], expected[1][k], 1e-6f) << k;
    }
}

TEST(Assembly, EachPrimitive)
{
    using Triangle = std::array<std::size_t, 3>;
    const struct {
        Primitive primitive;
        std::size_t vertices;
        std::vector<Triangle> triangles;
    } cases[] = {
        {Primitive::Triangles, 7, {{0, 1, 2}, {3, 4, 5}}}, // the seventh vertex left over
        // Every other triangle turned back to the strip's winding.
        {Primitive::TriangleStrip, 5, {{0, 1, 2}, {2, 1, 3}, {2, 3, 4}}},
        {Primitive::TriangleFan, 5, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}},
        // Quads split from their second vertex to their fourth; the ninth left over.
        {Primitive::Quads, 9, {{0, 1, 3}, {1, 2, 3}, {4, 5, 7}, {5, 6, 7}}},
        // Quad k of a strip is 2k, 2k + 1, 2k + 3, 2k + 2, split from 2k to 2k + 3.
        {Primitive::QuadStrip, 7, {{2, 0, 3}, {0, 1, 3}, {4, 2, 5}, {2, 3, 5}}},
    };
    for (const auto& c : cases) {
        std::vector<Triangle> made;
        ffp::assemble(c.primitive, c.vertices, [&](std::size_t a, std::size_t b, std::size_t d) {
            made.push_back({a, b, d});
        });
        EXPECT_EQ(made, c.triangles) << static_cast<int>(c.primitive);
    }
}

// The normal matrix is worked out again after a scale that follows a draw:
// with GL_NORMALIZE off, a normal scaled by 2 is half as long. White light
// along +z, diffuse material 0.8, ambient 0.2 x 0.2.
TEST(Pipeline, DrawScaleDraw)
{
    ffp::Pipeline pipeline = capturing(true);
    pipeline.normal({0, 0, 1});
    triangle(pipeline);
    pipeline.matrices().scale(2, 2, 2);
    triangle(pipeline);
    pipeline.flush();
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].vertices.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_NEAR(batches[0].vertices[i].colour[0], i < 3 ? 0.04f + 0.8f : 0.04f + 0.4f, 1e-6f)
            << i;
}

// An eye inside a closed shape sees it from the inside, and a parallel
// projection (here the identity) has no eye at the origin to see from: in
// neither does any triangle count as the shape's hidden back. Only what lies
// wholly beyond a plane is left out.
TEST(Pipeline, ShapeAroundTheEye)
{
    ffp::Mesh cube = solidCube(1);
    cube.index();
    for (bool perspective : {true, false}) {
        ffp::Pipeline pipeline = capturing();
        pipeline.matrices().select(ffp::Stack::Projection);
        if (perspective)
            pipeline.matrices().perspective(120, 1, 0.25, 10);
        pipeline.draw(cube);
        pipeline.flush();
        // In perspective the first face's triangles (points 0 to 5, the +z
        // face) lie behind the eye, beyond the near plane.
        std::vector<std::uint16_t> kept(perspective ? 30 : 36);
        std::iota(kept.begin(), kept.end(), perspective ? 6 : 0);
        ASSERT_EQ(batches.size(), 1u);
        EXPECT_EQ(batches[0].indices, kept) << perspective;
    }
}

// 90,000 vertices in three primitives: the third does not fit beside the
// first two, so it starts a second batch, with indices counted from its start.
TEST(Pipeline, BatchesOverSixtyFiveThousandVertices)
{
    constexpr std::size_t kPrimitive = 30000;
    ffp::Pipeline pipeline = capturing();
    for (int primitive = 0; primitive < 3; ++primitive) {
        pipeline.begin(Primitive::Triangles);
        for (std::size_t i = 0; i < kPrimitive; ++i)
            pipeline.vertex({0.5f * (i % 3 == 1), 0.5f * (i % 3 == 2), 0});
        pipeline.end();
    }
    pipeline.flush();
    ASSERT_EQ(batches.size(), 2u);
    for (std::size_t b = 0; b < 2; ++b) {
        const Batch& batch = batches[b];
        EXPECT_EQ(batch.vertices.size(), (2 - b) * kPrimitive);
        ASSERT_EQ(batch.indices.size(), batch.vertices.size());
        for (std::size_t i = 0; i < batch.indices.size(); ++i)
            ASSERT_EQ(batch.indices[i], i) << b;
    }
    // A primitive larger than a batch is refused at its end.
    pipeline.begin(Primitive::Triangles);
    for (std::size_t i = 0; i <= ffp::kBatchVertices; ++i)
        pipeline.vertex({0, 0, 0});
    EXPECT_FALSE(pipeline.end());
}

// A skipped frame hands nothing on, yet changes the state as a drawn one
// does: the frame after it comes out the same, to the bit.
TEST(Pipeline, SkippedFrameChangesTheStateOnly)
{
    ffp::Mesh tube = quadricCylinder(0.5, 0.25, 0.5, 8, 1);
    tube.index();
    std::vector<Batch> after[2];
    for (bool skip : {false, true}) {
        ffp::Pipeline pipeline = capturing(true);
        pipeline.skip(skip);
        pipeline.lighting().colour({0.3f, 0.6f, 0.9f, 1});
        pipeline.matrices().push();
        pipeline.matrices().rotate(30, 1, 1, 0);
        pipeline.lighting().light(ffp::LightParameter::Position, {1, 2, 3, 1},
                                  pipeline.matrices().top(ffp::Stack::Modelview));
        pipeline.matrices().pop();
        pipeline.matrices().scale(0.5f, 1, 1);
        triangle(pipeline);
        pipeline.draw(tube); // sent vertex by vertex: its last normal stays current
        pipeline.flush();
        EXPECT_EQ(batches.empty(), skip);
        batches.clear();
        pipeline.skip(false);
        triangle(pipeline);
        pipeline.draw(tube);
        pipeline.flush();
        after[skip] = batches;
    }
    ASSERT_EQ(after[0].size(), 1u);
    ASSERT_EQ(after[1].size(), 1u);
    const std::vector<ffp::Vertex>& drawn = after[0][0].vertices;
    const std::vector<ffp::Vertex>& again = after[1][0].vertices;
    EXPECT_EQ(after[0][0].indices, after[1][0].indices);
    ASSERT_EQ(drawn.size(), again.size());
    EXPECT_EQ(std::memcmp(drawn.data(), again.data(), drawn.size() * sizeof drawn[0]), 0);
}

// Each call the layer cannot carry out as OpenGL would stops the program with
// one message naming the call and the value.
TEST(EntryPoints, UnsupportedCallsStop)
{
    static const GLfloat kRgba[4] = {0, 0, 0, 1};
    const struct {
        void (*call)();
        const char* message;
    } cases[] = {
        {[] { glBegin(GL_POLYGON); }, "glBegin: mode 0x0009 is not supported"},
        {[] { glMatrixMode(GL_TEXTURE); }, "glMatrixMode: mode 0x1702 is not supported"},
        {[] { glEnable(GL_FOG); }, "glEnable: capability 0x0B60 is not supported"},
        {[] { glClear(GL_STENCIL_BUFFER_BIT); }, "glClear: mask 0x0400 is not supported"},
        {[] { glLightfv(GL_LIGHT1, GL_AMBIENT, kRgba); }, "glLightfv: light 0x4001 is not"},
        {[] { glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, kRgba); }, "glLightfv: parameter 0x1204"},
        {[] { glMaterialfv(GL_FRONT, GL_DIFFUSE, kRgba); }, "glMaterialfv: parameter 0x1201"},
        {[] { glMaterialfv(GL_LEFT, GL_SPECULAR, kRgba); }, "glMaterialfv: face 0x0406"},
        {[] { glMateriali(GL_FRONT, GL_SHININESS, 129); }, "glMateriali: shininess 0x0081"},
        {[] { glPopMatrix(); }, "glPopMatrix: the matrix stack holds one matrix only"},
        {[] { glBegin(GL_QUADS), glTranslatef(1, 0, 0); },
         "glTranslatef between glBegin and glEnd"},
        {[] { glVertex3f(0, 0, 0); }, "glVertex3f outside glBegin and glEnd"},
        {[] { glEnd(); }, "glEnd without glBegin"},
    };
    for (const auto& c : cases)
        EXPECT_DEATH(c.call(), c.message);
}

// The frame record picks the part of the nearest triangle at a pixel, as the
// depth test would: a nearer triangle drawn first wins over a farther one, an
// equally near one drawn later does not, an unmarked one in front hides all,
// and one reaching behind the eye is cut at the near plane, not mirrored.
// A part's mark keeps the operations on the stack's path and the matrix then.
TEST(Picking, FrontMostPartAndItsChain)
{
    ffp::FrameRecord record;
    ffp::Pipeline pipeline([](const auto&, const auto&) {}, &record);
    ffp::MatrixStacks& m = pipeline.matrices();
    m.select(ffp::Stack::Projection);
    m.perspective(90, 1, 1, 100);
    m.select(ffp::Stack::Modelview);
    record.viewport(0, 0, 100, 100);
    record.start();
    const auto triangle = [&](int part, float z, std::array<float, 3> far = {0, 0, 0}) {
        record.mark(part, m.top(ffp::Stack::Modelview), m.top(ffp::Stack::Projection));
        pipeline.begin(Primitive::Triangles);
        pipeline.vertex({-1 + far[0], -1, z + far[2]});
        pipeline.vertex({1, -1, z});
        pipeline.vertex({0, 1, z});
        pipeline.end();
    };
    m.push();
    record.push();
    m.translate(0, 0, -1);
    record.operation({ffp::Operation::Translate, {0, 0, -1, 0}});
    triangle(2, -2); // nearer, drawn first
    triangle(1, -4); // farther
    triangle(3, -2); // as near as part 2, later
    m.pop();
    record.pop();
    triangle(4, -30, {-40, 0, 35}); // a corner behind the eye, left of the view
    pipeline.flush();
    EXPECT_EQ(record.pick(50.5f, 50.5f), 2);
    EXPECT_EQ(record.pick(95.5f, 50.5f), ffp::kUnmarked); // nothing there
    EXPECT_EQ(record.pick(49.5f, 52.5f), 2);
    EXPECT_EQ(record.pick(50.5f, 98.5f), ffp::kUnmarked);
    EXPECT_EQ(record.pick(2.5f, 48.5f), 4); // only the cut triangle reaches this far left
    ASSERT_NE(record.record(2), nullptr);
    EXPECT_EQ(record.record(2)->chain.size(), 1u);
    EXPECT_EQ(record.record(2)->pivot(2, 3), -1.0f);
    EXPECT_TRUE(record.record(4)->chain.empty());
    EXPECT_EQ(record.record(5), nullptr);
    record.mark(ffp::kUnmarked, m.top(ffp::Stack::Modelview), m.top(ffp::Stack::Projection));
    pipeline.begin(Primitive::Triangles);
    for (const ffp::Vec3& v :
         {ffp::Vec3{-9, -9, -1.5f}, ffp::Vec3{9, -9, -1.5f}, ffp::Vec3{0, 9, -1.5f}})
        pipeline.vertex(v);
    pipeline.end();
    pipeline.flush();
    EXPECT_EQ(record.pick(50.5f, 50.5f), ffp::kUnmarked);
}
