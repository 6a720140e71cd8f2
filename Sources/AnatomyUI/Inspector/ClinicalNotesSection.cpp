#include "AnatomyUI/Inspector/ClinicalNotesSection.h"

#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QVBoxLayout>

namespace morvena {

namespace {

const QColor orange(255, 149, 0);

} // namespace

ClinicalNotesSection::ClinicalNotesSection(AppModel& model, QWidget* parent)
    : StructureCardSection(model, 7, "clinicalNotes", parent)
{
    content().addWidget(new SectionHeader(QStringLiteral("NOTE CLINICHE"), this));
    auto* box = new FilledBox(FilledBox::tinted(orange, 0.12), 10, this);
    box->setLeadingBar(FilledBox::tinted(orange, 0.65), 2.5, 6, 1);
    auto* boxLayout = ViewText::column(box, 0);
    boxLayout->setContentsMargins(11, 11, 11, 11);
    text_ = ViewText::wrapped({}, Theme::TextStyle::callout, Theme::Foreground::primary, box);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    boxLayout->addWidget(text_);
    content().addWidget(box);
    refresh();
}

void ClinicalNotesSection::showStructure(const AnatomyStructure& primary)
{
    const bool shown = primary.clinicalNotes && !primary.clinicalNotes->empty();
    setVisible(shown);
    text_->setFullText(shown ? DisplayText::fromUtf8(*primary.clinicalNotes) : QString());
}

} // namespace morvena
