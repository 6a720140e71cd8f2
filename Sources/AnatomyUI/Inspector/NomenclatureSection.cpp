#include "AnatomyUI/Inspector/NomenclatureSection.h"

#include "AnatomyUI/Inspector/InspectorLook.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/MissingRow.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Model/ShownText.h"

#include <QStringList>
#include <QVBoxLayout>

namespace morvena {

using DisplayText::fromUtf8;
using InspectorLook::addField;

NomenclatureSection::NomenclatureSection(AppModel& model, QWidget* parent)
    : StructureCardSection(model, 9, "nomenclature", parent)
{
    content().addWidget(new SectionHeader(QStringLiteral("NOMENCLATURA"), this));
    rows_ = InspectorLook::rowsBelow(content());
    refresh();
}

void NomenclatureSection::showStructure(const AnatomyStructure& primary)
{
    auto& rows = *rows_;
    ViewText::clearRows(rows);
    auto* parent = rows.parentWidget();
    if (primary.nameIT)
        addField(rows, QStringLiteral("Italiano"), fromUtf8(*primary.nameIT), FieldSource::curated);
    else
        rows.addWidget(new MissingRow(QStringLiteral("Italiano"), parent));
    addField(rows, QStringLiteral("Latino"), InspectorLook::text(primary.nameLA), FieldSource::curated);
    if (!primary.nameLA)
        rows.addWidget(new MissingRow(QStringLiteral("Latino"), parent));
    addField(rows, QStringLiteral("Inglese (dataset)"), fromUtf8(primary.nameEN), FieldSource::dataset);
    if (!primary.synonyms.empty()) {
        QStringList synonyms;
        for (const auto& synonym : primary.synonyms)
            synonyms << fromUtf8(synonym);
        addField(rows, QStringLiteral("Sinonimi"), synonyms.join(QStringLiteral(", ")), FieldSource::curated);
    }
    // The ID as a name is cleaned and cut: an importer makes it of the object's name,
    // whatever its length and characters. An ID that shows nothing leaves no row.
    addField(rows, QStringLiteral("Identificativo"), fromUtf8(ShownText::id(primary.conceptID)),
        FieldSource::dataset, true);
}

} // namespace morvena
