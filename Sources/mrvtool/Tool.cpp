#include "mrvtool/Tool.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Support/FailureText.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Usage.h"

#include <array>
#include <exception>
#include <string_view>

namespace morvena::tool {

namespace {

struct Command {
    std::string_view word;
    void (*body)(const Args&);
};

// Matched in this order, exactly and case-sensitively.
constexpr std::array<Command, 15> commands {{
    {"import-bodyparts3d", importBodyParts3DCommand},
    {"import", importCommand},
    {"list", listCommand},
    {"info", infoCommand},
    {"search", searchCommand},
    {"structure", structureCommand},
    {"verify", verifyCommand},
    {"render", renderCommand},
    {"audit", auditCommand},
    {"bench", benchCommand},
    {"pick-test", pickTestCommand},
    {"export-gltf", exportGLTFCommand},
    {"export-web", exportWebCommand},
    {"pack-dataset", packDatasetCommand},
    {"fetch-dataset", fetchDatasetCommand},
}};

void dispatch(const std::vector<std::string>& words)
{
    if (words.empty())
        usage();
    Args args(std::vector<std::string>(words.begin() + 1, words.end()));
    AppPaths::ensureDirectories();
    for (const auto& command : commands) {
        if (command.word == words.front()) {
            command.body(args);
            return;
        }
    }
    usage();
}

} // namespace

int run(const std::vector<std::string>& words)
{
    try {
        dispatch(words);
        return 0;
    } catch (const ExitRequest& exit) {
        return exit.status;
    } catch (const std::exception& error) {
        Console::writeError("\nErrore: " + FailureText::of(error) + "\n");
        return 1;
    }
}

} // namespace morvena::tool
