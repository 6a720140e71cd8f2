#include "AnatomyUI/Window/ViewMenu.h"

#include "AnatomyRender/OrbitCamera.h"
#include "AnatomyUI/Model/AppModel.h"

#include <QMenu>

namespace morvena::ViewMenu {

QList<QAction*> addPresets(QMenu& menu, const ModelSource& model)
{
    QList<QAction*> actions;
    for (auto preset : allCameraPresets()) {
        auto name = italianName(preset);
        auto* action = menu.addAction(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        QObject::connect(action, &QAction::triggered, &menu, [model, preset] {
            if (auto* target = model())
                target->apply(preset);
        });
        actions.append(action);
    }
    return actions;
}

QAction* addItem(QMenu& menu, const QString& title, const ModelSource& model, void (AppModel::*operation)())
{
    auto* action = menu.addAction(title);
    QObject::connect(action, &QAction::triggered, &menu, [model, operation] {
        if (auto* target = model())
            (target->*operation)();
    });
    return action;
}

} // namespace morvena::ViewMenu
