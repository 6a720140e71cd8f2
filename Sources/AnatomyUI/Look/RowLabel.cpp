#include "AnatomyUI/Look/RowLabel.h"

#include "AnatomyUI/Look/Theme.h"

#include <QLabel>

namespace morvena::RowLabel {

QLabel* make(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text.toUpper(), parent); // owned by parent
    label->setTextFormat(Qt::PlainText);
    QFont font = Theme::font(Theme::TextStyle::body);
    font.setPixelSize(10);
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    label->setFont(font);
    Theme::setForeground(*label, Theme::Foreground::tertiary);
    return label;
}

} // namespace morvena::RowLabel
