#include "TestDataset.h"

#include "AnatomyCore/DatasetManifest.h"
#include "AnatomyCore/MeshPackBuilder.h"

#include <array>
#include <chrono>
#include <set>

namespace morvena::test {

namespace {

// A cube with its 12 triangles at level 0, 6 at level 1 and 2 at level 2, so
// each level of detail has a run of its own.
MeshPackBuilder::Mesh cubeMesh(const TestDataset::Structure& structure)
{
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = structure.conceptID;
    mesh.name = structure.nameIT.value_or(structure.nameEN);
    mesh.system = structure.system;
    mesh.region = structure.region;
    mesh.laterality = structure.side;
    const float h = structure.halfSize;
    for (int corner = 0; corner < 8; ++corner) {
        Float3 offset {corner & 1 ? h : -h, corner & 2 ? h : -h, corner & 4 ? h : -h};
        mesh.positions.push_back(structure.center + offset);
        mesh.normals.push_back(offset);
    }
    const std::vector<std::uint32_t> triangles {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4, 2, 6, 3,
        3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    mesh.lodIndices = {triangles, std::vector<std::uint32_t>(triangles.begin(), triangles.begin() + 18),
        std::vector<std::uint32_t>(triangles.begin(), triangles.begin() + 6)};
    return mesh;
}

AnatomyStructure structureRow(const TestDataset::Structure& structure, std::optional<std::int64_t> meshIndex)
{
    AnatomyStructure row;
    row.conceptID = structure.conceptID;
    row.meshIndex = meshIndex;
    row.nameEN = structure.nameEN;
    row.nameIT = structure.nameIT;
    row.system = structure.system;
    row.region = structure.region;
    row.laterality = structure.side;
    row.datasetName = "Dataset di prova";
    return row;
}

} // namespace

TestDataset TestDataset::sample()
{
    TestDataset dataset;
    dataset.structures = {
        {"FMA7088", "Heart", "cuore", AnatomySystem::cardiac, BodyRegion::thorax, Laterality::unpaired,
            {0, 0, 0}},
        {"FMA24486", "Left femur", "femore sinistro", AnatomySystem::skeletal, BodyRegion::lowerLimb,
            Laterality::left, {-20, -60, 0}},
        {"FMA24485", "Right femur", "femore destro", AnatomySystem::skeletal, BodyRegion::lowerLimb,
            Laterality::right, {20, -60, 0}},
        {"FMA9465", "Biceps brachii", std::nullopt, AnatomySystem::muscular, BodyRegion::upperLimb,
            Laterality::unpaired, {40, 20, 0}},
        {"FMA7163", "Skin", "cute", AnatomySystem::integument, BodyRegion::wholeBody, Laterality::unpaired,
            {0, 0, 0}, 60},
    };
    dataset.relations = {{"FMA9465", "FMA24486", RelationKind::attachesTo, FieldSource::dataset}};
    dataset.taxonomy = {{"FMA7000", "FMA7088", "partOf"}};
    return dataset;
}

std::filesystem::path TestDataset::install(const std::filesystem::path& datasetsFolder) const
{
    const auto folder = datasetsFolder / id;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);

    MeshPackBuilder pack;
    std::vector<AnatomyStructure> rows;
    std::vector<AnatomyDB::ConceptMesh> links;
    std::int64_t nextIndex = 0;
    for (const auto& structure : structures) {
        std::optional<std::int64_t> meshIndex;
        if (structure.hasMesh) {
            pack.add(cubeMesh(structure));
            meshIndex = nextIndex++;
            links.push_back({structure.conceptID, *meshIndex});
        }
        rows.push_back(structureRow(structure, meshIndex));
    }
    pack.write(folder / "geometry.mrvpack", displayName, "Prova");

    std::vector<TaxonomyNode> concepts;
    std::set<std::string> parents;
    for (const auto& edge : taxonomy)
        if (parents.insert(edge.parent).second)
            concepts.push_back({edge.parent, "Parent " + edge.parent, "genitore " + edge.parent, false, 1});
    {
        AnatomyDB db(folder / "anatomy.sqlite");
        db.createSchema();
        db.transaction([&] {
            db.insert(rows);
            db.insert(concepts);
            db.insertConceptMeshes(links);
            db.insertTaxonomy(taxonomy);
            db.insert(relations);
        });
    }

    if (writeManifest) {
        DatasetManifest manifest;
        manifest.id = id;
        manifest.displayName = displayName;
        manifest.version = "1.0";
        manifest.sourceURL = "https://example.org/prova";
        manifest.license = "CC0";
        manifest.attribution = "Prova";
        manifest.importedAt = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        manifest.structureCount = declaredStructureCount.value_or(nextIndex);
        manifest.triangleCount = nextIndex * 12;
        manifest.vertexCount = nextIndex * 8;
        manifest.notes = "Dataset costruito dai test.";
        manifest.write(folder / "manifest.json");
    }
    return folder;
}

} // namespace morvena::test
