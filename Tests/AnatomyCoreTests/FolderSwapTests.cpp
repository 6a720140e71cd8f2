#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Storage/FolderSwap.h"
#include "AnatomyCore/Support/FileError.h"
#include "TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>

namespace morvena {
namespace {

namespace fs = std::filesystem;
using ::testing::StartsWith;

// A folder on the shared-memory file system, a device of its own: no hard link
// and no folder exchange reach it from the tests' TMPDIR.
class OtherDeviceFolder {
public:
    OtherDeviceFolder()
    {
        std::string pattern = "/dev/shm/morvena-test-XXXXXX";
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~OtherDeviceFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            fs::remove_all(path_, ignored);
    }
    OtherDeviceFolder(const OtherDeviceFolder&) = delete;
    OtherDeviceFolder& operator=(const OtherDeviceFolder&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

bool sameDevice(const fs::path& one, const fs::path& other)
{
    struct stat first {
    }, second {};
    return ::stat(one.c_str(), &first) == 0 && ::stat(other.c_str(), &second) == 0
        && first.st_dev == second.st_dev;
}

// The files of a folder by name, but SQLite's "-shm" index, which a look at
// the database may leave and which holds nothing of the user's.
std::map<std::string, std::string> contents(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (!entry.path().filename().string().ends_with("-shm"))
            files[entry.path().filename().string()] = test::readFile(entry.path());
    return files;
}

// When the damaged database cannot be kept in the new folder, the replacement
// is refused before anything changes; when the swap fails after it was kept,
// the installed folder is as it was too.
TEST(FolderSwap, aDamagedDatabaseStaysInPlaceWhenItCannotBeKeptOrTheSwapFails)
{
    test::TemporaryFolder datasets;
    OtherDeviceFolder otherDevice;
    if (otherDevice.path().empty() || sameDevice(datasets.path(), otherDevice.path()))
        GTEST_SKIP() << "no second file system at /dev/shm";
    struct Case {
        std::string name;
        fs::path incoming; // holds no database: the installed one hands nothing over
        std::string refusal;
    };
    // Nothing can be created in /proc, by any user: neither link nor copy works.
    const Case cases[] = {
        {"keeping fails", "/proc/self/fdinfo", "Impossibile conservare il database danneggiato in /proc/"},
        {"swap fails", otherDevice.path(), "Impossibile installare il dataset in "},
    };
    for (const auto& [name, incoming, refusal] : cases) {
        const auto into = datasets / name;
        test::writeFile(into / "anatomy.sqlite", std::string(4096, 'x') + "la nota dell'utente");
        test::writeFile(into / "anatomy.sqlite-wal", "pagine recenti");
        test::writeFile(into / "geometry.mrvpack", "pack");
        const auto before = contents(into);
        try {
            FolderSwap::replaceDataset(incoming, into, datasets / ("." + name + ".previous"));
            ADD_FAILURE() << name << ": replaced";
        } catch (const FileError& error) {
            EXPECT_THAT(error.what(), StartsWith(refusal)) << name;
        }
        EXPECT_EQ(contents(into), before) << name;
    }
}

// A second damaged database kept within the same second takes the next name;
// nothing that is there already is overwritten, and a kept file's side files
// follow its name.
TEST(DamagedDatabase, keptNamesNeverOverwriteAndCarrySideFiles)
{
    test::TemporaryFolder installed, kept;
    test::writeFile(installed / "anatomy.sqlite", "primo");
    test::writeFile(installed / "anatomy.sqlite-journal", "giornale");
    std::tm local {};
    local.tm_year = 2024 - 1900, local.tm_mon = 2, local.tm_mday = 5, local.tm_hour = 7, local.tm_min = 8;
    local.tm_sec = 9, local.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
    test::writeFile(kept / "anatomy-danneggiato-20240305-070809-2.sqlite-wal", "altrui");

    EXPECT_EQ(DamagedDatabase::keep(installed / "anatomy.sqlite", kept.path(), when),
        kept / "anatomy-danneggiato-20240305-070809.sqlite");
    fs::remove(installed / "anatomy.sqlite"); // the first one is a link to it
    test::writeFile(installed / "anatomy.sqlite", "secondo");
    EXPECT_EQ(DamagedDatabase::keep(installed / "anatomy.sqlite", kept.path(), when),
        kept / "anatomy-danneggiato-20240305-070809-3.sqlite");
    EXPECT_EQ(contents(kept.path()),
        (std::map<std::string, std::string> {
            {"anatomy-danneggiato-20240305-070809.sqlite", "primo"},
            {"anatomy-danneggiato-20240305-070809.sqlite-journal", "giornale"},
            {"anatomy-danneggiato-20240305-070809-2.sqlite-wal", "altrui"},
            {"anatomy-danneggiato-20240305-070809-3.sqlite", "secondo"},
            {"anatomy-danneggiato-20240305-070809-3.sqlite-journal", "giornale"},
        }));
}

} // namespace
} // namespace morvena
