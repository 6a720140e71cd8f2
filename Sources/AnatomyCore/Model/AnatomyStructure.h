#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyCore/Model/FieldSource.h"
#include "AnatomyCore/Model/Laterality.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morvena {

// One anatomical structure with its names, classification and card texts.
// Fields keep their declaration order; aggregate initialisation with designated
// initialisers stands in for the labelled constructor.
struct AnatomyStructure {
    std::string conceptID;
    std::optional<std::int64_t> meshIndex; // structure index in the geometry pack
    std::string nameEN;
    std::optional<std::string> nameLA;
    std::optional<std::string> nameIT;
    std::vector<std::string> synonyms;
    AnatomySystem system = AnatomySystem::unclassified;
    BodyRegion region = BodyRegion::unknown;
    Laterality laterality = Laterality::unpaired;
    std::optional<std::string> descriptionText;
    std::optional<std::string> function;
    std::optional<std::string> origin;
    std::optional<std::string> insertion;
    std::optional<std::string> innervation;
    std::optional<std::string> bloodSupply;
    std::optional<std::string> clinicalNotes;
    FieldSource contentSource = FieldSource::dataset;
    std::string datasetName;

    const std::string& id() const { return conceptID; }
    // The Italian name when present (even when empty), else the English one.
    const std::string& displayName() const { return nameIT ? *nameIT : nameEN; }
    // True when any card text is present; clinical notes alone do not count.
    bool hasExtendedCard() const;

    bool operator==(const AnatomyStructure&) const = default;
};

} // namespace morvena
