#include "AnatomyUI/Inspector/InspectorView.h"

#include "AnatomyUI/Inspector/AnatomySection.h"
#include "AnatomyUI/Inspector/ClinicalNotesSection.h"
#include "AnatomyUI/Inspector/CoverageSection.h"
#include "AnatomyUI/Inspector/InspectorEmptyState.h"
#include "AnatomyUI/Inspector/InspectorHeader.h"
#include "AnatomyUI/Inspector/MultipleSelectionSection.h"
#include "AnatomyUI/Inspector/NomenclatureSection.h"
#include "AnatomyUI/Inspector/NoteSection.h"
#include "AnatomyUI/Inspector/RelationsSection.h"
#include "AnatomyUI/Internal/ViewText.h"

#include <QVBoxLayout>

namespace morvena {

InspectorView::InspectorView(AppModel& model, QWidget* parent)
    : QScrollArea(parent)
    , model_(model)
{
    setMinimumWidth(minimumColumnWidth);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundRole(QPalette::Base);
    // Before the sections: the card is shown or hidden before its sections are drawn.
    model_.whenChanged({AppModel::Field::selection, AppModel::Field::manifest}, this, [this] { refresh(); });
    auto* content = new QWidget(this); // owned by the scroll area
    content->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(16);
    layout->addWidget(emptyState_ = new InspectorEmptyState(model_, this));
    layout->addWidget(card_ = makeCard(content));
    layout->addStretch(1);
    setWidget(content);
    refresh();
}

QWidget* InspectorView::makeCard(QWidget* parent)
{
    auto* card = new QWidget(parent);
    auto* sections = ViewText::column(card, 16);
    sections->addWidget(new InspectorHeader(model_, this));
    sections->addWidget(new NomenclatureSection(model_, this));
    sections->addWidget(new MultipleSelectionSection(model_, this));
    sections->addWidget(new AnatomySection(model_, this));
    sections->addWidget(new ClinicalNotesSection(model_, this));
    sections->addWidget(new RelationsSection(model_, this));
    sections->addWidget(new NoteSection(model_, this));
    sections->addWidget(new CoverageSection(model_, this));
    return card;
}

void InspectorView::refresh()
{
    const bool selected = model_.primary() != nullptr;
    emptyState_->setVisible(!selected);
    card_->setVisible(selected);
}

} // namespace morvena
