#pragma once

#include <cstdint>

namespace morvena {

// The modifier keys held during a key press or click, as a set of flags.
struct KeyModifiers {
    std::int64_t rawValue = 0;

    static const KeyModifiers command;
    static const KeyModifiers shift;
    static const KeyModifiers option;
    static const KeyModifiers control;

    constexpr bool contains(KeyModifiers other) const
    {
        return other.rawValue != 0 && (rawValue & other.rawValue) == other.rawValue;
    }
    constexpr bool empty() const { return rawValue == 0; }
    constexpr KeyModifiers operator|(KeyModifiers other) const { return {rawValue | other.rawValue}; }
    constexpr KeyModifiers& operator|=(KeyModifiers other)
    {
        rawValue |= other.rawValue;
        return *this;
    }
    constexpr bool operator==(const KeyModifiers&) const = default;
};

inline constexpr KeyModifiers KeyModifiers::command {1};
inline constexpr KeyModifiers KeyModifiers::shift {2};
inline constexpr KeyModifiers KeyModifiers::option {4};
inline constexpr KeyModifiers KeyModifiers::control {8};

} // namespace morvena
