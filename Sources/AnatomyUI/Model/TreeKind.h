#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace morvena {

// The two hierarchies the sidebar's tree can show; the raw value is the taxonomy
// kind the database's tree queries take.
enum class TreeKind { partOf, isA };

std::span<const TreeKind> allTreeKinds();
std::string_view rawValue(TreeKind kind);
// Exactly "partOf" or "isA"; any other text, other letter case included, gives none.
std::optional<TreeKind> treeKind(std::string_view rawValue);
std::string_view italianName(TreeKind kind);

} // namespace morvena
