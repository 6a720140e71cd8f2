#include "AnatomyCore/Database/AnatomyDB.h"

#include "AnatomyCore/Database/Internal/AnatomySchema.h"
#include "AnatomyCore/Database/Internal/FileIdentity.h"
#include "AnatomyCore/Database/Internal/SQLite.h"

#include <unistd.h>

#include <cerrno>
#include <functional>

namespace morvena {

namespace {

// A concurrent writer (the viewer and the tool on one file) waits this long
// before a change gives up, instead of failing at once.
constexpr int busyTimeoutMilliseconds = 2000;

bool fullTextTableExists(const sqlite::Connection& connection)
{
    auto probe = connection.tryPrepare("SELECT 1 FROM sqlite_master WHERE name=? LIMIT 1");
    if (!probe)
        return false;
    probe.bindText(1, std::string_view("structures_fts"));
    return probe.step() == SQLITE_ROW;
}

std::size_t combineHash(std::size_t seed, std::size_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2));
}

template <class T> std::size_t hashOf(const T& value)
{
    return std::hash<T> {}(value);
}

int openFlags(AnatomyDB::OpenMode mode)
{
    switch (mode) {
    case AnatomyDB::OpenMode::readOnly:
        return SQLITE_OPEN_READONLY;
    case AnatomyDB::OpenMode::readWriteExisting:
        return SQLITE_OPEN_READWRITE;
    case AnatomyDB::OpenMode::readWriteCreating:
        break;
    }
    return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
}

// A folder its user cannot write: a dataset an administrator installed for
// everyone, or another user's.
bool inUnwritableFolder(const std::filesystem::path& file, AnatomyDB::OpenMode mode)
{
    if (mode == AnatomyDB::OpenMode::readWriteCreating)
        return false;
    const auto folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    return ::access(folder.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

// Whether the connection can read at all; SQLite opens lazily, so a read-only
// open that cannot work fails only at its first statement.
bool reads(const sqlite::Connection& connection)
{
    auto probe = connection.tryPrepare("SELECT count(*) FROM sqlite_master");
    return probe && probe.step() == SQLITE_ROW;
}

// A database in a folder its user cannot write is opened read-only, which
// reads the write-ahead log too where its "-shm" file exists: while its owner
// writes, rows they committed are seen. Without the "-shm" file (no writer has
// it open, or the log was left without one) SQLite cannot create it here and
// every query fails; the file is then read as immutable, without locks or side
// files, which shows the main file alone: rows still in a log without "-shm"
// stay unseen, and a writer that starts meanwhile may make reads fail.
std::unique_ptr<sqlite::Connection> openConnection(
    const std::filesystem::path& file, AnatomyDB::OpenMode mode)
{
    if (!inUnwritableFolder(file, mode))
        return std::make_unique<sqlite::Connection>(file, openFlags(mode));
    auto readOnly = std::make_unique<sqlite::Connection>(file, SQLITE_OPEN_READONLY);
    sqlite3_busy_timeout(readOnly->get(), busyTimeoutMilliseconds);
    if (reads(*readOnly))
        return readOnly;
    return std::make_unique<sqlite::Connection>(file, SQLITE_OPEN_READONLY, true);
}

// SQLite opens any file lazily: a file that is not a database, or one without
// the anatomy tables, fails only at its first statement.
void requireReadableStructures(const sqlite::Connection& connection)
{
    auto probe = connection.tryPrepare("SELECT 1 FROM structures LIMIT 1");
    const int result = probe ? probe.step() : SQLITE_ERROR;
    if (result != SQLITE_ROW && result != SQLITE_DONE)
        throw connection.failure(DBError::Kind::open);
}

// A file that cannot be read for want of descriptors, memory or the lock
// would answer every query with nothing, as if it held no rows; damage and an
// interrupted write are left for the checks to name.
void requireReadableFile(const sqlite::Connection& connection)
{
    const int result = sqlite::schemaRead(connection);
    if (result != SQLITE_OK && !DBError::isDamage(result) && result != SQLITE_READONLY_ROLLBACK)
        throw connection.failure(DBError::Kind::open);
}

} // namespace

AnatomyDB::AnatomyDB(std::filesystem::path url, bool readOnly)
    : AnatomyDB(std::move(url), readOnly ? OpenMode::readOnly : OpenMode::readWriteCreating)
{
}

AnatomyDB::AnatomyDB(std::filesystem::path url, OpenMode mode)
    : url_(std::move(url))
{
    // Only the creating mode makes anything: a missing folder is simply a missing file.
    if (mode == OpenMode::readWriteCreating && url_.has_parent_path())
        std::filesystem::create_directories(url_.parent_path());
    handle_ = openConnection(url_, mode);
    identity_ = std::make_unique<FileIdentity>(url_);
    sqlite3_busy_timeout(handle_->get(), busyTimeoutMilliseconds);
    requireReadableFile(*handle_);
    if (mode == OpenMode::readWriteExisting)
        requireReadableStructures(*handle_);
    // A read-only file keeps its journal mode; these are best effort.
    handle_->tryExecute("PRAGMA journal_mode=WAL;");
    handle_->tryExecute("PRAGMA synchronous=NORMAL;");
    handle_->tryExecute("PRAGMA foreign_keys=ON;");
    hasFTS_ = fullTextTableExists(*handle_);
}

AnatomyDB::~AnatomyDB()
{
    // The side files beside the path now belong to the new dataset's database.
    if (handle_ && identity_ && identity_->replaced())
        handle_->keepSideFilesOnClose();
}

void AnatomyDB::createSchema()
{
    handle_->execute(AnatomySchema::tablesSQL);
    // Without FTS5 in the library the database still works; search uses LIKE.
    hasFTS_ = handle_->tryExecute(AnatomySchema::fullTextSQL);
}

void AnatomyDB::beginTransaction()
{
    handle_->execute("BEGIN IMMEDIATE");
}
void AnatomyDB::commitTransaction()
{
    handle_->execute("COMMIT");
}
void AnatomyDB::rollbackTransaction() noexcept
{
    handle_->tryExecute("ROLLBACK");
}

std::string AnatomyDB::RelatedStructure::id() const
{
    return conceptID + std::string(rawValue(kind));
}

} // namespace morvena

using morvena::AnatomyDB;
using morvena::combineHash;
using morvena::hashOf;

std::size_t std::hash<AnatomyDB::SearchHit>::operator()(const AnatomyDB::SearchHit& hit) const noexcept
{
    std::size_t seed = hashOf(hit.conceptID);
    seed = combineHash(seed, hashOf(hit.nameEN));
    seed = combineHash(seed, hashOf(hit.nameIT));
    seed = combineHash(seed, hashOf(hit.system));
    return combineHash(seed, hashOf(hit.meshIndex));
}

std::size_t std::hash<AnatomyDB::RelatedStructure>::operator()(
    const AnatomyDB::RelatedStructure& related) const noexcept
{
    std::size_t seed = hashOf(related.conceptID);
    seed = combineHash(seed, hashOf(related.name));
    seed = combineHash(seed, hashOf(related.kind));
    seed = combineHash(seed, hashOf(related.source));
    return combineHash(seed, hashOf(related.incoming));
}

std::size_t std::hash<AnatomyDB::SavedView>::operator()(const AnatomyDB::SavedView& view) const noexcept
{
    std::size_t seed = hashOf(view.id);
    seed = combineHash(seed, hashOf(view.name));
    seed = combineHash(seed, hashOf(view.payload));
    return combineHash(seed, hashOf(view.createdAt.time_since_epoch().count()));
}
