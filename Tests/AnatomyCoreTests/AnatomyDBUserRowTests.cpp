#include "AnatomyDBTestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <unordered_set>

using namespace morvena;
using namespace morvena::test;

namespace {

using IDs = std::vector<std::string>;

// Rows written in quick succession can share a timestamp; a short pause keeps
// "newest first" orderings meaningful.
void nextInstant()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

} // namespace

TEST(AnatomyDBNotes, storedTrimmedAndRemovedWhenCleared)
{
    SchemaDatabase fixture;
    EXPECT_FALSE(fixture.db->note("FMA1"));
    EXPECT_EQ(fixture.db->setNote("  \n Ricordare l'inserzione\t\n", "FMA1"), "Ricordare l'inserzione");
    EXPECT_EQ(fixture.db->note("FMA1"), "Ricordare l'inserzione");
    EXPECT_EQ(fixture.db->setNote("Seconda versione", "FMA1"), "Seconda versione");
    EXPECT_EQ(RawDatabase(fixture.file).scalar("SELECT count(*) FROM notes"), "1");

    EXPECT_EQ(fixture.db->setNote(" \n\t\u3000", "FMA1"), std::nullopt);
    EXPECT_FALSE(fixture.db->note("FMA1"));
    EXPECT_EQ(RawDatabase(fixture.file).scalar("SELECT count(*) FROM notes"), "0");
}

TEST(AnatomyDBNotes, aRefusedWriteReportsTheNoteThatStaysStored)
{
    SchemaDatabase fixture;
    fixture.db->setNote("Prima", "FMA1");
    RawDatabase(fixture.file)
        .exec("CREATE TRIGGER refuseNote BEFORE INSERT ON notes BEGIN SELECT RAISE(ABORT, 'no'); END;"
              "CREATE TRIGGER keepNote BEFORE DELETE ON notes BEGIN SELECT RAISE(ABORT, 'no'); END;");
    EXPECT_EQ(fixture.db->setNote("Dopo", "FMA1"), "Prima");
    EXPECT_EQ(fixture.db->setNote("", "FMA1"), "Prima");
    EXPECT_EQ(fixture.db->setNote("Nuova", "FMA2"), std::nullopt);
    EXPECT_EQ(integrityCheck(fixture.file), "ok");
}

TEST(AnatomyDBBookmarks, toggleReportsTheNewStateAndTheNewestComesFirst)
{
    SchemaDatabase fixture;
    EXPECT_TRUE(fixture.db->toggleBookmark("FMA1"));
    nextInstant();
    EXPECT_TRUE(fixture.db->toggleBookmark("FMA2"));
    nextInstant();
    EXPECT_TRUE(fixture.db->toggleBookmark("FMA3"));
    EXPECT_EQ(fixture.db->bookmarks(), (IDs {"FMA3", "FMA2", "FMA1"}));
    EXPECT_FALSE(fixture.db->toggleBookmark("FMA2"));
    EXPECT_EQ(fixture.db->bookmarks(), (IDs {"FMA3", "FMA1"}));
    // Membership is exact text.
    EXPECT_TRUE(fixture.db->toggleBookmark("fma1"));
    EXPECT_EQ(fixture.db->bookmarks().size(), 3u);
}

TEST(AnatomyDBBookmarks, aRefusedChangeReportsTheStateActuallyStored)
{
    SchemaDatabase fixture;
    fixture.db->toggleBookmark("Kept");
    RawDatabase(fixture.file)
        .exec("CREATE TRIGGER refuseAdd BEFORE INSERT ON bookmarks BEGIN SELECT RAISE(ABORT, 'no'); END;"
              "CREATE TRIGGER refuseRemove BEFORE DELETE ON bookmarks BEGIN SELECT RAISE(ABORT, 'no'); END;");
    EXPECT_FALSE(fixture.db->toggleBookmark("New"));
    EXPECT_TRUE(fixture.db->toggleBookmark("Kept"));
    EXPECT_EQ(fixture.db->bookmarks(), (IDs {"Kept"}));
}

TEST(AnatomyDBSavedViews, idsIncreaseAreNeverReusedAndPayloadsComeBackByteForByte)
{
    SchemaDatabase fixture;
    const std::string payload
        = "{\"camera\":{\"yaw\":0.25},\"nome\":\"Vista «laterale» 🦴\",\n\"nulla\":null}";
    const auto first = fixture.db->saveView("Prima", payload);
    nextInstant();
    const auto second = fixture.db->saveView("Seconda", "{}");
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);

    const auto views = fixture.db->savedViews();
    ASSERT_EQ(views.size(), 2u);
    EXPECT_EQ(views[0].name, "Seconda"); // newest first
    EXPECT_EQ(views[1].id, first);
    EXPECT_EQ(views[1].payload, payload);
    const auto age = std::chrono::system_clock::now() - views[1].createdAt;
    EXPECT_GE(age, std::chrono::seconds(0));
    EXPECT_LT(age, std::chrono::minutes(1));
    EXPECT_EQ(std::unordered_set<AnatomyDB::SavedView>(views.begin(), views.end()).size(), 2u);

    EXPECT_TRUE(fixture.db->deleteView(second));
    EXPECT_TRUE(fixture.db->deleteView(second)); // nothing left to remove is no refusal
    EXPECT_TRUE(fixture.db->deleteView(12345));
    EXPECT_EQ(fixture.db->savedViews().size(), 1u);
    EXPECT_GT(fixture.db->saveView("Terza", "{}"), second);
}

TEST(AnatomyDBSavedViews, aFailedInsertReturnsZeroNotThePreviousRowID)
{
    SchemaDatabase fixture;
    ASSERT_GT(fixture.db->saveView("Accettata", "{}"), 0);
    RawDatabase(fixture.file)
        .exec("CREATE TRIGGER refuseView BEFORE INSERT ON saved_views WHEN NEW.name='Rifiutata' "
              "BEGIN SELECT RAISE(ABORT, 'no'); END;");
    EXPECT_EQ(fixture.db->saveView("Rifiutata", "{}"), 0);
    EXPECT_EQ(fixture.db->savedViews().size(), 1u);
    EXPECT_EQ(integrityCheck(fixture.file), "ok");
}

TEST(AnatomyDBSavedViews, storedOddValuesReadAsNeutralOnes)
{
    SchemaDatabase fixture;
    RawDatabase(fixture.file)
        .exec("INSERT INTO saved_views(name, payload, created_at) VALUES ('', '', 1e300), ('n', 'p', -1e300),"
              " ('x', 'y', 1.5)");
    const auto views = fixture.db->savedViews();
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(views[0].name, "");
    EXPECT_EQ(views[0].payload, "");
    // Newest first: 1e300, 1.5, -1e300 seconds; the extremes are held at the clock's range.
    EXPECT_GT(views[0].createdAt, std::chrono::system_clock::now());
    EXPECT_EQ(views[1].name, "x");
    EXPECT_EQ(views[1].createdAt.time_since_epoch(), std::chrono::milliseconds(1500));
    EXPECT_LT(views[2].createdAt, views[1].createdAt);
}

TEST(AnatomyDBUserRows, aReadOnlyCopyShowsTheRowsAndChangesNothing)
{
    SchemaDatabase fixture;
    fixture.db->setNote("Nota", "FMA1");
    fixture.db->toggleBookmark("FMA1");
    const auto viewID = fixture.db->saveView("Vista", "{}");
    fixture.db.reset(); // the last connection folds the write-ahead log into the file

    TemporaryFolder copyFolder;
    const auto copy = copyFolder / "anatomy.sqlite";
    std::filesystem::copy_file(fixture.file, copy);
    AnatomyDB readOnly(copy, true);
    EXPECT_EQ(readOnly.note("FMA1"), "Nota");
    EXPECT_EQ(readOnly.bookmarks(), (IDs {"FMA1"}));
    ASSERT_EQ(readOnly.savedViews().size(), 1u);
    EXPECT_EQ(readOnly.savedViews().front().id, viewID);

    EXPECT_EQ(readOnly.setNote("Cambiata", "FMA1"), "Nota");
    EXPECT_EQ(readOnly.setNote("", "FMA1"), "Nota");
    EXPECT_TRUE(readOnly.toggleBookmark("FMA1"));
    EXPECT_FALSE(readOnly.toggleBookmark("FMA2"));
    EXPECT_EQ(readOnly.saveView("Nuova", "{}"), 0);
    EXPECT_FALSE(readOnly.deleteView(viewID));
    EXPECT_EQ(readOnly.note("FMA1"), "Nota");
    EXPECT_EQ(readOnly.bookmarks(), (IDs {"FMA1"}));
    EXPECT_EQ(readOnly.savedViews().size(), 1u);
    EXPECT_EQ(integrityCheck(copy), "ok");
}

TEST(AnatomyDBUserRows, aFileWithoutTheTablesGivesEmptyAnswers)
{
    TemporaryFolder folder;
    AnatomyDB db(folder / "anatomy.sqlite");
    EXPECT_FALSE(db.note("A"));
    EXPECT_FALSE(db.setNote("testo", "A"));
    EXPECT_TRUE(db.bookmarks().empty());
    EXPECT_FALSE(db.toggleBookmark("A"));
    EXPECT_TRUE(db.savedViews().empty());
    EXPECT_EQ(db.saveView("v", "{}"), 0);
    EXPECT_FALSE(db.deleteView(1));
}
