#pragma once

#include <optional>
#include <string>

namespace morvena {

// The text a key press gives the viewport's key callback, from the key alone, so that
// Ctrl (control characters), Shift (capitals) and AltGr (other symbols) never change it.
namespace ViewportKeys {

// Qt::Key_A…Key_Z give "a"…"z", other codes 0x20…0xFF their Latin-1 character
// lower-cased (UTF-8), Key_Escape "\x1b"; any other key none.
std::optional<std::string> text(int key);

} // namespace ViewportKeys

} // namespace morvena
