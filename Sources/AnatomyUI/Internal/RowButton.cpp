#include "AnatomyUI/Internal/RowButton.h"

#include <QHBoxLayout>
#include <QPainter>

namespace morvena {

RowButton::RowButton(int spacing, QWidget* parent)
    : QAbstractButton(parent)
    , row_(new QHBoxLayout(this))
{
    row_->setContentsMargins(0, 1, 0, 1);
    row_->setSpacing(spacing);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void RowButton::addToRow(QWidget* widget, int stretch)
{
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    row_->addWidget(widget, stretch);
}

QSize RowButton::sizeHint() const
{
    return row_->sizeHint();
}

QSize RowButton::minimumSizeHint() const
{
    return row_->minimumSize();
}

void RowButton::paintEvent(QPaintEvent*)
{
    if (!underMouse() && !isDown())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor shade = palette().color(QPalette::Text);
    shade.setAlphaF(isDown() ? 0.12f : 0.06f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawRoundedRect(QRectF(rect()), 4, 4);
}

} // namespace morvena
