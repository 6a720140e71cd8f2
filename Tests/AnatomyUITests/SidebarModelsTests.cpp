#include "AnatomyUI/Model/SavedViewListModel.h"
#include "AnatomyUI/Model/SearchHitListModel.h"
#include "AnatomyUI/Model/TaxonomyTreeModel.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace morvena;

namespace {

// A hierarchy kept in memory that counts what the tree asks of it.
struct Hierarchy {
    std::map<std::string, std::vector<TaxonomyNode>> children;
    std::map<std::string, int> reads;

    TaxonomyTreeModel::Provider provider()
    {
        return [this](const std::string& id) {
            ++reads[id];
            auto found = children.find(id);
            return found == children.end() ? std::vector<TaxonomyNode>() : found->second;
        };
    }
};

TaxonomyNode node(const std::string& id, bool hasMesh, std::int64_t meshDescendants)
{
    return {id, id, std::nullopt, hasMesh, meshDescendants, AnatomySystem::skeletal};
}

// The rows as they are loaded: one line per row, two blanks per level, "+" for a
// node that can be opened and the count when there is one.
std::string print(const TaxonomyTreeModel& model, const QModelIndex& parent = {}, int depth = 0)
{
    std::string text;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const auto index = model.index(row, 0, parent);
        text += std::string(static_cast<std::size_t>(depth) * 2, ' ') + (model.hasChildren(index) ? "+" : "-")
            + index.data().toString().toStdString();
        if (auto count = index.data(TaxonomyTreeModel::countRole); count.isValid())
            text += " " + std::to_string(count.toLongLong());
        text += "\n";
        text += print(model, index, depth + 1);
    }
    return text;
}

QModelIndex find(const TaxonomyTreeModel& model, const std::string& id, const QModelIndex& parent = {})
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const auto index = model.index(row, 0, parent);
        if (index.data(TaxonomyTreeModel::conceptIDRole).toString().toStdString() == id)
            return index;
        if (auto below = find(model, id, index); below.isValid())
            return below;
    }
    return {};
}

void open(TaxonomyTreeModel& model, const std::string& id)
{
    const auto index = find(model, id);
    ASSERT_TRUE(index.isValid()) << id;
    model.setOpen(index, true);
}

} // namespace

TEST(TaxonomyTreeModel, readsOneLevelPerOpeningAndForgetsGrandchildrenOnClose)
{
    Hierarchy hierarchy;
    hierarchy.children["body"] = {node("arm", false, 3), node("heart", true, 1)};
    hierarchy.children["arm"] = {node("humerus", true, 0), node("hand", false, 2)};
    hierarchy.children["hand"] = {node("thumb", true, 0), node("finger", true, 0)};
    TaxonomyTreeModel model(hierarchy.provider());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    model.setRoots({node("body", false, 5)});
    EXPECT_EQ(print(model), "+body 5\n");
    EXPECT_TRUE(hierarchy.reads.empty());

    open(model, "body");
    open(model, "arm");
    open(model, "hand");
    EXPECT_EQ(print(model),
        "+body 5\n  +arm 3\n    -humerus\n    +hand 2\n      -thumb\n      -finger\n  -heart\n");

    // Closing and reopening a node keeps its children: nothing is read again.
    model.setOpen(find(model, "arm"), false);
    open(model, "arm");
    EXPECT_EQ(hierarchy.reads["arm"], 1);
    // ... but its children forget theirs, which are read again on their next opening.
    EXPECT_EQ(print(model), "+body 5\n  +arm 3\n    -humerus\n    +hand 2\n  -heart\n");
    open(model, "hand");
    EXPECT_EQ(hierarchy.reads["hand"], 2);

    // A leaf (mesh, fewer than 2 meshed descendants) is never asked for children.
    EXPECT_FALSE(model.canFetchMore(find(model, "heart")));
    EXPECT_EQ(hierarchy.reads.count("heart"), 0u);

    model.setRoots({node("thing", false, 0)});
    EXPECT_EQ(print(model), "+thing\n");
    EXPECT_FALSE(find(model, "arm").isValid());
}

TEST(TaxonomyTreeModel, leafAndCountRules)
{
    struct Case {
        bool hasMesh;
        std::int64_t meshDescendants;
        bool leaf;
        bool counted;
    };
    const Case cases[] = {
        {true, 0, true, false},
        {true, 1, true, false},
        {true, 2, false, true},
        {false, 1, false, false}, // no mesh, one meshed descendant: opens, no count
        {false, 0, false, false},
    };
    for (const auto& expected : cases) {
        TaxonomyTreeModel model({});
        model.setRoots({node("n", expected.hasMesh, expected.meshDescendants)});
        const auto index = model.index(0, 0);
        SCOPED_TRACE(std::to_string(expected.hasMesh) + "/" + std::to_string(expected.meshDescendants));
        EXPECT_EQ(index.data(TaxonomyTreeModel::leafRole).toBool(), expected.leaf);
        EXPECT_EQ(model.hasChildren(index), !expected.leaf);
        EXPECT_EQ(index.data(TaxonomyTreeModel::countRole).isValid(), expected.counted);
    }
}

TEST(TaxonomyTreeModel, aCycleIsReadOneLevelPerOpening)
{
    Hierarchy hierarchy;
    hierarchy.children["a"] = {node("b", false, 2)};
    hierarchy.children["b"] = {node("a", false, 2)};
    TaxonomyTreeModel model(hierarchy.provider());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setRoots({node("a", false, 2)});

    QModelIndex index;
    for (int level = 0; level < 6; ++level) {
        index = model.index(0, 0, index);
        ASSERT_TRUE(index.isValid());
        model.setOpen(index, true);
    }
    EXPECT_EQ(hierarchy.reads["a"], 3);
    EXPECT_EQ(hierarchy.reads["b"], 3);
    // Closing the root drops its grandchildren and everything below them at once.
    model.setOpen(model.index(0, 0), false);
    EXPECT_EQ(print(model), "+a 2\n  +b 2\n");
}

TEST(SidebarListModels, rowsFollowTheirValues)
{
    SearchHitListModel hits;
    QAbstractItemModelTester hitsTester(&hits, QAbstractItemModelTester::FailureReportingMode::Fatal);
    hits.setHits({{"FMA1", "Femur", std::string("Femore"), AnatomySystem::skeletal, 1},
        {"FMA2", "Heart", std::nullopt, AnatomySystem::cardiac, 2}});
    ASSERT_EQ(hits.rowCount(), 2);
    EXPECT_EQ(hits.index(0).data().toString(), "Femore");
    EXPECT_EQ(hits.index(0).data(SearchHitListModel::englishNameRole).toString(), "Femur");
    EXPECT_EQ(hits.index(1).data().toString(), "Heart");
    EXPECT_FALSE(hits.index(1).data(SearchHitListModel::englishNameRole).isValid());
    hits.setHits({});
    EXPECT_EQ(hits.rowCount(), 0);

    SavedViewListModel views;
    QAbstractItemModelTester viewsTester(&views, QAbstractItemModelTester::FailureReportingMode::Fatal);
    views.setViews({{7, "A & B", "{}", {}}});
    EXPECT_EQ(views.index(0).data().toString(), "A & B");
    EXPECT_EQ(views.view(views.index(0))->id, 7);
    EXPECT_EQ(views.view(QModelIndex()), nullptr);
}
