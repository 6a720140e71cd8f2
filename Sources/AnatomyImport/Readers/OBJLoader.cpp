#include "AnatomyImport/Readers/OBJLoader.h"

#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/Geometry/MeshGeometry.h"
#include "AnatomyImport/Readers/Internal/DecimalNumber.h"
#include "AnatomyImport/Readers/Internal/SourceFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace morvena::OBJLoader {

namespace {

constexpr std::uint32_t noVertex = std::numeric_limits<std::uint32_t>::max();

struct Reference {
    std::int64_t vertex = 0;
    std::int64_t normal = 0; // 0 when the reference names no normal
};

class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> bytes)
        : p_(reinterpret_cast<const char*>(bytes.data()))
        , end_(p_ + bytes.size())
    {
    }

    Result run()
    {
        while (p_ < end_)
            statement();
        closeGroup();
        finish();
        return std::move(result_);
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
                result_.positions.push_back(readVector());
            } else if (end_ - p_ >= 2 && p_[1] == 'n') {
                p_ += 2;
                result_.normals.push_back(readVector());
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
        const auto resolved = static_cast<std::int64_t>(result_.positions.size()) + number;
        return resolved < 0 ? 0 : static_cast<std::uint32_t>(resolved);
    }

    // A fan around the first reference; triangles are emitted as references come.
    void face()
    {
        std::size_t count = 0;
        std::uint32_t first = 0, previous = 0;
        Reference reference;
        for (;;) {
            skipBlanks();
            if (atLineEnd() || !readReference(reference))
                break;
            if (reference.normal != 0 && reference.normal != reference.vertex)
                normalsAligned_ = false;
            const std::uint32_t index = resolve(reference.vertex);
            if (count == 0)
                first = index;
            else if (count >= 2)
                triangles_.insert(triangles_.end(), {first, previous, index});
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
        std::string name(UnicodeText::trimmingBlanksAndLineBreaks(
            UnicodeText::repairedUTF8({start, static_cast<std::size_t>(p_ - start)})));
        closeGroup();
        groupName_ = std::move(name);
    }

    void closeGroup()
    {
        if (triangles_.empty())
            return;
        result_.groups.push_back({groupName_, std::move(triangles_)});
        triangles_ = {};
    }

    void finish()
    {
        for (Group& group : result_.groups)
            MeshGeometry::dropInvalidTriangles(result_.positions, group.indices);
        std::erase_if(result_.groups, [](const Group& group) { return group.indices.empty(); });
        if (!normalsAligned_ || result_.normals.size() != result_.positions.size())
            result_.normals.clear();
    }

    const char* p_;
    const char* end_;
    Result result_;
    std::string groupName_;
    std::vector<std::uint32_t> triangles_;
    bool normalsAligned_ = true;
};

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

RawMesh Result::groupMesh(std::size_t group) const
{
    RawMesh mesh;
    if (group >= groups.size())
        return mesh;
    const Group& source = groups[group];
    mesh.name = source.name;
    std::vector<std::uint32_t> renumbered(positions.size(), noVertex);
    for (std::uint32_t index : source.indices) {
        if (index < positions.size())
            renumbered[index] = 0;
    }
    const bool withNormals = normals.size() == positions.size();
    for (std::size_t vertex = 0; vertex < positions.size(); ++vertex) {
        if (renumbered[vertex] == noVertex)
            continue;
        renumbered[vertex] = static_cast<std::uint32_t>(mesh.positions.size());
        mesh.positions.push_back(positions[vertex]);
        if (withNormals)
            mesh.normals.push_back(normals[vertex]);
    }
    mesh.indices.reserve(source.indices.size());
    for (std::size_t t = 0; t + 3 <= source.indices.size(); t += 3) {
        const std::uint32_t* corners = &source.indices[t];
        if (corners[0] < positions.size() && corners[1] < positions.size() && corners[2] < positions.size())
            mesh.indices.insert(
                mesh.indices.end(), {renumbered[corners[0]], renumbered[corners[1]], renumbered[corners[2]]});
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

Result parse(std::span<const std::uint8_t> bytes)
{
    return Parser(bytes).run();
}

} // namespace morvena::OBJLoader
