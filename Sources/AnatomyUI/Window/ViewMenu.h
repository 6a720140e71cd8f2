#pragma once

#include <QList>

#include <functional>

class QAction;
class QMenu;

namespace morvena {

class AppModel;

// The camera presets as menu items, shared by the toolbar's "Vista" menu and the menu
// bar's.
namespace ViewMenu {

// The model an item acts on when chosen; none does nothing.
using ModelSource = std::function<AppModel*()>;

// One item per camera preset, in the presets' order, named in Italian.
QList<QAction*> addPresets(QMenu& menu, const ModelSource& model);
// An item calling `operation` on the model when chosen.
QAction* addItem(QMenu& menu, const QString& title, const ModelSource& model, void (AppModel::*operation)());

} // namespace ViewMenu

} // namespace morvena
