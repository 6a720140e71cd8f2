#include "AnatomyUI/Viewport/HoverLabel.h"

#include "AnatomyUI/Look/GlassPanel.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

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
    const QPointF middle = centre(point, container.width());
    const QRect above = centredOn(middle, size, container.width());
    QRect below = centredOn({middle.x(), point.y() + belowPointer}, size, container.width());
    below.moveBottom(std::min(below.bottom(), container.height() - 1));
    for (const QRect& target : {above, below})
        if (isClear(target, container, panels))
            return target;
    // Beside a wide panel the label could land far from the pointer: of the clear places
    // the nearest goes, the first that reaches over it where one does.
    std::optional<QRect> nearest;
    int nearestGap = std::numeric_limits<int>::max();
    for (const QRect& target : {above, below})
        for (const QRect& panel : panels)
            for (const QRect& beside : besides(target, panel))
                if (const int gap = gapToPointer(beside, point.x());
                    gap < nearestGap && panel.intersects(target) && isClear(beside, container, panels)) {
                    nearest = beside;
                    nearestGap = gap;
                }
    return nearest.value_or(above);
}

int HoverLabel::gapToPointer(const QRect& target, qreal pointerX)
{
    const qreal gap
        = std::max({target.left() - besidePanel - pointerX, pointerX - target.right() - besidePanel, 0.0});
    return static_cast<int>(std::ceil(gap));
}

QRect HoverLabel::centredOn(QPointF middle, QSize size, int containerWidth)
{
    QRect target(
        QPoint(qRound(middle.x() - size.width() / 2.0), qRound(middle.y() - size.height() / 2.0)), size);
    // Only a label wider than the room the centre keeps at the sides would stick out.
    target.moveLeft(std::clamp(target.left(), 0, std::max(0, containerWidth - size.width())));
    return target;
}

bool HoverLabel::isClear(const QRect& target, QSize container, const std::vector<QRect>& panels)
{
    return QRect(QPoint(0, 0), container).contains(target)
        && std::ranges::none_of(panels, [&target](const QRect& panel) { return panel.intersects(target); });
}

std::array<QRect, 2> HoverLabel::besides(const QRect& target, const QRect& panel)
{
    return {target.translated(panel.right() + besidePanel + 1 - target.left(), 0),
        target.translated(panel.left() - besidePanel - 1 - target.right(), 0)};
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
