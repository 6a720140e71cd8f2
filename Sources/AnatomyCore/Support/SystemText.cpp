#include "AnatomyCore/Support/SystemText.h"

#include <array>
#include <cerrno>
#include <utility>

namespace morvena::SystemText {

namespace {

constexpr std::array<std::pair<int, const char*>, 15> italianReasons {{
    {EACCES, "permesso negato"},
    {EPERM, "operazione non permessa"},
    {ENOSPC, "il disco è pieno"},
    {EDQUOT, "la quota di spazio su disco è esaurita"},
    {EROFS, "il disco è in sola lettura"},
    {EIO, "errore di lettura o scrittura sul disco"},
    {ENOENT, "il file o la cartella non esiste"},
    {EEXIST, "esiste già un file con questo nome"},
    {ENOTDIR, "un elemento del percorso non è una cartella"},
    {EISDIR, "è una cartella"},
    {ENAMETOOLONG, "il nome è troppo lungo"},
    {ELOOP, "troppi collegamenti simbolici nel percorso"},
    {EMFILE, "troppi file aperti"},
    {EXDEV, "origine e destinazione sono su dischi diversi"},
    {EBUSY, "il file o la cartella è in uso"},
}};

// The errno value that the code stands for; 0 where it stands for none. The
// system category holds errno values on POSIX, also those, such as EDQUOT,
// that it maps onto no generic condition.
int errorNumber(std::error_code code)
{
    if (code.category() == std::system_category())
        return code.value();
    const auto condition = code.default_error_condition();
    return condition.category() == std::generic_category() ? condition.value() : 0;
}

} // namespace

std::string reason(std::error_code code)
{
    const int number = errorNumber(code);
    for (const auto& [known, text] : italianReasons)
        if (number == known)
            return text;
    return code.message();
}

} // namespace morvena::SystemText
