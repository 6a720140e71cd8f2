#include "AnatomyUI/Inspector/InspectorLook.h"

#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/FieldRow.h"

#include <QVBoxLayout>

namespace morvena::InspectorLook {

QVBoxLayout* sectionColumn(QWidget& section, int spacing, const char* name)
{
    section.setObjectName(QString::fromUtf8(name));
    return ViewText::column(&section, spacing);
}

QVBoxLayout* rowsBelow(QVBoxLayout& section)
{
    auto* rows = new QVBoxLayout; // owned by the section's layout
    rows->setSpacing(section.spacing());
    section.addLayout(rows);
    return rows;
}

void addField(QVBoxLayout& rows, const QString& label, const std::optional<QString>& value,
    std::optional<FieldSource> source, bool mono)
{
    if (value && !value->isEmpty())
        rows.addWidget(new FieldRow(label, value, source, mono, rows.parentWidget()));
}

std::optional<QString> text(const std::optional<std::string>& value)
{
    return value ? std::optional(DisplayText::fromUtf8(*value)) : std::nullopt;
}

} // namespace morvena::InspectorLook
