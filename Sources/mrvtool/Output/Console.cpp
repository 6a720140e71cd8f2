#include "mrvtool/Output/Console.h"

#include "mrvtool/Output/TerminalText.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace morvena::tool::Console {

void print(std::string_view text)
{
    std::string line(text);
    line.push_back('\n');
    write(line);
}

void write(std::string_view text)
{
    const std::string shown = TerminalText::block(text);
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    std::fflush(stdout);
}

void writeError(std::string_view text)
{
    std::fflush(stdout);
    const std::string shown = TerminalText::block(text);
    const char* data = shown.data();
    std::size_t left = shown.size();
    while (left > 0) {
        auto written = ::write(STDERR_FILENO, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

} // namespace morvena::tool::Console
