#pragma once

#include "AnatomyImport/Geometry/RawMesh.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace morvena::test {

// A small writer of binary USD layers (crate format) for the reader's tests: prims
// with a specifier, a type and their children's order, attributes with a default
// value and an interpolation. Blocks are LZ4 literal runs and every integer is
// coded at full width, which the format allows; what a test damages on purpose it
// patches in the result.
class CrateWriter {
public:
    enum Specifier { def = 0, over = 1, klass = 2 };

    explicit CrateWriter(int minorVersion = 8)
        : minor_(minorVersion)
    {
        values_.assign(88, 0); // the header, written last
        token(""); // token 0 cannot name a property: its negation is itself
        paths_.push_back({none, "", false, {}});
        specs_.push_back({0, 7, {}}); // the pseudo-root
    }

    // A prim below `parent` (0: the root); it is listed in the parent's children.
    std::uint32_t prim(std::uint32_t parent, const std::string& name, const std::string& type = "",
        Specifier specifier = def)
    {
        const std::uint32_t path = addPath(parent, name, false);
        std::vector<Field> fields {{"specifier", rep(42, true, false, specifier)}};
        if (!type.empty())
            fields.push_back({"typeName", rep(11, true, false, token(type))});
        specs_.push_back({path, 6, fields});
        return path;
    }

    void attribute(std::uint32_t prim, const std::string& name, std::uint64_t value,
        const std::string& interpolation = "")
    {
        std::vector<Field> fields {{"default", value}};
        if (!interpolation.empty())
            fields.push_back({"interpolation", rep(11, true, false, token(interpolation))});
        specs_.push_back({addPath(prim, name, true), 1, fields});
    }

    std::uint64_t vectors(const std::vector<Float3>& values)
    {
        const std::uint64_t at = arrayHeader(values.size());
        for (const auto& v : values) {
            for (float component : {v.x, v.y, v.z})
                put32(values_, std::bit_cast<std::uint32_t>(component));
        }
        return rep(24, false, true, at);
    }

    // Compressed with the integer coding from 16 values on (version 0.5.0 and later).
    std::uint64_t ints(const std::vector<std::int32_t>& values)
    {
        const std::uint64_t at = arrayHeader(values.size());
        std::vector<std::uint32_t> bits(values.begin(), values.end());
        if (minor_ >= 5 && values.size() >= 16) {
            putCompressed(values_, bits);
            return rep(3, false, true, at) | std::uint64_t {1} << 61;
        }
        for (std::uint32_t value : bits)
            put32(values_, value);
        return rep(3, false, true, at);
    }

    // The finished layer; the writer itself stays open for more prims.
    std::vector<std::uint8_t> bytes() const
    {
        CrateWriter finished = *this;
        return finished.finish();
    }

private:
    static constexpr std::uint32_t none = 0xFFFFFFFF;
    using Field = std::pair<std::string, std::uint64_t>;
    struct Path {
        std::uint32_t parent;
        std::string name;
        bool isProperty;
        std::vector<std::uint32_t> children;
    };
    struct Spec {
        std::uint32_t path;
        std::uint32_t type;
        std::vector<Field> fields;
    };

    std::vector<std::uint8_t> finish()
    {
        std::vector<std::uint8_t> out = values_;
        out[0] = 'P', out[1] = 'X', out[2] = 'R', out[3] = '-', out[4] = 'U', out[5] = 'S', out[6] = 'D',
        out[7] = 'C';
        out[9] = static_cast<std::uint8_t>(minor_);
        addChildLists(out);
        // Tokens last: the other sections add the names they use.
        auto fields = fieldsSection();
        auto fieldSets = fieldSetsSection();
        auto paths = pathsSection();
        auto specs = specsSection();
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> sections {{"TOKENS", tokensSection()},
            {"STRINGS", std::vector<std::uint8_t>(8, 0)}, {"FIELDS", fields}, {"FIELDSETS", fieldSets},
            {"PATHS", paths}, {"SPECS", specs}};
        std::vector<std::uint8_t> toc;
        put64(toc, sections.size());
        for (auto& [name, data] : sections) {
            std::string padded = name;
            padded.resize(16, '\0');
            toc.insert(toc.end(), padded.begin(), padded.end());
            put64(toc, out.size());
            put64(toc, data.size());
            out.insert(out.end(), data.begin(), data.end());
        }
        for (int b = 0; b < 8; ++b)
            out[16 + b] = static_cast<std::uint8_t>(out.size() >> (8 * b));
        out.insert(out.end(), toc.begin(), toc.end());
        return out;
    }

    static std::uint64_t rep(std::uint64_t type, bool inlined, bool array, std::uint64_t payload)
    {
        return (array ? std::uint64_t {1} << 63 : 0) | (inlined ? std::uint64_t {1} << 62 : 0) | type << 48
            | payload;
    }

    static void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
    {
        for (int b = 0; b < 4; ++b)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * b)));
    }

    static void put64(std::vector<std::uint8_t>& out, std::uint64_t value)
    {
        put32(out, static_cast<std::uint32_t>(value));
        put32(out, static_cast<std::uint32_t>(value >> 32));
    }

    // A chunk-count byte of 0 and one LZ4 block of literals only.
    static std::vector<std::uint8_t> lz4(const std::vector<std::uint8_t>& data)
    {
        std::vector<std::uint8_t> block {
            0, static_cast<std::uint8_t>(std::min<std::size_t>(data.size(), 15) << 4)};
        if (data.size() >= 15) {
            std::size_t rest = data.size() - 15;
            for (; rest >= 255; rest -= 255)
                block.push_back(255);
            block.push_back(static_cast<std::uint8_t>(rest));
        }
        block.insert(block.end(), data.begin(), data.end());
        return block;
    }

    // uint64 compressed size, then the integer coding with every delta 32 bits wide.
    static void putCompressed(std::vector<std::uint8_t>& out, const std::vector<std::uint32_t>& values)
    {
        std::vector<std::uint8_t> coded;
        put32(coded, 0);
        coded.insert(coded.end(), (values.size() + 3) / 4, 0xFF);
        std::uint32_t previous = 0;
        for (std::uint32_t value : values) {
            put32(coded, value - previous);
            previous = value;
        }
        const auto block = lz4(coded);
        put64(out, block.size());
        out.insert(out.end(), block.begin(), block.end());
    }

    std::uint32_t token(const std::string& text)
    {
        for (std::size_t t = 0; t < tokens_.size(); ++t) {
            if (tokens_[t] == text)
                return static_cast<std::uint32_t>(t);
        }
        tokens_.push_back(text);
        return static_cast<std::uint32_t>(tokens_.size() - 1);
    }

    std::uint32_t addPath(std::uint32_t parent, const std::string& name, bool isProperty)
    {
        token(name);
        paths_.push_back({parent, name, isProperty, {}});
        const auto path = static_cast<std::uint32_t>(paths_.size() - 1);
        paths_[parent].children.push_back(path);
        return path;
    }

    std::uint64_t arrayHeader(std::size_t count)
    {
        const std::uint64_t at = values_.size();
        if (minor_ < 5)
            put32(values_, 1); // rank
        if (minor_ < 7)
            put32(values_, static_cast<std::uint32_t>(count));
        else
            put64(values_, count);
        return at;
    }

    // Each prim and the pseudo-root list their prim children, in order.
    void addChildLists(std::vector<std::uint8_t>& out)
    {
        for (Spec& spec : specs_) {
            if (spec.type != 6 && spec.type != 7)
                continue;
            std::vector<std::uint32_t> names;
            for (std::uint32_t child : paths_[spec.path].children) {
                if (!paths_[child].isProperty)
                    names.push_back(token(paths_[child].name));
            }
            spec.fields.push_back({"primChildren", rep(41, false, false, out.size())});
            put64(out, names.size());
            for (std::uint32_t name : names)
                put32(out, name);
        }
    }

    std::vector<std::uint8_t> tokensSection()
    {
        std::vector<std::uint8_t> text;
        for (const auto& t : tokens_) {
            text.insert(text.end(), t.begin(), t.end());
            text.push_back(0);
        }
        std::vector<std::uint8_t> out;
        put64(out, tokens_.size());
        put64(out, text.size());
        const auto block = lz4(text);
        put64(out, block.size());
        out.insert(out.end(), block.begin(), block.end());
        return out;
    }

    std::vector<std::uint8_t> fieldsSection()
    {
        fieldSets_.clear();
        std::vector<std::uint32_t> names;
        std::vector<std::uint8_t> reps;
        for (Spec& spec : specs_) {
            fieldSetOf_.push_back(static_cast<std::uint32_t>(fieldSets_.size()));
            for (const auto& [name, value] : spec.fields) {
                fieldSets_.push_back(static_cast<std::uint32_t>(names.size()));
                names.push_back(token(name));
                put64(reps, value);
            }
            fieldSets_.push_back(none);
        }
        std::vector<std::uint8_t> out;
        put64(out, names.size());
        putCompressed(out, names);
        const auto block = lz4(reps);
        put64(out, block.size());
        out.insert(out.end(), block.begin(), block.end());
        return out;
    }

    std::vector<std::uint8_t> fieldSetsSection()
    {
        std::vector<std::uint8_t> out;
        put64(out, fieldSets_.size());
        putCompressed(out, fieldSets_);
        return out;
    }

    // Depth first from the root; jumps as the reader documents them.
    std::vector<std::uint8_t> pathsSection()
    {
        std::vector<std::uint32_t> targets, names, jumps;
        encode(0, false, targets, names, jumps);
        std::vector<std::uint8_t> out;
        put64(out, paths_.size());
        put64(out, targets.size());
        putCompressed(out, targets);
        putCompressed(out, names);
        putCompressed(out, jumps);
        return out;
    }

    void encode(std::uint32_t path, bool hasSibling, std::vector<std::uint32_t>& targets,
        std::vector<std::uint32_t>& names, std::vector<std::uint32_t>& jumps)
    {
        const std::size_t entry = targets.size();
        const auto name = static_cast<std::int32_t>(path == 0 ? 0 : token(paths_[path].name));
        targets.push_back(path);
        names.push_back(static_cast<std::uint32_t>(paths_[path].isProperty ? -name : name));
        jumps.push_back(0);
        const auto& children = paths_[path].children;
        for (std::size_t c = 0; c < children.size(); ++c)
            encode(children[c], c + 1 < children.size(), targets, names, jumps);
        const bool hasChild = !children.empty();
        const auto jump = hasChild && hasSibling ? static_cast<std::int32_t>(targets.size() - entry)
            : hasChild                           ? -1
            : hasSibling                         ? 0
                                                 : -2;
        jumps[entry] = static_cast<std::uint32_t>(jump);
    }

    std::vector<std::uint8_t> specsSection()
    {
        std::vector<std::uint32_t> paths, sets, types;
        for (std::size_t s = 0; s < specs_.size(); ++s) {
            paths.push_back(specs_[s].path);
            sets.push_back(fieldSetOf_[s]);
            types.push_back(specs_[s].type);
        }
        std::vector<std::uint8_t> out;
        put64(out, specs_.size());
        putCompressed(out, paths);
        putCompressed(out, sets);
        putCompressed(out, types);
        return out;
    }

    int minor_;
    std::vector<std::uint8_t> values_;
    std::vector<std::string> tokens_;
    std::vector<Path> paths_;
    std::vector<Spec> specs_;
    std::vector<std::uint32_t> fieldSets_;
    std::vector<std::uint32_t> fieldSetOf_;
};

} // namespace morvena::test
