#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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
// The value at `key` of an object; a missing key or a non-object throws.
const nlohmann::json& requiredField(const nlohmann::json& object, std::string_view key);
// The text at `key` of an object; a missing key or another type throws.
std::string decodeRequiredString(const nlohmann::json& object, std::string_view key);

// Strict conversions of one JSON value; `name` says which value in messages.
// Integers must be JSON integers within the 64-bit signed range.
std::int64_t decodeInteger(const nlohmann::json& json, std::string_view name);
// Any JSON number that is finite as a single-precision number.
float decodeFloat(const nlohmann::json& json, std::string_view name);
bool decodeBool(const nlohmann::json& json, std::string_view name);
std::vector<std::string> decodeStringArray(const nlohmann::json& json, std::string_view name);

// The double to store for a single-precision number: it prints as the float's
// shortest decimal form (0.1f as "0.1", not "0.10000000149011612") and reads
// back to the same float.
double shortestDouble(float value);

} // namespace morvena
