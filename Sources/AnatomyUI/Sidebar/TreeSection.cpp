#include "AnatomyUI/Sidebar/TreeSection.h"

#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/SegmentedPicker.h"
#include "AnatomyUI/Model/TaxonomyTreeModel.h"
#include "AnatomyUI/Sidebar/LastPressPosition.h"
#include "AnatomyUI/Sidebar/SidebarActions.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"
#include "AnatomyUI/Sidebar/TaxonomyNodeDelegate.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

namespace morvena {

TreeSection::TreeSection(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(&model)
{
    auto* layout = ViewText::column(this, 4);
    layout->addLayout(makeKindPicker());
    empty_ = SidebarLook::wrapped("Nessuna gerarchia disponibile in questo dataset.",
        Theme::font(Theme::TextStyle::caption), Theme::Foreground::secondary, this);
    empty_->setObjectName("treeEmpty");
    empty_->setContentsMargins(12, 0, 12, 0);
    layout->addWidget(empty_);
    treeModel_ = new TaxonomyTreeModel(
        [this](const std::string& conceptID) {
            return model_ ? model_->children(conceptID) : std::vector<TaxonomyNode>();
        },
        this);
    treeModel_->setToolTipStyle(DisplayText::toolTip);
    layout->addWidget(makeTree(), 1);
    connect(&model, &AppModel::changed, this, &TreeSection::refresh);
    refreshKind();
    resetTree();
}

QLayout* TreeSection::makeKindPicker()
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(12, 0, 12, 0);
    kinds_ = new SegmentedPicker(Theme::font(Theme::TextStyle::caption), this);
    for (auto kind : allTreeKinds())
        kinds_->addSegment(DisplayText::fromUtf8(italianName(kind)), static_cast<int>(kind))
            ->setObjectName(QString("treeKind.") + DisplayText::fromUtf8(rawValue(kind)));
    connect(kinds_, &SegmentedPicker::segmentClicked, this, [this](int id) {
        if (model_)
            model_->setTreeKind(static_cast<TreeKind>(id));
    });
    row->addWidget(kinds_);
    return row;
}

QTreeView* TreeSection::makeTree()
{
    tree_ = new QTreeView(this);
    tree_->setObjectName("tree");
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->setIndentation(TaxonomyNodeDelegate::indentation);
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setExpandsOnDoubleClick(false);
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->setFocusPolicy(Qt::NoFocus);
    tree_->setSelectionMode(QAbstractItemView::NoSelection);
    tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree_->setMouseTracking(true);
    tree_->setAttribute(Qt::WA_Hover);
    // A widget with a style sheet takes its background from the sheet, not from its palette: the
    // tree would be drawn in the base colour instead of the sidebar's own.
    tree_->setStyleSheet("QTreeView { background: transparent; }"
                         "QTreeView::branch { image: none; border-image: none; background: transparent; }");
    press_ = new LastPressPosition(*tree_->viewport());
    tree_->setModel(treeModel_);
    tree_->setItemDelegate(new TaxonomyNodeDelegate(tree_));
    connect(tree_, &QTreeView::clicked, this, &TreeSection::nodeClicked);
    connect(tree_, &QTreeView::expanded, this,
        [this](const QModelIndex& index) { treeModel_->setOpen(index, true); });
    connect(tree_, &QTreeView::collapsed, this, &TreeSection::nodeCollapsed);
    return tree_;
}

void TreeSection::refresh(AppModel::Field field)
{
    switch (field) {
    case AppModel::Field::treeKind:
        refreshKind();
        resetTree();
        break;
    case AppModel::Field::treeRoots:
        resetTree();
        break;
    default:
        break;
    }
}

void TreeSection::refreshKind()
{
    kinds_->setChosen(static_cast<int>(model_->treeKind()));
}

void TreeSection::resetTree()
{
    const auto& roots = model_->treeRoots();
    treeModel_->setRoots(roots);
    empty_->setVisible(roots.empty());
    tree_->setVisible(!roots.empty());
    for (int row = 0; row < treeModel_->rowCount(); ++row)
        tree_->expand(treeModel_->index(row, 0));
}

void TreeSection::nodeClicked(const QModelIndex& index)
{
    const auto* node = treeModel_->node(index);
    if (!node)
        return;
    if (TaxonomyNodeDelegate::chevronRect(tree_->visualRect(index)).contains(press_->point())) {
        if (!TaxonomyTreeModel::isLeaf(*node))
            tree_->setExpanded(index, !tree_->isExpanded(index));
        return;
    }
    SidebarActions::selectAndFrame(model_, node->id);
}

void TreeSection::nodeCollapsed(const QModelIndex& index)
{
    if (collapsingChildren_)
        return;
    // The children close too, and forget what they read: one level, whatever lies below.
    collapsingChildren_ = true;
    for (int row = 0; row < treeModel_->rowCount(index); ++row)
        tree_->collapse(treeModel_->index(row, 0, index));
    collapsingChildren_ = false;
    treeModel_->setOpen(index, false);
}

} // namespace morvena
