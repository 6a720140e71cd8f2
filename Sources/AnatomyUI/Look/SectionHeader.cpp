#include "AnatomyUI/Look/SectionHeader.h"

#include "AnatomyUI/Look/Theme.h"

namespace morvena {

SectionHeader::SectionHeader(const QString& title, QWidget* parent)
    : QLabel(title, parent)
{
    setTextFormat(Qt::PlainText);
    QFont font = Theme::font(Theme::TextStyle::body);
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.3);
    setFont(font);
    Theme::setForeground(*this, Theme::Foreground::secondary);
}

} // namespace morvena
