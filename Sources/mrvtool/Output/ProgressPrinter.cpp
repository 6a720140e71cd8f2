#include "mrvtool/Output/ProgressPrinter.h"

#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/ImportProgress.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/TerminalText.h"

namespace morvena::tool {

namespace {
constexpr std::size_t lineWidth = 70;
}

std::string ProgressPrinter::render(double fraction, const std::string& message)
{
    int percent = static_cast<int>(fraction * 100);
    // The message names the files being read, which come from outside.
    std::string line = format("[%3d%%] ", percent) + TerminalText::field(message);
    if (line == lastLine_)
        return {};
    lastLine_ = line;
    auto length = UnicodeText::characterCount(line);
    return "\r" + line + std::string(length < lineWidth ? lineWidth - length : 0, ' ');
}

void ProgressPrinter::operator()(const ImportProgress& progress)
{
    auto text = render(progress.fraction, progress.message);
    if (!text.empty())
        Console::writeError(text);
}

} // namespace morvena::tool
