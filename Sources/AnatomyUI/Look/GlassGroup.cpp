#include "AnatomyUI/Look/GlassGroup.h"

namespace morvena {

GlassGroup::GlassGroup(qreal, QBoxLayout::Direction direction, QWidget* parent)
    : QWidget(parent)
    , layout_(new QBoxLayout(direction, this))
{
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

} // namespace morvena
