#pragma once

#include "AnatomyCore/Model/AnatomyRelation.h"
#include "AnatomyCore/Model/AnatomyStructure.h"
#include "AnatomyCore/Model/Laterality.h"

#include <optional>
#include <string>
#include <vector>

namespace morvena {

// One row of a curated table: the Italian and Latin names and card texts that
// replace what a dataset gives for one structure.
struct CuratedEntry {
    std::string key; // a concept ID or an English structure name, trimmed
    std::optional<std::string> nameIT;
    std::optional<std::string> nameLA;
    std::vector<std::string> synonyms;
    std::optional<std::string> descriptionText;
    std::optional<std::string> function;
    std::optional<std::string> origin;
    std::optional<std::string> insertion;
    std::optional<std::string> innervation;
    std::optional<std::string> bloodSupply;
    std::optional<std::string> clinical;
    std::optional<std::string> lateralSuffix; // never set by the loaders

    // Curated tables carry no relations.
    std::vector<AnatomyRelation> relations() const { return {}; }

    // A copy whose Italian name ends in the side, agreeing with the name's first
    // word: "arteria femorale sinistra", "muscolo bicipite destro".
    CuratedEntry applying(Laterality side) const;

    // Overwrites the structure's fields that the entry has, the Italian name with
    // the structure's side, and marks its content curated.
    void apply(AnatomyStructure& structure) const;

    bool operator==(const CuratedEntry&) const = default;
};

} // namespace morvena
