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
    // Each code with the words that name its cause; a resource names the resource.
    const std::pair<int, std::string> reasons[] = {
        {EACCES, "permesso negato"},
        {EPERM, "operazione non permessa"},
        {ENOSPC, "il disco è pieno"},
        {EDQUOT, "quota di spazio su disco"},
        {EROFS, "sola lettura"},
        {EIO, "errore di lettura o scrittura"},
        {ENOENT, "non esiste"},
        {EEXIST, "esiste già"},
        {ENOTDIR, "non è una cartella"},
        {EISDIR, "è una cartella"},
        {ENAMETOOLONG, "nome del file o del percorso è troppo lungo"},
        {ELOOP, "troppi collegamenti simbolici"},
        {EMFILE, "troppi file aperti, descrittori di file di questo programma esauriti"},
        {ENFILE, "troppi file aperti nel sistema, descrittori di file del computer esauriti"},
        {ENOMEM, "memoria esaurita"},
        {ENOLCK, "il disco non concede blocchi sui file"},
        {ESTALE, "il file sul disco di rete non è più valido"},
        {ENOTEMPTY, "la cartella non è vuota"},
        {EFBIG, "supera la dimensione massima"},
        {EINVAL, "operazione non valida"},
        {EXDEV, "dischi diversi"},
        {EBUSY, "in uso"},
        {0, "il sistema non ne indica la causa"},
        {ENOTSOCK, "errore del sistema numero " + std::to_string(ENOTSOCK)},
        {EHOSTDOWN, "errore del sistema numero " + std::to_string(EHOSTDOWN)},
    };
    for (const auto& [number, words] : reasons)
        for (const auto* category : {&std::generic_category(), &std::system_category()}) {
            const auto said = SystemText::reason({number, *category});
            EXPECT_THAT(said, HasSubstr(words)) << number;
            EXPECT_THAT(said, Not(HasSubstr(std::strerror(number)))) << number;
        }
    EXPECT_EQ(SystemText::reason(ENOLCK), SystemText::reason({ENOLCK, std::generic_category()}));

    test::TemporaryFolder folder;
    test::writeFile(folder / "anatomy.sqlite", std::string(256 << 10, 'x'));
    fs::create_directory(folder / "piccolo");
    const auto kept = keptOnAFullDisk(folder / "anatomy.sqlite", folder / "piccolo", folder / "esito");
    const fs::path file = "/dati/anatomy.sqlite";
    const std::pair<std::string, Matcher<const std::string&>> cases[] = {
        {FileError("Impossibile creare il file", file, ENOSPC).what(),
            "Impossibile creare il file /dati/anatomy.sqlite: il disco è pieno"},
        {FailureText::of(
             fs::filesystem_error("mkdir", file, std::make_error_code(std::errc::permission_denied))),
            "Operazione non riuscita su /dati/anatomy.sqlite: permesso negato"},
        {FailureText::of(
             fs::filesystem_error("rename", file, "/b", std::make_error_code(std::errc::io_error))),
            "Operazione non riuscita su /dati/anatomy.sqlite e /b: errore di lettura o scrittura sul disco"},
        {FailureText::of(std::system_error(EAGAIN, std::generic_category(), "thread")),
            "Operazione di sistema non riuscita: risorsa momentaneamente non disponibile"},
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
