#pragma once

#include <string>

namespace morvena {

// What an import reports while it runs.
struct ImportProgress {
    double fraction = 0; // 0 to 1; never goes down within one import
    std::string message; // Italian text of the current step, shown as it is

    bool operator==(const ImportProgress&) const = default;
};

} // namespace morvena
