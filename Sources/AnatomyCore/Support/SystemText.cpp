#include "AnatomyCore/Support/SystemText.h"

#include <array>
#include <cerrno>
#include <utility>

namespace morvena::SystemText {

namespace {

constexpr std::array<std::pair<int, const char*>, 28> italianReasons {{
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
    {ENOTEMPTY, "la cartella non è vuota"},
    {ENAMETOOLONG, "il nome del file o del percorso è troppo lungo"},
    {ELOOP, "troppi collegamenti simbolici nel percorso, forse un collegamento che rimanda a sé stesso"},
    {EMFILE, "troppi file aperti, descrittori di file di questo programma esauriti"},
    {ENFILE, "troppi file aperti nel sistema, descrittori di file del computer esauriti"},
    {ENOMEM, "memoria esaurita"},
    {EFBIG, "il file supera la dimensione massima che il disco o il sistema consentono"},
    {EXDEV, "origine e destinazione sono su dischi diversi"},
    {EBUSY, "il file o la cartella è in uso"},
    {ETXTBSY, "il file è in uso da un programma in esecuzione"},
    {ENOLCK, "il disco non concede blocchi sui file, come capita su un disco di rete"},
    {ESTALE,
        "il file sul disco di rete non è più valido, perché un altro computer lo ha sostituito o rimosso"},
    {ETIMEDOUT, "il disco di rete non risponde"},
    {EOPNOTSUPP, "operazione non supportata da questo disco"},
    {EAGAIN, "risorsa momentaneamente non disponibile"},
    {EINTR, "operazione interrotta"},
    {EINVAL, "operazione non valida per questo file o disco"},
    {0, "il sistema non ne indica la causa"},
}};

// The errno value that the code stands for; -1 where it stands for none. The
// system category holds errno values on POSIX, also those, such as EDQUOT,
// that it maps onto no generic condition.
int errorNumber(std::error_code code)
{
    if (code.category() == std::system_category() || !code)
        return code.value();
    const auto condition = code.default_error_condition();
    return condition.category() == std::generic_category() ? condition.value() : -1;
}

// The system's own words for a code outside the table are English.
std::string numbered(int value)
{
    return "errore del sistema numero " + std::to_string(value);
}

} // namespace

std::string reason(std::error_code code)
{
    const int number = errorNumber(code);
    return number < 0 ? numbered(code.value()) : reason(number);
}

std::string reason(int errorNumber)
{
    for (const auto& [known, text] : italianReasons)
        if (errorNumber == known)
            return text;
    return numbered(errorNumber);
}

} // namespace morvena::SystemText
