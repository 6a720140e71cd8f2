#include "AnatomyUI/Inspector/AnatomySection.h"

#include "AnatomyUI/Inspector/InspectorLook.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QVBoxLayout>

#include <array>

namespace morvena {

AnatomySection::AnatomySection(AppModel& model, QWidget* parent)
    : StructureCardSection(model, 9, "anatomy", parent)
{
    content().addWidget(new SectionHeader(QStringLiteral("ANATOMIA"), this));
    rows_ = InspectorLook::rowsBelow(content());
    missing_ = ViewText::wrapped(
        QStringLiteral("Per questa struttura il dataset fornisce nomenclatura e geometria. "
                       "La scheda descrittiva non è ancora disponibile."),
        Theme::TextStyle::caption, Theme::Foreground::secondary, this);
    missing_->setContentsMargins(0, 2, 0, 2);
    content().addWidget(missing_);
    refresh();
}

void AnatomySection::showStructure(const AnatomyStructure& primary)
{
    ViewText::clearRows(*rows_);
    const std::array<std::pair<const char*, const std::optional<std::string>*>, 6> fields {{
        {"Descrizione", &primary.descriptionText},
        {"Funzione", &primary.function},
        {"Origine", &primary.origin},
        {"Inserzione", &primary.insertion},
        {"Innervazione", &primary.innervation},
        {"Vascolarizzazione", &primary.bloodSupply},
    }};
    bool anyPresent = false;
    for (const auto& [label, value] : fields) {
        InspectorLook::addField(
            *rows_, QString::fromUtf8(label), InspectorLook::text(*value), FieldSource::curated);
        anyPresent = anyPresent || value->has_value();
    }
    missing_->setVisible(!anyPresent);
}

} // namespace morvena
