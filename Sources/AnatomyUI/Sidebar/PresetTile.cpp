#include "AnatomyUI/Sidebar/PresetTile.h"

#include "AnatomyUI/Look/GlassPanel.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"

#include <QPainter>
#include <QPainterPath>

namespace morvena {

namespace {

constexpr int tileHeight = 38;
constexpr qreal cornerRadius = 9;
constexpr int symbolSize = 12;
constexpr int labelSpacing = 3;
constexpr qreal labelSize = 8;
constexpr qreal smallestLabelSize = 6.4;

QString nameOf(SystemPreset preset)
{
    const auto name = italianName(preset);
    return QString::fromUtf8(name.data(), static_cast<int>(name.size()));
}

// The label's font: 8 px, shrunk down to 6.4 px for a name that does not fit.
QFont labelFont(const QString& text, int width)
{
    QFont font = SidebarLook::font(labelSize, QFont::Medium);
    for (qreal size = labelSize; size >= smallestLabelSize; size -= 0.4) {
        // Pixel sizes are whole: points carry the fractional steps (and clear the pixel size).
        font.setPointSizeF(size * 72.0 / 96.0);
        if (QFontMetricsF(font).horizontalAdvance(text) <= width)
            return font;
    }
    return font;
}

} // namespace

PresetTile::PresetTile(SystemPreset preset, QWidget* parent)
    : QAbstractButton(parent)
    , preset_(preset)
{
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QString::fromUtf8(rawValue(preset).data(), static_cast<int>(rawValue(preset).size())));
    setToolTip("Mostra: " + nameOf(preset));
    setAccessibleName(nameOf(preset));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

void PresetTile::setActive(bool active)
{
    if (active_ == active)
        return;
    active_ = active;
    update();
}

QSize PresetTile::sizeHint() const
{
    return {30, tileHeight};
}

QSize PresetTile::minimumSizeHint() const
{
    return {20, tileHeight};
}

void PresetTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(frame, cornerRadius, cornerRadius);
    QColor fill = active_ ? palette().color(QPalette::Highlight) : palette().color(QPalette::Window);
    if (!active_)
        fill.setAlphaF(GlassPanel::fillOpacity(GlassStyle::subtle));
    if (isDown())
        fill = fill.darker(115);
    painter.fillPath(shape, fill);
    QColor edge = Theme::foreground(palette(), Theme::Foreground::quaternary);
    painter.setPen(QPen(edge, 1));
    painter.drawPath(shape);

    const QColor foreground
        = active_ ? QColor(Qt::white) : Theme::foreground(palette(), Theme::Foreground::secondary);
    const QString name = nameOf(preset_);
    const int textWidth = std::max(0, width() - 4);
    const QFont font = labelFont(name, textWidth);
    const QFontMetricsF metrics(font);
    const qreal blockHeight = symbolSize + labelSpacing + metrics.height();
    const qreal top = (height() - blockHeight) / 2;
    IconRegistry::shared().paint(painter, QRectF((width() - symbolSize) / 2.0, top, symbolSize, symbolSize),
        symbolName(preset_), foreground);
    painter.setFont(font);
    painter.setPen(foreground);
    const QRectF textRect(2, top + symbolSize + labelSpacing, textWidth, metrics.height());
    painter.drawText(
        textRect, Qt::AlignHCenter | Qt::AlignVCenter, metrics.elidedText(name, Qt::ElideRight, textWidth));
}

} // namespace morvena
