#include "AnatomyImport/OBJLoader.h"

#include "AnatomyCore/UnicodeText.h"
#include "AnatomyImport/DecimalNumber.h"
#include "AnatomyImport/MeshGeometry.h"
#include "AnatomyImport/ParallelWork.h"
#include "AnatomyImport/SourceFile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

namespace morvena::OBJLoader {

namespace {

constexpr std::uint32_t noVertex = std::numeric_limits<std::uint32_t>::max();

struct Reference {
    std::int64_t vertex = 0;
    std::int64_t normal = 0; // 0 when the reference names no normal
};

// One stretch of the file between group statements: the triangles read after
// a `g` or `o` statement until the next one.
struct Segment {
    std::string name;
    std::vector<std::uint32_t> triangles;
};

// A relative vertex number counts back from the positions read so far, which a
// piece of the file only knows once the pieces before it are counted: such an
// index is stored relative to the piece's first position and settled later.
struct RelativeIndex {
    std::size_t segment; // into Piece::segments, or Piece::leadSegment
    std::size_t at;
    std::int64_t fromPieceStart;
};

// What one piece of a file holds, read on its own.
struct Piece {
    static constexpr std::size_t leadSegment = std::numeric_limits<std::size_t>::max();

    std::vector<Vector3> positions;
    std::vector<Vector3> normals;
    std::vector<std::uint32_t> lead; // triangles before the piece's first group statement
    std::vector<Segment> segments;
    std::vector<RelativeIndex> relative;
    bool normalsAligned = true;

    std::vector<std::uint32_t>& triangles(std::size_t segment)
    {
        return segment == leadSegment ? lead : segments[segment].triangles;
    }
};

class Parser {
public:
    explicit Parser(std::span<const char> text)
        : p_(text.data())
        , end_(text.data() + text.size())
    {
    }

    Piece run()
    {
        while (p_ < end_)
            statement();
        return std::move(piece_);
    }

private:
    void statement()
    {
        skipBlanks();
        if (p_ == end_)
            return;
        switch (*p_) {
        case 'v':
            if (end_ - p_ >= 2 && (p_[1] == ' ' || p_[1] == '\t')) {
                p_ += 1;
                piece_.positions.push_back(readVector());
            } else if (end_ - p_ >= 2 && p_[1] == 'n') {
                p_ += 2;
                piece_.normals.push_back(readVector());
            }
            break;
        case 'f':
            ++p_;
            face();
            break;
        case 'g':
        case 'o':
            ++p_;
            group();
            break;
        default:
            break;
        }
        skipLine();
    }

    void skipBlanks()
    {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t'))
            ++p_;
    }

    void skipLine()
    {
        const void* feed = std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_));
        p_ = feed ? static_cast<const char*>(feed) + 1 : end_;
    }

    bool atLineEnd() const { return p_ == end_ || *p_ == '\n' || *p_ == '\r'; }

    // A malformed number reads as 0 and leaves the cursor on the offending byte,
    // so the rest of that line's coordinates read as 0 too.
    float readNumber()
    {
        skipBlanks();
        double value = 0;
        DecimalNumber::read(p_, end_, value);
        return static_cast<float>(value);
    }

    Vector3 readVector()
    {
        const float x = readNumber();
        const float y = readNumber();
        const float z = readNumber();
        return {x, y, z};
    }

    bool isDigit() const { return p_ < end_ && static_cast<unsigned>(*p_ - '0') < 10; }

    // Optional "-" and decimal digits, saturating far above any valid vertex number.
    std::int64_t readInteger(bool& anyDigit)
    {
        const bool negative = p_ < end_ && *p_ == '-';
        if (negative)
            ++p_;
        std::int64_t value = 0;
        anyDigit = false;
        for (; isDigit(); ++p_, anyDigit = true)
            value = std::min<std::int64_t>(value * 10 + (*p_ - '0'), std::int64_t {1} << 40);
        return negative ? -value : value;
    }

    bool readReference(Reference& reference)
    {
        bool anyDigit = false;
        const char* start = p_;
        reference.vertex = readInteger(anyDigit);
        if (!anyDigit) {
            p_ = start;
            return false;
        }
        reference.normal = 0;
        if (p_ < end_ && *p_ == '/') {
            ++p_;
            readInteger(anyDigit); // texture coordinate, unused
            if (p_ < end_ && *p_ == '/') {
                ++p_;
                reference.normal = readInteger(anyDigit);
            }
        }
        return true;
    }

    // Appends the vertex a face names: 0 and numbers past 2^32 name none;
    // relative numbers are settled once the positions before the piece are known.
    void push(std::int64_t number)
    {
        auto& triangles = piece_.triangles(current_);
        if (number > 0) {
            triangles.push_back(number - 1 < noVertex ? static_cast<std::uint32_t>(number - 1) : noVertex);
        } else if (number == 0) {
            triangles.push_back(noVertex);
        } else {
            piece_.relative.push_back(
                {current_, triangles.size(), static_cast<std::int64_t>(piece_.positions.size()) + number});
            triangles.push_back(noVertex);
        }
    }

    // A fan around the first reference; triangles are emitted as references come.
    void face()
    {
        std::size_t count = 0;
        std::int64_t first = 0, previous = 0;
        Reference reference;
        for (;;) {
            skipBlanks();
            if (atLineEnd() || !readReference(reference))
                break;
            if (reference.normal != 0 && reference.normal != reference.vertex)
                piece_.normalsAligned = false;
            if (count == 0) {
                first = reference.vertex;
            } else if (count >= 2) {
                push(first);
                push(previous);
                push(reference.vertex);
            }
            previous = reference.vertex;
            ++count;
        }
    }

    void group()
    {
        skipBlanks();
        const char* start = p_;
        while (!atLineEnd())
            ++p_;
        piece_.segments.push_back(
            {std::string(UnicodeText::trimmingBlanksAndLineBreaks(
                 UnicodeText::repairedUTF8({start, static_cast<std::size_t>(p_ - start)}))),
                {}});
        current_ = piece_.segments.size() - 1;
    }

    const char* p_;
    const char* end_;
    Piece piece_;
    std::size_t current_ = Piece::leadSegment;
};

// The text cut at line starts into pieces of about `pieceBytes`.
std::vector<std::span<const char>> pieces(std::span<const char> text, std::size_t pieceBytes)
{
    std::vector<std::span<const char>> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t cut = text.size() - start > pieceBytes ? start + pieceBytes : text.size();
        if (cut < text.size()) {
            const void* feed = std::memchr(text.data() + cut, '\n', text.size() - cut);
            cut = feed ? std::size_t(static_cast<const char*>(feed) - text.data()) + 1 : text.size();
        }
        result.push_back(text.subspan(start, cut - start));
        start = cut;
    }
    return result;
}

// Settles the piece's relative vertex numbers now that `base` positions come
// before it; numbers reaching back past the file's first vertex stop there.
void settleRelative(Piece& piece, std::size_t base)
{
    for (const auto& index : piece.relative) {
        const auto resolved = static_cast<std::int64_t>(base) + index.fromPieceStart;
        piece.triangles(index.segment)[index.at] = resolved < 0 ? 0 : static_cast<std::uint32_t>(resolved);
    }
    piece.relative = {};
}

// The pieces joined in file order, as if the file had been read in one go:
// triangles before a piece's first group statement continue the group open at
// the end of the piece before it.
Result join(std::vector<Piece>& parts)
{
    Result result;
    std::size_t positions = 0, normals = 0;
    bool normalsAligned = true;
    for (auto& part : parts) {
        settleRelative(part, positions);
        positions += part.positions.size();
        normals += part.normals.size();
        normalsAligned = normalsAligned && part.normalsAligned;
    }
    result.positions.reserve(positions);
    result.normals.reserve(normals);
    Segment open;
    auto close = [&] {
        if (!open.triangles.empty())
            result.groups.push_back({std::move(open.name), std::move(open.triangles)});
        open = {};
    };
    for (auto& part : parts) {
        result.positions.insert(result.positions.end(), part.positions.begin(), part.positions.end());
        result.normals.insert(result.normals.end(), part.normals.begin(), part.normals.end());
        part.positions = {};
        part.normals = {};
        if (open.triangles.empty())
            open.triangles = std::move(part.lead);
        else
            open.triangles.insert(open.triangles.end(), part.lead.begin(), part.lead.end());
        for (auto& segment : part.segments) {
            close();
            open = std::move(segment);
        }
        part = {};
    }
    close();
    if (!normalsAligned || result.normals.size() != result.positions.size())
        result.normals.clear();
    return result;
}

} // namespace

Failure::Failure(Kind kind, std::string path)
    : std::runtime_error("File OBJ non leggibile: " + path)
    , kind_(kind)
    , path_(std::move(path))
{
}

std::vector<std::uint32_t> Result::allIndices() const
{
    std::size_t total = 0;
    for (const Group& group : groups)
        total += group.indices.size();
    std::vector<std::uint32_t> indices;
    indices.reserve(total);
    for (const Group& group : groups)
        indices.insert(indices.end(), group.indices.begin(), group.indices.end());
    return indices;
}

namespace {

// Maps the vertex numbers of a file to those of one group's own mesh: the
// group's vertices in ascending order, numbered from 0. A table over the span
// of the group's numbers where that span is small, else a search, so the work
// follows the group's size and never the file's.
class GroupNumbering {
public:
    explicit GroupNumbering(std::vector<std::uint32_t> used)
        : used_(std::move(used))
    {
        std::ranges::sort(used_);
        used_.erase(std::unique(used_.begin(), used_.end()), used_.end());
        if (used_.empty())
            return;
        first_ = used_.front();
        const std::size_t span = std::size_t(used_.back() - first_) + 1;
        if (span <= 4 * used_.size() + 4096) {
            table_.resize(span);
            for (std::size_t local = 0; local < used_.size(); ++local)
                table_[used_[local] - first_] = static_cast<std::uint32_t>(local);
        }
    }

    // The file's vertex numbers of the group's vertices, ascending.
    const std::vector<std::uint32_t>& fileVertices() const { return used_; }

    // `vertex` must be one of fileVertices().
    std::uint32_t local(std::uint32_t vertex) const
    {
        if (!table_.empty())
            return table_[vertex - first_];
        return static_cast<std::uint32_t>(std::ranges::lower_bound(used_, vertex) - used_.begin());
    }

private:
    std::vector<std::uint32_t> used_;
    std::uint32_t first_ = 0;
    std::vector<std::uint32_t> table_;
};

} // namespace

RawMesh Result::groupMesh(std::size_t group) const
{
    RawMesh mesh;
    if (group >= groups.size())
        return mesh;
    const Group& source = groups[group];
    mesh.name = source.name;
    std::vector<std::uint32_t> used;
    used.reserve(source.indices.size());
    for (std::uint32_t index : source.indices) {
        if (index < positions.size())
            used.push_back(index);
    }
    const GroupNumbering numbering(std::move(used));
    const bool withNormals = normals.size() == positions.size();
    mesh.positions.reserve(numbering.fileVertices().size());
    if (withNormals)
        mesh.normals.reserve(numbering.fileVertices().size());
    for (std::uint32_t vertex : numbering.fileVertices()) {
        mesh.positions.push_back(positions[vertex]);
        if (withNormals)
            mesh.normals.push_back(normals[vertex]);
    }
    mesh.indices.reserve(source.indices.size());
    for (std::size_t t = 0; t + 3 <= source.indices.size(); t += 3) {
        const std::uint32_t* corners = &source.indices[t];
        if (corners[0] < positions.size() && corners[1] < positions.size() && corners[2] < positions.size())
            mesh.indices.insert(mesh.indices.end(),
                {numbering.local(corners[0]), numbering.local(corners[1]), numbering.local(corners[2])});
    }
    return mesh;
}

Result load(const std::filesystem::path& path)
{
    try {
        SourceFile file(path);
        return parse(file.bytes());
    } catch (const std::system_error&) {
        throw Failure(Failure::Kind::unreadable, path.string());
    }
}

Result parse(std::span<const std::uint8_t> bytes, std::size_t pieceBytes)
{
    const auto parts = pieces({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, pieceBytes);
    // A file of one piece is read on the calling thread: an import reads many
    // such files at once.
    const auto forEach = [&](std::size_t count, const std::function<void(std::size_t)>& work) {
        if (parts.size() == 1) {
            for (std::size_t item = 0; item < count; ++item)
                work(item);
        } else {
            ParallelWork::forEach(count, work, count, [](std::size_t) {});
        }
    };
    std::vector<Piece> read(parts.size());
    forEach(parts.size(), [&](std::size_t part) { read[part] = Parser(parts[part]).run(); });
    Result result = join(read);
    forEach(result.groups.size(), [&](std::size_t group) {
        MeshGeometry::dropInvalidTriangles(result.positions, result.groups[group].indices);
    });
    std::erase_if(result.groups, [](const Group& group) { return group.indices.empty(); });
    return result;
}

} // namespace morvena::OBJLoader
