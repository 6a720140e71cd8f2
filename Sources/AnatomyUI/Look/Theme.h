#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"

#include <QColor>
#include <QFont>
#include <QPalette>

class QApplication;
class QWidget;

namespace morvena {

// The viewer's one look: Fusion with a light or a dark palette, Inter for text and
// DejaVu Sans Mono for numbers, the text styles as pixel sizes, four levels of
// foreground and one colour per anatomical system.
namespace Theme {

enum class Appearance { light, dark };

enum class TextStyle { body, callout, headline, subheadline, caption, caption2, title3, title2 };

// The text colour at decreasing strength: labels, secondary texts, hints, hairlines.
enum class Foreground { primary, secondary, tertiary, quaternary };

// Light unless the palette's window colour is dark.
Appearance appearanceOf(const QPalette& palette);
// Fusion, the palette of the appearance and the body font, for the whole application.
void apply(QApplication& application, Appearance appearance);
QPalette palette(Appearance appearance);

QFont font(TextStyle style);
// The style's size in the monospaced family.
QFont mono(TextStyle style);
// Numbers in tables and counters: the caption size, monospaced.
QFont monoDigits();

QColor foreground(const QPalette& palette, Foreground level);
// Paints the widget's text and lines in the colour, whichever text role its container's
// background makes it paint with: a widget on a Base background paints with Text, one
// on a Button background with ButtonText, any other with WindowText.
void setTextColor(QWidget& widget, const QColor& color);
// The same at a level, taken from the widget's own palette.
void setForeground(QWidget& widget, Foreground level);
// The system's base colour, opaque.
QColor color(AnatomySystem system);

} // namespace Theme

} // namespace morvena
