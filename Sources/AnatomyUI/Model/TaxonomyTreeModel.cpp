#include "AnatomyUI/Model/TaxonomyTreeModel.h"

namespace morvena {

struct TaxonomyTreeModel::Item {
    TaxonomyNode node;
    Item* parent = nullptr;
    int row = 0;
    bool loaded = false;
    bool open = false;
    std::vector<std::unique_ptr<Item>> children;

    void adopt(const std::vector<TaxonomyNode>& nodes)
    {
        children.reserve(nodes.size());
        for (const auto& child : nodes) {
            auto item = std::make_unique<Item>();
            item->node = child;
            item->parent = this;
            item->row = static_cast<int>(children.size());
            children.push_back(std::move(item));
        }
        loaded = true;
    }
};

TaxonomyTreeModel::TaxonomyTreeModel(Provider provider, QObject* parent)
    : QAbstractItemModel(parent)
    , provider_(std::move(provider))
    , root_(std::make_unique<Item>())
{
    root_->loaded = true;
}

TaxonomyTreeModel::~TaxonomyTreeModel() = default;

bool TaxonomyTreeModel::isLeaf(const TaxonomyNode& node)
{
    return node.hasMesh && node.meshDescendants < 2;
}

void TaxonomyTreeModel::setRoots(const std::vector<TaxonomyNode>& roots)
{
    beginResetModel();
    root_ = std::make_unique<Item>();
    root_->adopt(roots);
    endResetModel();
}

TaxonomyTreeModel::Item* TaxonomyTreeModel::itemOf(const QModelIndex& index) const
{
    if (!index.isValid())
        return root_.get();
    return index.model() == this ? static_cast<Item*>(index.internalPointer()) : nullptr;
}

const TaxonomyNode* TaxonomyTreeModel::node(const QModelIndex& index) const
{
    auto* item = index.isValid() ? itemOf(index) : nullptr;
    return item ? &item->node : nullptr;
}

void TaxonomyTreeModel::dropChildren(Item& item, const QModelIndex& index)
{
    if (!item.children.empty()) {
        beginRemoveRows(index, 0, static_cast<int>(item.children.size()) - 1);
        item.children.clear();
        endRemoveRows();
    }
    item.loaded = false;
}

void TaxonomyTreeModel::setOpen(const QModelIndex& index, bool open)
{
    auto* item = index.isValid() ? itemOf(index) : nullptr;
    if (!item)
        return;
    item->open = open;
    if (open) {
        fetchMore(index);
        return;
    }
    // One level only: the grandchildren go with everything below them.
    for (auto& child : item->children) {
        child->open = false;
        if (child->loaded)
            dropChildren(*child, createIndex(child->row, 0, child.get()));
    }
}

QModelIndex TaxonomyTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    auto* item = itemOf(parent);
    if (!item || column != 0 || row < 0 || static_cast<std::size_t>(row) >= item->children.size())
        return {};
    return createIndex(row, 0, item->children[static_cast<std::size_t>(row)].get());
}

QModelIndex TaxonomyTreeModel::parent(const QModelIndex& index) const
{
    auto* item = index.isValid() ? itemOf(index) : nullptr;
    if (!item || !item->parent || item->parent == root_.get())
        return {};
    return createIndex(item->parent->row, 0, item->parent);
}

int TaxonomyTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    auto* item = itemOf(parent);
    return item ? static_cast<int>(item->children.size()) : 0;
}

int TaxonomyTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool TaxonomyTreeModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return !root_->children.empty();
    auto* item = itemOf(parent);
    if (!item || parent.column() > 0)
        return false;
    return item->loaded ? !item->children.empty() : !isLeaf(item->node);
}

bool TaxonomyTreeModel::canFetchMore(const QModelIndex& parent) const
{
    auto* item = parent.isValid() ? itemOf(parent) : nullptr;
    return item && item->open && !item->loaded && !isLeaf(item->node);
}

void TaxonomyTreeModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    auto* item = itemOf(parent);
    // Loaded before the rows are announced: a view that looks at the model while
    // they are inserted must not fetch them a second time.
    item->loaded = true;
    auto nodes = provider_ ? provider_(item->node.id) : std::vector<TaxonomyNode>();
    if (nodes.empty())
        return;
    beginInsertRows(parent, 0, static_cast<int>(nodes.size()) - 1);
    item->adopt(nodes);
    endInsertRows();
}

QVariant TaxonomyTreeModel::data(const QModelIndex& index, int role) const
{
    const auto* found = node(index);
    if (!found)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(found->displayName());
    case Qt::ToolTipRole: // the name whole, which the row may have cut
        return toolTip(QString::fromStdString(found->displayName()));
    case conceptIDRole:
        return QString::fromStdString(found->id);
    case systemRole:
        return static_cast<int>(found->system);
    case countRole:
        return found->meshDescendants >= 2 ? QVariant::fromValue<qlonglong>(found->meshDescendants)
                                           : QVariant();
    case leafRole:
        return isLeaf(*found);
    default:
        return {};
    }
}

} // namespace morvena
