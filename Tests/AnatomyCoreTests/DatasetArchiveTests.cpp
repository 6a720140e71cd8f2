#include "AnatomyCore/Archive/ArchiveError.h"
#include "AnatomyCore/Archive/DatasetArchive.h"
#include "AnatomyCore/Archive/Internal/ArchiveBlockReader.h"
#include "AnatomyCore/Archive/Internal/ArchiveBlockWriter.h"
#include "AnatomyCore/Archive/Internal/ArchiveBlocks.h"
#include "AnatomyCore/Archive/Internal/ArchiveEntry.h"
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Database/DBError.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetCheck.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Support/FileError.h"

#include "AnatomyDBTestSupport.h"
#include "PackTestSupport.h"
#include "RandomBytes.h"
#include "TemporaryFolder.h"
#include "TestDataset.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sqlite3.h>
#include <sys/stat.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <span>
#include <thread>
#include <vector>

using namespace morvena;
namespace fs = std::filesystem;

namespace {

const std::string emptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

// A real SQLite database in write-ahead-log mode; with `keepOpen` the last rows
// stay in the log, as they do while the viewer or an importer has it open.
class Database {
public:
    Database(const fs::path& file, int rows)
    {
        sqlite3_open(file.c_str(), &connection_);
        exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
             "CREATE TABLE structures(concept_id TEXT, name TEXT);");
        for (int i = 0; i < rows; ++i)
            exec("INSERT INTO structures VALUES('FMA" + std::to_string(i) + "', 'struttura');");
    }
    ~Database() { sqlite3_close_v2(connection_); }
    void exec(const std::string& sql)
    {
        ASSERT_EQ(sqlite3_exec(connection_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    }

    static int rowCount(const fs::path& file)
    {
        sqlite3* connection = nullptr;
        sqlite3_open_v2(file.c_str(), &connection, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        int count = -1;
        if (sqlite3_prepare_v2(connection, "SELECT count(*) FROM structures", -1, &statement, nullptr)
                == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        sqlite3_close_v2(connection);
        return count;
    }

private:
    sqlite3* connection_ = nullptr;
};

DatasetManifest manifestFor(const std::string& id)
{
    return DatasetManifest {.id = id,
        .displayName = "Prova",
        .version = "1",
        .importedAt = std::chrono::sys_days(std::chrono::year(2024) / 5 / 1),
        .structureCount = 2,
        .notes = ""};
}

void makeDataset(const fs::path& folder, const std::string& id, const std::string& pack, int rows = 3)
{
    test::writeFile(folder / "geometry.mrvpack", pack);
    Database(folder / "anatomy.sqlite", rows);
    manifestFor(id).write(folder / "manifest.json");
}

// A dataset that passes the check every program makes, installed below `home`;
// returns its folder.
fs::path usableDataset(const fs::path& home, const std::string& id)
{
    test::TestDataset dataset(id);
    dataset.add("FMA1", "femur", AnatomySystem::skeletal, test::ellipsoidMesh({0, 0, 0}, {10, 20, 10}));
    return dataset.install(home);
}

std::size_t countEntries(const fs::path& folder)
{
    std::error_code error;
    if (!fs::exists(folder, error))
        return 0;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::vector<std::byte> bytesOf(std::string_view text)
{
    auto view = std::as_bytes(std::span(text.data(), text.size()));
    return {view.begin(), view.end()};
}

// A container around an entry stream written by hand.
std::string containerOf(std::string_view stream)
{
    std::string archive;
    ArchiveBlockWriter writer([&](std::span<const std::byte> bytes) {
        archive.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    });
    writer.write(bytesOf(stream));
    writer.finish();
    return archive;
}

std::string headerOf(const ArchiveEntry& entry)
{
    auto header = entry.encoded();
    return std::string(reinterpret_cast<const char*>(header.data()), header.size());
}

ArchiveEntry fileEntry(std::string path, std::uint64_t size)
{
    return ArchiveEntry {
        .type = ArchiveEntry::file, .path = std::move(path), .mode = 0644, .blobs = {{"DAT", size}}};
}

std::string fileStream(const std::string& path, const std::string& data)
{
    return headerOf(fileEntry(path, data.size())) + data;
}

// The entry stream of a complete, valid dataset named `id`.
std::string datasetStream(const std::string& id)
{
    test::TemporaryFolder folder;
    makeDataset(folder.path(), id, "pacchetto");
    std::string stream = headerOf({.type = ArchiveEntry::directory, .path = "", .mode = 0755});
    for (auto name : DatasetArchive::requiredEntries)
        stream += fileStream(std::string(name), test::readFile(folder / name));
    return stream;
}

struct Block {
    std::uint64_t rawSize;
    std::uint64_t storedSize;
    std::string stored;
};

std::vector<Block> blocksOf(const std::string& archive)
{
    std::vector<Block> blocks;
    auto bytes = reinterpret_cast<const std::byte*>(archive.data());
    for (std::size_t at = ArchiveBlocks::streamHeaderSize; at < archive.size();) {
        Block block {ArchiveBlocks::bigEndian64(bytes + at), ArchiveBlocks::bigEndian64(bytes + at + 8), {}};
        block.stored = archive.substr(at + 16, block.storedSize);
        blocks.push_back(block);
        at += 16 + block.storedSize;
    }
    return blocks;
}

std::vector<ArchiveEntry> entriesOf(const fs::path& archive)
{
    FileDescriptor file(::open(archive.c_str(), O_RDONLY));
    ArchiveBlockReader reader(file);
    std::vector<ArchiveEntry> entries;
    std::array<std::byte, ArchiveEntry::prefixSize> prefix;
    while (reader.read(prefix) == prefix.size()) {
        std::vector<std::byte> fields(ArchiveEntry::headerSize(prefix) - prefix.size());
        reader.readExactly(fields);
        entries.push_back(ArchiveEntry::decodeFields(fields));
        std::vector<std::byte> data(entries.back().dataSize());
        reader.readExactly(data);
    }
    return entries;
}

// Which kind of error an install ends with: "archive" for a damaged or
// hostile archive, "file" for a refused file-system operation.
std::string installFailure(const fs::path& archive, const fs::path& into)
{
    try {
        DatasetArchive::install(archive, into, std::nullopt);
    } catch (const ArchiveError&) {
        return "archive";
    } catch (const FileError&) {
        return "file";
    } catch (const std::exception& error) {
        return error.what();
    }
    return "success";
}

bool hasStagingLeftovers()
{
    for (const auto& entry : fs::directory_iterator(AppPaths::temporaryDirectory()))
        if (entry.path().filename().string().starts_with("mrvz-"))
            return true;
    return false;
}

// An installed dataset whose files a failed install must leave alone.
struct InstalledDataset {
    test::TemporaryFolder datasets {"datasets"};
    fs::path folder = datasets / "anatomia";

    InstalledDataset() { makeDataset(folder, "anatomia", "vecchio pacchetto"); }
    bool untouched() const
    {
        return test::readFile(folder / "geometry.mrvpack") == "vecchio pacchetto" && countEntries(folder) >= 3
            && countEntries(datasets.path()) == 1; // no incoming or previous folder left
    }
};

// The three files of a dataset folder as entries, the database as it is: what a
// publisher's own tool may put in an archive.
std::string streamOf(const fs::path& folder)
{
    std::string stream;
    for (auto name : DatasetArchive::requiredEntries)
        stream += fileStream(std::string(name), test::readFile(folder / name));
    return stream;
}

} // namespace

TEST(DatasetArchive, roundTripKeepsExactlyTheThreeFilesAndReportsSizeAndDigest)
{
    test::TemporaryFolder source, target;
    // Incompressible bytes make a block that is stored raw; the repeated text
    // compresses; together they span several blocks.
    std::string pack = test::randomBytes(1'300'000, 7) + std::string(1'500'000, 'm');
    makeDataset(source.path(), "anatomia", pack);
    test::writeFile(source / "note.txt", "non va nell'archivio");
    auto archive = target / "out/anatomia-1.mrvz";

    auto created = DatasetArchive::create(source.path(), archive);
    EXPECT_EQ(created.bytes, static_cast<std::int64_t>(fs::file_size(archive)));
    EXPECT_EQ(created.sha256, DatasetArchive::sha256(archive));
    EXPECT_LT(created.bytes, static_cast<std::int64_t>(pack.size()));
    EXPECT_FALSE(hasStagingLeftovers());
    EXPECT_EQ(countEntries(target / "out"), 1u) << "no temporary file beside the archive";

    auto extracted = target / "estratto";
    fs::create_directory(extracted);
    DatasetArchive::extract(archive, extracted);
    EXPECT_EQ(countEntries(extracted), 3u);
    EXPECT_EQ(test::readFile(extracted / "geometry.mrvpack"), pack);
    EXPECT_EQ(test::readFile(extracted / "manifest.json"), test::readFile(source / "manifest.json"));
    EXPECT_EQ(Database::rowCount(extracted / "anatomy.sqlite"), 3);
    for (auto name : DatasetArchive::requiredEntries) {
        struct stat status { };
        ASSERT_EQ(stat((extracted / name).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0644u) << name;
    }
}

TEST(DatasetArchive, containerHasTheDocumentedHeaderBlocksAndEntries)
{
    test::TemporaryFolder source, target;
    std::string pack = test::randomBytes(1'200'000, 3) + std::string(2'000'000, 'x');
    makeDataset(source.path(), "anatomia", pack);
    auto archive = target / "a.mrvz";
    DatasetArchive::create(source.path(), archive);

    std::string bytes = test::readFile(archive);
    ASSERT_EQ(bytes.substr(0, 12), std::string("pbzx\0\0\0\0\0\x10\0\0", 12));
    auto blocks = blocksOf(bytes);
    ASSERT_GE(blocks.size(), 3u);
    bool sawRaw = false, sawXz = false;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto& block = blocks[i];
        total += block.rawSize;
        if (i + 1 < blocks.size()) {
            EXPECT_EQ(block.rawSize, ArchiveBlocks::blockSize);
        }
        if (block.storedSize == block.rawSize) {
            sawRaw = true;
        } else {
            sawXz = true;
            EXPECT_LT(block.storedSize, block.rawSize);
            EXPECT_EQ(block.stored.substr(0, 6), ArchiveBlocks::xzMagic);
        }
    }
    EXPECT_TRUE(sawRaw);
    EXPECT_TRUE(sawXz);
    EXPECT_GT(total, pack.size());

    auto entries = entriesOf(archive);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].type, 'D');
    EXPECT_EQ(entries[0].path, "");
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& entry = entries[i + 1];
        EXPECT_EQ(entry.type, 'F');
        EXPECT_EQ(entry.path, std::string(DatasetArchive::requiredEntries[i]));
        EXPECT_EQ(entry.mode, 0644u);
        EXPECT_EQ(entry.flags, 0u);
        EXPECT_TRUE(entry.modified && entry.created);
        ASSERT_EQ(entry.blobs.size(), 1u);
        EXPECT_EQ(entry.blobs[0].key, "DAT");
    }
    EXPECT_EQ(entries[1].dataSize(), pack.size());
    // Field keys and types as they appear in the first file header.
    auto header = headerOf(entries[1]);
    for (const char* field : {"TYP1", "PATP", "MOD2", "FLG4", "MTMT", "CTMT", "DATB"})
        EXPECT_NE(header.find(field), std::string::npos) << field;
}

TEST(DatasetArchive, outputDoesNotDependOnTheThreadCount)
{
    std::string stream
        = test::randomBytes(600'000, 1) + std::string(3'000'000, 'z') + test::randomBytes(100, 2);
    auto archiveWith = [&](unsigned threads) {
        std::string archive;
        ArchiveBlockWriter writer(
            [&](std::span<const std::byte> bytes) {
                archive.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            },
            threads);
        writer.write(bytesOf(stream));
        writer.finish();
        return archive;
    };
    EXPECT_EQ(archiveWith(1), archiveWith(3));
}

TEST(DatasetArchive, createIncludesChangesStillInTheWriteAheadLog)
{
    test::TemporaryFolder source, target;
    test::writeFile(source / "geometry.mrvpack", "p");
    manifestFor("anatomia").write(source / "manifest.json");
    Database open(source / "anatomy.sqlite", 50); // stays open: rows live in the -wal file
    ASSERT_TRUE(fs::exists(source / "anatomy.sqlite-wal"));

    DatasetArchive::create(source.path(), target / "a.mrvz");
    auto extracted = target / "x";
    fs::create_directory(extracted);
    DatasetArchive::extract(target / "a.mrvz", extracted);
    EXPECT_EQ(countEntries(extracted), 3u) << "a self-contained database, no -wal beside it";
    EXPECT_EQ(Database::rowCount(extracted / "anatomy.sqlite"), 50);
}

TEST(DatasetArchive, createWithAMissingFileNamesTheFirstAndKeepsTheOldArchive)
{
    test::TemporaryFolder source, target;
    test::writeFile(source / "manifest.json", "{}");
    auto archive = target / "a.mrvz";
    test::writeFile(archive, "archivio pubblicato");
    try {
        DatasetArchive::create(source.path(), archive);
        FAIL() << "created an archive without its files";
    } catch (const DatasetArchive::Failure& failure) {
        EXPECT_EQ(failure.kind(), DatasetArchive::Failure::Kind::incompleteExtraction);
        EXPECT_STREQ(failure.what(), "Archivio incompleto: mancano geometry.mrvpack.");
    }
    test::writeFile(source / "geometry.mrvpack", "p");
    EXPECT_THROW(DatasetArchive::create(source.path(), archive), DatasetArchive::Failure);
    EXPECT_EQ(test::readFile(archive), "archivio pubblicato");
    EXPECT_FALSE(hasStagingLeftovers());
}

TEST(DatasetArchive, createRefusesADatabaseThatIsNotOneAndLeavesNothingBehind)
{
    test::TemporaryFolder source, target;
    test::writeFile(source / "geometry.mrvpack", "p");
    test::writeFile(source / "anatomy.sqlite", std::string(4096, 'n'));
    test::writeFile(source / "manifest.json", "{}");
    EXPECT_THROW(DatasetArchive::create(source.path(), target / "a.mrvz"), DBError);
    EXPECT_EQ(countEntries(target.path()), 0u);
    EXPECT_FALSE(hasStagingLeftovers());
}

TEST(DatasetArchive, createReplacesAnExistingArchive)
{
    test::TemporaryFolder source, target;
    makeDataset(source.path(), "anatomia", "pacchetto");
    auto archive = target / "a.mrvz";
    test::writeFile(archive, std::string(100000, 'v'));
    auto created = DatasetArchive::create(source.path(), archive);
    EXPECT_EQ(created.bytes, static_cast<std::int64_t>(fs::file_size(archive)));
    EXPECT_EQ(test::readFile(archive).substr(0, 4), "pbzx");
}

TEST(DatasetArchive, createAndManifestWriteTakeABareFileNameInTheWorkingFolder)
{
    test::TemporaryFolder source, target;
    makeDataset(source.path(), "anatomia", "pacchetto");
    const auto previous = fs::current_path();
    fs::current_path(target.path());
    std::optional<DatasetArchive::Created> created;
    EXPECT_NO_THROW(created = DatasetArchive::create(source.path(), "a.mrvz"));
    EXPECT_NO_THROW(manifestFor("anatomia").write("manifest.json"));
    fs::current_path(previous);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->sha256, DatasetArchive::sha256(target / "a.mrvz"));
    EXPECT_TRUE(DatasetManifest::read(target / "manifest.json"));
}

TEST(DatasetArchive, sha256IsLowerCaseHexOfTheFileBytes)
{
    test::TemporaryFolder folder;
    test::writeFile(folder / "vuoto", "");
    test::writeFile(folder / "abc", "abc");
    EXPECT_EQ(DatasetArchive::sha256(folder / "vuoto"), emptyDigest);
    EXPECT_EQ(DatasetArchive::sha256(folder / "abc"),
        "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_THROW(DatasetArchive::sha256(folder / "manca"), FileError);
}

TEST(DatasetArchive, failureMessagesAreTheItalianTexts)
{
    using Failure = DatasetArchive::Failure;
    EXPECT_STREQ(Failure::streamUnavailable("sorgente").what(),
        "Impossibile aprire il flusso di archivio (sorgente).");
    EXPECT_STREQ(Failure::checksumMismatch("abc", std::string(64, 'f') + "0").what(),
        "L'archivio scaricato non corrisponde alla firma attesa (attesa abc…, trovata ffffffffffff…). "
        "Il file è incompleto o alterato: riprova il download.");
    EXPECT_STREQ(Failure::checksumMismatch("èèèèèèèèèèèèèè", "0123456789abcdef").what(),
        "L'archivio scaricato non corrisponde alla firma attesa (attesa èèèèèèèèèèèè…, trovata "
        "0123456789ab…). "
        "Il file è incompleto o alterato: riprova il download.");
    EXPECT_STREQ(Failure::incompleteExtraction({"geometry.mrvpack", "manifest.json"}).what(),
        "Archivio incompleto: mancano geometry.mrvpack, manifest.json.");
}

TEST(DatasetArchive, extractFailsAtTheStreamStageForMissingOrForeignFiles)
{
    test::TemporaryFolder folder;
    auto stageOf = [&](const fs::path& archive, const fs::path& into) -> std::string {
        try {
            DatasetArchive::extract(archive, into);
        } catch (const DatasetArchive::Failure& failure) {
            return failure.stage();
        }
        return "";
    };
    test::writeFile(folder / "testo.mrvz", "non sono un archivio, solo testo");
    test::writeFile(folder / "corto.mrvz", "pbz");
    test::writeFile(folder / "blocchi.mrvz", std::string("pbzx\0\0\0\0\xff\0\0\0", 12));
    EXPECT_EQ(stageOf(folder / "manca.mrvz", folder.path()), "sorgente");
    EXPECT_EQ(stageOf(folder.path(), folder.path()), "sorgente");
    EXPECT_EQ(stageOf(folder / "testo.mrvz", folder.path()), "decompressione");
    EXPECT_EQ(stageOf(folder / "corto.mrvz", folder.path()), "decompressione");
    EXPECT_EQ(stageOf(folder / "blocchi.mrvz", folder.path()), "decompressione");
    test::writeFile(folder / "buono.mrvz", containerOf(fileStream("a", "b")));
    EXPECT_EQ(stageOf(folder / "buono.mrvz", folder / "manca"), "estrazione");
}

TEST(DatasetArchive, readerTakesFieldsInAnyOrderAndSkipsUnknownOnes)
{
    test::TemporaryFolder folder;
    std::string data = "contenuto del file";
    auto field
        = [](std::string_view key, char type, std::string value) { return std::string(key) + type + value; };
    auto u16 = [](std::size_t v) {
        return std::string {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    };
    auto u32 = [&](std::size_t v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    std::string fields = field("XAT", 'B', u32(5)) // unknown blob before the data
        + field("DAT", 'B', u32(data.size())) + field("SH2", 'H', std::string(32, '\x01')) // digest
        + field("LAB", 'P', u16(3) + "etc") // unknown text
        + field("UID", '4', std::string(4, '\0')) + field("NOP", '*', "")
        + field("CTM", 'S', std::string(8, '\0')) + field("PAT", 'P', u16(8) + "dati.bin")
        + field("TYP", '1', "F");
    std::string header = "AA01" + u16(6 + fields.size()) + fields;
    test::writeFile(folder / "a.mrvz", containerOf(header + "XXXXX" + data));
    auto into = folder / "into";
    fs::create_directory(into);
    DatasetArchive::extract(folder / "a.mrvz", into);
    EXPECT_EQ(test::readFile(into / "dati.bin"), data);
    EXPECT_EQ(countEntries(into), 1u);
}

TEST(DatasetArchive, hostileArchivesFailAndLeaveTheInstalledDatasetUntouched)
{
    std::string good = datasetStream("anatomia");
    auto link = headerOf({.type = 'L', .path = "geometry.mrvpack", .mode = 0755, .blobs = {{"LNK", 11}}})
        + "/etc/passwd";
    auto withMode = [](std::uint64_t mode) {
        auto entry = fileEntry("extra", 1);
        entry.mode = mode;
        return headerOf(entry) + "x";
    };
    std::string rawBomb = [] {
        // A block that declares 100 bytes but whose xz stream yields 200000.
        auto coded = ArchiveBlocks::code(bytesOf(std::string(200000, 'b')));
        ArchiveBlocks::putBigEndian64(coded.bytes.data(), 100);
        return std::string("pbzx\0\0\0\0\0\x10\0\0", 12)
            + std::string(reinterpret_cast<const char*>(coded.bytes.data()), coded.bytes.size());
    }();
    std::string shortYield = [] {
        auto coded = ArchiveBlocks::code(bytesOf(std::string(5000, 'b')));
        ArchiveBlocks::putBigEndian64(coded.bytes.data(), 6000);
        return std::string("pbzx\0\0\0\0\0\x10\0\0", 12)
            + std::string(reinterpret_cast<const char*>(coded.bytes.data()), coded.bytes.size());
    }();
    std::string oversizedBlock = std::string("pbzx\0\0\0\0\0\x10\0\0", 12)
        + std::string("\0\0\0\0\0\x20\0\0", 8) + std::string("\0\0\0\0\0\x20\0\0", 8)
        + std::string(1 << 21, 'r');
    std::string hugeDeclared = [&] {
        auto entry = fileEntry("extra", 0);
        entry.blobs[0].size = std::uint64_t(1) << 60;
        return headerOf(entry) + "pochi byte";
    }();

    const std::pair<const char*, std::string> cases[] = {
        {"parent path", good + fileStream("../x", "fuori")},
        {"absolute path", fileStream("/tmp/assoluto", "fuori") + good},
        {"nested path", good + fileStream("sub/x", "annidato")},
        {"hidden name", good + fileStream(".x", "nascosto")},
        {"link entry", link + good},
        {"hard link", headerOf({.type = 'H', .path = "h", .mode = 0644}) + good},
        {"device", headerOf({.type = 'C', .path = "dev", .mode = 0644}) + good},
        {"nested folder", headerOf({.type = 'D', .path = "sub", .mode = 0755}) + good},
        {"setuid mode", good + withMode(04755)},
        {"sticky mode", withMode(01644) + good},
        {"repeated entry", good + fileStream("manifest.json", "{}")},
        {"truncated blob", good + headerOf(fileEntry("extra", 100)) + "solo dieci"},
        {"huge declared size", good + hugeDeclared},
        {"truncated header", good + headerOf(fileEntry("extra", 0)).substr(0, 20)},
        {"header size below prefix", good + std::string("AA01\x04\0", 6)},
        {"field past header", good + std::string("AA01\x0c\0TYP8\0\0", 12)},
        {"unknown field type", good + std::string("AA01\x0e\0TYP1FXYZ?\0\0", 14)},
        {"entry without type", good + std::string("AA01\x0a\0FLG1\0", 10)},
        {"repeated path", good + std::string("AA01\x14\0TYP1FPATP\1\0aPATP\1\0b", 20)},
        {"path of wrong type", good + std::string("AA01\x0f\0TYP1FPAT2\1\0", 15)},
        {"garbage after entries", good + "rifiuti"},
        {"file not of the dataset", good + fileStream("pad.bin", "p")},
    };
    for (const auto& [label, stream] : cases) {
        InstalledDataset installed;
        auto archive = installed.datasets.path().parent_path() / (std::string("ostile-") + label + ".mrvz");
        test::writeFile(archive, containerOf(stream));
        EXPECT_EQ(installFailure(archive, installed.folder), "archive") << label;
        EXPECT_TRUE(installed.untouched()) << label;
        EXPECT_FALSE(fs::exists(installed.datasets.path().parent_path() / "x")) << label;
        fs::remove(archive);
    }
    InstalledDataset installed;
    const auto repeated = installed.datasets.path().parent_path() / "doppia.mrvz";
    test::writeFile(repeated, containerOf(good + fileStream("manifest.json", "{}")));
    try {
        DatasetArchive::install(repeated, installed.folder, std::nullopt);
        ADD_FAILURE() << "a repeated entry was installed";
    } catch (const ArchiveError& error) {
        EXPECT_STREQ(error.what(),
            "Archivio del dataset danneggiato o non valido: la voce manifest.json compare due volte.");
    }
    EXPECT_TRUE(installed.untouched());
    fs::remove(repeated);
    const std::pair<const char*, std::string> containers[] = {
        {"decompression bomb", rawBomb},
        {"short xz yield", shortYield},
        {"block larger than the block size", oversizedBlock},
        {"truncated block", containerOf(good).substr(0, containerOf(good).size() - 1)},
        {"bytes after the last block", containerOf(good) + "x"},
        {"empty block after the last", containerOf(good) + std::string(16, '\0')},
    };
    for (const auto& [label, bytes] : containers) {
        InstalledDataset installed;
        auto archive = installed.datasets.path().parent_path() / "ostile.mrvz";
        test::writeFile(archive, bytes);
        EXPECT_EQ(installFailure(archive, installed.folder), "archive") << label;
        EXPECT_TRUE(installed.untouched()) << label;
        fs::remove(archive);
    }
}

TEST(DatasetArchive, extractionNeverWritesThroughALinkAndRemovesWhatItMadeOnFailure)
{
    test::TemporaryFolder folder;
    auto into = folder / "into";
    fs::create_directory(into);
    test::writeFile(folder / "bersaglio", "intatto");
    fs::create_symlink(folder / "bersaglio", into / "manifest.json");
    test::writeFile(folder / "a.mrvz",
        containerOf(fileStream("geometry.mrvpack", "g") + fileStream("manifest.json", "m")));
    EXPECT_THROW(DatasetArchive::extract(folder / "a.mrvz", into), FileError);
    EXPECT_EQ(test::readFile(folder / "bersaglio"), "intatto");
    EXPECT_FALSE(fs::exists(into / "geometry.mrvpack")) << "files made before the failure are removed";
}

TEST(DatasetArchive, everyTruncatedPrefixFailsToInstall)
{
    test::TemporaryFolder source;
    const auto from = usableDataset(source.path(), "anatomia");
    auto archive = source / "a.mrvz";
    DatasetArchive::create(from, archive);
    std::string bytes = test::readFile(archive);
    InstalledDataset installed;
    auto prefix = installed.datasets.path().parent_path() / "prefisso.mrvz";
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        test::writeFile(prefix, bytes.substr(0, length));
        EXPECT_ANY_THROW(DatasetArchive::install(prefix, installed.folder, std::nullopt)) << length;
        ASSERT_TRUE(installed.untouched()) << length;
    }
    test::writeFile(prefix, bytes);
    DatasetArchive::install(prefix, installed.folder, std::nullopt);
    EXPECT_EQ(
        test::readFile(installed.folder / "geometry.mrvpack"), test::readFile(from / "geometry.mrvpack"));
}

TEST(DatasetArchive, truncationsOfAMultiBlockArchiveAreRefused)
{
    test::TemporaryFolder source, into;
    makeDataset(source.path(), "anatomia", test::randomBytes(1'100'000, 9) + std::string(1'200'000, 'q'));
    auto archive = source / "a.mrvz";
    DatasetArchive::create(source.path(), archive);
    std::string bytes = test::readFile(archive);
    std::vector<std::size_t> cuts;
    std::size_t at = ArchiveBlocks::streamHeaderSize;
    for (const auto& block : blocksOf(bytes)) {
        for (std::size_t delta : {0, 1, 8, 15, 16, 17, 100})
            cuts.push_back(at + delta);
        at += 16 + block.storedSize;
        cuts.push_back(at - 1);
    }
    for (std::size_t cut : cuts) {
        if (cut >= bytes.size())
            continue;
        test::writeFile(source / "cut.mrvz", bytes.substr(0, cut));
        EXPECT_ANY_THROW(DatasetArchive::extract(source / "cut.mrvz", into.path())) << cut;
        EXPECT_EQ(countEntries(into.path()), 0u) << cut;
    }
}

TEST(DatasetArchive, installAcceptsMatchingDigestsInAnyCaseAndSkipsAnEmptyOne)
{
    test::TemporaryFolder source;
    const auto from = usableDataset(source.path(), "anatomia");
    auto archive = source / "a.mrvz";
    auto created = DatasetArchive::create(from, archive);
    std::string upper = created.sha256;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    for (std::optional<std::string_view> expecting : {std::optional<std::string_view>(upper),
             std::optional<std::string_view>(""), std::optional<std::string_view>()}) {
        InstalledDataset installed;
        test::writeFile(installed.folder / "vecchio-extra", "sparisce");
        DatasetArchive::install(archive, installed.folder, expecting);
        EXPECT_EQ(
            test::readFile(installed.folder / "geometry.mrvpack"), test::readFile(from / "geometry.mrvpack"));
        EXPECT_EQ(countEntries(installed.folder), 3u);
        EXPECT_EQ(countEntries(installed.datasets.path()), 1u) << "no incoming or previous folder left";
    }
}

TEST(DatasetArchive, installWithAWrongDigestChangesNothing)
{
    test::TemporaryFolder source;
    makeDataset(source.path(), "anatomia", "nuovo pacchetto");
    auto archive = source / "a.mrvz";
    auto created = DatasetArchive::create(source.path(), archive);
    InstalledDataset installed;
    try {
        DatasetArchive::install(archive, installed.folder, emptyDigest);
        FAIL() << "installed with a wrong digest";
    } catch (const DatasetArchive::Failure& failure) {
        EXPECT_EQ(failure.kind(), DatasetArchive::Failure::Kind::checksumMismatch);
        EXPECT_EQ(failure.expected(), emptyDigest);
        EXPECT_EQ(failure.found(), created.sha256);
        EXPECT_EQ(std::string(failure.what()),
            "L'archivio scaricato non corrisponde alla firma attesa (attesa e3b0c44298fc…, trovata "
                + created.sha256.substr(0, 12) + "…). Il file è incompleto o alterato: riprova il download.");
    }
    // The expectation is lower-cased as text, not only its ASCII letters.
    try {
        DatasetArchive::install(archive, installed.folder, "ÀÉ0F");
        FAIL() << "installed with a wrong digest";
    } catch (const DatasetArchive::Failure& failure) {
        EXPECT_EQ(failure.expected(), "àé0f");
        EXPECT_TRUE(
            std::string(failure.what())
                .starts_with(
                    "L'archivio scaricato non corrisponde alla firma attesa (attesa àé0f…, trovata "));
    }
    EXPECT_TRUE(installed.untouched());
}

TEST(DatasetArchive, installReportsMissingFilesInListOrder)
{
    test::TemporaryFolder folder;
    test::writeFile(folder / "a.mrvz", containerOf(fileStream("anatomy.sqlite", "db")));
    InstalledDataset installed;
    try {
        DatasetArchive::install(folder / "a.mrvz", installed.folder, std::nullopt);
        FAIL() << "installed an incomplete archive";
    } catch (const DatasetArchive::Failure& failure) {
        EXPECT_STREQ(failure.what(), "Archivio incompleto: mancano geometry.mrvpack, manifest.json.");
        EXPECT_EQ(failure.missing(), (std::vector<std::string> {"geometry.mrvpack", "manifest.json"}));
    }
    EXPECT_TRUE(installed.untouched());
}

TEST(DatasetArchive, installRefusesAnArchiveOfAnotherDataset)
{
    test::TemporaryFolder source;
    makeDataset(source.path(), "altro-dataset", "pacchetto estraneo");
    DatasetArchive::create(source.path(), source / "a.mrvz");
    InstalledDataset installed;
    try {
        DatasetArchive::install(source / "a.mrvz", installed.folder, std::nullopt);
        FAIL() << "installed another dataset under this id";
    } catch (const DatasetArchive::Failure& failure) {
        EXPECT_EQ(failure.kind(), DatasetArchive::Failure::Kind::foreignDataset);
        EXPECT_STREQ(failure.what(), "L'archivio contiene il dataset altro-dataset invece di anatomia.");
    }
    EXPECT_TRUE(installed.untouched());
    EXPECT_THROW(DatasetArchive::install(source / "a.mrvz", installed.datasets / "..", std::nullopt),
        AppPaths::InvalidDatasetID);
}

TEST(DatasetArchive, installCreatesANewDatasetAndClearsLeftoversOfFailedAttempts)
{
    test::TemporaryFolder source, datasets;
    const auto from = usableDataset(source.path(), "nuovo");
    DatasetArchive::create(from, source / "a.mrvz");
    fs::create_directories(datasets / ".nuovo.incoming/resto");
    fs::create_directories(datasets / ".nuovo.previous/resto");
    DatasetArchive::install(source / "a.mrvz", datasets / "nuovo", std::nullopt);
    EXPECT_EQ(test::readFile(datasets / "nuovo/geometry.mrvpack"), test::readFile(from / "geometry.mrvpack"));
    EXPECT_EQ(countEntries(datasets.path()), 1u);
    EXPECT_EQ(DatasetManifest::read(datasets / "nuovo/manifest.json")->id, "nuovo");
}

TEST(DatasetArchive, installOfANonArchiveRemovesTheIncomingFolder)
{
    test::TemporaryFolder folder;
    test::writeFile(folder / "a.mrvz", "questo non è un archivio");
    InstalledDataset installed;
    try {
        DatasetArchive::install(folder / "a.mrvz", installed.folder, std::nullopt);
        FAIL() << "installed a text file";
    } catch (const DatasetArchive::Failure& failure) {
        EXPECT_EQ(failure.kind(), DatasetArchive::Failure::Kind::streamUnavailable);
    }
    EXPECT_TRUE(installed.untouched());
}

// A stop ends the installation wherever it has got to (while the archive is
// hashed, while it is extracted) and the installed dataset stays as it was.
TEST(DatasetArchive, aStoppedInstallLeavesTheInstalledDatasetAsItWas)
{
    test::TemporaryFolder source;
    makeDataset(source.path(), "anatomia", "nuovo pacchetto");
    auto archive = source / "a.mrvz";
    DatasetArchive::create(source.path(), archive);
    auto stoppedInstall
        = [](const fs::path& from, std::optional<std::string_view> expecting, const std::atomic<bool>& stop) {
              InstalledDataset installed;
              try {
                  DatasetArchive::install(from, installed.folder, expecting, stop);
                  ADD_FAILURE() << "not stopped";
              } catch (const DatasetArchive::Failure& failure) {
                  EXPECT_EQ(failure.kind(), DatasetArchive::Failure::Kind::stopped);
                  EXPECT_STREQ(failure.what(), "Installazione annullata.");
              }
              EXPECT_TRUE(installed.untouched());
          };

    // Extracting: the flag is met at the first block.
    const std::atomic<bool> stopped {true};
    stoppedInstall(archive, std::nullopt, stopped);

    // Hashing: the stop comes while the first 4 MiB chunk is still being read,
    // from a pipe that withholds its last byte until the flag is set.
    auto pipe = source / "archivio.fifo";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::atomic<bool> stop {false};
    std::thread writer([&] {
        FileDescriptor out(::open(pipe.c_str(), O_WRONLY | O_CLOEXEC));
        std::vector<std::byte> bytes((4 << 20) - 1, std::byte {7});
        ASSERT_TRUE(out.writeAll(bytes));
        stop = true;
        ASSERT_TRUE(out.writeAll(std::span(bytes).first(1)));
    });
    stoppedInstall(pipe, emptyDigest, stop);
    writer.join();
}

// Neither a dataset that the check every program makes refuses, nor an archive
// that expands far beyond its catalog's installed size, replaces a working one.
TEST(DatasetArchive, anUnusableDatasetOrABombNeverReplacesTheInstalledOne)
{
    auto withNaNVertex = [](const fs::path& folder) {
        auto pack = test::readFile(folder / "geometry.mrvpack");
        test::setField(pack, test::fieldAt<std::uint64_t>(pack, test::HeaderField::verticesOffset), NAN);
        test::writeFile(folder / "geometry.mrvpack", pack);
    };
    auto withoutNotes = [](const fs::path& folder) {
        sqlite3* connection = nullptr;
        sqlite3_open((folder / "anatomy.sqlite").c_str(), &connection);
        sqlite3_exec(connection, "DROP TABLE notes", nullptr, nullptr, nullptr);
        sqlite3_close(connection);
    };
    auto declaring = [](std::string key, std::int64_t count) {
        return [key, count](const fs::path& folder) {
            auto manifest = nlohmann::json::parse(test::readFile(folder / "manifest.json"));
            manifest[key] = count;
            test::writeFile(folder / "manifest.json", manifest.dump());
        };
    };
    const std::pair<const char*, std::function<void(const fs::path&)>> damages[] = {
        {"il pack non si apre: Il file non è un pack .mrvpack valido. Il dataset installato resta com'era.",
            [](const fs::path& f) { test::writeFile(f / "geometry.mrvpack", std::string(1 << 16, 'x')); }},
        {"1 vertici del pack hanno coordinate non finite", withNaNVertex},
        {"tabelle assenti: notes", withoutNotes},
        {"il database usa la codifica UTF-16le invece di UTF-8",
            [](const fs::path& f) { test::rewriteInUTF16(f / "anatomy.sqlite"); }},
        {"il manifest dichiara 277 strutture, il pack ne contiene 1", declaring("structureCount", 277)},
        {"il manifest dichiara 0 triangoli, il pack ne contiene ", declaring("triangleCount", 0)},
        {"il manifest dichiara 3 vertici, il pack ne contiene ", declaring("vertexCount", 3)},
    };
    for (const auto& [problem, damage] : damages) {
        test::TemporaryFolder source;
        const auto from = usableDataset(source.path(), "anatomia");
        damage(from);
        // As a publisher's own tool may pack it: this tool's refuses a UTF-16 database.
        test::writeFile(source / "a.mrvz", containerOf(streamOf(from)));
        InstalledDataset installed;
        try {
            DatasetArchive::install(source / "a.mrvz", installed.folder, std::nullopt);
            ADD_FAILURE() << "installed: " << problem;
        } catch (const DatasetArchive::Failure& failure) {
            EXPECT_EQ(failure.kind(), DatasetArchive::Failure::Kind::unusableDataset);
            EXPECT_THAT(failure.what(), ::testing::HasSubstr(problem));
        }
        EXPECT_TRUE(installed.untouched()) << problem;
    }

    // 80 MiB of zeros in a few kilobytes, for a dataset the catalog says takes 2 MB:
    // written into a file, or read and thrown away as a blob of the root entry.
    test::TemporaryFolder publisher;
    const auto rest = ArchiveBlocks::code(bytesOf(streamOf(usableDataset(publisher.path(), "anatomia"))));
    const auto zeros = ArchiveBlocks::code(std::vector<std::byte>(1 << 20));
    for (const auto& header : {fileEntry("geometry.mrvpack", 80 << 20),
             ArchiveEntry {.type = ArchiveEntry::directory, .path = "", .blobs = {{"XAT", 80 << 20}}}}) {
        std::string bomb("pbzx\0\0\0\0\0\x10\0\0", 12);
        auto append = [&bomb](const ArchiveBlocks::CodedBlock& block) {
            bomb.append(reinterpret_cast<const char*>(block.bytes.data()), block.bytes.size());
        };
        append(ArchiveBlocks::code(bytesOf(headerOf(header))));
        for (int i = 0; i < 80; ++i)
            append(zeros);
        append(rest);
        InstalledDataset installed;
        auto archive = installed.datasets.path().parent_path() / "bomba.mrvz";
        test::writeFile(archive, bomb);
        try {
            DatasetArchive::install(
                archive, installed.folder, std::nullopt, std::atomic<bool> {false}, 2'000'000);
            ADD_FAILURE() << "the bomb was installed";
        } catch (const DatasetArchive::Failure& failure) {
            EXPECT_STREQ(failure.what(),
                "L'archivio si espande oltre 66 MB, ben più dei 2 MB che il catalogo dichiara per il "
                "dataset: "
                "installazione interrotta, il dataset installato resta com'era.");
        }
        EXPECT_TRUE(installed.untouched());
    }
}

// Archives published before the publisher's rows were left out still carry
// them: the user's rows stay, the publisher's do not arrive.
TEST(DatasetArchive, installKeepsTheUsersRowsInsteadOfThoseTheArchiveCarries)
{
    test::TemporaryFolder publisher, user;
    const auto from = usableDataset(publisher.path(), "anatomia");
    AnatomyDB(from / "anatomy.sqlite").setNote("del pubblicatore", "FMA1");
    std::string root = headerOf({.type = ArchiveEntry::directory, .path = "", .mode = 0755});
    test::writeFile(publisher / "a.mrvz", containerOf(root + streamOf(from)));
    const auto installed = usableDataset(user.path(), "anatomia");
    {
        AnatomyDB db(installed / "anatomy.sqlite");
        db.setNote("dell'utente", "FMA9"); // a concept this dataset lacks
        db.saveView("vista", "{}");
    }
    DatasetArchive::install(publisher / "a.mrvz", installed, std::nullopt);
    AnatomyDB db(installed / "anatomy.sqlite", true);
    EXPECT_EQ(db.note("FMA9"), "dell'utente");
    EXPECT_EQ(db.note("FMA1"), std::nullopt);
    EXPECT_EQ(db.savedViews().size(), 1u);
}

// An installed database in UTF-16, which no archive may bring any more but one
// may have brought before, still opens, and its user's rows and the saved
// views' counter pass to the new version (SQLite attaches no database of
// another encoding, so they are copied value by value).
TEST(DatasetArchive, theUsersRowsLeaveAnInstalledDatabaseInUTF16)
{
    test::TemporaryFolder publisher, user;
    const auto from = usableDataset(publisher.path(), "anatomia");
    DatasetArchive::create(from, publisher / "a.mrvz");
    const auto installed = usableDataset(user.path(), "anatomia");
    {
        AnatomyDB db(installed / "anatomy.sqlite");
        db.setNote("nota è più", "FMA9"); // a concept this dataset lacks
        db.toggleBookmark("FMA1");
        db.deleteView(db.saveView("tolta", "{}"));
        db.saveView("vista «mia»", "{\"a\":1}");
    }
    test::rewriteInUTF16(installed / "anatomy.sqlite");
    ASSERT_EQ(test::RawDatabase(installed / "anatomy.sqlite").scalar("PRAGMA encoding"), "UTF-16le");
    EXPECT_EQ(DatasetCheck::problems(installed, "anatomia", DatasetCheck::Depth::bounds),
        std::vector<DatasetCheck::Problem>());
    EXPECT_EQ(AnatomyDB(installed / "anatomy.sqlite").note("FMA9"), "nota è più");

    DatasetArchive::install(publisher / "a.mrvz", installed, std::nullopt);
    EXPECT_EQ(test::RawDatabase(installed / "anatomy.sqlite").scalar("PRAGMA encoding"), "UTF-8");
    AnatomyDB db(installed / "anatomy.sqlite");
    EXPECT_EQ(db.note("FMA9"), "nota è più");
    EXPECT_EQ(db.bookmarks(), std::vector<std::string> {"FMA1"});
    ASSERT_EQ(db.savedViews().size(), 1u);
    EXPECT_EQ(db.savedViews()[0].id, 2);
    EXPECT_EQ(db.savedViews()[0].name, "vista «mia»");
    EXPECT_EQ(db.savedViews()[0].payload, "{\"a\":1}");
    EXPECT_EQ(db.saveView("nuova", "{}"), 3) << "the numbers of deleted views stay used";
}

// Databases that run their own SQL on the user's rows, stop them for good or
// leave a broken dataset: each is refused (a counter at its end is reset), and
// the user's dataset and rows stay; so they do when the user's own tables cannot
// take part in the handover, which says so in Italian.
TEST(DatasetArchive, aDatabaseWithSQLOfItsOwnOrDamageNeverReachesTheUsersRows)
{
    using Damage = std::function<void(const fs::path& published, const fs::path& users)>;
    auto sql = [](std::string text) -> Damage {
        return
            [text](const fs::path& published, const fs::path&) { test::RawDatabase(published).exec(text); };
    };
    auto zeroIndexPage = [](const fs::path& file, const fs::path&) {
        test::RawDatabase db(file);
        const auto size = std::stoul(db.scalar("PRAGMA page_size"));
        const auto page
            = std::stoul(db.scalar("SELECT rootpage FROM sqlite_master WHERE name = 'idx_struct_name_en'"));
        test::writeFile(file, test::readFile(file).replace((page - 1) * size, size, size, '\0'));
    };
    auto narrowUsersNotes = [](const fs::path&, const fs::path& users) {
        test::RawDatabase(users).exec("ALTER TABLE notes DROP COLUMN updated_at");
    };
    const std::pair<Damage, const char*> cases[] = {
        {sql("CREATE TRIGGER svuota AFTER INSERT ON bookmarks BEGIN DELETE FROM notes; END"), "«svuota»"},
        {sql("DROP TABLE notes; CREATE TABLE notes (concept_id TEXT PRIMARY KEY, body TEXT NOT NULL "
             "CHECK (body = ''), updated_at REAL NOT NULL)"),
            "«notes»"},
        {sql("CREATE VIEW vista AS SELECT * FROM notes"), "«vista»"},
        {sql("ALTER TABLE bookmarks ADD COLUMN editore TEXT"), "«bookmarks»"},
        {zeroIndexPage, "il database è danneggiato"},
        {sql("DELETE FROM structures"),
            "L'archivio del dataset anatomia non contiene un dataset utilizzabile: "
            "il database dichiara 0 strutture con geometria, il pack ne contiene 1"},
        {sql("INSERT INTO sqlite_sequence VALUES ('saved_views', 9223372036854775807)"), "success"},
        {narrowUsersNotes,
            "Impossibile trasferire le annotazioni dell'utente nel nuovo dataset: "
            "struttura del database non riconosciuta"},
    };
    for (const auto& [damage, outcome] : cases) {
        test::TemporaryFolder publisher, user;
        const auto from = usableDataset(publisher.path(), "anatomia");
        const auto installed = usableDataset(user.path(), "anatomia");
        {
            AnatomyDB db(installed / "anatomy.sqlite");
            db.setNote("mia nota", "FMA1"), db.toggleBookmark("FMA1"), db.saveView("mia vista", "{}");
        }
        test::writeFile(installed / "segno", ""); // goes with the folder when another takes its place
        damage(from / "anatomy.sqlite", installed / "anatomy.sqlite");
        test::writeFile(publisher / "a.mrvz", containerOf(streamOf(from)));
        EXPECT_THAT(installFailure(publisher / "a.mrvz", installed), ::testing::HasSubstr(outcome));
        EXPECT_EQ(fs::exists(installed / "segno"), std::string(outcome) != "success") << outcome;
        AnatomyDB db(installed / "anatomy.sqlite");
        EXPECT_EQ(db.note("FMA1"), "mia nota") << outcome;
        EXPECT_EQ(db.bookmarks().size() + db.savedViews().size(), 2u) << outcome;
        EXPECT_NE(db.saveView("nuova", "{}"), 0) << outcome;
    }
}
