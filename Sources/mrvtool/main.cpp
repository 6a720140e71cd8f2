#include "AnatomyCore/Storage/Preferences.h"
#include "mrvtool/Tool.h"

int main(int argc, char** argv)
{
    // The tool keeps its own settings (its last used dataset is not the viewer's).
    morvena::Preferences::selectProgram(morvena::Preferences::Program::tool);
    return morvena::tool::run(std::vector<std::string>(argv + 1, argv + argc));
}
