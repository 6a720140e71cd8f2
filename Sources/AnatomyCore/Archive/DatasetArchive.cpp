#include "AnatomyCore/Archive/DatasetArchive.h"

#include "AnatomyCore/Archive/ArchiveError.h"
#include "AnatomyCore/Archive/Internal/ArchiveBlockReader.h"
#include "AnatomyCore/Archive/Internal/ArchiveBlockWriter.h"
#include "AnatomyCore/Archive/Internal/ArchiveEntry.h"
#include "AnatomyCore/Archive/Internal/Sha256.h"
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Database/DBError.h"
#include "AnatomyCore/Database/Internal/SQLite.h"
#include "AnatomyCore/Database/UserRowsHandover.h"
#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetCheck.h"
#include "AnatomyCore/Storage/DatasetLock.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Storage/FolderSwap.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyCore/Support/FileDescriptor.h"
#include "AnatomyCore/Support/FileError.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <span>

namespace morvena::DatasetArchive {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t hashChunkSize = 4 << 20;
constexpr std::size_t copyChunkSize = 1 << 20;
constexpr std::uint64_t specialModeBits = 07000; // setuid, setgid, sticky
// An honest archive expands to less than the catalog's installed size, which
// also counts the files an archive leaves out; a quarter more, and at least this
// much, leaves room for any catalog that rounds while stopping a bomb early.
constexpr std::uint64_t oversizeMargin = 64ull << 20;
// Left free by an extraction, so the disk never ends full because of it.
constexpr std::uint64_t diskReserve = 16ull << 20;

// The flag of the operations that cannot be stopped.
const std::atomic<bool> neverStopped {false};

void stopIfAsked(const std::atomic<bool>& stop)
{
    if (stop)
        throw Failure::stopped();
}

// At most `count` characters of a text that is usually ASCII hex; a UTF-8
// sequence is never cut in half.
std::string leadingCharacters(std::string_view text, std::size_t count)
{
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size(); ++end) {
        bool startsCharacter = (static_cast<unsigned char>(text[end]) & 0xC0) != 0x80;
        if (startsCharacter && seen++ == count)
            break;
    }
    return std::string(text.substr(0, end));
}

std::string megabytes(std::uint64_t bytes)
{
    return std::to_string((bytes + (1 << 19)) >> 20) + " MB";
}

// What an extraction may still expand to: up to the catalog's installed size
// and its margin, counting the bytes it skips as well as those it writes (both
// cost the work of decompressing them), and never so much that the disk fills up.
class WriteBudget {
public:
    WriteBudget(const fs::path& folder, std::int64_t declaredBytes)
        : folder_(folder)
        , declared_(declaredBytes)
    {
        if (declaredBytes <= 0)
            return; // no catalog size to hold the archive to
        const auto declared = static_cast<std::uint64_t>(declaredBytes);
        limit_ = declared + std::max(declared / 4, oversizeMargin);
        write(0, declared); // a dataset the disk cannot hold fails before anything is written
    }

    // Throws Failure::oversized once the archive has expanded too far.
    void expand(std::uint64_t bytes)
    {
        expanded_ += bytes;
        if (limit_ && expanded_ > *limit_)
            throw Failure::oversized(declared_, *limit_);
    }

    // Throws Failure::diskFull when `bytes` more may not be written.
    void write(std::uint64_t bytes, std::uint64_t stillNeeded = 0)
    {
        struct statvfs disk { };
        if (::statvfs(folder_.c_str(), &disk) != 0)
            return; // the write itself will say what is wrong
        const std::uint64_t available = std::uint64_t(disk.f_bavail) * disk.f_frsize;
        if (std::max(bytes, stillNeeded) + diskReserve > available)
            throw Failure::diskFull(available);
    }

private:
    fs::path folder_;
    std::int64_t declared_;
    std::optional<std::uint64_t> limit_;
    std::uint64_t expanded_ = 0;
};

// Removes a folder and everything in it when the scope ends, unless kept.
class FolderCleanup {
public:
    explicit FolderCleanup(fs::path folder)
        : folder_(std::move(folder))
    {
    }
    ~FolderCleanup()
    {
        std::error_code ignored;
        if (!folder_.empty())
            fs::remove_all(folder_, ignored);
    }
    FolderCleanup(const FolderCleanup&) = delete;
    FolderCleanup& operator=(const FolderCleanup&) = delete;
    const fs::path& path() const { return folder_; }

private:
    fs::path folder_;
};

std::string randomUUID()
{
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1)
        throw ArchiveError("Impossibile creare l'archivio: generatore casuale non disponibile.");
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X",
        bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9],
        bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

// A private (0700) folder with an unpredictable name in the temporary folder,
// so no other user can see or plant files in it.
fs::path makeStagingFolder()
{
    fs::path folder = AppPaths::temporaryDirectory() / ("mrvz-" + randomUUID());
    if (::mkdir(folder.c_str(), 0700) != 0)
        throw FileError("Impossibile creare la cartella", folder, errno);
    return folder;
}

void makeDirectories(const fs::path& folder)
{
    if (folder.empty())
        return; // a bare file name lies in the working folder, which exists
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw FileError("Impossibile creare la cartella", folder, error);
}

// Connections to a dataset's database use write-ahead logging, so its main
// file alone may lack committed changes; the online backup copies a
// consistent snapshot including them, into a file without a journal of its own.
void snapshotDatabase(const fs::path& source, const fs::path& copy)
{
    sqlite::Connection from(source, SQLITE_OPEN_READONLY);
    sqlite::Connection to(copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (!backup)
        throw to.failure(DBError::Kind::sql);
    int stepped = sqlite3_backup_step(backup, -1);
    // Finishing leaves the step's error, if any, on the destination.
    sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        throw to.failure(DBError::Kind::sql);
    to.execute("PRAGMA journal_mode=DELETE");
}

// Every installation refuses a database in another encoding than the UTF-8
// the importers write; one installed before that is not published again.
void requireUTF8(const fs::path& database)
{
    const auto encoding = AnatomyDB(database, true).textEncoding();
    if (encoding != "UTF-8")
        throw ArchiveError("Impossibile creare l'archivio: il database del dataset usa la codifica "
            + encoding
            + " invece di UTF-8, che ogni installazione rifiuta. Reimporta il dataset per "
              "riscriverlo in UTF-8.");
}

// The database as it leaves this computer: the anatomy, none of the user's rows.
void publishedDatabase(const fs::path& source, const fs::path& copy)
{
    snapshotDatabase(source, copy);
    requireUTF8(copy);
    UserRowsHandover::clear(copy);
}

ArchiveEntry::Time timeOf(const struct timespec& time)
{
    return {static_cast<std::int64_t>(time.tv_sec), static_cast<std::uint32_t>(time.tv_nsec)};
}

// Modification and, where the file system records it, creation time.
std::pair<ArchiveEntry::Time, ArchiveEntry::Time> timesOf(int descriptor, const struct stat& status)
{
    auto modified = timeOf(status.st_mtim);
    struct statx extended { };
    if (::statx(descriptor, "", AT_EMPTY_PATH, STATX_BTIME, &extended) == 0
        && (extended.stx_mask & STATX_BTIME))
        return {modified, {extended.stx_btime.tv_sec, extended.stx_btime.tv_nsec}};
    return {modified, modified};
}

void writeHeader(ArchiveBlockWriter& writer, const ArchiveEntry& entry)
{
    auto header = entry.encoded();
    writer.write(header);
}

void writeRootEntry(ArchiveBlockWriter& writer, const fs::path& folder)
{
    FileDescriptor descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat status { };
    if (!descriptor || ::fstat(descriptor.get(), &status) != 0)
        throw FileError("Impossibile leggere la cartella", folder, errno);
    auto [modified, created] = timesOf(descriptor.get(), status);
    writeHeader(writer,
        {.type = ArchiveEntry::directory,
            .path = "",
            .mode = 0755,
            .flags = 0,
            .modified = modified,
            .created = created});
}

void writeFileEntry(ArchiveBlockWriter& writer, const fs::path& source, std::string_view name)
{
    FileDescriptor file(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status { };
    if (!file || ::fstat(file.get(), &status) != 0)
        throw FileError("Impossibile leggere il file", source, errno);
    if (!S_ISREG(status.st_mode))
        throw FileError("Impossibile leggere il file", source, EINVAL);
    auto size = static_cast<std::uint64_t>(status.st_size);
    auto [modified, created] = timesOf(file.get(), status);
    writeHeader(writer,
        {.type = ArchiveEntry::file,
            .path = std::string(name),
            .mode = 0644,
            .flags = 0,
            .modified = modified,
            .created = created,
            .blobs = {{"DAT", size}}});
    std::vector<std::byte> buffer(copyChunkSize);
    for (std::uint64_t left = size; left > 0;) {
        auto chunk = std::span(buffer).first(std::min<std::uint64_t>(left, buffer.size()));
        auto count = file.readFully(chunk);
        if (!count)
            throw FileError("Impossibile leggere il file", source, errno);
        // The header already promised `size` bytes; a file that shrank or
        // grew meanwhile would make the archive lie.
        if (*count != chunk.size())
            throw ArchiveError(
                "Impossibile creare l'archivio: " + std::string(name) + " è cambiato durante la lettura.");
        writer.write(chunk);
        left -= *count;
    }
    std::byte probe;
    if (file.readFully(std::span(&probe, 1)).value_or(0) != 0)
        throw ArchiveError(
            "Impossibile creare l'archivio: " + std::string(name) + " è cambiato durante la lettura.");
}

// The next entry header, or nothing at the clean end of the stream.
std::optional<ArchiveEntry> readEntry(ArchiveBlockReader& reader)
{
    std::array<std::byte, ArchiveEntry::prefixSize> prefix;
    std::size_t got = reader.read(prefix);
    if (got == 0)
        return std::nullopt;
    if (got != prefix.size())
        throw ArchiveError::damaged("intestazione di voce troncata");
    std::vector<std::byte> fields(ArchiveEntry::headerSize(prefix) - prefix.size());
    reader.readExactly(fields);
    return ArchiveEntry::decodeFields(fields);
}

bool isRootEntry(const ArchiveEntry& entry)
{
    return entry.type == ArchiveEntry::directory
        && (!entry.path || entry.path->empty() || *entry.path == ".");
}

// Refuses every entry but plain files with one safe name component, among
// `names` unless that is empty (and the archive's root folder, which is skipped).
void checkEntry(const ArchiveEntry& entry, bool& rootSeen, std::span<const std::string_view> names)
{
    if (entry.mode && (*entry.mode & specialModeBits))
        throw ArchiveError::damaged("una voce chiede permessi speciali (setuid, setgid o sticky)");
    if (isRootEntry(entry)) {
        if (rootSeen)
            throw ArchiveError::damaged("la cartella principale compare due volte");
        rootSeen = true;
        return;
    }
    if (entry.type != ArchiveEntry::file)
        throw ArchiveError::damaged(std::string("voce di tipo non ammesso ('") + entry.type
            + "'): solo file semplici sono accettati");
    if (!entry.path)
        throw ArchiveError::damaged("voce senza percorso");
    if (auto reason = AppPaths::unsafeNameReason(*entry.path))
        throw ArchiveError::damaged("una voce ha un percorso non ammesso (" + std::string(*reason) + ")");
    if (!names.empty() && std::ranges::find(names, *entry.path) == names.end())
        throw ArchiveError::damaged("contiene " + *entry.path + ", che non è un file del dataset");
}

// Files made by one extraction; removed again unless it succeeds.
class ExtractedFiles {
public:
    explicit ExtractedFiles(const FileDescriptor& folder)
        : folder_(folder)
    {
    }
    ~ExtractedFiles()
    {
        for (const auto& name : names_)
            ::unlinkat(folder_.get(), name.c_str(), 0);
    }
    ExtractedFiles(const ExtractedFiles&) = delete;
    ExtractedFiles& operator=(const ExtractedFiles&) = delete;
    void add(std::string name) { names_.push_back(std::move(name)); }
    bool contains(const std::string& name) const { return std::ranges::find(names_, name) != names_.end(); }
    void keep() { names_.clear(); }

private:
    const FileDescriptor& folder_;
    std::vector<std::string> names_;
};

// An extraction's state shared by its entries.
struct Extraction {
    std::vector<std::byte>& buffer;
    const std::atomic<bool>& stop;
    WriteBudget& budget;
};

// Copies (or, without a target, skips) exactly `size` bytes of the stream,
// one block's worth at a time.
void copyBlob(ArchiveBlockReader& reader, std::uint64_t size, const FileDescriptor* target,
    const fs::path& path, Extraction& extraction)
{
    for (std::uint64_t left = size; left > 0;) {
        stopIfAsked(extraction.stop);
        auto chunk
            = std::span(extraction.buffer).first(std::min<std::uint64_t>(left, extraction.buffer.size()));
        reader.readExactly(chunk);
        extraction.budget.expand(chunk.size());
        if (target) {
            extraction.budget.write(chunk.size());
            if (!target->writeAll(chunk))
                throw FileError("Impossibile scrivere il file", path, errno);
        }
        left -= chunk.size();
    }
}

void extractFile(ArchiveBlockReader& reader, const ArchiveEntry& entry, const FileDescriptor& folder,
    const fs::path& into, ExtractedFiles& extracted, Extraction& extraction)
{
    fs::path path = into / *entry.path;
    if (extracted.contains(*entry.path))
        throw ArchiveError::damaged("la voce " + *entry.path + " compare due volte");
    // O_EXCL with O_NOFOLLOW: never write through a link or over a file that
    // is already there.
    FileDescriptor file(::openat(
        folder.get(), entry.path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file)
        throw FileError("Impossibile creare il file", path, errno);
    extracted.add(*entry.path);
    for (const auto& blob : entry.blobs)
        copyBlob(reader, blob.size, blob.key == "DAT" ? &file : nullptr, path, extraction);
    if (::fsync(file.get()) != 0 || !file.close())
        throw FileError("Impossibile scrivere il file", path, errno);
}

} // namespace

Failure::Failure(Kind kind, const std::string& message)
    : std::runtime_error(message)
    , kind_(kind)
{
}

Failure Failure::streamUnavailable(std::string stage)
{
    Failure failure(Kind::streamUnavailable, "Impossibile aprire il flusso di archivio (" + stage + ").");
    failure.stage_ = std::move(stage);
    return failure;
}

Failure Failure::checksumMismatch(std::string expected, std::string found)
{
    Failure failure(Kind::checksumMismatch,
        "L'archivio scaricato non corrisponde alla firma attesa (attesa " + leadingCharacters(expected, 12)
            + "…, trovata " + leadingCharacters(found, 12)
            + "…). Il file è incompleto o alterato: riprova il download.");
    failure.expected_ = std::move(expected);
    failure.found_ = std::move(found);
    return failure;
}

Failure Failure::incompleteExtraction(std::vector<std::string> missing)
{
    std::string names;
    for (const auto& name : missing)
        names += (names.empty() ? "" : ", ") + name;
    Failure failure(Kind::incompleteExtraction, "Archivio incompleto: mancano " + names + ".");
    failure.missing_ = std::move(missing);
    return failure;
}

Failure Failure::stopped()
{
    return Failure(Kind::stopped, "Installazione annullata.");
}

Failure Failure::unusableDataset(const std::string& dataset, const std::string& problem)
{
    return Failure(Kind::unusableDataset,
        "L'archivio del dataset " + AppPaths::quotedDatasetID(dataset)
            + " non contiene un dataset utilizzabile: " + problem + ". Il dataset installato resta com'era.");
}

Failure Failure::oversized(std::int64_t declaredBytes, std::uint64_t limitBytes)
{
    return Failure(Kind::oversized,
        "L'archivio si espande oltre " + megabytes(limitBytes) + ", ben più dei "
            + megabytes(static_cast<std::uint64_t>(std::max<std::int64_t>(declaredBytes, 0)))
            + " che il catalogo dichiara per il dataset: installazione interrotta, il dataset installato "
              "resta com'era.");
}

Failure Failure::diskFull(std::uint64_t freeBytes)
{
    return Failure(Kind::diskFull,
        "Spazio su disco insufficiente per installare il dataset (" + megabytes(freeBytes)
            + " liberi): installazione interrotta, il dataset installato resta com'era.");
}

Failure Failure::foreignDataset(std::string expected, std::string found)
{
    Failure failure(Kind::foreignDataset,
        "L'archivio contiene il dataset " + AppPaths::quotedDatasetID(found) + " invece di "
            + AppPaths::quotedDatasetID(expected) + ".");
    failure.expected_ = std::move(expected);
    failure.found_ = std::move(found);
    return failure;
}

Failure Failure::unreadableManifest(std::string expected, const std::string& reason)
{
    Failure failure(Kind::foreignDataset,
        "Il manifesto dell'archivio non è leggibile (" + reason + "): il dataset "
            + AppPaths::quotedDatasetID(expected) + " non è stato installato.");
    failure.expected_ = std::move(expected);
    return failure;
}

Created create(const fs::path& from, const fs::path& to)
{
    makeDirectories(to.parent_path());
    for (auto name : requiredEntries)
        if (std::error_code error; !fs::exists(from / name, error))
            throw Failure::incompleteExtraction({std::string(name)});

    FolderCleanup staging(makeStagingFolder());
    fs::path database = staging.path() / requiredEntries[1];
    publishedDatabase(from / requiredEntries[1], database);

    std::optional<AtomicFile> output;
    try {
        output.emplace(to);
    } catch (const FileError&) {
        throw Failure::streamUnavailable("destinazione");
    }
    Created created;
    Sha256 digest;
    ArchiveBlockWriter writer([&](std::span<const std::byte> bytes) {
        output->write(bytes);
        digest.update(bytes);
        created.bytes += static_cast<std::int64_t>(bytes.size());
    });
    writeRootEntry(writer, from);
    for (auto name : requiredEntries)
        writeFileEntry(writer, name == requiredEntries[1] ? database : from / name, name);
    writer.finish();
    output->commit();
    created.sha256 = digest.hexDigest();
    return created;
}

namespace {

std::string stoppableSHA256(const fs::path& file, const std::atomic<bool>& stop)
{
    FileDescriptor input(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!input)
        throw FileError("Impossibile leggere il file", file, errno);
    Sha256 digest;
    std::vector<std::byte> buffer(hashChunkSize);
    for (;;) {
        stopIfAsked(stop);
        auto count = input.readFully(buffer);
        if (!count)
            throw FileError("Impossibile leggere il file", file, errno);
        if (*count == 0)
            break;
        digest.update(std::span(buffer).first(*count));
    }
    return digest.hexDigest();
}

// Extracts the entries named `names` (any, when empty) and refuses any other.
void stoppableExtract(const fs::path& archive, const fs::path& into, std::span<const std::string_view> names,
    const std::atomic<bool>& stop, std::int64_t declaredBytes)
{
    FileDescriptor input(::open(archive.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status { };
    if (!input || ::fstat(input.get(), &status) != 0 || !S_ISREG(status.st_mode))
        throw Failure::streamUnavailable("sorgente");
    std::optional<ArchiveBlockReader> reader;
    try {
        reader.emplace(input);
    } catch (const ArchiveError&) {
        throw Failure::streamUnavailable("decompressione");
    }
    FileDescriptor folder(::open(into.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        throw Failure::streamUnavailable("estrazione");

    ExtractedFiles extracted(folder);
    std::vector<std::byte> buffer(copyChunkSize);
    WriteBudget budget(into, declaredBytes);
    Extraction extraction {buffer, stop, budget};
    bool rootSeen = false;
    bool empty = true;
    while (auto entry = readEntry(*reader)) {
        empty = false;
        checkEntry(*entry, rootSeen, names);
        if (isRootEntry(*entry)) {
            for (const auto& blob : entry->blobs)
                copyBlob(*reader, blob.size, nullptr, into, extraction);
            continue;
        }
        extractFile(*reader, *entry, folder, into, extracted, extraction);
    }
    // Only a container cut right after its header holds no entry at all.
    if (empty)
        throw ArchiveError::damaged("l'archivio non contiene alcuna voce");
    extracted.keep();
}

// The id that the extracted manifest names; refuses the archive, saying why,
// where the manifest cannot be read.
std::string archivedDatasetID(const fs::path& incoming, const std::string& name)
{
    try {
        return DatasetManifest::load(incoming / AppPaths::manifestFileName).id;
    } catch (const FileError& error) {
        throw Failure::unreadableManifest(name, error.reason());
    } catch (const DecodingError& error) {
        throw Failure::unreadableManifest(name, error.what());
    }
}

} // namespace

std::string sha256(const fs::path& file)
{
    return stoppableSHA256(file, neverStopped);
}

void extract(const fs::path& archive, const fs::path& into)
{
    stoppableExtract(archive, into, {}, neverStopped, 0);
}

std::optional<DamagedDatabase::Kept> install(
    const fs::path& archive, const fs::path& into, std::optional<std::string_view> expecting)
{
    return install(archive, into, expecting, neverStopped);
}

std::optional<DamagedDatabase::Kept> install(const fs::path& archive, const fs::path& into,
    std::optional<std::string_view> expecting, const std::atomic<bool>& stop, std::int64_t declaredBytes)
{
    const std::string name = into.filename().string();
    if (auto reason = AppPaths::datasetIDReason(name, into))
        throw AppPaths::InvalidDatasetID(name, *reason);
    const fs::path parent = into.parent_path();
    if (std::string expected = UnicodeText::lowercased(expecting.value_or("")); !expected.empty()) {
        std::string found = stoppableSHA256(archive, stop);
        if (found != expected)
            throw Failure::checksumMismatch(std::move(expected), std::move(found));
    }

    const fs::path incoming = parent / ("." + name + ".incoming");
    // Held until the end, after the cleanup below: no other import or install of
    // the dataset may reuse the incoming folder before it is gone.
    const DatasetLock lock(into);
    const fs::path previous = FolderSwap::setAsidePath(into);
    FolderSwap::putBackSetAside(into, previous);
    std::error_code ignored;
    fs::remove_all(incoming, ignored);
    makeDirectories(parent);
    if (::mkdir(incoming.c_str(), 0700) != 0)
        throw FileError("Impossibile creare la cartella", incoming, errno);
    // Whatever ends at the incoming path (a failed extraction, or the old
    // dataset after the exchange) goes when install ends.
    FolderCleanup cleanup(incoming);

    stoppableExtract(archive, incoming, requiredEntries, stop, declaredBytes);
    std::vector<std::string> missing;
    for (auto entry : requiredEntries)
        if (!fs::exists(incoming / entry, ignored))
            missing.emplace_back(entry);
    if (!missing.empty())
        throw Failure::incompleteExtraction(std::move(missing));
    if (const auto found = archivedDatasetID(incoming, name); found != name)
        throw Failure::foreignDataset(name, found);
    auto problems = DatasetCheck::problems(incoming, name, DatasetCheck::Depth::everyVertex);
    if (!problems.empty())
        throw Failure::unusableDataset(name, std::move(problems.front().text));

    stopIfAsked(stop);
    return FolderSwap::replaceDataset(incoming, into, previous);
}

} // namespace morvena::DatasetArchive
