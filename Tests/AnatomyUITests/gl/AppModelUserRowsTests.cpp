#include "DatabaseFiles.h"
#include "ViewedModel.h"

#include "AnatomyCore/Database/AnatomyDB.h"

using namespace morvena;
using namespace morvena::test;
using Field = AppModel::Field;
using enum AnatomySystem;

namespace {

// Boxes "A", "B" and "C", and "P", a structure of the pack that the database lacks.
TestDataset rowsDataset()
{
    auto dataset = boxDataset("righe", {{"A", skeletal}, {"B", skeletal}, {"C", muscular}});
    dataset.add("P", "box P", skeletal, pixelBox("P", 40, 50, 46, 60)).inDatabase = false;
    return dataset;
}

std::vector<std::string> bookmarkedConcepts(const AppModel& model)
{
    std::vector<std::string> concepts;
    for (const auto& hit : model.bookmarks())
        concepts.push_back(hit.conceptID);
    return concepts;
}

TaxonomyNode node(std::string id, std::int64_t meshDescendants, bool hasMesh = false)
{
    return {.id = id, .name = "node " + id, .hasMesh = hasMesh, .meshDescendants = meshDescendants};
}

// part-of: BODY > HEAD > A, BODY > TRUNK > B; is-a: BONE > A, B; TISSUE > C, SKIN.
// SKIN has no mesh and no meshed descendant.
void writeHierarchy(const std::filesystem::path& database)
{
    AnatomyDB db(database, false);
    const std::vector concepts {node("BODY", 2), node("HEAD", 1), node("TRUNK", 1), node("BONE", 2),
        node("TISSUE", 1), node("SKIN", 0), node("A", 0, true), node("B", 0, true), node("C", 0, true)};
    const std::vector<AnatomyDB::TaxonomyEdge> edges {{"BODY", "HEAD", "partOf"}, {"BODY", "TRUNK", "partOf"},
        {"HEAD", "A", "partOf"}, {"TRUNK", "B", "partOf"}, {"BONE", "A", "isA"}, {"BONE", "B", "isA"},
        {"TISSUE", "C", "isA"}, {"TISSUE", "SKIN", "isA"}};
    db.transaction([&] {
        db.insert(std::span<const TaxonomyNode>(concepts));
        db.insertTaxonomy(edges);
    });
}

std::vector<std::string> ids(const std::vector<TaxonomyNode>& nodes)
{
    std::vector<std::string> result;
    for (const auto& each : nodes)
        result.push_back(each.id);
    return result;
}

} // namespace

TEST(AppModelNotes, aNoteIsSaidToBeSavedOnlyWhenStoredAndOtherwiseStaysToBeSaved)
{
    const auto dataset = rowsDataset();
    ViewedModel fixture(dataset);
    auto& model = *fixture.model;
    const auto file = databaseFile(fixture, dataset);
    model.selectConcept("A", true);
    model.setNoteDraft("  inserzione sul trocantere \n");
    model.saveNote();
    EXPECT_EQ(model.lastMessage(), "Annotazione salvata.");
    EXPECT_EQ(AnatomyDB(file, true).note("A"), "inserzione sul trocantere");

    dropTable(file, "notes");
    model.setNoteDraft("da non perdere");
    model.saveNote();
    EXPECT_EQ(model.lastMessage(), "Impossibile salvare l'annotazione.");
    EXPECT_EQ(model.noteDraft(), "da non perdere");
    model.selectConcept("B", true);
    model.selectConcept("A", true);
    EXPECT_EQ(model.noteDraft(), "da non perdere") << "still waiting to be saved";
}

TEST(AppModelBookmarks, theNewestOnTopAgainRemovesAndConceptsWithoutARowAreSkipped)
{
    const auto dataset = rowsDataset();
    ViewedModel fixture(dataset);
    auto& model = *fixture.model;
    EXPECT_FALSE(model.primaryIsBookmarked()) << "nothing selected";
    model.selectConcept("A", true);
    model.toggleBookmark();
    EXPECT_TRUE(model.primaryIsBookmarked());
    // Creation times of one test run may tie at the database's resolution.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    model.selectConcept("B", true);
    model.toggleBookmark();
    EXPECT_EQ(bookmarkedConcepts(model), (std::vector<std::string> {"B", "A"}));
    ASSERT_EQ(model.bookmarks().front().meshIndex, fixture.indexOf("B"));

    model.toggleBookmark();
    EXPECT_EQ(bookmarkedConcepts(model), std::vector<std::string> {"A"});
    EXPECT_FALSE(model.primaryIsBookmarked());

    model.select(fixture.indexOf("P"), PointerModifier::none);
    ASSERT_EQ(model.selection().front().conceptID, "P");
    ChangeLog log(model);
    model.toggleBookmark();
    EXPECT_EQ(
        AnatomyDB(databaseFile(fixture, dataset), true).bookmarks(), (std::vector<std::string> {"P", "A"}));
    EXPECT_EQ(bookmarkedConcepts(model), std::vector<std::string> {"A"});
    EXPECT_EQ(log.count(Field::bookmarks), 0);
    EXPECT_FALSE(model.primaryIsBookmarked());
}

TEST(AppModelTrees, rootsAndChildrenFollowTheKindShownAndAncestryAlwaysPartOf)
{
    const auto dataset = rowsDataset();
    GLModel fixture;
    fixture.install(dataset);
    writeHierarchy(databaseFile(fixture, dataset));
    auto& model = fixture.create();
    EXPECT_TRUE(model.children("BODY").empty()) << "no database yet";
    model.setTreeKind(AppModel::TreeKind::isA);
    EXPECT_TRUE(model.treeRoots().empty());

    model.load("righe");
    EXPECT_EQ(ids(model.treeRoots()), (std::vector<std::string> {"BONE", "TISSUE"}));
    EXPECT_EQ(ids(model.children("TISSUE")), std::vector<std::string> {"C"}) << "SKIN has nothing to show";
    EXPECT_EQ(ids(model.ancestry("A")), (std::vector<std::string> {"HEAD", "BODY"}));

    ChangeLog log(model);
    model.setTreeKind(AppModel::TreeKind::partOf);
    EXPECT_EQ(log.fields, (std::vector {Field::treeKind, Field::treeRoots}));
    EXPECT_EQ(ids(model.treeRoots()), std::vector<std::string> {"BODY"});
    EXPECT_EQ(ids(model.children("BODY")), (std::vector<std::string> {"HEAD", "TRUNK"}));
    EXPECT_TRUE(model.children("BONE").empty());
}
