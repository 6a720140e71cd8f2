#include "AnatomyUI/Window/UISnapshot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace morvena::UISnapshot {

namespace {

// A decimal integer, an optional sign in front.
std::optional<int> readInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "WxH" in either case, each side 1 to maximumSide.
std::optional<QSize> readSize(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    auto separator = text.find('x');
    if (separator == std::string::npos || text.find('x', separator + 1) != std::string::npos)
        return std::nullopt;
    auto width = readInteger(std::string_view(text).substr(0, separator));
    auto height = readInteger(std::string_view(text).substr(separator + 1));
    auto fits = [](std::optional<int> side) { return side && *side >= 1 && *side <= maximumSide; };
    if (!fits(width) || !fits(height))
        return std::nullopt;
    return QSize(*width, *height);
}

// A finite number of seconds; a negative one means no wait, and a longest wait of a day
// keeps a typo from holding the process for ever.
std::optional<double> readDelay(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return std::clamp(value, 0.0, maximumDelaySeconds);
}

} // namespace

bool isRequested(const std::vector<std::string>& arguments)
{
    return std::find(arguments.begin(), arguments.end(), "--ui-snapshot") != arguments.end();
}

Options parse(const std::vector<std::string>& arguments)
{
    Options options;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const auto& option = arguments[i];
        const std::string* next = i + 1 < arguments.size() ? &arguments[i + 1] : nullptr;
        if (!next)
            break;
        if (option == "--ui-snapshot") {
            if (!next->starts_with("--"))
                options.output = *next;
        } else if (option == "--size") {
            options.size = readSize(*next).value_or(options.size);
        } else if (option == "--select") {
            options.select = *next;
        } else if (option == "--appearance") {
            options.appearance = *next;
        } else if (option == "--delay") {
            options.delaySeconds = readDelay(*next).value_or(options.delaySeconds);
        }
    }
    return options;
}

} // namespace morvena::UISnapshot
