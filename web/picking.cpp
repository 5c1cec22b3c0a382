// What the page reads to point at the figure: the parts the figure marks
// (figure/marks.h), the part under a point of the canvas, and for a part the
// matrices and modelview operations that placed it in the last frame drawn,
// all from the GL layer's record of that frame (web/gl/picking.h). Only reads:
// the mark the page draws over a part is the page's own.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <string>

#include "app/legs.h"
#include "figure/marks.h"
#include "web/gl/entry_points.h"

namespace {

void appendNumber(std::string& json, double value)
{
    char number[32];
    std::snprintf(number, sizeof number, "%.9g", value);
    json += number;
}

void appendMatrix(std::string& json, const ffp::Mat4& m)
{
    json += '[';
    for (int i = 0; i < 16; ++i) {
        json += i > 0 ? "," : "";
        appendNumber(json, m.m[i]);
    }
    json += ']';
}

// A point of the canvas (pixels from its top left) as the window's (from the
// bottom left of the viewport, which the program keeps to the whole canvas).
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

// The figure's parts in their numbers' order, as a JSON array of {"name"},
// with "leg" and "joint" for a leg's segment or paw (null where a front leg
// has no upper segment).
EMSCRIPTEN_KEEPALIVE const char* quadrupedParts()
{
    static std::string json;
    json = R"([{"name":"body"},{"name":"head"},{"name":"tail"})";
    for (int leg = 0; leg < kLegCount; ++leg)
        for (int joint = 0; joint < kJointCount; ++joint) {
            if (!legHasJoint(leg, joint)) {
                json += ",null";
                continue;
            }
            json += std::string(R"(,{"name":")") + kLegNames[leg] + " " + kJointNames[joint] +
                    R"(","leg":)" + std::to_string(leg) + R"(,"joint":)" + std::to_string(joint) +
                    "}";
        }
    json += ']';
    return json.c_str();
}

// The part drawn front-most at canvas pixel (x, y) in the last frame; -1 for
// the ground, a tree or nothing.
EMSCRIPTEN_KEEPALIVE int quadrupedPick(double x, double y)
{
    return frameRecord().pick(static_cast<float>(x), windowY(y));
}

// How part was placed in the last frame, as JSON (null if it was not drawn):
// "pivot", the modelview at its mark (the frame of the joint that turns it,
// before it turns: origin the pivot, z the axis), "projection" and
// "viewport" (x, y, width, height), "view", the modelview the camera's view
// left, and "chain", the modelview's operations
// from the camera's view to the part's first shape, each [kind, values]
// (kind "view", "translate", "rotate" or "scale"), of which the first "own"
// came before its mark. Matrices are column by column.
EMSCRIPTEN_KEEPALIVE const char* quadrupedPart(int part)
{
    static std::string json;
    const ffp::PartRecord* record = frameRecord().record(part);
    if (record == nullptr)
        return "null";
    json = R"({"view":)";
    appendMatrix(json, frameRecord().view());
    json += R"(,"pivot":)";
    appendMatrix(json, record->pivot);
    json += R"(,"projection":)";
    appendMatrix(json, record->projection);
    const int* v = frameRecord().viewportBox();
    json += R"(,"viewport":[)" + std::to_string(v[0]) + "," + std::to_string(v[1]) + "," +
            std::to_string(v[2]) + "," + std::to_string(v[3]) + R"(],"chain":[)";
    static const char* const kinds[] = {"view", "translate", "rotate", "scale"};
    for (std::size_t i = 0; i < record->chain.size(); ++i) {
        const ffp::Operation& op = record->chain[i];
        json += std::string(i > 0 ? "," : "") + "[\"" + kinds[op.kind] + "\"";
        const int count = op.kind == ffp::Operation::View     ? 0
                          : op.kind == ffp::Operation::Rotate ? 4
                                                              : 3;
        for (int k = 0; k < count; ++k) {
            json += ',';
            appendNumber(json, op.values[k]);
        }
        json += ']';
    }
    json += R"(],"own":)" + std::to_string(record->own) + "}";
    return json.c_str();
}

// The triangles drawn for part in the last frame, in canvas pixels from the
// top left, as a JSON array x0, y0, x1, y1, x2, y2, ... for the page to tint.
EMSCRIPTEN_KEEPALIVE const char* quadrupedOutline(int part)
{
    static std::string json;
    const std::vector<float> points = frameRecord().outline(part);
    const int* v = frameRecord().viewportBox();
    json = "[";
    for (std::size_t i = 0; i < points.size(); ++i) {
        json += i > 0 ? "," : "";
        char number[16];
        std::snprintf(number, sizeof number, "%.1f",
                      i % 2 == 0 ? points[i] : v[1] + v[3] - points[i]);
        json += number;
    }
    json += ']';
    return json.c_str();
}
}
