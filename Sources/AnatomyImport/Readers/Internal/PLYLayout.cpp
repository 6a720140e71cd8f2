#include "AnatomyImport/Readers/Internal/PLYLayout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

namespace morvena::PLYLayout {

namespace {

enum class Format { ascii, littleEndian, bigEndian };

struct Property {
    std::size_t size = 0; // bytes of the value, or of each list item
    std::size_t countSize = 0; // bytes of a list's length; 0 for a single value
    bool signedCount = false;
};

struct Element {
    std::uint64_t count = 0;
    std::vector<Property> properties;
};

struct Header {
    Format format = Format::ascii;
    std::vector<Element> elements;
    std::size_t length = 0; // bytes up to and including the end line
};

struct TypeName {
    std::string_view name;
    std::size_t size;
    bool isInteger;
};

constexpr std::array<TypeName, 16> types {{{"char", 1, true}, {"uchar", 1, true}, {"short", 2, true},
    {"ushort", 2, true}, {"int", 4, true}, {"uint", 4, true}, {"int8", 1, true}, {"uint8", 1, true},
    {"int16", 2, true}, {"uint16", 2, true}, {"int32", 4, true}, {"uint32", 4, true}, {"float", 4, false},
    {"double", 8, false}, {"float32", 4, false}, {"float64", 8, false}}};

const TypeName* typeNamed(std::string_view name)
{
    auto found = std::ranges::find(types, name, &TypeName::name);
    return found == types.end() ? nullptr : &*found;
}

std::optional<std::uint64_t> unsignedNumber(std::string_view word)
{
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> result;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(" \t", at)) != std::string_view::npos) {
        const auto end = std::min(line.find_first_of(" \t", at), line.size());
        result.push_back(line.substr(at, end - at));
        at = end;
    }
    return result;
}

std::optional<Format> formatOf(const std::vector<std::string_view>& line)
{
    if (line.size() != 3 || line[0] != "format" || line[2] != "1.0")
        return std::nullopt;
    if (line[1] == "ascii")
        return Format::ascii;
    if (line[1] == "binary_little_endian")
        return Format::littleEndian;
    if (line[1] == "binary_big_endian")
        return Format::bigEndian;
    return std::nullopt;
}

// Adds one header line after the format line to the header; false when it is none.
bool addLine(const std::vector<std::string_view>& line, Header& header)
{
    if (line.empty())
        return false;
    if (line[0] == "comment" || line[0] == "obj_info")
        return true;
    if (line[0] == "element") {
        auto count = line.size() == 3 ? unsignedNumber(line[2]) : std::nullopt;
        if (!count)
            return false;
        header.elements.push_back({*count, {}});
        return true;
    }
    if (line[0] != "property" || header.elements.empty())
        return false;
    auto& properties = header.elements.back().properties;
    if (line.size() == 3) {
        const auto* type = typeNamed(line[1]);
        if (type)
            properties.push_back({type->size, 0});
        return type != nullptr;
    }
    const auto* countType = line.size() == 5 && line[1] == "list" ? typeNamed(line[2]) : nullptr;
    const auto* itemType = countType ? typeNamed(line[3]) : nullptr;
    if (!itemType || !countType->isInteger)
        return false;
    properties.push_back({itemType->size, countType->size, !countType->name.starts_with('u')});
    return true;
}

std::optional<Header> headerOf(std::string_view text)
{
    Header header;
    for (std::size_t number = 0;; ++number) {
        const auto end = text.find('\n', header.length);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view line = text.substr(header.length, end - header.length);
        header.length = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const auto lineWords = words(line);
        if (number == 0) {
            if (line != "ply")
                return std::nullopt;
        } else if (number == 1) {
            auto format = formatOf(lineWords);
            if (!format)
                return std::nullopt;
            header.format = *format;
        } else if (lineWords.size() == 1 && lineWords[0] == "end_header") {
            return header;
        } else if (!addLine(lineWords, header)) {
            return std::nullopt;
        }
    }
}

// The binary body, read record by record without keeping anything.
class BinaryBody {
public:
    BinaryBody(std::string_view bytes, bool bigEndian)
        : bytes_(bytes)
        , bigEndian_(bigEndian)
    {
    }

    bool holds(const Element& element)
    {
        // Every record takes at least one byte, which bounds the loop by the file.
        if (element.properties.empty())
            return element.count == 0;
        for (std::uint64_t record = 0; record < element.count; ++record) {
            for (const auto& property : element.properties) {
                auto items = property.countSize == 0 ? std::optional<std::uint64_t>(1) : listLength(property);
                if (!items || *items > (bytes_.size() - at_) / property.size)
                    return false;
                at_ += static_cast<std::size_t>(*items) * property.size;
            }
        }
        return true;
    }

private:
    // The list's length, or nothing when it is cut off or negative.
    std::optional<std::uint64_t> listLength(const Property& property)
    {
        if (bytes_.size() - at_ < property.countSize)
            return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < property.countSize; ++i) {
            const std::size_t index = bigEndian_ ? i : property.countSize - 1 - i;
            value = (value << 8) | static_cast<unsigned char>(bytes_[at_ + index]);
        }
        at_ += property.countSize;
        if (property.signedCount && (value >> (property.countSize * 8 - 1)) != 0)
            return std::nullopt; // negative

        return value;
    }

    std::string_view bytes_;
    bool bigEndian_;
    std::size_t at_ = 0;
};

// The ASCII body, one whitespace-separated word per value.
class TextBody {
public:
    explicit TextBody(std::string_view text)
        : text_(text)
    {
    }

    bool holds(const Element& element)
    {
        if (element.properties.empty())
            return element.count == 0;
        for (std::uint64_t record = 0; record < element.count; ++record) {
            for (const auto& property : element.properties) {
                auto word = next();
                if (!word)
                    return false;
                if (property.countSize == 0)
                    continue;
                auto length = unsignedNumber(*word);
                if (!length)
                    return false;
                for (std::uint64_t item = 0; item < *length; ++item) {
                    if (!next())
                        return false;
                }
            }
        }
        return true;
    }

private:
    std::optional<std::string_view> next()
    {
        const auto start = text_.find_first_not_of(" \t\r\n", at_);
        if (start == std::string_view::npos)
            return std::nullopt;
        at_ = std::min(text_.find_first_of(" \t\r\n", start), text_.size());
        return text_.substr(start, at_ - start);
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

template <typename Body> bool holdsAll(Body body, const std::vector<Element>& elements)
{
    return std::ranges::all_of(elements, [&body](const Element& element) { return body.holds(element); });
}

} // namespace

bool isSound(std::span<const std::uint8_t> bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const auto header = headerOf(text);
    if (!header)
        return false;
    const auto body = text.substr(header->length);
    if (header->format == Format::ascii)
        return holdsAll(TextBody(body), header->elements);
    return holdsAll(BinaryBody(body, header->format == Format::bigEndian), header->elements);
}

} // namespace morvena::PLYLayout
