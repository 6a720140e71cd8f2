#pragma once

#include <cstddef>
#include <string_view>

namespace morvena {

// How deep the arrays and objects of a JSON text nest, measured on its bytes
// before any parser sees it: copying, printing and decoding a parsed tree
// recurse once per level, so a small file nested thousands deep would overflow
// the stack of whoever touches it.
namespace JSONNesting {

// Our own small documents (settings, manifests, catalogs, view states) never
// come near this.
inline constexpr std::size_t documentLimit = 64;
// The glTF structure itself needs six to eight levels; the rest is room for
// the free-form "extras" and extensions of authoring tools.
inline constexpr std::size_t glTFLimit = 512;

// Whether some array or object of the text lies more than `limit` levels
// deep. Brackets inside strings do not count; text that is not JSON at all is
// measured just the same, and left to the parser to refuse.
bool exceeds(std::string_view text, std::size_t limit);

} // namespace JSONNesting

} // namespace morvena
