#include "mrvtool/Commands.h"
#include "mrvtool/Fail.h"

namespace morvena::tool {

void exportWebCommand(const Args&)
{
    throw Fail("il comando «export-web» non è ancora disponibile in questa versione di mrvtool.");
}

} // namespace morvena::tool
