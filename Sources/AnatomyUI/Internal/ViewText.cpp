#include "AnatomyUI/Internal/ViewText.h"

#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QFrame>
#include <QLabel>

namespace morvena::ViewText {

WrappingLabel* wrapped(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent)
{
    auto* label = new WrappingLabel(text, parent); // owned by parent
    label->setFont(font);
    Theme::setForeground(*label, level);
    return label;
}

ElidedLabel* line(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent)
{
    auto* label = new ElidedLabel(QString(), parent); // owned by parent
    label->setFont(font);
    label->setFullText(text);
    Theme::setForeground(*label, level);
    return label;
}

QFont fixed(int pixelSize, QFont::Weight weight, qreal tracking)
{
    QFont font = Theme::font(Theme::TextStyle::body);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    if (tracking != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

QLabel* symbol(std::string_view name, int size, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(parent); // owned by parent
    label->setPixmap(IconRegistry::shared().pixmap(name, size, color, label->devicePixelRatioF()));
    label->setFixedSize(size, size);
    return label;
}

QWidget* divider(QWidget* parent)
{
    auto* line = new QFrame(parent); // owned by parent
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    Theme::setForeground(*line, Theme::Foreground::quaternary);
    return line;
}

} // namespace morvena::ViewText
