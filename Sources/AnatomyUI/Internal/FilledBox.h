#pragma once

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>

namespace morvena {

// A container drawn as a filled rounded rectangle (or capsule) behind its children,
// with an optional outline. Colours are taken from the palette at paint time.
class FilledBox : public QWidget {
    Q_OBJECT

public:
    using Color = std::function<QColor(const QPalette&)>;

    FilledBox(Color fill, qreal cornerRadius, QWidget* parent = nullptr);

    // A capsule rounds the shorter side fully.
    void setCapsule(bool capsule) { capsule_ = capsule; }
    void setOutline(Color outline, qreal width);
    // A bar along the leading edge: its width, inset from the top and bottom and from the edge.
    void setLeadingBar(Color fill, qreal width, qreal verticalInset, qreal leadingInset);

    // The colour `color` at that opacity.
    static Color tinted(QColor color, qreal opacity);
    // The palette's text colour at that opacity (the secondary colour's fills).
    static Color textTinted(qreal opacity);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Bar {
        Color fill;
        qreal width = 0;
        qreal verticalInset = 0;
        qreal leadingInset = 0;
    };

    Color fill_;
    qreal cornerRadius_;
    bool capsule_ = false;
    Color outline_;
    qreal outlineWidth_ = 0;
    std::optional<Bar> bar_;
};

} // namespace morvena
