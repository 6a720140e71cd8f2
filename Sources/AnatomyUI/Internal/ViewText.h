#pragma once

#include "AnatomyUI/Look/Theme.h"

#include <QFont>
#include <QString>

#include <string_view>

class QLabel;
class QWidget;

namespace morvena {

class ElidedLabel;
class WrappingLabel;

// The labels of the setup screen and the inspector: plain text, a text style or a
// fixed pixel font, and a foreground level of the shared look.
namespace ViewText {

// A label that wraps over as many lines as it needs, within its width.
WrappingLabel* wrapped(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent);
// One line, elided at the label's width.
ElidedLabel* line(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent);
// The system font at a pixel size, weight and letter tracking.
QFont fixed(int pixelSize, QFont::Weight weight = QFont::Normal, qreal tracking = 0);
// A symbol of the shared look's registry as a label of `size` pixels.
QLabel* symbol(std::string_view name, int size, const QColor& color, QWidget* parent);
// A horizontal hairline.
QWidget* divider(QWidget* parent);

} // namespace ViewText

} // namespace morvena
