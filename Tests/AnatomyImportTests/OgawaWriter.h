#pragma once

#include "AnatomyCore/Math/Float3.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace morvena::test {

// A small writer of Alembic archives in the Ogawa layout for the reader's tests:
// objects with metadata, children and properties; compound and array properties
// with their samples. Fields are written at full width and metadata inline, both
// of which the format allows; identical samples are written once and shared, as
// the format's writers do. Groups and data blocks can also be written one by
// one, for archives whose structure a test bends on purpose.
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

    std::uint64_t data(const std::string& bytes)
    {
        const std::uint64_t at = out_.size();
        out_ += le(bytes.size(), 8) + bytes;
        return at | emptyData;
    }

    std::uint64_t group(const std::vector<std::uint64_t>& children)
    {
        const std::uint64_t at = out_.size();
        out_ += le(children.size(), 8);
        for (std::uint64_t child : children)
            out_ += le(child, 8);
        return at;
    }

    // The archive around the top object's group: the root's six children (the
    // table of indexed metadata last), the header last.
    std::string finish(std::uint64_t topObject, const std::string& indexedMetadata = "")
    {
        const std::uint64_t root = group(
            {data(le(0, 4)), data(le(10801, 4)), topObject, data(""), data(""), data(indexedMetadata)});
        std::string bytes = out_;
        std::memcpy(bytes.data(), "Ogawa\xff\x00\x01", 8);
        std::memcpy(bytes.data() + 8, le(root, 8).data(), 8);
        return bytes;
    }

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
            headers += le(child.name.size(), 4) + child.name + metadata(child.metadata);
        }
        children.push_back(data(headers + std::string(32, '\0')));
        return group(children);
    }

    // One group per property, then their headers: kind, fields of 4 bytes, type,
    // first and last changed index, extent and metadata index in the bit fields;
    // then, but for compounds, the sample count and the changed indices; the
    // name; the metadata. Each array sample is its values behind a 16-byte key,
    // then empty dimensions (one dimension).
    std::uint64_t properties(const std::vector<Property>& properties)
    {
        if (properties.empty())
            return emptyGroup;
        std::vector<std::uint64_t> children;
        std::string headers;
        for (const Property& property : properties) {
            std::vector<std::uint64_t> samples;
            for (const std::string& values : property.samples)
                samples.insert(samples.end(), {sample(values), emptyData});
            children.push_back(property.kind == compound ? this->properties(property.children)
                    : samples.empty()                    ? emptyGroup
                                                         : group(samples));
            std::uint32_t info = property.kind | 2u << 2 | (property.metadata.empty() ? 0u : 0xffu << 20);
            std::string fields;
            if (property.kind != compound) {
                info |= property.pod << 4 | 0x200u | static_cast<std::uint32_t>(property.extent) << 12;
                const std::size_t count = property.samples.size();
                fields = le(count, 4) + le(count > 1, 4) + le(count > 1 ? count - 1 : 0, 4);
            }
            headers += le(info, 4) + fields + le(property.name.size(), 4) + property.name;
            headers += property.metadata.empty() ? "" : le(property.metadata.size(), 4) + property.metadata;
        }
        children.push_back(data(headers));
        return group(children);
    }

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
        std::memcpy(bytes.data(), values.data(), bytes.size());
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
    std::uint64_t sample(const std::string& values)
    {
        const auto [written, isNew] = samples_.try_emplace(values, 0);
        if (isNew)
            written->second = data(std::string(16, '\x5a') + values);
        return written->second;
    }

    // An object's metadata: index 0 for none, else 0xff and the text inline.
    static std::string metadata(const std::string& text)
    {
        return text.empty() ? le(0, 1) : le(0xff, 1) + le(text.size(), 4) + text;
    }

    std::string out_ = std::string(16, '\0');
    std::map<std::string, std::uint64_t> samples_; // values, and where they were written
};

} // namespace morvena::test
