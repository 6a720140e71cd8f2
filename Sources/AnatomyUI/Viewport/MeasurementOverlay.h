#pragma once

#include "AnatomyRender/Math/Float2.h"

#include <QWidget>

#include <vector>

namespace morvena {

// The measuring points over the whole viewport: a marker on each, and the dashed
// line between them when there are exactly two. It lets every pointer event through.
class MeasurementOverlay : public QWidget {
    Q_OBJECT

public:
    explicit MeasurementOverlay(QWidget* parent = nullptr);

    // Points in view pixels, origin top left; repaints only when they change.
    void setPoints(std::vector<float2> points);
    const std::vector<float2>& points() const { return points_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<float2> points_;
};

} // namespace morvena
