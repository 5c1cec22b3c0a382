// Primitive assembly: how each kind of primitive the layer draws splits into
// triangles.
#pragma once

#include <cstddef>

namespace ffp {

enum class Primitive { Triangles, TriangleStrip, TriangleFan, Quads, QuadStrip };

// Calls emit(a, b, c) with the vertex numbers of each triangle of a primitive
// of n vertices, in order; vertices past the last whole triangle or quad make
// none. Quads split along the diagonal from their second to their fourth
// vertex, as Mesa's software rasteriser splits them when it clips the draw
// (the program's ground reaches behind the eye), so that colours blend across
// each quad the same way; a draw it need not clip, it splits from the first
// vertex to the third.
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

} // namespace ffp
