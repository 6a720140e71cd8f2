#include "AnatomyUI/Inspector/InspectorHeader.h"

#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Layout/FitSwitcher.h"
#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/GlassButtonStyle.h"
#include "AnatomyUI/Look/GlassGroup.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/SystemChip.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace morvena {

using DisplayText::fromUtf8;
using Theme::Foreground;
using Theme::TextStyle;
using ViewText::styled;

namespace {

// At or above this opacity a structure counts as opaque for the transparency toggle.
constexpr float opaqueEnough = 0.9f;
constexpr float transparentOpacity = 0.35f;

QToolButton* toolButton(QWidget* parent)
{
    auto* button = new QToolButton(parent); // owned by parent
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    return button;
}

struct InspectorAction {
    const char* title;
    std::string_view symbol;
    const char* help;
};

constexpr std::array<InspectorAction, 3> inspectorActions {{
    {"Centra", "scope", "Centra la struttura"},
    {"Isola", "square.on.square.dashed", "Mostra solo questa struttura"},
    {"Trasparenza", "circle.lefthalf.filled", "Rendi trasparente la struttura"},
}};

} // namespace

InspectorHeader::InspectorHeader(AppModel& model, QWidget* parent)
    : StructureCardSection(model, 6, "header", parent)
{
    auto& layout = content();
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(8);
    name_ = ViewText::wrapped({}, ViewText::fixed(19, QFont::DemiBold), Foreground::primary, this);
    name_->setObjectName(QStringLiteral("structureName"));
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    titleLine->addWidget(name_, 1, Qt::AlignTop);
    bookmark_ = toolButton(this);
    bookmark_->setObjectName(QStringLiteral("bookmark"));
    bookmark_->setToolTip(QStringLiteral("Aggiungi ai segnalibri"));
    bookmark_->setIconSize({16, 16});
    titleLine->addWidget(bookmark_, 0, Qt::AlignTop);
    layout.addLayout(titleLine);
    connect(bookmark_, &QToolButton::clicked, this, [this] { this->model().toggleBookmark(); });

    systemLine_ = new QVBoxLayout;
    systemLine_->setContentsMargins(0, 0, 0, 0);
    layout.addLayout(systemLine_);
    layout.addWidget(makeActionRow());

    connect(&model, &AppModel::changed, this, [this](AppModel::Field field) {
        if (field == AppModel::Field::selection || field == AppModel::Field::bookmarks)
            refreshBookmark();
    });
    refresh();
    refreshBookmark();
}

QWidget* InspectorHeader::makeActionRow()
{
    auto* group = new GlassGroup(8, QBoxLayout::LeftToRight, this);
    actions_ = new FitSwitcher(group);
    actions_->setObjectName(QStringLiteral("actions"));
    actionButtons_.resize(inspectorActions.size());
    actions_->addAlternative(makeActionAlternative(true));
    actions_->addAlternative(makeActionAlternative(false));
    group->content().addWidget(actions_);
    return group;
}

QWidget* InspectorHeader::makeActionAlternative(bool titled)
{
    auto* alternative = new QWidget(this);
    auto* layout = new QHBoxLayout(alternative);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(7);
    for (std::size_t i = 0; i < inspectorActions.size(); ++i) {
        const auto& action = inspectorActions[i];
        auto* button = toolButton(alternative);
        button->setAutoRaise(false);
        button->setIcon(IconRegistry::shared().icon(action.symbol));
        button->setToolTip(QString::fromUtf8(action.help));
        button->setFont(styled(TextStyle::subheadline));
        button->setIconSize({14, 14});
        if (titled) {
            button->setText(QString::fromUtf8(action.title));
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        } else {
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
        applyGlassButtonStyle(*button, false, ControlSize::small);
        layout->addWidget(button);
        (titled ? actionButtons_[i].titled : actionButtons_[i].iconOnly) = button;
        connect(button, &QToolButton::clicked, this, [this, i] {
            if (i == 0)
                model().focusSelection();
            else if (i == 1)
                model().isolateSelection();
            else
                toggleTransparency();
        });
    }
    layout->addStretch(1);
    alternative->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return alternative;
}

void InspectorHeader::showStructure(const AnatomyStructure& primary)
{
    name_->setFullText(fromUtf8(primary.displayName()));
    ViewText::clearRows(*systemLine_);
    auto* line = new QWidget(this);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(new SystemChip(primary.system, std::nullopt, line));
    const auto addText = [line, layout](const QString& text, Foreground level) {
        layout->addWidget(ViewText::line(text, styled(TextStyle::caption), level, line));
    };
    addText(QStringLiteral("·"), Foreground::quaternary);
    addText(fromUtf8(italianName(primary.region)), Foreground::secondary);
    if (primary.laterality != Laterality::unpaired) {
        addText(QStringLiteral("·"), Foreground::quaternary);
        addText(
            primary.laterality == Laterality::right ? QStringLiteral("Destro") : QStringLiteral("Sinistro"),
            Foreground::secondary);
    }
    layout->addStretch(1);
    systemLine_->addWidget(line);
    const auto& transparency = actionButtons_.back();
    transparency.titled->setVisible(primary.meshIndex.has_value());
    transparency.iconOnly->setVisible(primary.meshIndex.has_value());
}

void InspectorHeader::refreshBookmark()
{
    const bool bookmarked = model().primaryIsBookmarked();
    const QColor tint = bookmarked ? Brand::accent() : Theme::foreground(palette(), Foreground::secondary);
    bookmark_->setIcon(IconRegistry::shared().icon(bookmarked ? "bookmark.fill" : "bookmark", tint));
    bookmark_->setProperty("bookmarked", bookmarked);
}

void InspectorHeader::toggleTransparency()
{
    const auto* primary = model().primary();
    if (!primary || !primary->meshIndex)
        return;
    // The structure's own setting decides, not what its system makes of it: a bone
    // faded with its whole system still turns transparent on the first press.
    const auto own = model().ownStructureOpacity(*primary->meshIndex);
    model().setStructureOpacity(
        !own || *own >= opaqueEnough ? transparentOpacity : 1.0f, *primary->meshIndex);
}

} // namespace morvena
