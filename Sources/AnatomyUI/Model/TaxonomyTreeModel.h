#pragma once

#include "AnatomyCore/Model/TaxonomyNode.h"

#include <QAbstractItemModel>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace morvena {

// A hierarchy of concepts read one level at a time: a node's children are asked of
// the provider when the node is first opened (fetchMore), never before, so a
// hierarchy with a cycle or thousands of concepts costs only what is opened. Only an
// open node can fetch, so that nothing but the opening reads.
class TaxonomyTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    // The children of a concept, by its ID.
    using Provider = std::function<std::vector<TaxonomyNode>(const std::string& conceptID)>;

    enum Role {
        conceptIDRole = Qt::UserRole + 1,
        // The system as its integer raw value.
        systemRole,
        // The number of meshed descendants, only when there are 2 or more.
        countRole,
        leafRole,
    };

    explicit TaxonomyTreeModel(Provider provider, QObject* parent = nullptr);
    ~TaxonomyTreeModel() override;

    // A new hierarchy: every node read before is forgotten.
    void setRoots(const std::vector<TaxonomyNode>& roots);
    // Opening reads the node's children unless it has them; closing keeps them but
    // closes the children and forgets what they have read, so that each reads its
    // children again when it is next opened.
    void setOpen(const QModelIndex& index, bool open);
    const TaxonomyNode* node(const QModelIndex& index) const;
    // Has a mesh and fewer than 2 meshed descendants: nothing to open.
    static bool isLeaf(const TaxonomyNode& node);
    // How the views turn a whole text into the tooltip they show; until it is set, the
    // tooltip is the text itself.
    void setToolTipStyle(std::function<QString(const QString&)> style) { toolTipStyle_ = std::move(style); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Item;

    Item* itemOf(const QModelIndex& index) const;
    void dropChildren(Item& item, const QModelIndex& index);
    QString toolTip(const QString& text) const { return toolTipStyle_ ? toolTipStyle_(text) : text; }

    Provider provider_;
    std::unique_ptr<Item> root_;
    std::function<QString(const QString&)> toolTipStyle_;
};

} // namespace morvena
