#pragma once

#include <QLabel>
#include <QPointF>

class QGraphicsOpacityEffect;
class QPropertyAnimation;

namespace morvena {

// The name of the structure under the pointer, in a small capsule above it. It lets
// every pointer event through to the viewport below. It fades in when it appears and
// out when it goes; a new name slides the capsule to its new size.
class HoverLabel : public QLabel {
    Q_OBJECT

public:
    // The length of the fades and of the slide to a new name, in milliseconds.
    static constexpr int transitionMS = 120;

    explicit HoverLabel(QWidget* parent = nullptr);

    // Where the label's centre goes for a pointer at `point` in a container `width`
    // wide: kept 90 from the sides, 26 above the pointer and at least 20 from the top.
    static QPointF centre(QPointF point, qreal width);

    // Shows the name centred as centre() says; repaints only what changed. A name
    // wider than the container, less an inset at each side, ends in "…"; the label
    // then moves as far as it must to stay inside.
    void showAt(const QString& name, QPointF point, qreal containerWidth);
    // Fades the label out and hides it at the end; nothing when it is hidden already.
    void fadeOut();
    // 1 when fully shown, lower while fading.
    qreal opacity() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int edgeInset = 12;

    // The name as the label shows it in a container that wide.
    QString fitting(const QString& name, qreal containerWidth) const;
    // Fading out, to be hidden at the end.
    bool leaving() const;
    void fadeTo(qreal opacity);
    void slideTo(QRect geometry);

    // Owned by the label.
    QGraphicsOpacityEffect* effect_;
    QPropertyAnimation* fade_;
    QPropertyAnimation* slide_;
};

} // namespace morvena
