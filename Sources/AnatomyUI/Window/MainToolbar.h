#pragma once

#include <QPointer>
#include <QToolBar>

#include <map>

class QToolButton;

namespace morvena {

class AppModel;

// The window's toolbar row: the sidebar switch, isolation, hiding, ghosting, the view
// menu and the inspector switch, as icons with tooltips. Its items show only while a dataset is
// ready; the row keeps its height either way.
class MainToolbar : public QToolBar {
    Q_OBJECT

public:
    enum class Item { sidebar, isolate, endIsolation, hide, focus, view, inspector };

    MainToolbar(QPointer<AppModel> model, QWidget* parent = nullptr);

    QAction* action(Item item) const { return actions_.at(item); }
    QToolButton* viewButton() const { return viewButton_; }
    // Reads the phase, the selection, isolation and ghosting again.
    void refresh();
    void setInspectorShown(bool shown);
    void setSidebarShown(bool shown);

signals:
    void inspectorToggled(bool shown);
    void sidebarToggled(bool shown);

private:
    QAction* addItem(Item item, const char* label, const char* symbol, const char* tooltip);
    // A checked item that switches a column of the window.
    QAction* addColumnSwitch(Item item, const char* label, const char* symbol);
    void addViewMenu();
    void addSpacer();

    QPointer<AppModel> model_;
    std::map<Item, QAction*> actions_; // owned by the toolbar
    QToolButton* viewButton_ = nullptr;
    QList<QAction*> rowItems_; // every item of the row, spacer and separator included
};

} // namespace morvena
