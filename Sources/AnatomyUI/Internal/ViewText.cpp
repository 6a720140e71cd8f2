#include "AnatomyUI/Internal/ViewText.h"

#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace morvena::ViewText {

QVBoxLayout* column(QWidget* widget, int spacing, QMargins margins)
{
    auto* layout = new QVBoxLayout(widget); // owned by widget
    layout->setSpacing(spacing);
    layout->setContentsMargins(margins);
    return layout;
}

QHBoxLayout* row(int spacing)
{
    auto* layout = new QHBoxLayout; // owned by the layout it is added to
    layout->setSpacing(spacing);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

QFont styled(Theme::TextStyle style)
{
    return Theme::font(style);
}

WrappingLabel* wrapped(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent)
{
    auto* label = new WrappingLabel(text, parent); // owned by parent
    label->setFont(font);
    Theme::setForeground(*label, level);
    return label;
}

WrappingLabel* wrapped(const QString& text, Theme::TextStyle style, Theme::Foreground level, QWidget* parent)
{
    return wrapped(text, styled(style), level, parent);
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

void clearRows(QVBoxLayout& rows)
{
    while (auto* item = rows.takeAt(0)) {
        if (auto* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

} // namespace morvena::ViewText
