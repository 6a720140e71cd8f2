#pragma once

#include "AnatomyUI/Look/GlassStyle.h"

#include <QWidget>

namespace morvena {

// A translucent surface behind its children: the window colour, more or less
// see-through by style, within a rounded rectangle or a capsule, with a hairline
// light edge. Panels and buttons that float over the viewport sit on one.
class GlassPanel : public QWidget {
    Q_OBJECT

public:
    struct Shape {
        // Corner radius in pixels; a capsule rounds the shorter side fully.
        qreal cornerRadius = 0;
        bool capsule = false;
    };

    GlassPanel(GlassStyle style, Shape shape, bool interactive, QWidget* parent = nullptr);

    GlassStyle style() const { return style_; }
    // The window colour's opacity: regular, thin and ultra-thin material.
    static qreal fillOpacity(GlassStyle style);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GlassStyle style_;
    Shape shape_;
    bool interactive_;
};

} // namespace morvena
