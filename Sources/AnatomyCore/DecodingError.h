#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace morvena {

// A JSON document whose shape or values do not match the record it encodes.
// Decoding is strict: wrong types, missing keys and out-of-range raw values all
// end here.
class DecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The unsigned 32-bit number a raw-value enumeration is coded as; anything else
// (text, fractions, negatives, larger numbers) throws DecodingError.
std::uint32_t decodeRawNumber(const nlohmann::json& json, std::string_view typeName);
// The text at `key` of an object; a missing key or another type throws.
std::string decodeRequiredString(const nlohmann::json& object, std::string_view key);

} // namespace morvena
