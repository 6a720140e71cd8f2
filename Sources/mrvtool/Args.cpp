#include "mrvtool/Args.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace morvena::tool {

namespace {
bool startsWithDashes(const std::string& word)
{
    return word.starts_with("--");
}

// The home folder of `user`, or of the current user when it is empty; none when
// the user is unknown.
std::optional<std::string> homeFolder(const std::string& user)
{
    if (const char* home = std::getenv("HOME"); user.empty() && home && *home)
        return home;
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* found = nullptr;
    int error = user.empty() ? getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)
                             : getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found);
    if (error != 0 || !found || !found->pw_dir)
        return std::nullopt;
    return found->pw_dir;
}

// "~" and "~/…" name the user's home folder, "~name/…" that of another user; a
// name that is no user keeps the text as written, as shells do.
std::string expandingTilde(const std::string& text)
{
    if (!text.starts_with("~"))
        return text;
    auto slash = text.find('/');
    auto home = homeFolder(text.substr(1, slash == std::string::npos ? std::string::npos : slash - 1));
    if (!home)
        return text;
    return *home + (slash == std::string::npos ? std::string() : text.substr(slash));
}

} // namespace

Args::Args(const std::vector<std::string>& words)
{
    for (std::size_t i = 0; i < words.size();) {
        const auto& word = words[i];
        if (!startsWithDashes(word)) {
            positional.push_back(word);
            ++i;
            continue;
        }
        auto name = word.substr(2);
        if (i + 1 < words.size() && !startsWithDashes(words[i + 1])) {
            options[name] = words[i + 1];
            i += 2;
        } else {
            flags.insert(name);
            ++i;
        }
    }
}

std::optional<std::string> Args::option(const std::string& name) const
{
    auto it = options.find(name);
    if (it == options.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::filesystem::path> Args::url(const std::string& name) const
{
    auto value = option(name);
    if (!value)
        return std::nullopt;
    std::filesystem::path path(expandingTilde(*value));
    if (path.is_relative())
        path = std::filesystem::current_path() / path;
    return path.lexically_normal();
}

long long Args::integer(const std::string& name, long long fallback) const
{
    auto value = option(name);
    auto parsed = value ? parseInteger(*value) : std::nullopt;
    return parsed.value_or(fallback);
}

std::optional<double> Args::number(const std::string& name) const
{
    auto value = option(name);
    auto parsed = value ? parseDecimal(*value) : std::nullopt;
    if (parsed && !std::isfinite(*parsed))
        return std::nullopt;
    return parsed;
}

std::optional<long long> parseInteger(const std::string& text)
{
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty())
        return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9')
            return std::nullopt;
    // Parse with the sign attached so the most negative value still fits.
    std::string signedDigits = (negative ? "-" : "") + std::string(digits);
    long long value = 0;
    auto [end, error]
        = std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), value);
    if (error != std::errc() || end != signedDigits.data() + signedDigits.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseDecimal(const std::string& text)
{
    std::string_view view = text;
    if (!view.empty() && view.front() == '+')
        view.remove_prefix(1);
    if (view.empty())
        return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (error != std::errc() || end != view.data() + view.size())
        return std::nullopt;
    return value;
}

} // namespace morvena::tool
