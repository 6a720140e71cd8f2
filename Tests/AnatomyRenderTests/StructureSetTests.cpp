#include "AnatomyRender/StructureOverrides.h"
#include "AnatomyRender/StructureSet.h"

#include <gtest/gtest.h>

#include <vector>

using namespace morvena;

namespace {

std::vector<std::int64_t> membersOf(const StructureSet& set)
{
    return {set.begin(), set.end()};
}

} // namespace

TEST(StructureSet, keepsInsertionOrderAndAnswersMembershipInAndOutOfRange)
{
    StructureSet set(100);
    EXPECT_TRUE(set.insert(70));
    EXPECT_TRUE(set.insert(3));
    EXPECT_TRUE(set.insert(-4));
    EXPECT_TRUE(set.insert(100));
    EXPECT_FALSE(set.insert(3));
    EXPECT_EQ(membersOf(set), (std::vector<std::int64_t> {70, 3, -4, 100}));
    for (std::int64_t index : {70, 3, -4, 100})
        EXPECT_TRUE(set.contains(index)) << index;
    for (std::int64_t index : {0, 63, 64, 99, 101, -1})
        EXPECT_FALSE(set.contains(index)) << index;

    EXPECT_TRUE(set.erase(3));
    EXPECT_FALSE(set.erase(3));
    EXPECT_TRUE(set.erase(100));
    EXPECT_FALSE(set.contains(3));
    EXPECT_FALSE(set.contains(100));
    EXPECT_EQ(membersOf(set), (std::vector<std::int64_t> {70, -4}));

    set.clear();
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(set.contains(70));
    EXPECT_FALSE(set.contains(-4));
}

TEST(StructureSet, assignCollapsesDuplicatesAndForgetsOldMembers)
{
    StructureSet set(10);
    set.insert(9);
    std::vector<std::int64_t> indices {4, 2, 4, 7, 2};
    set.assign(indices);
    EXPECT_EQ(membersOf(set), (std::vector<std::int64_t> {4, 2, 7}));
    EXPECT_FALSE(set.contains(9));
    set.assign({});
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(set.contains(4));
}

TEST(StructureOverrides, storesValuesDenselyInRangeAndAsideOutside)
{
    StructureOverrides<float> values(8);
    values.set(2, 0.5f);
    values.set(20, 0.25f);
    values.set(-1, 0.75f);
    values.set(2, 0.4f);
    ASSERT_TRUE(values.find(2));
    EXPECT_EQ(*values.find(2), 0.4f);
    EXPECT_EQ(*values.find(20), 0.25f);
    EXPECT_EQ(*values.find(-1), 0.75f);
    EXPECT_FALSE(values.find(3));
    EXPECT_EQ(values.size(), 3u);
    EXPECT_EQ(membersOf(values.keys()), (std::vector<std::int64_t> {2, 20, -1}));

    EXPECT_TRUE(values.erase(20));
    EXPECT_FALSE(values.find(20));
    values.set(20, 0.1f);
    EXPECT_EQ(*values.find(20), 0.1f);

    values.clear();
    EXPECT_TRUE(values.empty());
    EXPECT_FALSE(values.find(2));
    EXPECT_FALSE(values.find(-1));
}
