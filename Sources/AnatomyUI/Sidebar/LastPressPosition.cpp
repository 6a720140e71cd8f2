#include "AnatomyUI/Sidebar/LastPressPosition.h"

#include <QMouseEvent>
#include <QWidget>

namespace morvena {

LastPressPosition::LastPressPosition(QWidget& widget)
    : QObject(&widget)
{
    widget.installEventFilter(this);
}

bool LastPressPosition::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonPress)
        point_ = static_cast<QMouseEvent*>(event)->position().toPoint();
    return QObject::eventFilter(watched, event);
}

} // namespace morvena
