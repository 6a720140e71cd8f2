#pragma once

namespace morvena {

// The visual style of a glass surface.
enum class GlassStyle { floating, control, accent, subtle };

} // namespace morvena
