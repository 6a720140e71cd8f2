#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QLayout;
class QModelIndex;
class QTreeView;

namespace morvena {

class LastPressPosition;
class SegmentedPicker;
class TaxonomyTreeModel;

// The hierarchy of the loaded dataset under the picker of its kind: the roots open,
// a node's chevron opens or closes it, and a click elsewhere on the node selects
// and frames its structure. A dataset without the hierarchy shows a sentence instead.
class TreeSection : public QWidget {
    Q_OBJECT

public:
    explicit TreeSection(AppModel& model, QWidget* parent = nullptr);

private:
    QLayout* makeKindPicker();
    QTreeView* makeTree();
    // Follows the tree's kind and roots; other fields are ignored.
    void refresh(AppModel::Field field);
    void refreshKind();
    void resetTree();
    void nodeClicked(const QModelIndex& index);
    void nodeCollapsed(const QModelIndex& index);

    QPointer<AppModel> model_;
    SegmentedPicker* kinds_ = nullptr;
    QLabel* empty_ = nullptr;
    QTreeView* tree_ = nullptr;
    TaxonomyTreeModel* treeModel_ = nullptr;
    LastPressPosition* press_ = nullptr;
    bool collapsingChildren_ = false;
};

} // namespace morvena
