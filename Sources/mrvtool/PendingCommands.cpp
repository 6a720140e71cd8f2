// Commands whose machinery is not part of this build yet.
#include "mrvtool/Commands.h"
#include "mrvtool/Fail.h"

namespace morvena::tool {

namespace {
[[noreturn]] void notAvailable(const char* word)
{
    throw Fail(std::string("il comando «") + word + "» non è ancora disponibile in questa versione di mrvtool.");
}
} // namespace

void exportWebCommand(const Args&) { notAvailable("export-web"); }
void packDatasetCommand(const Args&) { notAvailable("pack-dataset"); }
void fetchDatasetCommand(const Args&) { notAvailable("fetch-dataset"); }

} // namespace morvena::tool
