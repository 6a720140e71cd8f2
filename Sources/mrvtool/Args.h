#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace morvena::tool {

// The words after the command word: "--name value" pairs are options, a "--name"
// not followed by a value is a flag, everything else is positional. Names are
// stored without the leading "--"; the last occurrence of an option wins.
struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::set<std::string> flags;

    Args() = default;
    explicit Args(const std::vector<std::string>& words);

    std::optional<std::string> option(const std::string& name) const;
    bool flag(const std::string& name) const { return flags.contains(name); }
    // The option as a path: "~" expanded to the home folder, relative paths taken
    // from the current folder.
    std::optional<std::filesystem::path> url(const std::string& name) const;
    // The option read as a whole-text decimal integer; `fallback` when it is absent
    // or not an integer.
    long long integer(const std::string& name, long long fallback) const;
    // The option read as a decimal number; none when it is absent, unparsable or not
    // finite ("nan" and "inf" would reach the scene and the shaders as they are).
    std::optional<double> number(const std::string& name) const;
};

// A whole-text decimal integer: optional sign, digits only, fits 64 bits.
std::optional<long long> parseInteger(const std::string& text);
// A whole-text decimal floating-point number (no locale); none when unparsable.
std::optional<double> parseDecimal(const std::string& text);

} // namespace morvena::tool
