#include "TestDataset.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/DatasetManifest.h"

#include <cmath>
#include <numbers>

namespace morvena::test {

MeshPackBuilder::Mesh ellipsoidMesh(Float3 center, Float3 radii, int segments, int levels)
{
    MeshPackBuilder::Mesh mesh;
    segments = std::max(segments, 4);
    int rings = std::max(segments / 2, 2);
    for (int ring = 0; ring <= rings; ++ring) {
        float polar = std::numbers::pi_v<float> * float(ring) / float(rings);
        for (int step = 0; step <= segments; ++step) {
            float around = 2 * std::numbers::pi_v<float> * float(step) / float(segments);
            Float3 unit {
                std::sin(polar) * std::cos(around), std::cos(polar), std::sin(polar) * std::sin(around)};
            mesh.positions.push_back(
                {center.x + radii.x * unit.x, center.y + radii.y * unit.y, center.z + radii.z * unit.z});
            mesh.normals.push_back(unit);
        }
    }
    // Counter-clockwise seen from outside, as the importers deliver front faces.
    auto at = [segments](int ring, int step) { return std::uint32_t(ring * (segments + 1) + step); };
    for (int level = 0, skip = 1; level < levels && rings % skip == 0 && segments % skip == 0;
         ++level, skip *= 2) {
        auto& triangles = mesh.lodIndices.emplace_back();
        for (int ring = 0; ring < rings; ring += skip) {
            for (int step = 0; step < segments; step += skip) {
                triangles.insert(
                    triangles.end(), {at(ring, step), at(ring + skip, step + skip), at(ring + skip, step)});
                triangles.insert(
                    triangles.end(), {at(ring, step), at(ring, step + skip), at(ring + skip, step + skip)});
            }
        }
    }
    return mesh;
}

TestDataset::TestDataset(std::string id, std::string displayName)
    : id_(std::move(id))
    , displayName_(std::move(displayName))
{
}

TestDataset::Structure& TestDataset::add(std::string conceptID, std::string nameEN, AnatomySystem system,
    std::optional<MeshPackBuilder::Mesh> mesh)
{
    Structure structure;
    structure.conceptID = std::move(conceptID);
    structure.nameEN = std::move(nameEN);
    structure.system = system;
    structure.mesh = std::move(mesh);
    return structures_.emplace_back(std::move(structure));
}

void TestDataset::addGroup(std::string conceptID, std::string nameEN, std::vector<std::string> members)
{
    groups_.push_back({std::move(conceptID), std::move(nameEN), std::move(members)});
}

std::filesystem::path TestDataset::folder(const std::filesystem::path& dataHome) const
{
    return dataHome / "Morvena" / "datasets" / id_;
}

std::filesystem::path TestDataset::install(const std::filesystem::path& dataHome) const
{
    auto root = folder(dataHome);
    MeshPackBuilder builder;
    for (const auto& structure : structures_) {
        if (!structure.mesh)
            continue;
        auto mesh = *structure.mesh;
        mesh.conceptID = structure.conceptID;
        mesh.name = structure.nameIT.value_or(structure.nameEN);
        mesh.system = structure.system;
        mesh.laterality = structure.laterality;
        builder.add(std::move(mesh));
    }
    builder.sortForLocality();
    builder.write(root / "geometry.mrvpack", displayName_, "prova");
    MeshPack pack(root / "geometry.mrvpack");
    const auto& packIndex = pack.indexByConceptID();
    auto indexOf = [&packIndex](const std::string& conceptID) -> std::optional<std::int64_t> {
        auto it = packIndex.find(conceptID);
        return it == packIndex.end() ? std::nullopt : std::optional(it->second);
    };

    std::vector<AnatomyStructure> rows;
    std::vector<AnatomyDB::ConceptMesh> links;
    for (const auto& structure : structures_) {
        if (!structure.inDatabase)
            continue;
        auto& row = rows.emplace_back();
        row.conceptID = structure.conceptID;
        row.nameEN = structure.nameEN;
        if (structure.nameIT)
            row.nameIT.emplace(*structure.nameIT);
        row.system = structure.system;
        row.laterality = structure.laterality;
        row.datasetName = displayName_;
        row.meshIndex = structure.mesh ? indexOf(structure.conceptID) : std::nullopt;
    }
    for (const auto& group : groups_) {
        AnatomyStructure row;
        row.conceptID = group.conceptID;
        row.nameEN = group.nameEN;
        row.datasetName = displayName_;
        rows.push_back(std::move(row));
        for (const auto& member : group.members)
            if (auto index = indexOf(member))
                links.push_back({group.conceptID, *index});
    }
    AnatomyDB db(root / "anatomy.sqlite");
    db.createSchema();
    db.transaction([&] {
        db.insert(std::span<const AnatomyStructure>(rows));
        db.insertConceptMeshes(links);
    });

    DatasetManifest manifest;
    manifest.id = id_;
    manifest.displayName = displayName_;
    manifest.version = "1";
    manifest.license = "CC BY-SA 4.0";
    manifest.attribution = "prova";
    manifest.sourceURL = "https://example.invalid/dataset";
    manifest.importedAt = std::chrono::time_point_cast<std::chrono::seconds>(importedAt_);
    manifest.structureCount = static_cast<std::int64_t>(pack.structureCount());
    manifest.triangleCount = static_cast<std::int64_t>(pack.triangleCount());
    manifest.vertexCount = static_cast<std::int64_t>(pack.vertexCount());
    manifest.write(root / "manifest.json");
    return root;
}

} // namespace morvena::test
