#pragma once

// Installed datasets for the publishing, fetch and web export tests, built on
// the tool tests' TestDataset with the rows those commands read besides it.

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "TestDataset.h"

#include <stdexcept>

namespace morvena::test {

// Five structures of four systems, skin included, each with geometry.
inline TestDataset sampleDataset(const std::string& id = "test-dataset", bool withSkin = true)
{
    TestDataset dataset(id);
    dataset.add("FMA7088", "Heart", AnatomySystem::cardiac, ellipsoidMesh({0, 0, 0}, {40, 50, 40})).nameIT
        = "cuore";
    dataset
        .add("FMA24486", "Left femur", AnatomySystem::skeletal, ellipsoidMesh({-20, -300, 0}, {15, 200, 15}))
        .nameIT
        = "femore sinistro";
    dataset.add(
        "FMA24485", "Right femur", AnatomySystem::skeletal, ellipsoidMesh({20, -300, 0}, {15, 200, 15}));
    dataset.add(
        "FMA9465", "Biceps brachii", AnatomySystem::muscular, ellipsoidMesh({150, 100, 0}, {20, 80, 20}));
    if (withSkin)
        dataset
            .add("FMA7163", "Skin", AnatomySystem::integument, ellipsoidMesh({0, 0, 0}, {300, 900, 200}, 16))
            .nameIT
            = "cute";
    return dataset;
}

// Adds concepts, part-of or is-a edges and relations to an installed dataset's database.
inline void addAnatomy(const std::filesystem::path& datasetFolder, const std::vector<TaxonomyNode>& concepts,
    const std::vector<AnatomyDB::TaxonomyEdge>& edges, const std::vector<AnatomyRelation>& relations)
{
    AnatomyDB db(datasetFolder / "anatomy.sqlite");
    db.transaction([&] {
        db.insert(std::span<const TaxonomyNode>(concepts));
        db.insertTaxonomy(edges);
        db.insert(std::span<const AnatomyRelation>(relations));
    });
}

// Rewrites the installed manifest after `change` has edited it.
template <typename Change> void editManifest(const std::filesystem::path& datasetFolder, Change change)
{
    auto manifest = DatasetManifest::read(datasetFolder / "manifest.json");
    if (!manifest)
        throw std::runtime_error("no manifest in " + datasetFolder.string());
    change(*manifest);
    manifest->write(datasetFolder / "manifest.json");
}

} // namespace morvena::test
