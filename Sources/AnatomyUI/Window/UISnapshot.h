#pragma once

#include <QRect>
#include <QSize>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace morvena {

// One picture of the window and quit: "--ui-snapshot" shows the window root at a
// chosen size and appearance, lets the model load and draw, writes the window's
// pixels to a PNG and reports on standard output.
namespace UISnapshot {

struct Options {
    std::filesystem::path output = "ui-snapshot.png";
    QSize size {1440, 900};
    std::optional<std::string> select;
    std::string appearance = "dark";
    double delaySeconds = 3.0;
};

// The longest wait and the largest window side that are accepted.
constexpr double maximumDelaySeconds = 86400;
constexpr int maximumSide = 16384;

// Any argument exactly "--ui-snapshot", the program's own path included.
bool isRequested(const std::vector<std::string>& arguments);
// The options after the program path; a value that does not read, or lies outside its
// range, keeps the default.
Options parse(const std::vector<std::string>& arguments);

// Parses, stores the selection for the model's launch and runs. Returns the exit status.
int runFromCommandLine(const std::vector<std::string>& arguments);
// Shows, waits, captures, writes and reports; the QApplication must exist. Returns 0
// after a written picture, 1 otherwise. No settings are written.
int run(const Options& options);

// The report lines of the visible widgets below `root` that stick out of `allowed`
// (in root's coordinates), in depth-first order; those in scroll areas never count.
std::vector<std::string> overflowingViews(const QWidget& root, const QRectF& allowed);
// "(x.0, y.0, w.0, h.0)".
std::string rectText(const QRect& rect);
// The renderer line of the report, before the selection line.
std::string rendererLine(
    long long frames, double fps, double frameTimeMS, int drawCalls, int triangles, int visibleStructures);

} // namespace UISnapshot

} // namespace morvena
