#include "AnatomyDBTestSupport.h"
#include "HangDeadline.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <tuple>

using namespace morvena;
using namespace morvena::test;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::vector<std::string> columnsOf(RawDatabase& raw, const std::string& table)
{
    return raw.rows("SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info('" + table + "')");
}

// The exit status of `check` run in a child process, as the user "nobody" when the
// tests run as root, whom no permission bit stops; 101 when it threw, -1 when it
// did not exit. The child never returns into the test runner.
int statusOfUnprivilegedChild(const std::function<int()>& check)
{
    if (const pid_t child = ::fork(); child != 0) {
        int status = -1;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() == 0
        && !(nobody && ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0
            && ::setuid(nobody->pw_uid) == 0))
        ::_exit(100);
    try {
        ::_exit(check());
    } catch (...) {
        ::_exit(101);
    }
}

// Tells when a connection that found the database locked starts waiting for it: SQLite's
// busy wait sleeps through the default file system layer, which this one wraps while it lives.
class BusyWaitWatch {
public:
    BusyWaitWatch()
        : base_(sqlite3_vfs_find(nullptr))
        , vfs_(*base_)
    {
        watching = this;
        vfs_.zName = "morvena-busy-wait-watch";
        vfs_.xSleep = &sleep;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~BusyWaitWatch()
    {
        sqlite3_vfs_unregister(&vfs_);
        watching = nullptr;
    }
    BusyWaitWatch(const BusyWaitWatch&) = delete;
    BusyWaitWatch& operator=(const BusyWaitWatch&) = delete;

    bool waitForABusyWait()
    {
        std::unique_lock lock(mutex_);
        return slept_.wait_for(lock, hangDeadline, [this] { return sleeps_ > 0; });
    }

private:
    static int sleep(sqlite3_vfs*, int microseconds)
    {
        {
            std::lock_guard lock(watching->mutex_);
            ++watching->sleeps_;
        }
        watching->slept_.notify_all();
        return watching->base_->xSleep(watching->base_, microseconds);
    }

    static inline BusyWaitWatch* watching = nullptr;
    sqlite3_vfs* base_;
    sqlite3_vfs vfs_;
    std::mutex mutex_;
    std::condition_variable slept_;
    int sleeps_ = 0;
};

} // namespace

TEST(AnatomyDBOpening, readOnlyOpenOfAMissingFileFailsAndCreatesNothing)
{
    TemporaryFolder folder;
    const auto file = folder / "absent" / "anatomy.sqlite";
    try {
        AnatomyDB db(file, true);
        FAIL() << "a missing file opened read-only";
    } catch (const DBError& error) {
        EXPECT_EQ(error.kind(), DBError::Kind::open);
        EXPECT_EQ(std::string(error.what()).rfind("Impossibile aprire il database anatomico: ", 0), 0u);
        EXPECT_FALSE(error.message().empty());
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "absent"));
}

// With its owner's connection closed, the file has no log and is read as it
// is; with it open, the note the owner saved last is still in the log, which
// the reader must see too.
TEST(AnatomyDBOpening, aDatabaseInAFolderItsUserCannotWriteIsReadAndRefusesChanges)
{
    namespace fs = std::filesystem;
    for (const bool writerOpen : {false, true}) {
        SchemaDatabase fixture;
        fixture.db->insert(std::vector {makeStructure("FMA1", "Femur")});
        fixture.db->setNote("mia", "FMA1");
        if (writerOpen)
            fixture.db->setNote("nel log", "FMA1");
        else
            fixture.db.reset();
        ASSERT_EQ(fs::exists(fixture.file.string() + "-wal"), writerOpen);
        std::error_code ignored; // folders above that are not ours keep what they have
        for (auto folder = fixture.file.parent_path(); folder != folder.root_path();
             folder = folder.parent_path())
            fs::permissions(folder, fs::perms::others_exec, fs::perm_options::add, ignored);
        const auto writing = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        fs::permissions(fixture.file.parent_path(), writing, fs::perm_options::remove);
        const std::string expected = writerOpen ? "nel log" : "mia";
        const int failures = statusOfUnprivilegedChild([&] {
            int failed = 0;
            for (auto mode : {AnatomyDB::OpenMode::readOnly, AnatomyDB::OpenMode::readWriteExisting}) {
                AnatomyDB db(fixture.file, mode);
                failed |= db.structure("FMA1") && db.note("FMA1") == expected ? 0 : 1;
                failed |= db.setNote("altra", "FMA1") == expected && !db.toggleBookmark("FMA1") ? 0 : 2;
                failed |= db.verdict().clean() ? 0 : 4;
            }
            return failed;
        });
        fs::permissions(fixture.file.parent_path(), fs::perms::owner_write, fs::perm_options::add);
        EXPECT_EQ(failures, 0) << "writer open: " << writerOpen
                               << "; 1: not read, 2: written, 4: damage reported, 100: no user to run as, "
                                  "101: not opened, -1: crashed";
    }
}

TEST(AnatomyDBOpening, writableOpenCreatesFolderAndFileButNoSchema)
{
    TemporaryFolder folder;
    const auto file = folder / "a" / "b" / "anatomy.sqlite";
    {
        AnatomyDB db(file);
        EXPECT_EQ(db.url(), file);
        EXPECT_FALSE(db.hasFTS());
        EXPECT_TRUE(std::filesystem::exists(file));
        EXPECT_EQ(RawDatabase(file).scalar("SELECT count(*) FROM sqlite_master"), "0");
        EXPECT_EQ(RawDatabase(file).scalar("PRAGMA journal_mode"), "wal");

        db.createSchema();
        EXPECT_TRUE(db.hasFTS());
        db.createSchema(); // runs again on an existing schema
        EXPECT_TRUE(db.hasFTS());
    }
    AnatomyDB reopened(file);
    EXPECT_TRUE(reopened.hasFTS()); // found by the probe
}

TEST(AnatomyDBOpening, aFileThatIsNoDatabaseFailsAtFirstUse)
{
    TemporaryFolder folder;
    writeFile(folder / "anatomy.sqlite", std::string(4096, 'x'));
    AnatomyDB db(folder / "anatomy.sqlite");
    EXPECT_FALSE(db.hasFTS());
    EXPECT_THROW(db.createSchema(), DBError);
    EXPECT_TRUE(db.allStructures().empty());
    EXPECT_EQ(db.saveView("v", "{}"), 0);
}

// An installed dataset's database is opened for writing without ever being made:
// a missing, foreign or damaged file is refused at once and nothing is created.
TEST(AnatomyDBOpening, existingWritableOpenRefusesWhatIsNoAnatomyDatabase)
{
    TemporaryFolder folder;
    const auto missing = folder / "absent" / "anatomy.sqlite";
    const auto garbage = folder / "garbage.sqlite";
    writeFile(garbage, std::string(4096, 'x'));
    const auto empty = folder / "empty.sqlite";
    AnatomyDB(empty).createSchema();
    const auto foreign = folder / "foreign.sqlite";
    AnatomyDB {foreign}; // an empty SQLite file
    RawDatabase(foreign).exec("CREATE TABLE other (x)");

    for (const auto& file : {missing, garbage, foreign}) {
        try {
            AnatomyDB db(file, AnatomyDB::OpenMode::readWriteExisting);
            FAIL() << file << " opened";
        } catch (const DBError& error) {
            EXPECT_EQ(error.kind(), DBError::Kind::open) << file;
            EXPECT_FALSE(error.message().empty()) << file;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "absent"));

    AnatomyDB db(empty, AnatomyDB::OpenMode::readWriteExisting);
    EXPECT_TRUE(db.hasFTS());
    EXPECT_NE(db.saveView("v", "{}"), 0);
}

TEST(AnatomyDBSchema, tablesColumnsAndKeysAreThoseStoredFilesUse)
{
    SchemaDatabase fixture;
    RawDatabase raw(fixture.file);
    EXPECT_EQ(
        raw.rows("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'structures_fts%' "
                 "AND name NOT LIKE 'sqlite_%' ORDER BY name"),
        (std::vector<std::string> {"bookmarks", "concept_meshes", "concepts", "meta", "notes", "relations",
            "saved_views", "structures", "taxonomy"}));
    EXPECT_EQ(
        columnsOf(raw, "meta"), (std::vector<std::string> {"key|TEXT|0|<null>|1", "value|TEXT|0|<null>|0"}));
    EXPECT_EQ(columnsOf(raw, "structures"),
        (std::vector<std::string> {"concept_id|TEXT|0|<null>|1", "mesh_index|INTEGER|0|<null>|0",
            "name_en|TEXT|1|<null>|0", "name_la|TEXT|0|<null>|0", "name_it|TEXT|0|<null>|0",
            "synonyms|TEXT|0|<null>|0", "system|INTEGER|1|0|0", "region|INTEGER|1|0|0",
            "laterality|INTEGER|1|0|0", "description|TEXT|0|<null>|0", "function|TEXT|0|<null>|0",
            "origin|TEXT|0|<null>|0", "insertion|TEXT|0|<null>|0", "innervation|TEXT|0|<null>|0",
            "blood_supply|TEXT|0|<null>|0", "clinical|TEXT|0|<null>|0", "content_source|TEXT|1|'dataset'|0",
            "dataset|TEXT|1|''|0"}));
    EXPECT_EQ(columnsOf(raw, "taxonomy"),
        (std::vector<std::string> {
            "parent|TEXT|1|<null>|1", "child|TEXT|1|<null>|2", "kind|TEXT|1|<null>|3"}));
    EXPECT_EQ(columnsOf(raw, "concepts"),
        (std::vector<std::string> {"concept_id|TEXT|0|<null>|1", "name_en|TEXT|1|<null>|0",
            "name_it|TEXT|0|<null>|0", "system|INTEGER|1|0|0", "mesh_descendants|INTEGER|1|0|0",
            "has_mesh|INTEGER|1|0|0"}));
    EXPECT_EQ(columnsOf(raw, "concept_meshes"),
        (std::vector<std::string> {"concept_id|TEXT|1|<null>|1", "mesh_index|INTEGER|1|<null>|2"}));
    EXPECT_EQ(columnsOf(raw, "relations"),
        (std::vector<std::string> {
            "src|TEXT|1|<null>|1", "dst|TEXT|1|<null>|2", "kind|TEXT|1|<null>|3", "source|TEXT|1|<null>|0"}));
    EXPECT_EQ(columnsOf(raw, "notes"),
        (std::vector<std::string> {
            "concept_id|TEXT|0|<null>|1", "body|TEXT|1|<null>|0", "updated_at|REAL|1|<null>|0"}));
    EXPECT_EQ(columnsOf(raw, "bookmarks"),
        (std::vector<std::string> {"concept_id|TEXT|0|<null>|1", "created_at|REAL|1|<null>|0"}));
    EXPECT_EQ(columnsOf(raw, "saved_views"),
        (std::vector<std::string> {"id|INTEGER|0|<null>|1", "name|TEXT|1|<null>|0", "payload|TEXT|1|<null>|0",
            "created_at|REAL|1|<null>|0"}));
    // AUTOINCREMENT keeps view IDs from ever being reused.
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM sqlite_master WHERE name='sqlite_sequence'"), "1");
}

TEST(AnatomyDBSchema, indexesAndFullTextTableAreExact)
{
    SchemaDatabase fixture;
    RawDatabase raw(fixture.file);
    EXPECT_EQ(
        raw.rows("SELECT m.name, m.tbl_name, group_concat(i.name, ',') FROM sqlite_master m, "
                 "pragma_index_info(m.name) i WHERE m.type='index' AND m.name NOT LIKE 'sqlite_autoindex%' "
                 "GROUP BY m.name ORDER BY m.name"),
        (std::vector<std::string> {"idx_rel_dst|relations|dst", "idx_struct_mesh|structures|mesh_index",
            "idx_struct_name_en|structures|name_en", "idx_struct_system|structures|system",
            "idx_tax_child|taxonomy|child,kind"}));
    const std::string fts = raw.scalar("SELECT sql FROM sqlite_master WHERE name='structures_fts'");
    EXPECT_NE(
        fts.find(
            "USING fts5(\n    concept_id UNINDEXED, body,\n    tokenize='unicode61 remove_diacritics 2'\n)"),
        std::string::npos)
        << fts;
}

// The statement stays out of what the user reads, in the message alone.
TEST(AnatomyDBErrors, statementMessagesCarrySQLiteTextAndTheFirst160Characters)
{
    TemporaryFolder folder;
    AnatomyDB db(folder / "anatomy.sqlite"); // no schema: every write fails to compile
    const AnatomyStructure structure = makeStructure("FMA1", "Femur");
    try {
        db.insert(std::span(&structure, 1));
        FAIL();
    } catch (const DBError& error) {
        EXPECT_EQ(error.kind(), DBError::Kind::sql);
        EXPECT_STREQ(error.what(),
            "Impossibile leggere o scrivere il database anatomico: struttura del database non riconosciuta.");
        const std::string message = error.message();
        const std::string prefix = "no such table: structures — ";
        ASSERT_EQ(message.rfind(prefix, 0), 0u) << message;
        const std::string excerpt = message.substr(prefix.size());
        EXPECT_EQ(excerpt.size(), 160u);
        EXPECT_EQ(
            excerpt.rfind("INSERT OR REPLACE INTO structures\n(concept_id, mesh_index, name_en", 0), 0u);
    }
}

// A full disk reached the viewer as "disk I/O error" and an import as SQLite's
// text with SQL cut mid-word.
TEST(AnatomyDBErrors, aFullDiskIsSaidInItalianAndNoSQLIsShown)
{
    using enum DBError::Kind;
    const std::string full = " il database anatomico: il disco è pieno. Libera spazio e riprova.";
    const std::string moving = "Impossibile trasferire le annotazioni dell'utente nel nuovo dataset: ";
    const std::tuple<DBError::Kind, int, int, std::string> cases[] = {
        {sql, SQLITE_FULL, 0, "Impossibile scrivere" + full},
        {open, SQLITE_IOERR_SHMSIZE, ENOSPC, "Impossibile aprire" + full},
        {open, SQLITE_CANTOPEN, EDQUOT,
            "Impossibile aprire il database anatomico: la quota di spazio su disco è esaurita. Libera spazio "
            "e riprova."},
        {sql, SQLITE_IOERR_WRITE, EIO,
            "Impossibile leggere o scrivere il database anatomico: errore di lettura o scrittura sul disco."},
        {sql, SQLITE_ERROR, ENOSPC,
            "Impossibile leggere o scrivere il database anatomico: struttura del database non riconosciuta."},
        {handover, SQLITE_IOERR_WRITE, ENOSPC, moving + "il disco è pieno"},
        {handover, SQLITE_READONLY, 0, moving + "il database è in sola lettura"},
    };
    for (const auto& [kind, code, systemError, what] : cases) {
        const auto error = DBError::fromSQLite(kind, code, systemError, "testo", "CREATE TABLE meta (key)");
        EXPECT_EQ(error.what(), what) << code;
        EXPECT_EQ(error.message(), "testo — CREATE TABLE meta (key)");
    }
}

// Each result code names its cause in Italian; the system error behind an I/O
// or open failure is said in the system's words, a resource is named, and only
// damage calls the file damaged.
TEST(AnatomyDBErrors, eachResultCodeNamesItsCauseInItalian)
{
    using enum DBError::Kind;
    const std::string opening = "Impossibile aprire il database anatomico: ";
    const std::string using_ = "Impossibile leggere o scrivere il database anatomico: ";
    const std::string moving = "Impossibile trasferire le annotazioni dell'utente nel nuovo dataset: ";
    const std::string descriptors = "troppi file aperti, descrittori di file di questo programma esauriti";
    const std::tuple<DBError::Kind, int, int, std::string> cases[] = {
        {open, SQLITE_CANTOPEN, EMFILE, opening + descriptors + "."},
        {sql, SQLITE_CANTOPEN, EMFILE, using_ + descriptors + "."},
        {handover, SQLITE_CANTOPEN, EMFILE, moving + descriptors},
        {open, SQLITE_CANTOPEN, EACCES, opening + "permesso negato."},
        {open, SQLITE_CANTOPEN, 0, opening + "il file del database non si può aprire."},
        {sql, SQLITE_IOERR_LOCK, ENOLCK,
            using_ + "il disco non concede blocchi sui file, come capita su un disco di rete."},
        {sql, SQLITE_IOERR_LOCK, 0, using_ + "il disco non concede il blocco del file del database."},
        {sql, SQLITE_IOERR_NOMEM, 0, using_ + "memoria esaurita."},
        {open, SQLITE_NOMEM, 0, opening + "memoria esaurita."},
        {sql, SQLITE_BUSY, EMFILE, using_ + "il database è in uso da un altro programma."},
        {sql, SQLITE_CONSTRAINT_TRIGGER, 0, using_ + "i dati violano un vincolo del database."},
        {sql, SQLITE_CORRUPT_INDEX, 0,
            "Impossibile leggere il database anatomico: il database è danneggiato."},
        {open, SQLITE_NOTADB, 0, opening + "il file è danneggiato o non è un database SQLite."},
        {sql, 99, 0, using_ + "errore di SQLite numero 99."},
    };
    for (const auto& [kind, code, systemError, what] : cases)
        EXPECT_EQ(DBError::fromSQLite(kind, code, systemError, sqlite3_errstr(code)).what(), what) << code;
    for (int code = SQLITE_OK; code <= SQLITE_WARNING; ++code)
        for (auto kind : {open, sql, handover}) {
            const std::string said = DBError::fromSQLite(kind, code, 0, sqlite3_errstr(code)).what();
            EXPECT_THAT(said, Not(HasSubstr(sqlite3_errstr(code)))) << code;
            EXPECT_EQ(said.find("danneggiat") != std::string::npos, DBError::isDamage(code)) << code;
        }
}

TEST(AnatomyDBErrors, aSchemaThatCannotBeCreatedThrowsWithTheSchemaText)
{
    TemporaryFolder folder;
    const auto file = folder / "anatomy.sqlite";
    AnatomyDB db(file);
    RawDatabase(file).exec("CREATE VIEW structures AS SELECT 1 AS system");
    try {
        db.createSchema();
        FAIL();
    } catch (const DBError& error) {
        EXPECT_STREQ(error.what(),
            "Impossibile leggere o scrivere il database anatomico: struttura del database non riconosciuta.");
        const std::string message = error.message();
        EXPECT_NE(message.find("views may not be indexed — "), std::string::npos) << message;
        EXPECT_NE(message.find("CREATE TABLE IF NOT EXISTS meta"), std::string::npos);
    }
    EXPECT_FALSE(db.hasFTS());
    EXPECT_EQ(integrityCheck(file), "ok");
}

TEST(AnatomyDBTransaction, commitsTheBodyAndReturnsItsResult)
{
    SchemaDatabase fixture;
    const int result = fixture.db->transaction([&] {
        fixture.db->setMeta("version", "1");
        return 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_EQ(fixture.db->meta("version"), "1");
}

TEST(AnatomyDBTransaction, aBodyThatThrowsLeavesNoRow)
{
    SchemaDatabase fixture;
    const std::vector structures {makeStructure("FMA1", "Femur"), makeStructure("FMA2", "Tibia")};
    EXPECT_THROW(fixture.db->transaction([&] {
        fixture.db->insert(structures);
        fixture.db->setMeta("version", "1");
        throw std::runtime_error("interrotto");
    }),
        std::runtime_error);
    EXPECT_TRUE(fixture.db->allStructures().empty());
    EXPECT_FALSE(fixture.db->meta("version"));
    EXPECT_TRUE(fixture.db->search("Femur", 10).empty());
    // The connection is out of the failed transaction and can write again.
    fixture.db->transaction([&] { fixture.db->setMeta("version", "2"); });
    EXPECT_EQ(fixture.db->meta("version"), "2");
    EXPECT_EQ(integrityCheck(fixture.file), "ok");
}

TEST(AnatomyDBTransaction, aFailedCommitRollsBackAndThrowsTheCommitError)
{
    SchemaDatabase fixture;
    // A deferred foreign key that is violated only becomes an error at COMMIT.
    RawDatabase(fixture.file)
        .exec("CREATE TABLE owner(id TEXT PRIMARY KEY);"
              "CREATE TABLE owned(id TEXT REFERENCES owner(id) DEFERRABLE INITIALLY DEFERRED);"
              "CREATE TRIGGER orphan AFTER INSERT ON meta WHEN NEW.key='orphan' "
              "BEGIN INSERT INTO owned VALUES('nobody'); END;");
    try {
        fixture.db->transaction([&] {
            fixture.db->setMeta("kept", "no");
            fixture.db->setMeta("orphan", "yes");
        });
        FAIL() << "the commit succeeded";
    } catch (const DBError& error) {
        EXPECT_STREQ(error.what(),
            "Impossibile leggere o scrivere il database anatomico: i dati violano un vincolo del database.");
        EXPECT_EQ(error.message(), "FOREIGN KEY constraint failed — COMMIT");
    }
    EXPECT_FALSE(fixture.db->meta("kept"));
    fixture.db->transaction([&] { fixture.db->setMeta("kept", "yes"); });
    EXPECT_EQ(fixture.db->meta("kept"), "yes");
    EXPECT_EQ(integrityCheck(fixture.file), "ok");
}

TEST(AnatomyDBTransaction, aBeginThatFailsDoesNotRollBackTheOuterTransaction)
{
    SchemaDatabase fixture;
    fixture.db->transaction([&] {
        fixture.db->setMeta("outer", "1");
        EXPECT_THROW(fixture.db->transaction([&] { fixture.db->setMeta("inner", "1"); }), DBError);
        fixture.db->setMeta("after", "1");
    });
    EXPECT_EQ(fixture.db->meta("outer"), "1");
    EXPECT_EQ(fixture.db->meta("after"), "1");
    EXPECT_FALSE(fixture.db->meta("inner"));
}

TEST(AnatomyDBConcurrency, aWriterWaitsForAnotherConnectionInsteadOfDroppingItsChange)
{
    BusyWaitWatch watch; // before any connection opens
    SchemaDatabase fixture;
    AnatomyDB other(fixture.file);
    other.setMeta("a", "b");
    std::atomic<bool> holding = false;
    std::thread holder([&] {
        other.transaction([&] {
            other.setMeta("held", "yes");
            holding = true;
            EXPECT_TRUE(watch.waitForABusyWait());
        });
    });
    while (!holding)
        std::this_thread::yield();
    const auto id = fixture.db->saveView("Vista", "{}");
    holder.join();
    EXPECT_GT(id, 0);
    EXPECT_EQ(fixture.db->savedViews().size(), 1u);
    EXPECT_EQ(fixture.db->meta("held"), "yes");
}
