#include "web/gl/mesh.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

namespace ffp {

void Mesh::begin(Primitive primitive)
{
    parts.push_back({primitive, {}});
}

void Mesh::add(const Vec3& position, const Vec3& normal)
{
    for (int k = 0; k < 3; ++k) {
        low[k] = size == 0 ? position[k] : std::min(low[k], position[k]);
        high[k] = size == 0 ? position[k] : std::max(high[k], position[k]);
    }
    parts.back().points.push_back({position, normal});
    last = normal;
    ++size;
}

void Mesh::index()
{
    triangleIndices.clear();
    weldedPositions.clear();
    // Positions told apart by their bits, with -0 made +0: an order for any float.
    std::map<std::array<std::uint32_t, 3>, std::uint32_t> welded;
    for (const Part& part : parts) {
        const std::size_t base = weldedPositions.size();
        for (const Point& p : part.points) {
            std::array<std::uint32_t, 3> bits;
            for (int k = 0; k < 3; ++k) {
                const float v = p.position[k] + 0.0f;
                std::memcpy(&bits[k], &v, sizeof v);
            }
            weldedPositions.push_back(
                welded.emplace(bits, static_cast<std::uint32_t>(welded.size())).first->second);
        }
        assemble(part.primitive, part.points.size(),
                 [&](std::size_t a, std::size_t b, std::size_t c) {
                     const std::uint32_t* at = weldedPositions.data() + base;
                     if (at[a] != at[b] && at[b] != at[c] && at[c] != at[a])
                         for (std::size_t i : {a, b, c})
                             triangleIndices.push_back(static_cast<std::uint32_t>(base + i));
                 });
    }
    weldedCount = welded.size();
}

} // namespace ffp
