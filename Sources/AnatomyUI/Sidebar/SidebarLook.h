#pragma once

#include "AnatomyUI/Look/Theme.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <string_view>

class QLabel;
class QListView;
class QPainter;
class QPushButton;
class QRectF;
class QScrollArea;
class QWidget;

namespace morvena {

class ElidedLabel;

// The sidebar's fonts, labels and small painted marks.
namespace SidebarLook {

// The application font at a pixel size and weight.
QFont font(qreal pixelSize, QFont::Weight weight = QFont::Normal);
// Monospaced numbers at a pixel size.
QFont monoFont(qreal pixelSize);
QColor foreground(const QWidget& widget, Theme::Foreground level);
QColor accent(const QWidget& widget);
// A plain-text label on one line, elided at its width.
ElidedLabel* line(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent);
// A plain-text label that wraps.
QLabel* wrapped(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent);
void setForeground(QWidget& widget, const QColor& color);
// A symbol of the icon registry as a label of `size` pixels in a box of `box` pixels.
QLabel* symbol(std::string_view name, int size, int box, const QColor& color, QWidget* parent);
QWidget* divider(QWidget* parent);
// A scrolling area without frame or background around a widget of plain controls.
QScrollArea* scrolling(QWidget* content, QWidget* parent);
// A list of rows its delegate paints in full, over the sidebar's glass.
QListView* listView(const char* name, QWidget* parent);
// A flat link-like button in the accent colour, in a caption font.
QPushButton* textButton(const QString& title, QWidget* parent);
// A filled circle.
void paintDot(QPainter& painter, const QRectF& rect, const QColor& color);

} // namespace SidebarLook

} // namespace morvena
