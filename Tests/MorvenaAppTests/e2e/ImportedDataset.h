#pragma once

#include <filesystem>
#include <string>

namespace morvena::test {

// A dataset made the way a user makes one: by mrvtool, from meshes on disk. With the
// BodyParts3D tables at hand, import-bodyparts3d over the meshes that
// Tests/Tools/generate_bodyparts3d_meshes.py writes for them; without the tables, a
// generic import of an OBJ of 2,000 named groups. Imported once per test program.
struct ImportedDataset {
    // The dataset imported for this program; throws when mrvtool fails, which fails
    // the calling test with the tool's output.
    static const ImportedDataset& shared();

    // Copies the dataset into <dataHome>/Morvena/datasets/<id>, where the viewer finds it.
    void install(const std::filesystem::path& dataHome) const;

    std::string id;
    std::filesystem::path folder; // the imported dataset, in a folder of the program's own
    std::string boneID; // a femur, in the lower middle of the anterior view
    std::string boneName; // its name as the tool lists it
    bool bodyParts3D = false;
};

} // namespace morvena::test
