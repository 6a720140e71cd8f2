#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/Laterality.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace morvena::test {

// A closed ellipsoid around `center` with the given semi-axes: `segments` steps
// around and segments / 2 from pole to pole. Each further level of detail (up to
// `levels` in all) skips every other step of the one before, over the same vertices.
MeshPackBuilder::Mesh ellipsoidMesh(Float3 center, Float3 radii, int segments = 12, int levels = 1);

// An installed dataset written the way an import leaves it: pack, database and
// manifest in the dataset's folder. Structures get their pack index from the
// written pack, so database rows and pack agree unless a test says otherwise.
class TestDataset {
public:
    struct Structure {
        std::string conceptID;
        std::string nameEN;
        std::optional<std::string> nameIT;
        AnatomySystem system = AnatomySystem::skeletal;
        Laterality laterality = Laterality::unpaired;
        // None: a database row without geometry.
        std::optional<MeshPackBuilder::Mesh> mesh;
        // False: geometry that the database does not know.
        bool inDatabase = true;
    };

    explicit TestDataset(std::string id, std::string displayName = "Dataset di prova");

    Structure& add(std::string conceptID, std::string nameEN, AnatomySystem system,
        std::optional<MeshPackBuilder::Mesh> mesh);
    // A concept without geometry of its own whose meshes are those of `members`.
    void addGroup(std::string conceptID, std::string nameEN, std::vector<std::string> members);

    // When the manifest says the dataset was imported; now by default.
    void setImportedAt(std::chrono::system_clock::time_point importedAt) { importedAt_ = importedAt; }

    const std::string& id() const { return id_; }
    // dataHome/Morvena/datasets/<id>, as the programs find it with XDG_DATA_HOME = dataHome.
    std::filesystem::path folder(const std::filesystem::path& dataHome) const;
    // Writes the dataset into its folder below dataHome; returns that folder.
    std::filesystem::path install(const std::filesystem::path& dataHome) const;

private:
    struct Group {
        std::string conceptID;
        std::string nameEN;
        std::vector<std::string> members;
    };

    std::string id_;
    std::string displayName_;
    std::chrono::system_clock::time_point importedAt_ = std::chrono::system_clock::now();
    std::vector<Structure> structures_;
    std::vector<Group> groups_;
};

} // namespace morvena::test
