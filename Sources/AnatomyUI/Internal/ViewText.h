#pragma once

#include "AnatomyUI/Look/Theme.h"

#include <QFont>
#include <QMargins>
#include <QString>

#include <string_view>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;
class QWidget;

namespace morvena {

class ElidedLabel;
class WrappingLabel;

// The labels and layouts the views build from: plain text, a text style or a fixed
// pixel font, and a foreground level of the shared look.
namespace ViewText {

// A column laid out in `widget`, which owns it; no margins unless given.
QVBoxLayout* column(QWidget* widget, int spacing, QMargins margins = {});
// A row without margins, owned by the layout it is added to.
QHBoxLayout* row(int spacing);
// The shared look's font of a text style.
QFont styled(Theme::TextStyle style);

// A label that wraps over as many lines as it needs, within its width.
WrappingLabel* wrapped(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent);
WrappingLabel* wrapped(const QString& text, Theme::TextStyle style, Theme::Foreground level, QWidget* parent);
// One line, elided at the label's width.
ElidedLabel* line(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent);
// The system font at a pixel size, weight and letter tracking.
QFont fixed(int pixelSize, QFont::Weight weight = QFont::Normal, qreal tracking = 0);
// A symbol of the shared look's registry as a label of `size` pixels.
QLabel* symbol(std::string_view name, int size, const QColor& color, QWidget* parent);
// A horizontal hairline.
QWidget* divider(QWidget* parent);
// Removes the rows of a list. A click on a row may be what replaces the list, so the
// rows go once the event that got here is over.
void clearRows(QVBoxLayout& rows);

} // namespace ViewText

} // namespace morvena
