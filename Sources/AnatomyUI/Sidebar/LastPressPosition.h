#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace morvena {

// Where the mouse was last pressed or released over a widget: an item view's click
// signal carries the index alone, and the rows' small buttons are painted, not widgets.
class LastPressPosition : public QObject {
    Q_OBJECT

public:
    // Watches `widget`, which owns it.
    explicit LastPressPosition(QWidget& widget);

    QPoint point() const { return point_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint point_;
};

} // namespace morvena
