#pragma once

#include <QLabel>
#include <QPointF>
#include <QRect>

#include <array>
#include <vector>

class QGraphicsOpacityEffect;
class QPropertyAnimation;

namespace morvena {

// The name of the structure under the pointer, in a small capsule above it, or below
// it or beside a panel where only that keeps it clear of the viewport's panels. It lets
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

    // Where the label of `size` goes for a pointer at `point`: the first place clear of
    // `panels` and inside the container of centred as centre() says, as far below the
    // pointer, and either of those moved just beside a panel it meets, the one nearest
    // the pointer sideways (the first that reaches over it); centred as centre() says
    // only where none is clear.
    static QRect placed(QSize size, QPointF point, QSize container, const std::vector<QRect>& panels);

    // Shows the name where placed() says; repaints only what changed. A name wider
    // than 40 % of the container ends in "…".
    void showAt(const QString& name, QPointF point, QSize container, const std::vector<QRect>& panels = {});
    // Fades the label out and hides it at the end; nothing when it is hidden already.
    void fadeOut();
    // 1 when fully shown, lower while fading.
    qreal opacity() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int edgeInset = 12;
    // The widest the label gets, in percent of the container's width: a long name
    // would otherwise run across the viewport under its panels.
    static constexpr int widestPercent = 40;
    // How far below the pointer the label's centre goes: past the pointer's arrow.
    static constexpr int belowPointer = 32;
    // The room the label leaves to a panel it goes beside.
    static constexpr int besidePanel = 6;

    // A label of `size` centred on `middle`, moved sideways into the container if it can.
    static QRect centredOn(QPointF middle, QSize size, int containerWidth);
    // Inside the container and on none of the panels.
    static bool isClear(const QRect& target, QSize container, const std::vector<QRect>& panels);
    // `target` moved just right of `panel`, and just left of it.
    static std::array<QRect, 2> besides(const QRect& target, const QRect& panel);
    // How far sideways the pointer lies beyond the label and the room it leaves to a
    // panel; 0 where the label reaches over the pointer.
    static int gapToPointer(const QRect& target, qreal pointerX);

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
