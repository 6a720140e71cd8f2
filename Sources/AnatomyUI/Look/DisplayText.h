#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

namespace morvena {

// Numbers and data texts as the views show them.
namespace DisplayText {

// A byte count in the current locale, decimal units with one decimal ("1,5 MB");
// below 1000 "N byte".
QString byteSize(std::int64_t bytes);
// An integer with the current locale's grouping ("12.345").
QString count(std::int64_t value);
// UTF-8 from the data.
QString fromUtf8(std::string_view text);
// A data text as a button's label: "&" stays a character, never a mnemonic.
QString buttonLabel(const QString& text);

} // namespace DisplayText

} // namespace morvena
