#pragma once

#include <string>

namespace morvena {
struct ImportProgress;
}

namespace morvena::tool {

// Shows import progress as one line on standard error that each report
// overwrites ("\r[ 42%] message", padded to 70 characters).
class ProgressPrinter {
public:
    void operator()(const ImportProgress& progress);
    // The text written for one report; empty when it repeats the last line.
    std::string render(double fraction, const std::string& message);

private:
    std::string lastLine_;
};

} // namespace morvena::tool
