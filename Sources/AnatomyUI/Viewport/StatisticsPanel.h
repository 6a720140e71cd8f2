#pragma once

#include "AnatomyRender/RenderStats.h"
#include "AnatomyUI/Look/GlassPanel.h"

#include <QString>

#include <array>

class QLabel;

namespace morvena {

// The renderer's figures of the last frame, one row each. The value labels have fixed
// widths, so frequent updates repaint them without laying the panel out again.
class StatisticsPanel : public GlassPanel {
    Q_OBJECT

public:
    static constexpr std::size_t rowCount = 7;

    explicit StatisticsPanel(QWidget* parent = nullptr);

    // The rows' values as shown: FPS, frame, triangles, draw calls, structures,
    // culled structures and GPU memory.
    static std::array<QString, rowCount> values(const RenderStats& stats);
    // Sets the values that changed.
    void show(const RenderStats& stats);
    const QLabel& value(std::size_t row) const { return *values_[row]; }

private:
    std::array<QLabel*, rowCount> values_ {}; // owned by the panel
};

} // namespace morvena
