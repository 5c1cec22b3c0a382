// What the page reads to point at the figure: the part under a point of the
// canvas, and for a part the matrices and modelview operations that placed it
// in the last frame drawn, all from the GL layer's record of that frame
// (web/gl/picking.h); the parts' names are in the model (web/model.h). Only
// the page's tints are written, which the layer draws after the program's
// frame (the program's own calls stay as they are).
#include <GL/glut.h>
#include <emscripten/emscripten.h>

#include "figure/marks.h"
#include "web/gl/entry_points.h"
#include "web/json.h"

namespace {

void writeMatrix(Json& json, const ffp::Mat4& m)
{
    json.open('[');
    for (float v : m.m)
        json.number(v);
    json.close();
}

// A canvas row (pixels from the top) as the window's (from the bottom of the
// viewport, which the program keeps to the whole canvas).
float windowY(double y)
{
    const int* v = frameRecord().viewportBox();
    return static_cast<float>(v[1] + v[3] - y);
}

} // namespace

// The GL layer keeps what follows as drawn for part.
void markPart(int part)
{
    markDrawnPart(part);
}

extern "C" {

// The part drawn front-most at canvas pixel (x, y) (from the top left) in
// the last frame; -1 for the ground, a tree or nothing.
EMSCRIPTEN_KEEPALIVE int quadrupedPick(double x, double y)
{
    return frameRecord().pick(static_cast<float>(x), windowY(y));
}

// How part was placed in the last frame, as JSON (null if it was not drawn):
// "pivot", the modelview at its mark (the frame of the joint that turns it,
// before it turns: origin the pivot, z the axis), "projection", "viewport"
// (x, y, width, height), "view", the modelview the camera's view left, and
// "chain", the modelview's operations from the camera's view to the part's
// first shape, each [kind, values...] (kind "view", "translate" x y z,
// "rotate" degrees x y z or "scale" x y z), of which the first "own" came
// before its mark. Matrices are column by column.
EMSCRIPTEN_KEEPALIVE const char* quadrupedPart(int part)
{
    static Json json;
    const ffp::PartRecord* record = frameRecord().record(part);
    json.clear();
    if (record == nullptr)
        return json.null().text();
    json.open('{').key("pivot");
    writeMatrix(json, record->pivot);
    json.key("projection");
    writeMatrix(json, record->projection);
    json.key("viewport").open('[');
    for (int i = 0; i < 4; ++i)
        json.integer(frameRecord().viewportBox()[i]);
    json.close().key("view");
    writeMatrix(json, frameRecord().view());
    json.key("chain").open('[');
    static const char* const kinds[] = {"view", "translate", "rotate", "scale"};
    for (const ffp::Operation& op : record->chain) {
        json.open('[').string(kinds[op.kind]);
        const int count = op.kind == ffp::Operation::View     ? 0
                          : op.kind == ffp::Operation::Rotate ? 4
                                                              : 3;
        for (int k = 0; k < count; ++k)
            json.number(op.values[k]);
        json.close();
    }
    json.close().key("own").integer(static_cast<long>(record->own)).close();
    return json.text();
}

// Tints part (-1: none) in slot 0 or 1, the second drawn over the first,
// with red, green, blue and alpha from 0 to 1: the GL layer draws the tint
// over every frame from the next, where the frame drew the part. A change
// asks for that frame; returns whether the slot changed.
EMSCRIPTEN_KEEPALIVE int quadrupedTint(int slot, int part, double r, double g, double b, double a)
{
    const float rgba[4] = {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b),
                           static_cast<float>(a)};
    if (!tintPart(slot, part, rgba))
        return 0;
    glutPostRedisplay();
    return 1;
}
}
