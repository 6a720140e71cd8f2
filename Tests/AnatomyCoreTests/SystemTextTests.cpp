#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Support/FailureText.h"
#include "AnatomyCore/Support/FileError.h"
#include "AnatomyCore/Support/SystemText.h"
#include "TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

using namespace morvena;
namespace fs = std::filesystem;
using namespace ::testing;

namespace {

constexpr const char* noSmallDisk = "-";

bool writeText(const char* file, const std::string& text)
{
    std::ofstream stream(file);
    stream << text;
    stream.close();
    return static_cast<bool>(stream);
}

// What keep() says of `database` kept in `folder` made a file system of 64 KiB
// in a child process's own user and mount namespaces; noSmallDisk where the
// system lets no process make them.
std::string keptOnAFullDisk(const fs::path& database, const fs::path& folder)
{
    int channel[2];
    const auto mapping = [](auto id) { return "0 " + std::to_string(id) + " 1"; };
    const std::string users = mapping(::getuid()), groups = mapping(::getgid());
    if (::pipe(channel) != 0)
        return noSmallDisk;
    if (::fork() == 0) {
        std::string said = noSmallDisk;
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && writeText("/proc/self/setgroups", "deny")
            && writeText("/proc/self/uid_map", users) && writeText("/proc/self/gid_map", groups)
            && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            && ::mount("none", folder.c_str(), "tmpfs", 0, "size=64k") == 0) {
            try {
                DamagedDatabase::keep(database, folder, {});
                said = "conservato";
            } catch (const FileError& error) {
                said = error.what();
            }
            if (!fs::is_empty(folder))
                said += " (la copia interrotta è rimasta)";
        }
        (void)!::write(channel[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string said;
    char buffer[512];
    for (ssize_t count; (count = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(count));
    ::close(channel[0]);
    ::wait(nullptr);
    return said;
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
    const std::string kept = keptOnAFullDisk(folder / "anatomy.sqlite", folder / "piccolo");
    const Matcher<const std::string&> keptOnAFullDiskText
        = AllOf(StartsWith("Impossibile conservare il database danneggiato in "
                    + (folder / "piccolo/anatomy-danneggiato-").string()),
            EndsWith(".sqlite: il disco è pieno"));
    const fs::path file = "/dati/anatomy.sqlite";
    const auto denied = std::make_error_code(std::errc::permission_denied);
    const std::pair<std::string, Matcher<const std::string&>> cases[] = {
        {SystemText::reason({ENOTSOCK, std::generic_category()}), std::strerror(ENOTSOCK)},
        {FileError("Impossibile creare il file", file, ENOSPC).what(),
            "Impossibile creare il file /dati/anatomy.sqlite: il disco è pieno"},
        {FailureText::of(fs::filesystem_error("cannot create directories", file, denied)),
            "Operazione non riuscita su /dati/anatomy.sqlite: permesso negato"},
        {FailureText::of(fs::filesystem_error(
             "rename", file, "/altro", std::make_error_code(std::errc::cross_device_link))),
            "Operazione non riuscita su /dati/anatomy.sqlite e /altro: origine e destinazione sono su dischi "
            "diversi"},
        {FailureText::of(fs::filesystem_error("space", denied)),
            "Operazione sul disco non riuscita: permesso negato"},
        {kept, kept == noSmallDisk ? _ : keptOnAFullDiskText},
    };
    for (const auto& [said, expected] : cases)
        EXPECT_THAT(said, expected);
    if (kept == noSmallDisk)
        GTEST_SKIP() << "no file system of 64 KiB can be mounted here: the copy on a full disk is not tried";
}
