#include "AnatomyUI/Setup/SetupCard.h"

#include "AnatomyUI/Internal/CardOutline.h"
#include "AnatomyUI/Internal/ViewText.h"

#include <QVBoxLayout>

namespace morvena {

SetupCard::SetupCard(FilledBox::Color outline, int spacing, QWidget* parent)
    : GlassPanel(GlassStyle::subtle, {16, false}, false, parent)
    , column_(ViewText::column(this, spacing, {18, 18, 18, 18}))
{
    new CardOutline(std::move(outline), 16, 1, this); // owned by the card
}

} // namespace morvena
