#include "mrvtool/Commands.h"
#include "mrvtool/Fail.h"

namespace morvena::tool {

void fetchDatasetCommand(const Args&)
{
    throw Fail("il comando «fetch-dataset» non è ancora disponibile in questa versione di mrvtool.");
}

} // namespace morvena::tool
