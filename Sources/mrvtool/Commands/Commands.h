#pragma once

#include "mrvtool/Args.h"

namespace morvena::tool {

// One function per command word; each throws on failure and ExitRequest for
// statuses other than 0.
void importBodyParts3DCommand(const Args& args);
void importCommand(const Args& args);
void listCommand(const Args& args);
void infoCommand(const Args& args);
void searchCommand(const Args& args);
void structureCommand(const Args& args);
void verifyCommand(const Args& args);
void renderCommand(const Args& args);
void auditCommand(const Args& args);
void benchCommand(const Args& args);
void pickTestCommand(const Args& args);
void exportGLTFCommand(const Args& args);
void exportWebCommand(const Args& args);
void packDatasetCommand(const Args& args);
void fetchDatasetCommand(const Args& args);

} // namespace morvena::tool
