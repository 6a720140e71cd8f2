#pragma once

#include <QBoxLayout>
#include <QWidget>

namespace morvena {

// Groups glass surfaces. Without the desktop's glass containers it only lays its
// children out as they are: the spacing asked for adds nothing of its own.
class GlassGroup : public QWidget {
    Q_OBJECT

public:
    GlassGroup(qreal spacing, QBoxLayout::Direction direction, QWidget* parent = nullptr);

    QBoxLayout& content() { return *layout_; }

private:
    QBoxLayout* layout_; // owned by the widget
};

} // namespace morvena
