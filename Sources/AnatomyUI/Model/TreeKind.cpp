#include "AnatomyUI/Model/TreeKind.h"

#include <array>

namespace morvena {

namespace {

constexpr std::array<TreeKind, 2> kinds {TreeKind::partOf, TreeKind::isA};

} // namespace

std::span<const TreeKind> allTreeKinds()
{
    return kinds;
}

std::string_view rawValue(TreeKind kind)
{
    return kind == TreeKind::isA ? "isA" : "partOf";
}

std::optional<TreeKind> treeKind(std::string_view rawValue)
{
    for (auto kind : kinds)
        if (morvena::rawValue(kind) == rawValue)
            return kind;
    return std::nullopt;
}

std::string_view italianName(TreeKind kind)
{
    return kind == TreeKind::isA ? "Per tipo" : "Anatomico";
}

} // namespace morvena
