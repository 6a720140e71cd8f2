#pragma once

#include "AnatomyUI/Look/Theme.h"

#include <QColor>

#include <string_view>

class QLabel;
class QProgressBar;
class QWidget;

namespace morvena {

class FilledBox;
class WrappingLabel;

// The setup screen's small shared pieces: its symbols, progress bars and error box.
namespace SetupLook {

// A symbol of the icon registry sized to sit beside text of `style`.
QLabel* symbol(std::string_view name, Theme::TextStyle style, const QColor& color, QWidget* parent);
// A thin bar without text over the setup screen's progress steps.
QProgressBar* progressBar(QWidget* parent);
// A fraction of the work, clamped to 0…1, on the bars' scale.
int barValue(double fraction);
// The orange box of a failed phase; `message` receives the label that takes its text.
FilledBox* errorBox(WrappingLabel*& message, QWidget* parent);

} // namespace SetupLook

} // namespace morvena
