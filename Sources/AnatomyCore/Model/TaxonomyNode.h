#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"

#include <cstdint>
#include <optional>
#include <string>

namespace morvena {

// One concept of the part-of or is-a hierarchy.
struct TaxonomyNode {
    std::string id;
    std::string name; // English name
    std::optional<std::string> nameIT;
    bool hasMesh = false;
    std::int64_t meshDescendants = 0;
    AnatomySystem system = AnatomySystem::unclassified;

    const std::string& displayName() const { return nameIT ? *nameIT : name; }

    bool operator==(const TaxonomyNode&) const = default;
};

} // namespace morvena
