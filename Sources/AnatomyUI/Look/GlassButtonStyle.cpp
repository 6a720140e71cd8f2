#include "AnatomyUI/Look/GlassButtonStyle.h"

#include "AnatomyUI/Look/Brand.h"

#include <QAbstractButton>

namespace morvena {

namespace {

// The plain button's look; a disabled button of either kind takes it, with the
// palette's disabled text written out, since a style sheet's palette(...) gives the
// active colours whatever the button's state.
QString bordered(const QString& selector, const QString& text, const QString& padding)
{
    return QStringLiteral("%1 { background: palette(button); color: %2; border: 1px solid palette(mid);"
                          " border-radius: 6px; padding: %3; }")
        .arg(selector, text, padding);
}

} // namespace

void applyGlassButtonStyle(QAbstractButton& button, bool prominent, ControlSize size)
{
    const bool small = size == ControlSize::small;
    // Inside its 1 px border the bordered look pads 1 px less, so both kinds keep one size.
    const QString borderedPadding = small ? QStringLiteral("2px 7px") : QStringLiteral("3px 11px");
    const QString disabled = bordered(QStringLiteral("QAbstractButton:disabled"),
        button.palette().color(QPalette::Disabled, QPalette::ButtonText).name(QColor::HexArgb),
        borderedPadding);
    if (prominent) {
        button.setStyleSheet(QStringLiteral("QAbstractButton { background: %1; color: white; border: none;"
                                            " border-radius: 6px; padding: %3; }"
                                            "QAbstractButton:pressed { background: %2; }")
                                 .arg(Brand::accent().name(), Brand::accent().darker(115).name(),
                                     small ? QStringLiteral("3px 8px") : QStringLiteral("4px 12px"))
            + disabled);
    } else {
        button.setStyleSheet(bordered(QStringLiteral("QAbstractButton"),
                                 QStringLiteral("palette(button-text)"), borderedPadding)
            + QStringLiteral("QAbstractButton:pressed { background: palette(midlight); }") + disabled);
    }
}

} // namespace morvena
