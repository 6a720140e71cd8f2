#pragma once

#include "AnatomyCore/AnatomyDB.h"
#include "AnatomyCore/AnatomyRelation.h"
#include "AnatomyCore/AnatomySystem.h"
#include "AnatomyCore/BodyRegion.h"
#include "AnatomyCore/Float3.h"
#include "AnatomyCore/Laterality.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace morvena::test {

// A small installed dataset for tests that drive the programs: a real geometry
// pack of cubes, a real anatomy database and a manifest, written into
// <datasets folder>/<id>/ the way an import leaves them.
struct TestDataset {
    struct Structure {
        std::string conceptID;
        std::string nameEN;
        std::optional<std::string> nameIT;
        AnatomySystem system = AnatomySystem::skeletal;
        BodyRegion region = BodyRegion::thorax;
        Laterality side = Laterality::unpaired;
        Float3 center;
        float halfSize = 5; // millimetres
        bool hasMesh = true; // false: a database row without geometry
    };

    std::string id = "test-dataset";
    std::string displayName = "Dataset di prova";
    std::vector<Structure> structures;
    std::vector<AnatomyRelation> relations;
    // Part-of and is-a edges; every parent gets a concept row of its own.
    std::vector<AnatomyDB::TaxonomyEdge> taxonomy;
    bool writeManifest = true;
    // Structures the manifest declares, when it should differ from the pack.
    std::optional<std::int64_t> declaredStructureCount;

    // Structures of several systems with Italian names, relations and a part-of chain.
    static TestDataset sample();

    // Writes the three files into datasetsFolder / id, replacing earlier ones,
    // and returns that folder. Structures with geometry get pack indices in
    // the order they are listed.
    std::filesystem::path install(const std::filesystem::path& datasetsFolder) const;
};

} // namespace morvena::test
