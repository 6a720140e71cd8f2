#pragma once

#include "DatabaseFiles.h"
#include "GLModel.h"

#include "AnatomyCore/Database/AnatomyDB.h"

#include <filesystem>
#include <span>
#include <string>
#include <vector>

// The sidebar's dataset, shared by its tests and its benchmark.
namespace morvena::test {

inline constexpr const char* sidebarDatasetID = "barre";
inline constexpr int manyChildren = 3000;

inline TestDataset sidebarDataset()
{
    auto dataset = boxDataset(sidebarDatasetID,
        {{"FMA1", AnatomySystem::skeletal}, {"FMA2", AnatomySystem::skeletal},
            {"FMA3", AnatomySystem::muscular}, {"FMA4", AnatomySystem::cardiac}});
    return dataset;
}

// Names for the search, a part-of hierarchy (body > limb > the two femurs, and a
// node with thousands of children) and an is-a one.
inline void writeSidebarRows(const std::filesystem::path& database, bool withTaxonomy)
{
    AnatomyDB db(database, AnatomyDB::OpenMode::readWriteExisting);
    auto femur = *db.structure("FMA1");
    femur.nameEN = "Left femur";
    femur.nameIT = "Femore sinistro";
    auto right = *db.structure("FMA2");
    right.nameEN = "Right femur";
    right.nameIT.reset();
    const AnatomyStructure rows[] = {femur, right};
    std::vector<TaxonomyNode> nodes {
        {"FMA1", "Left femur", "Femore sinistro", true, 0, AnatomySystem::skeletal},
        {"FMA2", "Right femur", std::nullopt, true, 0, AnatomySystem::skeletal},
        {"BODY", "Body", "Corpo", false, 2 + manyChildren, AnatomySystem::unclassified},
        {"LIMB", "Limb", "Arto", false, 2, AnatomySystem::skeletal},
        {"MANY", "Many", "Molti", false, manyChildren, AnatomySystem::muscular},
        {"BONE", "Bone", "Osso", false, 2, AnatomySystem::skeletal}};
    std::vector<AnatomyDB::TaxonomyEdge> edges {{"BODY", "LIMB", "partOf"}, {"LIMB", "FMA1", "partOf"},
        {"LIMB", "FMA2", "partOf"}, {"BODY", "MANY", "partOf"}, {"BONE", "FMA1", "isA"},
        {"BONE", "FMA2", "isA"}};
    for (int i = 0; i < manyChildren; ++i) {
        const std::string id = "M" + std::to_string(10000 + i);
        nodes.push_back({id, "Muscle " + std::to_string(i), std::nullopt, true, 0, AnatomySystem::muscular});
        edges.push_back({"MANY", id, "partOf"});
    }
    db.transaction([&] {
        db.insert(std::span<const AnatomyStructure>(rows));
        if (withTaxonomy) {
            db.insert(std::span<const TaxonomyNode>(nodes));
            db.insertTaxonomy(edges);
        }
    });
}

// The dataset installed in the fixture's data folder; without full text, the
// search reads every name.
inline void installSidebarDataset(GLModel& fixture, bool withTaxonomy, bool withFullText)
{
    const auto dataset = sidebarDataset();
    fixture.install(dataset);
    writeSidebarRows(databaseFile(fixture, dataset), withTaxonomy);
    if (!withFullText)
        dropTable(databaseFile(fixture, dataset), "structures_fts");
}

} // namespace morvena::test
