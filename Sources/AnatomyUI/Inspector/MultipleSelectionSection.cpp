#include "AnatomyUI/Inspector/MultipleSelectionSection.h"

#include "AnatomyUI/Inspector/InspectorLook.h"
#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/SectionHeader.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace morvena {

using Theme::Foreground;

MultipleSelectionSection::MultipleSelectionSection(AppModel& model, QWidget* parent)
    : StructureCardSection(model, 6, "multipleSelection", parent)
{
    content().addWidget(title_ = new SectionHeader({}, this));
    rows_ = InspectorLook::rowsBelow(content());
    refresh();
}

void MultipleSelectionSection::showStructure(const AnatomyStructure&)
{
    const auto& selection = model().selection();
    setVisible(selection.size() >= 2);
    ViewText::clearRows(*rows_);
    if (selection.size() < 2)
        return;
    title_->setText(QStringLiteral("SELEZIONE MULTIPLA (%1)").arg(selection.size()));
    for (std::size_t i = 1; i < selection.size(); ++i) {
        auto* entry = new QWidget(this);
        auto* layout = new QHBoxLayout(entry);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(6);
        auto* dot = new FilledBox(FilledBox::tinted(Theme::color(selection[i].system), 1), 3, entry);
        dot->setCapsule(true);
        dot->setFixedSize(6, 6);
        layout->addWidget(dot);
        layout->addWidget(ViewText::line(DisplayText::fromUtf8(selection[i].displayName()),
                              ViewText::styled(Theme::TextStyle::caption), Foreground::primary, entry),
            1);
        rows_->addWidget(entry);
    }
}

} // namespace morvena
