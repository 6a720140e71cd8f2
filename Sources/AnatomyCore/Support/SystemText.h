#pragma once

#include <string>
#include <system_error>

namespace morvena {

// The system's reasons for a failed call as the user reads them.
namespace SystemText {

// Italian words, as a clause without a final stop, for the errors a user meets
// and can act on (permissions, a full or read-only disk, a missing or busy
// file); the system's own text for the rare rest.
std::string reason(std::error_code code);

} // namespace SystemText

} // namespace morvena
