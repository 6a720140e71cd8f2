#include "AnatomyRender/GL/ShaderSource.h"

#include "AnatomyRender/RendererError.h"

#include <fstream>
#include <iterator>

namespace morvena {

namespace {

constexpr std::string_view marker = "//@section ";
constexpr std::string_view commonSection = "common";
constexpr std::string_view versionLine = "#version 450 core\n";

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUTF8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = byte < 0x80 ? 1
            : (byte >> 5) == 0x6         ? 2
            : (byte >> 4) == 0xE         ? 3
            : (byte >> 3) == 0x1E        ? 4
                                         : 0;
        if (length == 0 || text.size() - i < length)
            return false;
        std::uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr std::uint32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace

ShaderSource ShaderSource::load(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    if (!stream)
        throw RendererError::shaderSourceMissing();
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    if (stream.bad() || !isValidUTF8(text))
        throw RendererError::shaderSourceMissing();
    return ShaderSource(text);
}

ShaderSource::ShaderSource(std::string_view text)
{
    int lineNumber = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        auto end = text.find('\n', position);
        auto line
            = text.substr(position, end == std::string_view::npos ? std::string_view::npos : end - position);
        position = end == std::string_view::npos ? text.size() : end + 1;
        ++lineNumber;
        if (line.starts_with(marker)) {
            auto name = std::string(trimmed(line.substr(marker.size())));
            // A repeated name replaces the earlier section, as a later definition would.
            byName_[name] = sections_.size();
            sections_.push_back({std::move(name), {}, lineNumber + 1});
        } else if (!sections_.empty()) {
            sections_.back().text.append(line).push_back('\n');
        }
    }
}

std::vector<std::string> ShaderSource::entryPoints() const
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const auto& name = sections_[i].name;
        if (stage(name) && byName_.find(name)->second == i)
            names.push_back(name);
    }
    return names;
}

bool ShaderSource::contains(std::string_view entryPoint) const
{
    return stage(entryPoint) && byName_.contains(entryPoint);
}

std::optional<ShaderSource::Stage> ShaderSource::stage(std::string_view entryPoint)
{
    if (endsWith(entryPoint, "_vertex"))
        return Stage::vertex;
    if (endsWith(entryPoint, "_fragment"))
        return Stage::fragment;
    return std::nullopt;
}

std::string ShaderSource::compilationUnit(std::string_view entryPoint) const
{
    auto entry = byName_.find(entryPoint);
    if (entry == byName_.end() || !stage(entryPoint))
        return {};
    std::string unit(versionLine);
    auto append = [&unit](const Section& section) {
        unit += "#line " + std::to_string(section.firstLine) + "\n";
        unit += section.text;
    };
    if (auto common = byName_.find(commonSection); common != byName_.end())
        append(sections_[common->second]);
    unit += stage(entryPoint) == Stage::vertex ? "#define VERTEX_STAGE 1\n" : "#define FRAGMENT_STAGE 1\n";
    append(sections_[entry->second]);
    return unit;
}

} // namespace morvena
