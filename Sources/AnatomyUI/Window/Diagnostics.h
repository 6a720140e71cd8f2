#pragma once

#include "AnatomyRender/Math/Float2.h"
#include "AnatomyRender/RenderStats.h"

#include <QPointer>

#include <cstdint>
#include <optional>
#include <string>

namespace morvena {

class AppModel;

// The diagnostics line that ANATOMY_DIAG=1 asks for every two seconds, on standard
// error and appended to the file ANATOMY_DIAG_FILE names.
namespace Diagnostics {

constexpr int intervalMS = 2000;

// "DIAG frame=… fps=… ms=… triangoli=… draw=… strutture=… escluse=… drawable=W×H\n";
// a frame rate or drawable side that is not a finite number prints 0, and without a
// view the drawable reads "nessuna vista".
std::string line(std::int64_t framesRendered, const RenderStats& stats, std::optional<float2> drawable);
// The line of the model as it is now.
std::string line(const AppModel& model);
// Standard error, then the file of ANATOMY_DIAG_FILE when set; failures are dropped.
void write(const std::string& line);
// With ANATOMY_DIAG exactly "1": a timer of the application's that writes the model's
// line while the model lives. Each call starts one more timer.
void startIfRequested(QPointer<AppModel> model);

} // namespace Diagnostics

} // namespace morvena
