#pragma once

#include "AnatomyCore/Model/FieldSource.h"

#include <QString>

#include <optional>
#include <string>

class QVBoxLayout;
class QWidget;

namespace morvena {

// The inspector's sections: their column, the rows below their heading and the
// labelled fields of a structure.
namespace InspectorLook {

// Names `section` and lays it out as a column without margins.
QVBoxLayout* sectionColumn(QWidget& section, int spacing, const char* name);
// A layout for a section's rows, below what it holds, spaced as the section is.
QVBoxLayout* rowsBelow(QVBoxLayout& section);
// A field of the structure in `rows`; a field without a value draws nothing, not
// even its label.
void addField(QVBoxLayout& rows, const QString& label, const std::optional<QString>& value,
    std::optional<FieldSource> source, bool mono = false);
std::optional<QString> text(const std::optional<std::string>& value);

} // namespace InspectorLook

} // namespace morvena
