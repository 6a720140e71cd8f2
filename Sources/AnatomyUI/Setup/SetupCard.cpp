#include "AnatomyUI/Setup/SetupCard.h"

#include "AnatomyUI/Internal/CardOutline.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Setup/SetupLook.h"

#include <QHBoxLayout>

#include <QVBoxLayout>

namespace morvena {

SetupCard::SetupCard(Outline outline, int spacing, QWidget* parent)
    : GlassPanel(GlassStyle::subtle, {16, false}, false, parent)
    , column_(ViewText::column(this, spacing, {18, 18, 18, 18}))
{
    new CardOutline(std::move(outline), 16, 1, this); // owned by the card
}

void SetupCard::addHeading(std::string_view symbol, const QString& title, const QString& description)
{
    using Theme::Foreground;
    using Theme::TextStyle;
    auto* line = ViewText::row(8);
    line->addWidget(SetupLook::symbol(symbol, TextStyle::title3, palette().color(QPalette::Text), this));
    line->addWidget(
        ViewText::wrapped(title, ViewText::styled(TextStyle::headline), Foreground::primary, this), 1);
    column_->addLayout(line);
    column_->addWidget(ViewText::wrapped(description, TextStyle::callout, Foreground::secondary, this));
}

} // namespace morvena
