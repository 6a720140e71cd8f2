#pragma once

#include <QString>

class QFontMetrics;

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
// The text with an invisible break between every two characters of each run that
// line breaking keeps whole and that is wider than `width` in those metrics.
QString breakingWideRuns(const QString& text, const QFontMetrics& metrics, int width);
// A data text as a tooltip, whole: a text wider than a comfortable line wraps.
QString toolTip(const QString& text);

} // namespace DisplayText

} // namespace morvena
