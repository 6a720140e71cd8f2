#include "ImportedDataset.h"

#include "BodyParts3DData.h"
#include "ProgramRunner.h"
#include "SharedData.h"
#include "TemporaryFolder.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace morvena::test {
namespace {

// Standing figure made of 2,000 small boxes, 40 across and 50 high, in millimetres with
// y up; the group names cycle through bones, muscles, vessels and nerves so that the
// importer's naming puts them in several systems.
void writeFigureOBJ(const std::filesystem::path& file)
{
    static const char* kinds[] = {"femur", "biceps muscle", "femoral artery", "sciatic nerve", "tibia"};
    std::ofstream out(file);
    int firstVertex = 1;
    for (int index = 0; index < 2000; ++index) {
        const int column = index % 40, row = index / 40;
        const double x = (column - 20) * 10.0, y = row * 34.0, z = (index % 3) * 6.0;
        out << "g " << (column < 20 ? "right " : "left ") << kinds[index % 5] << " " << index << "\n";
        for (int corner = 0; corner < 8; ++corner)
            out << "v " << x + (corner & 1 ? 8 : 0) << " " << y + (corner & 2 ? 30 : 0) << " "
                << z + (corner & 4 ? 8 : 0) << "\n";
        static const int faces[12][3] = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4},
            {2, 6, 3}, {3, 6, 7}, {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
        for (const auto& face : faces)
            out << "f " << firstVertex + face[0] << " " << firstVertex + face[1] << " "
                << firstVertex + face[2] << "\n";
        firstVertex += 8;
    }
}

ProgramResult mrvtool(const std::filesystem::path& root, std::vector<std::string> words)
{
    words.insert(words.begin(), builtProgram("mrvtool").string());
    static int runs = 0;
    return runProgram(
        words, sandboxEnvironment(root), root / "work", root / ("mrvtool-" + std::to_string(++runs)));
}

ProgramResult checked(ProgramResult result, const std::string& what)
{
    if (result.status != 0)
        throw std::runtime_error(what + " failed: " + result.out + result.err);
    return result;
}

ImportedDataset import(const std::filesystem::path& root)
{
    for (const char* sub : {"home", "data", "config", "tmp", "work"})
        std::filesystem::create_directories(root / sub);
    ImportedDataset dataset;
    if (auto tables = bodyParts3DFolder()) {
        const auto meshes = root / "obj";
        const auto script = sourceFolder() / "Tests" / "Tools" / "generate_bodyparts3d_meshes.py";
        const std::string generate = "python3 '" + script.string() + "' --metadata '" + tables->string()
            + "' --out '" + meshes.string() + "' --target-mb 2 >/dev/null";
        if (std::system(generate.c_str()) != 0)
            throw std::runtime_error("generate_bodyparts3d_meshes.py failed");
        checked(
            mrvtool(root, {"import-bodyparts3d", "--metadata", tables->string(), "--obj", meshes.string()}),
            "import-bodyparts3d");
        dataset.id = "bodyparts3d-4.0";
        dataset.bodyParts3D = true;
    } else {
        const auto model = root / "work" / "figura.obj";
        writeFigureOBJ(model);
        checked(mrvtool(root,
                    {"import", "--input", model.string(), "--id", "figura", "--name", "Figura di prova",
                        "--license", "CC0", "--attribution", "Morvena", "--source",
                        "https://example.org/figura"}),
            "import");
        dataset.id = "figura";
    }
    dataset.folder = root / "data" / "Morvena" / "datasets" / dataset.id;
    // "<FMA>\t<name>\t[<system>]\tmesh=<n>", the first hit for a left femur.
    std::istringstream hit(checked(mrvtool(root, {"search", "left femur", "--limit", "1"}), "search").out);
    std::getline(hit, dataset.boneID, '\t');
    std::getline(hit, dataset.boneName, '\t');
    return dataset;
}

} // namespace

const ImportedDataset& ImportedDataset::shared()
{
    static TemporaryFolder root("morvena-imported");
    static const ImportedDataset dataset = import(root.path());
    return dataset;
}

void ImportedDataset::install(const std::filesystem::path& dataHome) const
{
    const auto target = dataHome / "Morvena" / "datasets" / id;
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy(folder, target, std::filesystem::copy_options::recursive);
}

} // namespace morvena::test
