// What the gl* entry points share with the shape entry points and the tests:
// the mapping of glBegin's modes to the pipeline's primitives, the one
// pipeline's draw of a mesh, and its matrix stacks.
#pragma once

#include <GL/gl.h>

#include "web/gl/mesh.h"
#include "web/gl/picking.h"
#include "web/gl/stacks.h"

// The pipeline's primitive for a glBegin mode; false for one it cannot draw
// (points, lines, polygons).
inline bool primitiveOf(GLenum mode, ffp::Primitive& primitive)
{
    switch (mode) {
    case GL_TRIANGLES: primitive = ffp::Primitive::Triangles; return true;
    case GL_TRIANGLE_STRIP: primitive = ffp::Primitive::TriangleStrip; return true;
    case GL_TRIANGLE_FAN: primitive = ffp::Primitive::TriangleFan; return true;
    case GL_QUADS: primitive = ffp::Primitive::Quads; return true;
    case GL_QUAD_STRIP: primitive = ffp::Primitive::QuadStrip; return true;
    default: return false;
    }
}

// A shape of GLU's or the toolkit's, drawn for the call named.
void drawShape(const char* call, const ffp::Mesh& mesh);

// The matrix stacks that the gl* calls act on (the tests read their tops).
const ffp::MatrixStacks& layerMatrices();
// The last frame as drawn, for picking (web/picking.cpp reads it).
const ffp::FrameRecord& frameRecord();
// The page's tints, drawn at the end of every frame over a part where the
// frame drew it (renderer::tint), slot 1 over slot 0; part ffp::kUnmarked
// for none. Sets a slot; true when that changed it (a part out of range
// changes nothing).
constexpr int kTints = 2;
bool tintPart(int slot, int part, const float rgba[4]);
// What the program draws from now on belongs to part (ffp::kUnmarked: none);
// the record keeps the matrices and operations in force at the part's first mark.
void markDrawnPart(int part);
