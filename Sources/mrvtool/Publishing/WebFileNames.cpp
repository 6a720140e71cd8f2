#include "mrvtool/Publishing/WebFileNames.h"

#include <optional>
#include <unordered_set>

namespace morvena::tool {

namespace {

// Leaves room for the extension and a uniqueness suffix within the usual
// 255-byte limit of one file name.
constexpr std::size_t maxNameBytes = 200;

// Length of the well-formed UTF-8 sequence at the start of `text`, or nothing.
std::optional<std::size_t> utf8SequenceLength(std::string_view text)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    std::size_t length = lead < 0x80   ? 1
        : lead >= 0xC2 && lead <= 0xDF ? 2
        : lead >= 0xE0 && lead <= 0xEF ? 3
        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                       : 0;
    if (length == 0 || length > text.size())
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return std::nullopt;
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF.
    if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F)
        || (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F))
        return std::nullopt;
    return length;
}

bool isUnsafeASCII(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == '/' || c == '\\';
}

} // namespace

std::string WebFileNames::sanitized(std::string_view conceptID)
{
    std::string name;
    name.reserve(std::min(conceptID.size(), maxNameBytes));
    while (!conceptID.empty()) {
        auto length = utf8SequenceLength(conceptID);
        std::size_t taken = length.value_or(1);
        if (name.size() + taken > maxNameBytes)
            break;
        if (!length || (taken == 1 && isUnsafeASCII(static_cast<unsigned char>(conceptID[0]))))
            name.push_back('_');
        else
            name.append(conceptID.substr(0, taken));
        conceptID.remove_prefix(taken);
    }
    if (name.empty())
        return "_";
    if (name.front() == '.')
        name.front() = '_';
    return name;
}

WebFileNames::WebFileNames(std::span<const std::string> conceptIDs)
{
    names_.resize(conceptIDs.size());
    std::unordered_set<std::string> taken;
    // Safe ids first, so that no made-up name can push a real id off its own name.
    std::vector<std::size_t> waiting;
    for (std::size_t i = 0; i < conceptIDs.size(); ++i) {
        auto name = sanitized(conceptIDs[i]);
        if (name == conceptIDs[i] && taken.insert(name).second)
            names_[i] = std::move(name);
        else
            waiting.push_back(i);
    }
    for (std::size_t i : waiting) {
        auto base = sanitized(conceptIDs[i]);
        auto name = base;
        for (int suffix = 2; !taken.insert(name).second; ++suffix)
            name = base + "~" + std::to_string(suffix);
        names_[i] = std::move(name);
    }
}

} // namespace morvena::tool
