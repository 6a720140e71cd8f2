#include "AnatomyUI/Setup/Internal/ProgressBlock.h"

#include "AnatomyUI/Internal/ViewText.h"

#include <QVBoxLayout>

namespace morvena {

ProgressBlock::ProgressBlock(QWidget* parent)
    : FilledBox(FilledBox::textTinted(0.05), 14, parent)
    , column_(ViewText::column(this, 12, {18, 18, 18, 18}))
{
}

} // namespace morvena
