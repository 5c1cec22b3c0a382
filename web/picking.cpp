// What the page reads to point at the figure: the part under a point of the
// canvas, and for a part the matrices and modelview operations that placed it
// in the last frame drawn, all from the GL layer's record of that frame
// (web/gl/picking.h); the parts' names are in the model (web/model.h). Only
// reads: the mark the page draws over a part is the page's own.
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

// The triangles drawn for part in the last frame, in canvas pixels from the
// top left, as a JSON array x0, y0, x1, y1, x2, y2, ... for the page to tint.
EMSCRIPTEN_KEEPALIVE const char* quadrupedOutline(int part)
{
    static Json json;
    const std::vector<float> points = frameRecord().outline(part);
    json.clear();
    json.open('[');
    for (std::size_t i = 0; i < points.size(); ++i)
        json.integer(static_cast<long>(i % 2 == 0 ? points[i] : windowY(points[i])));
    json.close();
    return json.text();
}
}
