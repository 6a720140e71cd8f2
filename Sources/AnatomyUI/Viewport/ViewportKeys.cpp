#include "AnatomyUI/Viewport/ViewportKeys.h"

#include <QChar>
#include <QString>

namespace morvena::ViewportKeys {

namespace {

constexpr int firstLatin1 = 0x20;
constexpr int lastLatin1 = 0xFF;

} // namespace

std::optional<std::string> text(int key)
{
    if (key == Qt::Key_Escape)
        return std::string("\x1b");
    if (key < firstLatin1 || key > lastLatin1)
        return std::nullopt;
    // Qt names letters by their capitals (Key_A is 'A', Key_Agrave is 'À').
    auto lower = QString(QChar(static_cast<char16_t>(key))).toLower().toStdString();
    return lower;
}

} // namespace morvena::ViewportKeys
