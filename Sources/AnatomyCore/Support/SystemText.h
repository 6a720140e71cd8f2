#pragma once

#include <string>
#include <system_error>

namespace morvena {

// The system's reasons for a failed call as the user reads them.
namespace SystemText {

// Italian words, as a clause without a final stop: for the errors a user meets
// and can act on (permissions, a full or read-only disk, a missing or busy
// file, a name too long, too many open files, memory, locks and network file
// systems) a plain sentence; for the rare rest, an Italian clause with the
// error's number, never the system's English. A code of 0 says that the system
// gave no reason.
std::string reason(std::error_code code);
// The same for an errno value.
std::string reason(int errorNumber);

} // namespace SystemText

} // namespace morvena
