#include "AnatomyUI/Inspector/RelationsSection.h"

#include "AnatomyCore/Model/AnatomyRelation.h"
#include "AnatomyUI/Inspector/InspectorLook.h"
#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/RowButton.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace morvena {

using DisplayText::fromUtf8;
using Theme::Foreground;
using Theme::TextStyle;
using ViewText::styled;

namespace {

constexpr std::size_t shownAncestors = 6;
constexpr std::size_t shownRelated = 12;
constexpr int ancestorIndent = 7;

// The small caption above a list of the section.
QLabel* captionLabel(const char* text, QWidget* parent)
{
    return ViewText::wrapped(
        QString::fromUtf8(text), ViewText::fixed(10, QFont::DemiBold, 0.6), Foreground::tertiary, parent);
}

// A list of the section under its caption.
QVBoxLayout* list(QWidget& list, const char* name, const char* caption)
{
    auto* layout = InspectorLook::sectionColumn(list, 3, name);
    layout->addWidget(captionLabel(caption, &list));
    return InspectorLook::rowsBelow(*layout);
}

} // namespace

RelationsSection::RelationsSection(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    auto* layout = InspectorLook::sectionColumn(*this, 9, "relations");
    layout->addWidget(new SectionHeader(QStringLiteral("CONTESTO ANATOMICO"), this));
    ancestry_ = new QWidget(this);
    ancestryRows_ = list(*ancestry_, "ancestry", "PARTE DI");
    layout->addWidget(ancestry_);
    related_ = new QWidget(this);
    relatedRows_ = list(*related_, "related", "STRUTTURE CORRELATE");
    layout->addWidget(related_);
    model_.whenChanged({AppModel::Field::selection, AppModel::Field::manifest}, this, [this] { refresh(); });
    refresh();
}

void RelationsSection::refresh()
{
    const auto* primary = model_.primary();
    const std::string conceptID = primary ? primary->conceptID : std::string();
    const AnatomyDB* database = model_.db().get();
    if (conceptID == concept_ && database == database_)
        return;
    concept_ = conceptID;
    database_ = database;
    ViewText::clearRows(*ancestryRows_);
    ViewText::clearRows(*relatedRows_);
    const auto ancestry = primary ? model_.ancestry(conceptID) : std::vector<TaxonomyNode> {};
    const auto related = primary ? model_.related(conceptID) : std::vector<AnatomyDB::RelatedStructure> {};
    setVisible(!ancestry.empty() || !related.empty());
    showAncestry(ancestry);
    showRelated(related);
}

void RelationsSection::showAncestry(const std::vector<TaxonomyNode>& ancestry)
{
    ancestry_->setVisible(!ancestry.empty());
    for (std::size_t position = 0; position < std::min(ancestry.size(), shownAncestors); ++position) {
        const auto& node = ancestry[position];
        auto* button = new RowButton(5, ancestry_);
        button->setObjectName(QStringLiteral("ancestorRow"));
        button->row().setContentsMargins(ancestorIndent * static_cast<int>(position), 1, 0, 1);
        button->addToRow(ViewText::symbol(
            "arrow.turn.down.right", 8, Theme::foreground(palette(), Foreground::quaternary), button));
        const QString name = fromUtf8(node.displayName());
        // The row takes the pointer, not its labels: the full name is the row's tooltip.
        button->setToolTip(DisplayText::toolTip(name));
        button->addToRow(ViewText::line(name, styled(TextStyle::caption), Foreground::primary, button));
        if (node.meshDescendants >= 2) {
            QFont digits = Theme::monoDigits();
            digits.setPixelSize(9);
            button->addToRow(ViewText::line(
                QString::number(node.meshDescendants), digits, Foreground::quaternary, button));
        }
        button->row().addStretch(1);
        connect(button, &RowButton::clicked, this, [this, id = node.id] { model_.selectConcept(id, true); });
        ancestryRows_->addWidget(button);
    }
}

void RelationsSection::showRelated(const std::vector<AnatomyDB::RelatedStructure>& related)
{
    std::size_t shown = 0;
    for (const auto& relation : related) {
        if (relation.kind == RelationKind::partOf)
            continue;
        if (shown++ == shownRelated)
            break;
        auto* button = new RowButton(5, related_);
        button->setObjectName(QStringLiteral("relatedRow"));
        auto* pill = new FilledBox(FilledBox::textTinted(0.12), 0, button);
        pill->setCapsule(true);
        auto* pillLayout = ViewText::column(pill, 0);
        pillLayout->setContentsMargins(4, 1, 4, 1);
        pillLayout->addWidget(ViewText::line(
            fromUtf8(italianName(relation.kind)), ViewText::fixed(9), Foreground::primary, pill));
        pill->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
        button->addToRow(pill);
        const QString name = fromUtf8(relation.name);
        button->setToolTip(DisplayText::toolTip(name));
        button->addToRow(ViewText::line(name, styled(TextStyle::caption), Foreground::primary, button), 1);
        connect(button, &RowButton::clicked, this,
            [this, id = relation.conceptID] { model_.selectConcept(id, true); });
        relatedRows_->addWidget(button);
    }
    related_->setVisible(shown > 0);
}

} // namespace morvena
