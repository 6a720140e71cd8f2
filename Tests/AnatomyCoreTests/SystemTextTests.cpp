#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Support/FailureText.h"
#include "AnatomyCore/Support/FileError.h"
#include "AnatomyCore/Support/SystemText.h"
#include "TemporaryFolder.h"

#include <gmock/gmock.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

using namespace morvena;
namespace fs = std::filesystem;
using namespace ::testing;

namespace {

// What keep() says of `database` kept in `folder` made a file system of 64 KiB in
// a child process's own user and mount namespaces; empty where none can be made.
std::string keptOnAFullDisk(const fs::path& database, const fs::path& folder, const fs::path& report)
{
    const auto map = [](const char* file, auto id) {
        return static_cast<bool>(std::ofstream(file) << "0 " << id << " 1" << std::flush);
    };
    const auto user = ::getuid(), group = ::getgid();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0
            && (std::ofstream("/proc/self/setgroups") << "deny" << std::flush)
            && map("/proc/self/uid_map", user) && map("/proc/self/gid_map", group)
            && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            && ::mount("none", folder.c_str(), "tmpfs", 0, "size=64k") == 0) {
            std::string said = "conservato";
            try {
                DamagedDatabase::keep(database, folder, {});
            } catch (const FileError& error) {
                said = error.what();
            }
            test::writeFile(report, said + (fs::is_empty(folder) ? "" : " (la copia interrotta resta)"));
        }
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return test::readFile(report);
}

} // namespace

TEST(SystemText, theSystemsReasonsReadInItalian)
{
    for (int number : {EACCES, EPERM, ENOSPC, EDQUOT, EROFS, EIO, ENOENT, EEXIST, ENOTDIR, EISDIR,
             ENAMETOOLONG, ELOOP, EMFILE, EXDEV, EBUSY})
        for (const auto* category : {&std::generic_category(), &std::system_category()})
            EXPECT_NE(SystemText::reason({number, *category}), std::strerror(number)) << number;

    test::TemporaryFolder folder;
    test::writeFile(folder / "anatomy.sqlite", std::string(256 << 10, 'x'));
    fs::create_directory(folder / "piccolo");
    const auto kept = keptOnAFullDisk(folder / "anatomy.sqlite", folder / "piccolo", folder / "esito");
    const fs::path file = "/dati/anatomy.sqlite";
    const std::pair<std::string, Matcher<const std::string&>> cases[] = {
        {SystemText::reason({ENOTSOCK, std::generic_category()}), std::strerror(ENOTSOCK)},
        {FileError("Impossibile creare il file", file, ENOSPC).what(),
            "Impossibile creare il file /dati/anatomy.sqlite: il disco è pieno"},
        {FailureText::of(
             fs::filesystem_error("mkdir", file, std::make_error_code(std::errc::permission_denied))),
            "Operazione non riuscita su /dati/anatomy.sqlite: permesso negato"},
        {FailureText::of(
             fs::filesystem_error("rename", file, "/b", std::make_error_code(std::errc::io_error))),
            "Operazione non riuscita su /dati/anatomy.sqlite e /b: errore di lettura o scrittura sul disco"},
        {kept,
            AnyOf(IsEmpty(), // nothing where no small file system could be made
                AllOf(StartsWith("Impossibile conservare il database danneggiato in "
                          + (folder / "piccolo/anatomy-danneggiato-").string()),
                    EndsWith(".sqlite: il disco è pieno")))},
    };
    for (const auto& [said, expected] : cases)
        EXPECT_THAT(said, expected);
    if (kept.empty())
        GTEST_SKIP() << "no file system of 64 KiB can be mounted here: the copy on a full disk is not tried";
}
