#include "web/gl/pipeline.h"

namespace ffp {

Pipeline::Pipeline(Draw draw, FrameRecord* record) : draw_(draw), record_(record) {}

void Pipeline::normal(const Vec3& normal)
{
    normal_ = normal;
}

void Pipeline::skip(bool on)
{
    skipping_ = on;
}

bool Pipeline::begin(Primitive primitive)
{
    if (inside_)
        return false;
    primitive_ = primitive;
    inside_ = true;
    clearPending();
    return true;
}

bool Pipeline::vertex(const Vec3& position)
{
    if (!inside_)
        return false;
    ++count_;
    if (!skipping_)
        shadeOnto(position);
    return true;
}

// Splits the open primitive into indexed triangles in the batch.
bool Pipeline::end()
{
    if (!inside_ || count_ > kBatchVertices)
        return false;
    inside_ = false;
    ClipCode everyVertex = kEveryPlane;
    for (ClipCode code : pendingCodes_)
        everyVertex &= code;
    if (skipping_ || count_ < 3 || everyVertex != 0)
        return true;
    const std::size_t base = append();
    assemble(primitive_, count_,
             [&](std::size_t a, std::size_t b, std::size_t c) { keep(base, a, b, c); });
    return true;
}

// A mesh wholly beyond one plane of the view volume sends nothing: the
// volume is convex, so then is every triangle of it. Drawn or not, a mesh
// sent vertex by vertex leaves its last normal current, as sending it would.
void Pipeline::draw(const Mesh& mesh)
{
    const Vec3 current = normal_;
    if (mesh.size > 0 && !skipping_) {
        const BoxCodes box = boxCodes(mesh.low, mesh.high, matrices_.top(Stack::Modelview),
                                      matrices_.top(Stack::Projection));
        if (box.every == 0 && mesh.size <= kBatchVertices && !mesh.triangleIndices.empty())
            drawIndexed(mesh, box);
        else if (box.every == 0)
            drawParts(mesh);
    }
    normal_ = mesh.leavesNormal ? mesh.last : current;
}

void Pipeline::flush()
{
    if (!indices_.empty())
        draw_(vertices_, indices_);
    if (record_ != nullptr && !indices_.empty())
        record_->batch(vertices_, indices_, parts_);
    vertices_.clear();
    indices_.clear();
    parts_.clear();
}

void Pipeline::clearPending()
{
    count_ = 0;
    pending_.clear();
    pendingCodes_.clear();
    pendingEye_.clear();
}

// One vertex through the modelview, the lighting and the projection, onto
// the open primitive.
void Pipeline::shadeOnto(const Vec3& position)
{
    const Vec4 eye =
        matrices_.top(Stack::Modelview).apply({position[0], position[1], position[2], 1});
    Vertex out;
    out.clip = matrices_.top(Stack::Projection).apply(eye);
    out.colour = lighting_.shade(
        eye, lighting_.usesNormal() ? matrices_.normalMatrix().apply(normal_) : normal_);
    pending_.push_back(out);
    pendingCodes_.push_back(clipCode(out.clip));
    pendingEye_.push_back(eye);
}

// The open primitive's vertices added to the batch, which is handed on first
// if they would not fit; the batch's index of the first of them.
std::size_t Pipeline::append()
{
    if (vertices_.size() + pending_.size() > kBatchVertices)
        flush();
    const std::size_t base = vertices_.size();
    vertices_.insert(vertices_.end(), pending_.begin(), pending_.end());
    return base;
}

// The open primitive's triangle a b c into the batch at base, unless all its
// corners lie beyond one plane of the view volume.
void Pipeline::keep(std::size_t base, std::size_t a, std::size_t b, std::size_t c)
{
    if ((pendingCodes_[a] & pendingCodes_[b] & pendingCodes_[c]) != 0)
        return;
    for (std::size_t i : {a, b, c})
        indices_.push_back(static_cast<std::uint16_t>(base + i));
    if (record_ != nullptr)
        parts_.push_back(static_cast<signed char>(record_->part()));
}

// The mesh's primitives one by one, each vertex with its own normal.
void Pipeline::drawParts(const Mesh& mesh)
{
    for (const Mesh::Part& part : mesh.parts) {
        begin(part.primitive);
        for (const Mesh::Point& p : part.points) {
            normal_ = p.normal;
            vertex(p.position);
        }
        end();
    }
}

// The whole mesh as one primitive of its indexed triangles, less those its
// own front hides from the depth test.
void Pipeline::drawIndexed(const Mesh& mesh, const BoxCodes& box)
{
    clearPending();
    for (const Mesh::Part& part : mesh.parts)
        for (const Mesh::Point& p : part.points) {
            normal_ = p.normal;
            shadeOnto(p.position);
        }
    if (depthTest_)
        backs_.mark(mesh, pendingEye_, box, matrices_);
    const std::size_t base = append();
    const std::vector<std::uint32_t>& t = mesh.triangleIndices;
    for (std::size_t i = 0; 3 * i < t.size(); ++i)
        if (!depthTest_ || !backs_.hidden(i))
            keep(base, t[3 * i], t[3 * i + 1], t[3 * i + 2]);
}

} // namespace ffp
