#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyCore/Model/AnatomyViewState.h"
#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyCore/Support/JSONNesting.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

using namespace morvena;

namespace {

// An object of ours with one extra key whose value nests `depth` - 1 arrays.
std::string withDeepKey(std::string object, std::size_t depth)
{
    object.erase(object.rfind('}'));
    return object + R"(, "x": )" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
}

} // namespace

TEST(JSONNesting, bracketsInsideStringsDoNotCount)
{
    EXPECT_FALSE(JSONNesting::exceeds(R"({"a": ["[[[[", "\"{{{{"]})", 2));
    EXPECT_TRUE(JSONNesting::exceeds(R"({"a": ["\\", [1]]})", 2));
}

// A settings file nested 10,000 deep crashed both programs at every start.
TEST(JSONNesting, everyDocumentOfOursPastTheLimitCountsAsDamaged)
{
    const std::size_t limit = JSONNesting::documentLimit;
    test::TemporaryFolder folder;
    test::writeFile(folder / "limit.json", withDeepKey(R"({"showLabels": false})", limit));
    test::writeFile(folder / "deep.json", withDeepKey(R"({"showLabels": false})", 10'000));
    EXPECT_FALSE(Preferences(folder / "limit.json").showLabels());
    Preferences damaged(folder / "deep.json");
    EXPECT_TRUE(damaged.showLabels());
    damaged.setShowLabels(false);
    EXPECT_FALSE(Preferences(folder / "deep.json").showLabels()) << "the next write replaces it";

    const auto state = AnatomyViewState {}.encodedString();
    EXPECT_TRUE(AnatomyViewState::decode(withDeepKey(state, limit)));
    EXPECT_FALSE(AnatomyViewState::decode(withDeepKey(state, limit + 1)));
    const auto manifest = DatasetManifest {.id = "a"}.encoded();
    EXPECT_EQ(DatasetManifest::decode(withDeepKey(manifest, limit)).id, "a");
    EXPECT_THROW(DatasetManifest::decode(withDeepKey(manifest, limit + 1)), DecodingError);
    const std::string catalog = R"({"formatVersion": 1, "datasets": []})";
    EXPECT_NO_THROW(DatasetCatalog::decode(withDeepKey(catalog, limit)));
    EXPECT_THROW(DatasetCatalog::decode(withDeepKey(catalog, 10'000)), DecodingError);
}
