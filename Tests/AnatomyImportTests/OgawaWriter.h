#pragma once

#include "AnatomyCore/Math/Float3.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace morvena::test {

// A small writer of Alembic archives in the Ogawa layout for the reader's tests:
// objects with metadata, children and properties; compound and array properties
// with their samples. Every field is written at full width and metadata inline
// unless it is in the table given to the constructor, both of which the format
// allows. Groups and data blocks can also be written one by one, for archives
// whose structure a test bends on purpose.
class OgawaWriter {
public:
    static constexpr std::uint64_t emptyGroup = 0;
    static constexpr std::uint64_t emptyData = std::uint64_t {1} << 63;

    enum Kind { compound = 0, array = 2, oneElementArray = 3 };
    enum Pod { uint32 = 5, int32 = 6, float32 = 10, float64 = 11 };

    struct Property {
        std::string name;
        Kind kind = array;
        Pod pod = float32;
        int extent = 3;
        std::string metadata;
        std::vector<std::string> samples; // each sample's values, without the key
        std::vector<Property> children; // of a compound
    };

    struct Object {
        std::string name;
        std::string metadata;
        std::vector<Property> properties;
        std::vector<Object> children;
    };

    explicit OgawaWriter(std::vector<std::string> indexedMetadata = {})
        : indexed_(std::move(indexedMetadata))
    {
        out_.assign(16, '\0');
    }

    // --- Blocks. ---

    std::uint64_t data(const std::string& bytes)
    {
        const std::uint64_t at = out_.size();
        put(bytes.size(), 8);
        out_ += bytes;
        return at | emptyData;
    }

    std::uint64_t group(const std::vector<std::uint64_t>& children)
    {
        const std::uint64_t at = out_.size();
        put(children.size(), 8);
        for (std::uint64_t child : children)
            put(child, 8);
        return at;
    }

    // The archive around the top object's group: the root's six children, the
    // header last.
    std::string finish(std::uint64_t topObject)
    {
        std::string table;
        for (const auto& entry : indexed_)
            table += static_cast<char>(entry.size()) + entry;
        const std::uint64_t root = group(
            {data(le(0, 4)), data(le(10801, 4)), topObject, data("Morvena tests"), data(""), data(table)});
        std::string bytes = out_;
        std::memcpy(bytes.data(), "Ogawa\xff\x00\x01", 8);
        std::memcpy(bytes.data() + 8, le(root, 8).data(), 8);
        return bytes;
    }

    // --- Objects and properties. ---

    std::string archive(const std::vector<Object>& topChildren)
    {
        return finish(object({"", "", {}, topChildren}));
    }

    // Its properties' group, its children's groups, then their headers and the
    // 32 bytes of digests.
    std::uint64_t object(const Object& object)
    {
        std::vector<std::uint64_t> children {properties(object.properties)};
        std::string headers;
        for (const Object& child : object.children) {
            children.push_back(this->object(child));
            headers += le(child.name.size(), 4) + child.name + le(indexOf(child.metadata), 1);
            headers += inlineMetadata(child.metadata);
        }
        children.push_back(data(headers + std::string(32, '\0')));
        return group(children);
    }

    std::uint64_t properties(const std::vector<Property>& properties)
    {
        if (properties.empty())
            return emptyGroup;
        std::vector<std::uint64_t> children;
        std::string headers;
        for (const Property& property : properties) {
            children.push_back(
                property.kind == compound ? this->properties(property.children) : samples(property));
            headers += header(property);
        }
        children.push_back(data(headers));
        return group(children);
    }

    // Per sample, the values behind a 16-byte key, then the dimensions (none:
    // one dimension).
    std::uint64_t samples(const Property& property)
    {
        if (property.samples.empty())
            return emptyGroup;
        std::vector<std::uint64_t> children;
        for (const std::string& values : property.samples)
            children.insert(children.end(), {data(std::string(16, '\x5a') + values), emptyData});
        return group(children);
    }

    // --- Values. ---

    static std::string le(std::uint64_t value, int width)
    {
        std::string bytes;
        for (int b = 0; b < width; ++b)
            bytes.push_back(static_cast<char>(value >> (8 * b)));
        return bytes;
    }

    static std::string floats(const std::vector<Float3>& values)
    {
        std::string bytes(values.size() * 12, '\0');
        for (std::size_t i = 0; i < values.size(); ++i)
            std::memcpy(bytes.data() + 12 * i, &values[i], 12);
        return bytes;
    }

    template <typename Integer> static std::string ints(const std::vector<Integer>& values)
    {
        std::string bytes;
        for (Integer value : values)
            bytes += le(static_cast<std::uint32_t>(value), 4);
        return bytes;
    }

private:
    // Kind, field width 4 bytes, type, first and last changed index, extent and
    // metadata index; then the sample count and changed indices (all but
    // compounds), the name and the inline metadata.
    std::string header(const Property& property)
    {
        const std::uint64_t metadataIndex = indexOf(property.metadata);
        std::uint32_t info = property.kind | 2u << 2 | static_cast<std::uint32_t>(metadataIndex) << 20;
        std::string fields;
        if (property.kind != compound) {
            info |= property.pod << 4 | 0x200u | static_cast<std::uint32_t>(property.extent) << 12;
            const std::size_t count = property.samples.size();
            fields += le(count, 4) + le(count > 1 ? 1 : 0, 4) + le(count > 1 ? count - 1 : 0, 4);
        }
        return le(info, 4) + fields + le(property.name.size(), 4) + property.name
            + inlineMetadata(property.metadata);
    }

    std::string inlineMetadata(const std::string& metadata) const
    {
        return indexOf(metadata) == 0xff ? le(metadata.size(), 4) + metadata : "";
    }

    // 0 for none, 1 on for the table's entries, 0xff for inline metadata.
    std::uint64_t indexOf(const std::string& metadata) const
    {
        if (metadata.empty())
            return 0;
        for (std::size_t i = 0; i < indexed_.size(); ++i) {
            if (indexed_[i] == metadata)
                return i + 1;
        }
        return 0xff;
    }

    void put(std::uint64_t value, int width) { out_ += le(value, width); }

    std::vector<std::string> indexed_;
    std::string out_;
};

} // namespace morvena::test
