#include "AnatomyUI/Look/GlassButtonStyle.h"

#include "AnatomyUI/Look/Brand.h"

#include <QAbstractButton>

namespace morvena {

void applyGlassButtonStyle(QAbstractButton& button, bool prominent, ControlSize size)
{
    const bool small = size == ControlSize::small;
    const QString accent = Brand::accent().name();
    if (prominent) {
        button.setStyleSheet(QStringLiteral("QAbstractButton { background: %1; color: white; border: none;"
                                            " border-radius: 6px; padding: %3; }"
                                            "QAbstractButton:pressed { background: %2; }"
                                            "QAbstractButton:disabled { background: palette(mid); }")
                                 .arg(accent, Brand::accent().darker(115).name(),
                                     small ? QStringLiteral("3px 8px") : QStringLiteral("4px 12px")));
    } else {
        button.setStyleSheet(
            QStringLiteral("QAbstractButton { background: palette(button); color: palette(button-text);"
                           " border: 1px solid palette(mid); border-radius: 6px; padding: %1; }"
                           "QAbstractButton:pressed { background: palette(midlight); }")
                .arg(small ? QStringLiteral("2px 7px") : QStringLiteral("3px 11px")));
    }
}

} // namespace morvena
