#include "AnatomyImport/Readers/OBJLoader.h"

#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/Geometry/MeshGeometry.h"
#include "AnatomyImport/Internal/ParallelWork.h"
#include "AnatomyImport/Readers/Internal/DecimalNumber.h"
#include "AnatomyImport/Readers/Internal/SourceFile.h"

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

// One stretch of the file after a `g` or `o` statement, until the next one.
struct Segment {
    std::string name;
    std::vector<std::uint32_t> triangles;
};

// The triangles of one piece of a file, read on its own.
struct Piece {
    std::vector<std::uint32_t> lead; // before the piece's first group statement
    std::vector<Segment> segments;
    bool normalsAligned = true;
};

enum class Statement { none, position, normal, face, group };

// What the line at `p` states; `p` moves past blanks and the keyword.
Statement statementAt(const char*& p, const char* end)
{
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    if (p == end)
        return Statement::none;
    switch (*p) {
    case 'v':
        if (end - p >= 2 && (p[1] == ' ' || p[1] == '\t')) {
            p += 1;
            return Statement::position;
        }
        if (end - p >= 2 && p[1] == 'n') {
            p += 2;
            return Statement::normal;
        }
        return Statement::none;
    case 'f':
        ++p;
        return Statement::face;
    case 'g':
    case 'o':
        ++p;
        return Statement::group;
    default:
        return Statement::none;
    }
}

const char* nextLine(const char* p, const char* end)
{
    const void* feed = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    return feed ? static_cast<const char*>(feed) + 1 : end;
}

struct VectorCounts {
    std::size_t positions = 0;
    std::size_t normals = 0;
};

VectorCounts countVectors(std::span<const char> text)
{
    VectorCounts counts;
    const char* end = text.data() + text.size();
    for (const char* p = text.data(); p < end; p = nextLine(p, end)) {
        const auto statement = statementAt(p, end);
        counts.positions += statement == Statement::position;
        counts.normals += statement == Statement::normal;
    }
    return counts;
}

// Reads one piece of a file: its positions and normals go straight to their
// places in the file's arrays, as countVectors() counted them; `positionBase`
// positions come before the piece.
class Parser {
public:
    Parser(std::span<const char> text, std::span<Float3> positions, std::size_t positionBase,
        std::span<Float3> normals)
        : p_(text.data())
        , end_(text.data() + text.size())
        , positions_(positions)
        , normals_(normals)
        , positionBase_(positionBase)
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
        switch (statementAt(p_, end_)) {
        case Statement::position:
            if (positionCount_ < positions_.size()) // always, as counted
                positions_[positionCount_++] = readVector();
            break;
        case Statement::normal:
            if (normalCount_ < normals_.size())
                normals_[normalCount_++] = readVector();
            break;
        case Statement::face:
            face();
            break;
        case Statement::group:
            group();
            break;
        case Statement::none:
            break;
        }
        p_ = nextLine(p_, end_);
    }

    void skipBlanks()
    {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t'))
            ++p_;
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

    Float3 readVector()
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

    // Relative numbers count back from the positions read so far and stop at the
    // first vertex; 0 and numbers past 2^32 can name no vertex at all.
    std::uint32_t resolve(std::int64_t number) const
    {
        if (number > 0)
            return number - 1 < noVertex ? static_cast<std::uint32_t>(number - 1) : noVertex;
        if (number == 0)
            return noVertex;
        const auto resolved = static_cast<std::int64_t>(positionBase_ + positionCount_) + number;
        return resolved < 0 ? 0 : static_cast<std::uint32_t>(resolved);
    }

    // A fan around the first reference; triangles are emitted as references come.
    void face()
    {
        auto& triangles = piece_.segments.empty() ? piece_.lead : piece_.segments.back().triangles;
        std::size_t count = 0;
        std::uint32_t first = 0, previous = 0;
        Reference reference;
        for (;;) {
            skipBlanks();
            if (atLineEnd() || !readReference(reference))
                break;
            if (reference.normal != 0 && reference.normal != reference.vertex)
                piece_.normalsAligned = false;
            const std::uint32_t index = resolve(reference.vertex);
            if (count == 0)
                first = index;
            else if (count >= 2)
                triangles.insert(triangles.end(), {first, previous, index});
            previous = index;
            ++count;
        }
    }

    void group()
    {
        skipBlanks();
        const char* start = p_;
        while (!atLineEnd())
            ++p_;
        piece_.segments.push_back({std::string(UnicodeText::trimmingBlanksAndLineBreaks(
                                       {start, static_cast<std::size_t>(p_ - start)})),
            {}});
    }

    const char* p_;
    const char* end_;
    std::span<Float3> positions_;
    std::span<Float3> normals_;
    std::size_t positionBase_;
    std::size_t positionCount_ = 0;
    std::size_t normalCount_ = 0;
    Piece piece_;
};

// The text cut at line starts into pieces of about `pieceBytes`.
std::vector<std::span<const char>> pieces(std::span<const char> text, std::size_t pieceBytes)
{
    std::vector<std::span<const char>> result;
    std::size_t start = 0;
    while (start < text.size()) {
        const char* cut = text.size() - start > pieceBytes
            ? nextLine(text.data() + start + pieceBytes, text.data() + text.size())
            : text.data() + text.size();
        result.push_back(text.subspan(start, std::size_t(cut - text.data()) - start));
        start = std::size_t(cut - text.data());
    }
    return result;
}

// The pieces' triangles grouped as if the file had been read in one go:
// triangles before a piece's first group statement continue the group open at
// the end of the piece before it.
void group(std::vector<Piece>& parts, Result& result)
{
    Segment open;
    auto close = [&] {
        if (!open.triangles.empty())
            result.groups.push_back({std::move(open.name), std::move(open.triangles)});
        open = {};
    };
    for (auto& part : parts) {
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
}

} // namespace

Failure::Failure(Kind kind, std::string path, std::string_view reason)
    : std::runtime_error(
        "File OBJ non leggibile: " + path + (reason.empty() ? "" : " (" + std::string(reason) + ")"))
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

RawMesh Result::groupMesh(std::size_t group) const
{
    if (group >= groups.size())
        return {};
    const Group& source = groups[group];
    auto mesh = MeshGeometry::usedVertices(positions, normals, source.indices);
    mesh.name = source.name;
    return mesh;
}

Result load(const std::filesystem::path& path)
{
    try {
        SourceFile file(path);
        return parse(file.bytes());
    } catch (const SourceFile::Refused& refusal) {
        throw Failure(Failure::Kind::unreadable, path.string(), refusal.what());
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
    // Counted first, the positions and normals are read straight into arrays
    // of their final size.
    std::vector<VectorCounts> counts(parts.size());
    forEach(parts.size(), [&](std::size_t part) { counts[part] = countVectors(parts[part]); });
    std::vector<VectorCounts> bases(parts.size());
    VectorCounts total;
    for (std::size_t part = 0; part < parts.size(); ++part) {
        bases[part] = total;
        total.positions += counts[part].positions;
        total.normals += counts[part].normals;
    }
    Result result;
    result.positions.resize(total.positions);
    result.normals.resize(total.normals);
    const std::span<Float3> positions(result.positions), normals(result.normals);
    std::vector<Piece> read(parts.size());
    forEach(parts.size(), [&](std::size_t part) {
        const auto [positionBase, normalBase] = bases[part];
        Parser parser(parts[part], positions.subspan(positionBase, counts[part].positions), positionBase,
            normals.subspan(normalBase, counts[part].normals));
        read[part] = parser.run();
    });
    const bool normalsAligned
        = std::ranges::all_of(read, [](const Piece& piece) { return piece.normalsAligned; });
    group(read, result);
    if (!normalsAligned || result.normals.size() != result.positions.size())
        result.normals = {};
    forEach(result.groups.size(), [&](std::size_t group) {
        MeshGeometry::dropInvalidTriangles(result.positions, result.groups[group].indices);
    });
    std::erase_if(result.groups, [](const Group& group) { return group.indices.empty(); });
    return result;
}

} // namespace morvena::OBJLoader
