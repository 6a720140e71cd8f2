#include "AnatomyImport/Geometry/MeshGeometry.h"

#include "AnatomyImport/Geometry/Internal/TripleTable.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace morvena::MeshGeometry {

namespace {

enum class Rounding { halfAwayFromZero, down };

// Grid coordinate of one position component, or nothing when it does not fit a
// signed 32-bit integer. The product stays in single precision, as positions and
// the inverse cell size are; the range check comes before any conversion, and
// rounding works on the truncated integer (exact for every float in range), which
// keeps the hot loop free of library calls.
template <Rounding rounding> std::optional<std::int32_t> cellCoordinate(float value, float inverse)
{
    const float scaled = value * inverse;
    if (!(scaled >= -2147483648.f && scaled < 2147483648.f))
        return std::nullopt;
    auto cell = static_cast<std::int64_t>(scaled);
    const float fraction = scaled - static_cast<float>(cell);
    if constexpr (rounding == Rounding::halfAwayFromZero)
        cell += fraction >= 0.5f ? 1 : fraction <= -0.5f ? -1 : 0;
    else
        cell -= fraction < 0.f ? 1 : 0;
    if (cell < INT32_MIN || cell > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(cell);
}

template <Rounding rounding> std::optional<TripleTable::Key> cellOf(const Float3& p, float inverse)
{
    TripleTable::Key key;
    for (int k = 0; k < 3; ++k) {
        auto coordinate = cellCoordinate<rounding>(p[k], inverse);
        if (!coordinate)
            return std::nullopt;
        key[k] = static_cast<std::uint32_t>(*coordinate);
    }
    return key;
}

bool allBelow(const std::uint32_t* corners, std::size_t count)
{
    return corners[0] < count && corners[1] < count && corners[2] < count;
}

// Numbers the vertices that the complete triangles with every corner below the
// vertex count use: in ascending order, from 0. Where those vertices lie close
// together a table over their span serves, else a sorted list and a search, so
// the work follows the triangles, never the vertex count.
class VertexNumbering {
public:
    VertexNumbering(std::span<const std::uint32_t> indices, std::size_t vertexCount)
    {
        std::size_t count = 0;
        std::uint32_t high = 0;
        first_ = noVertex;
        forEachUsedCorner(indices, vertexCount, [&](std::uint32_t vertex) {
            first_ = std::min(first_, vertex);
            high = std::max(high, vertex);
            ++count;
        });
        if (count == 0)
            return;
        const std::size_t span = std::size_t(high - first_) + 1;
        if (span > 4 * count + 4096) {
            vertices_.reserve(count);
            forEachUsedCorner(
                indices, vertexCount, [&](std::uint32_t vertex) { vertices_.push_back(vertex); });
            std::ranges::sort(vertices_);
            vertices_.erase(std::unique(vertices_.begin(), vertices_.end()), vertices_.end());
            return;
        }
        table_.assign(span, noVertex);
        forEachUsedCorner(indices, vertexCount, [&](std::uint32_t vertex) { table_[vertex - first_] = 0; });
        for (std::size_t offset = 0; offset < span; ++offset) {
            if (table_[offset] == noVertex)
                continue;
            table_[offset] = static_cast<std::uint32_t>(vertices_.size());
            vertices_.push_back(first_ + static_cast<std::uint32_t>(offset));
        }
    }

    // The used vertices' numbers among all, ascending.
    const std::vector<std::uint32_t>& usedVertices() const { return vertices_; }

    // `vertex` must be one of usedVertices().
    std::uint32_t local(std::uint32_t vertex) const
    {
        if (!table_.empty())
            return table_[vertex - first_];
        return static_cast<std::uint32_t>(std::ranges::lower_bound(vertices_, vertex) - vertices_.begin());
    }

private:
    static constexpr std::uint32_t noVertex = std::numeric_limits<std::uint32_t>::max();

    template <typename Visit>
    static void forEachUsedCorner(
        std::span<const std::uint32_t> indices, std::size_t vertexCount, Visit visit)
    {
        for (std::size_t t = 0; t + 3 <= indices.size(); t += 3) {
            if (allBelow(&indices[t], vertexCount))
                std::ranges::for_each(indices.subspan(t, 3), visit);
        }
    }

    std::vector<std::uint32_t> vertices_;
    std::uint32_t first_ = 0;
    std::vector<std::uint32_t> table_;
};

RawMesh withNumbering(std::span<const Float3> positions, std::span<const Float3> normals,
    std::span<const std::uint32_t> indices, const VertexNumbering& numbering)
{
    RawMesh mesh;
    const auto& used = numbering.usedVertices();
    const bool withNormals = normals.size() == positions.size();
    mesh.positions.reserve(used.size());
    if (withNormals)
        mesh.normals.reserve(used.size());
    for (std::uint32_t vertex : used) {
        mesh.positions.push_back(positions[vertex]);
        if (withNormals)
            mesh.normals.push_back(normals[vertex]);
    }
    mesh.indices.reserve(indices.size() - indices.size() % 3);
    for (std::size_t t = 0; t + 3 <= indices.size(); t += 3) {
        const std::uint32_t* corners = &indices[t];
        if (allBelow(corners, positions.size()))
            mesh.indices.insert(mesh.indices.end(),
                {numbering.local(corners[0]), numbering.local(corners[1]), numbering.local(corners[2])});
    }
    return mesh;
}

} // namespace

WeldResult weld(std::span<const Float3> positions, std::span<const std::uint32_t> indices, float tolerance)
{
    if (positions.empty() || !(tolerance > 0.f))
        return {{positions.begin(), positions.end()}, {indices.begin(), indices.end()}};

    const float inverse = 1.f / tolerance;
    TripleTable cells(positions.size());
    std::vector<std::uint32_t> remap(positions.size());
    WeldResult result;
    result.positions.reserve(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto next = static_cast<std::uint32_t>(result.positions.size());
        const auto cell = cellOf<Rounding::halfAwayFromZero>(positions[i], inverse);
        const std::uint32_t target = cell ? cells.insert(*cell, next).first : next;
        if (target == next)
            result.positions.push_back(positions[i]);
        remap[i] = target;
    }

    if (indices.size() < 3)
        return result;
    result.indices.reserve(indices.size() - indices.size() % 3);
    for (std::size_t t = 0; t + 3 <= indices.size(); t += 3) {
        if (!allBelow(&indices[t], positions.size()))
            continue;
        const std::uint32_t a = remap[indices[t]], b = remap[indices[t + 1]], c = remap[indices[t + 2]];
        if (a == b || b == c || a == c)
            continue;
        result.indices.insert(result.indices.end(), {a, b, c});
    }
    return result;
}

std::vector<Float3> computeNormals(std::span<const Float3> positions, std::span<const std::uint32_t> indices)
{
    std::vector<Float3> sums(positions.size(), Float3 {0.f, 0.f, 0.f});
    for (std::size_t t = 0; t + 3 <= indices.size(); t += 3) {
        if (!allBelow(&indices[t], positions.size()))
            continue;
        const Float3& a = positions[indices[t]];
        const Float3& b = positions[indices[t + 1]];
        const Float3& c = positions[indices[t + 2]];
        const Float3 u {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const Float3 v {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const Float3 face {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        for (int corner = 0; corner < 3; ++corner) {
            Float3& sum = sums[indices[t + corner]];
            for (int k = 0; k < 3; ++k)
                sum[k] += face[k];
        }
    }
    for (Float3& sum : sums) {
        const float length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
        // A non-finite sum (from non-finite positions) cannot give a unit normal either.
        if (length > 1e-12f && std::isfinite(length))
            sum = {sum[0] / length, sum[1] / length, sum[2] / length};
        else
            sum = {0.f, 1.f, 0.f};
    }
    return sums;
}

std::vector<std::uint32_t> decimateIndexOnly(
    std::span<const Float3> positions, std::span<const std::uint32_t> indices, float cellSize)
{
    if (!(cellSize > 0.f) || positions.size() < 4)
        return {indices.begin(), indices.end()};

    // Each occupied cell elects the vertex nearest its centre; a vertex whose
    // cell does not fit the grid represents itself.
    const float inverse = 1.f / cellSize;
    TripleTable cells(positions.size());
    std::vector<std::uint32_t> representative;
    std::vector<float> bestDistance;
    representative.reserve(positions.size() / 4 + 1);
    bestDistance.reserve(positions.size() / 4 + 1);
    std::vector<std::uint32_t> cellOfVertex(positions.size(), TripleTable::freeSlot);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const Float3& p = positions[i];
        const auto cell = cellOf<Rounding::down>(p, inverse);
        if (!cell)
            continue;
        float distance = 0.f;
        for (int k = 0; k < 3; ++k) {
            const float centre
                = (static_cast<float>(static_cast<std::int32_t>((*cell)[k])) + 0.5f) * cellSize;
            distance += (p[k] - centre) * (p[k] - centre);
        }
        const auto vertex = static_cast<std::uint32_t>(i);
        const auto [slot, inserted] = cells.insert(*cell, static_cast<std::uint32_t>(representative.size()));
        if (inserted) {
            representative.push_back(vertex);
            bestDistance.push_back(distance);
        } else if (distance < bestDistance[slot]) {
            representative[slot] = vertex;
            bestDistance[slot] = distance;
        }
        cellOfVertex[i] = slot;
    }
    const auto mapped = [&](std::uint32_t vertex) {
        const std::uint32_t slot = cellOfVertex[vertex];
        return slot == TripleTable::freeSlot ? vertex : representative[slot];
    };

    std::vector<std::uint32_t> result;
    if (indices.size() < 3)
        return result;
    result.reserve(indices.size() - indices.size() % 3);
    TripleTable kept(indices.size() / 6);
    for (std::size_t t = 0; t + 3 <= indices.size(); t += 3) {
        if (!allBelow(&indices[t], positions.size()))
            continue;
        const std::uint32_t a = mapped(indices[t]), b = mapped(indices[t + 1]), c = mapped(indices[t + 2]);
        if (a == b || b == c || a == c)
            continue;
        TripleTable::Key key {a, b, c};
        std::sort(key.begin(), key.end());
        if (!kept.insert(key, 0).second)
            continue;
        result.insert(result.end(), {a, b, c});
    }
    return result;
}

std::vector<std::vector<std::uint32_t>> buildLODs(std::span<const Float3> positions,
    std::span<const std::uint32_t> indices, float diagonal, int minTrianglesForLOD)
{
    return buildLODs(positions, std::vector(indices.begin(), indices.end()), diagonal, minTrianglesForLOD);
}

std::vector<std::vector<std::uint32_t>> buildLODs(std::span<const Float3> positions,
    std::vector<std::uint32_t>&& indices, float diagonal, int minTrianglesForLOD)
{
    std::vector<std::vector<std::uint32_t>> levels;
    levels.push_back(std::move(indices));
    const auto triangles = static_cast<long long>(levels[0].size() / 3);
    if (triangles < minTrianglesForLOD || !(diagonal > 0.f))
        return levels;

    // A level is worth its index run only when it drops at least 30 % of the
    // previous one; each level decimates the previous level, not the input.
    for (float divisor : {42.f, 14.f}) {
        const std::vector<std::uint32_t>& previous = levels.back();
        auto candidate = decimateIndexOnly(positions, previous, diagonal / divisor);
        if (candidate.size() < 3 || candidate.size() >= previous.size() * 7 / 10)
            break;
        levels.push_back(std::move(candidate));
    }
    return levels;
}

std::size_t dropInvalidTriangles(std::span<const Float3> positions, std::vector<std::uint32_t>& indices)
{
    std::size_t kept = 0;
    const std::size_t complete = indices.size() - indices.size() % 3;
    for (std::size_t t = 0; t < complete; t += 3) {
        const std::uint32_t* corners = &indices[t];
        if (!allBelow(corners, positions.size()) || !isFinite(positions[corners[0]])
            || !isFinite(positions[corners[1]]) || !isFinite(positions[corners[2]]))
            continue;
        std::copy_n(corners, 3, &indices[kept]);
        kept += 3;
    }
    const std::size_t removed = indices.size() / 3 - kept / 3;
    indices.resize(kept);
    return removed;
}

RawMesh usedVertices(std::span<const Float3> positions, std::span<const Float3> normals,
    std::span<const std::uint32_t> indices)
{
    return withNumbering(positions, normals, indices, VertexNumbering(indices, positions.size()));
}

void keepValidTrianglesAndTheirVertices(RawMesh& mesh)
{
    dropInvalidTriangles(mesh.positions, mesh.indices);
    const VertexNumbering numbering(mesh.indices, mesh.positions.size());
    if (numbering.usedVertices().size() == mesh.positions.size())
        return; // every vertex is used, in its place already
    auto kept = withNumbering(mesh.positions, mesh.normals, mesh.indices, numbering);
    kept.name = std::move(mesh.name);
    mesh = std::move(kept);
}

} // namespace morvena::MeshGeometry
