#include "AnatomyUI/Viewport/HoverLabel.h"

#include "AnatomyUI/Look/GlassPanel.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>

#include <algorithm>

namespace morvena {

HoverLabel::HoverLabel(QWidget* parent)
    : QLabel(parent)
    , effect_(new QGraphicsOpacityEffect(this))
    , fade_(new QPropertyAnimation(effect_, "opacity", this))
    , slide_(new QPropertyAnimation(this, "geometry", this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextFormat(Qt::PlainText);
    setContentsMargins(10, 5, 10, 5);
    QFont labelFont = font();
    labelFont.setPixelSize(11);
    labelFont.setWeight(QFont::Medium);
    setFont(labelFont);
    // The effect draws the label through an offscreen image: it is on only while fading.
    effect_->setEnabled(false);
    setGraphicsEffect(effect_);
    for (auto* animation : {fade_, slide_}) {
        animation->setDuration(transitionMS);
        animation->setEasingCurve(QEasingCurve::OutCubic);
    }
    connect(fade_, &QPropertyAnimation::finished, this, [this] {
        if (effect_->opacity() <= 0)
            hide();
        else
            effect_->setEnabled(false);
    });
    hide();
}

QPointF HoverLabel::centre(QPointF point, qreal width)
{
    return {std::min(std::max(point.x(), 90.0), width - 90), std::max(point.y() - 26, 20.0)};
}

QRect HoverLabel::placed(QSize size, QPointF point, QSize container, const std::vector<QRect>& panels)
{
    const auto around = [&](QPointF middle) {
        QRect target(
            QPoint(qRound(middle.x() - size.width() / 2.0), qRound(middle.y() - size.height() / 2.0)), size);
        // Only a label wider than the room the centre keeps at the sides would stick out.
        target.moveLeft(std::clamp(target.left(), 0, std::max(0, container.width() - size.width())));
        return target;
    };
    const auto onAPanel = [&panels](const QRect& target) {
        return std::ranges::any_of(
            panels, [&target](const QRect& panel) { return panel.intersects(target); });
    };
    const QPointF middle = centre(point, container.width());
    const QRect above = around(middle);
    if (!onAPanel(above))
        return above;
    QRect below = around({middle.x(), point.y() + belowPointer});
    below.moveBottom(std::min(below.bottom(), container.height() - 1));
    return onAPanel(below) ? above : below;
}

QString HoverLabel::fitting(const QString& text, qreal containerWidth) const
{
    const QMargins margins = contentsMargins();
    const int widest = std::min(static_cast<int>(containerWidth) - 2 * edgeInset,
        static_cast<int>(containerWidth * widestPercent / 100));
    return fontMetrics().elidedText(
        text, Qt::ElideRight, std::max(widest - margins.left() - margins.right(), 0));
}

void HoverLabel::showAt(const QString& name, QPointF point, QSize container, const std::vector<QRect>& panels)
{
    const QString text = fitting(name, container.width());
    const bool appearing = isHidden() || leaving();
    const bool renamed = text != this->text();
    if (renamed)
        setText(text);
    const QSize size = renamed                           ? sizeHint()
        : slide_->state() == QAbstractAnimation::Running ? slide_->endValue().toRect().size()
                                                         : this->size();
    const QRect target = placed(size, point, container, panels);
    if (renamed && !appearing) {
        slideTo(target);
    } else {
        slide_->stop();
        setGeometry(target);
    }
    if (appearing) {
        // Never raised: it stays in the back layer, under the panels made after it.
        if (isHidden()) {
            effect_->setOpacity(0);
            show();
        }
        fadeTo(1);
    }
}

void HoverLabel::fadeOut()
{
    if (isHidden() || leaving())
        return;
    fadeTo(0);
}

qreal HoverLabel::opacity() const
{
    return effect_->isEnabled() ? effect_->opacity() : 1.0;
}

bool HoverLabel::leaving() const
{
    return fade_->state() == QAbstractAnimation::Running && fade_->endValue().toReal() == 0;
}

void HoverLabel::fadeTo(qreal opacity)
{
    fade_->stop();
    effect_->setEnabled(true);
    fade_->setStartValue(effect_->opacity());
    fade_->setEndValue(opacity);
    fade_->start();
}

void HoverLabel::slideTo(QRect geometry)
{
    slide_->stop();
    slide_->setStartValue(this->geometry());
    slide_->setEndValue(geometry);
    slide_->start();
}

void HoverLabel::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath capsule;
        capsule.addRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
        QColor fill = palette().color(QPalette::Window);
        fill.setAlphaF(GlassPanel::fillOpacity(GlassStyle::floating));
        painter.fillPath(capsule, fill);
    }
    QLabel::paintEvent(event);
}

} // namespace morvena
