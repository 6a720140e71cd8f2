#include "AnatomyUI/Look/Theme.h"

#include "AnatomyUI/Look/Brand.h"

#include <QApplication>
#include <QStyleFactory>
#include <QWidget>

namespace morvena::Theme {

namespace {

constexpr const char* textFamily = "Inter";
constexpr const char* monoFamily = "DejaVu Sans Mono";

struct StyleMetrics {
    int pixelSize;
    bool bold;
};

// The desktop's point sizes of the text styles, drawn as pixels.
StyleMetrics metrics(TextStyle style)
{
    switch (style) {
    case TextStyle::body:
        return {13, false};
    case TextStyle::callout:
        return {12, false};
    case TextStyle::headline:
        return {13, true};
    case TextStyle::subheadline:
        return {11, false};
    case TextStyle::caption:
    case TextStyle::caption2:
        return {10, false};
    case TextStyle::title3:
        return {15, false};
    case TextStyle::title2:
        return {17, false};
    }
    return {13, false};
}

QFont fontOf(const char* family, TextStyle style)
{
    auto [pixelSize, bold] = metrics(style);
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

struct Colors {
    QColor window, base, alternateBase, text, button, mid, dark, light;
};

QPalette paletteOf(const Colors& colors)
{
    QPalette palette;
    palette.setColor(QPalette::Window, colors.window);
    palette.setColor(QPalette::WindowText, colors.text);
    palette.setColor(QPalette::Base, colors.base);
    palette.setColor(QPalette::AlternateBase, colors.alternateBase);
    palette.setColor(QPalette::Text, colors.text);
    palette.setColor(QPalette::Button, colors.button);
    palette.setColor(QPalette::ButtonText, colors.text);
    palette.setColor(QPalette::ToolTipBase, colors.base);
    palette.setColor(QPalette::ToolTipText, colors.text);
    palette.setColor(QPalette::PlaceholderText, foreground(palette, Foreground::tertiary));
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Light, colors.light);
    palette.setColor(QPalette::Midlight, colors.light);
    palette.setColor(QPalette::Mid, colors.mid);
    palette.setColor(QPalette::Dark, colors.dark);
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, Brand::accent());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, Brand::accent());
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, foreground(palette, Foreground::tertiary));
    return palette;
}

} // namespace

Appearance appearanceOf(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128 ? Appearance::dark : Appearance::light;
}

void apply(QApplication& application, Appearance appearance)
{
    application.setStyle(QStyleFactory::create("Fusion"));
    application.setPalette(palette(appearance));
    application.setFont(font(TextStyle::body));
}

QPalette palette(Appearance appearance)
{
    if (appearance == Appearance::light)
        return paletteOf(
            {QColor(236, 236, 236), QColor(255, 255, 255), QColor(244, 245, 245), QColor(29, 29, 31),
                QColor(246, 246, 246), QColor(196, 196, 196), QColor(160, 160, 160), QColor(255, 255, 255)});
    return paletteOf({QColor(30, 30, 32), QColor(40, 40, 42), QColor(46, 46, 48), QColor(236, 236, 238),
        QColor(58, 58, 60), QColor(72, 72, 74), QColor(20, 20, 20), QColor(90, 90, 92)});
}

QFont font(TextStyle style)
{
    return fontOf(textFamily, style);
}

QFont mono(TextStyle style)
{
    return fontOf(monoFamily, style);
}

QFont monoDigits()
{
    static const QFont font = mono(TextStyle::caption);
    return font;
}

QColor foreground(const QPalette& palette, Foreground level)
{
    static constexpr float alphas[] = {0.85f, 0.5f, 0.26f, 0.1f};
    QColor color = palette.color(QPalette::Active, QPalette::Text);
    color.setAlphaF(alphas[static_cast<int>(level)]);
    return color;
}

void setTextColor(QWidget& widget, const QColor& color)
{
    QPalette palette = widget.palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, color);
    widget.setPalette(palette);
}

void setForeground(QWidget& widget, Foreground level)
{
    setTextColor(widget, foreground(widget.palette(), level));
}

QColor color(AnatomySystem system)
{
    auto base = baseColor(system);
    return QColor::fromRgbF(base.red, base.green, base.blue, 1);
}

} // namespace morvena::Theme
