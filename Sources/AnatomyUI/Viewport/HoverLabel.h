#pragma once

#include <QLabel>
#include <QPointF>

namespace morvena {

// The name of the structure under the pointer, in a small capsule above it. It lets
// every pointer event through to the viewport below.
class HoverLabel : public QLabel {
    Q_OBJECT

public:
    explicit HoverLabel(QWidget* parent = nullptr);

    // Where the label's centre goes for a pointer at `point` in a container `width`
    // wide: kept 90 from the sides, 26 above the pointer and at least 20 from the top.
    static QPointF centre(QPointF point, qreal width);

    // Shows the text centred as centre() says; repaints only what changed.
    void showAt(const QString& text, QPointF point, qreal containerWidth);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace morvena
