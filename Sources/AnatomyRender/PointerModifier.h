#pragma once

namespace morvena {

// The selection mode of a click: replace the selection, add to it, or remove from it.
enum class PointerModifier { none, additive, subtractive };

} // namespace morvena
