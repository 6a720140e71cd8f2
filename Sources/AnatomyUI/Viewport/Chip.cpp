#include "AnatomyUI/Viewport/Chip.h"

#include "AnatomyUI/Look/GlassPanel.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace morvena {

Chip::Chip(bool tinted, int spacing, QWidget* parent)
    : QWidget(parent)
    , tinted_(tinted)
    , row_(new QHBoxLayout(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    row_->setContentsMargins(10, 6, 10, 6);
    row_->setSpacing(spacing);
}

QColor Chip::foreground() const
{
    return tinted_ ? QColor(Qt::white) : Theme::foreground(palette(), Theme::Foreground::secondary);
}

QLabel* Chip::addSymbol(std::string_view symbol, int size)
{
    auto* label = new QLabel(this);
    label->setPixmap(IconRegistry::shared().pixmap(symbol, size, foreground(), devicePixelRatioF()));
    row_->addWidget(label);
    return label;
}

QLabel* Chip::addText(const QString& text, int pixelSize, QFont::Weight weight)
{
    auto* label = new QLabel(text, this);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, foreground());
    label->setPalette(palette);
    row_->addWidget(label);
    return label;
}

void Chip::addWidget(QWidget* widget)
{
    row_->addWidget(widget);
}

void Chip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath capsule;
    capsule.addRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
    QColor fill = palette().color(tinted_ ? QPalette::Highlight : QPalette::Window);
    if (!tinted_)
        fill.setAlphaF(GlassPanel::fillOpacity(GlassStyle::floating));
    painter.fillPath(capsule, fill);
}

void Chip::mouseReleaseEvent(QMouseEvent* event)
{
    if (clickable_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace morvena
