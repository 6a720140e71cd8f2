#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Export/GLTFExporter.h"
#include "AnatomyImport/GenericDatasetImporter.h"
#include "FreshDataFolder.h"
#include "SyntheticRelease.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

using namespace morvena;
using namespace morvena::test;
namespace fs = std::filesystem;

namespace {

// Runs the importers with MORVENA_THREADS set, restoring it afterwards.
class ThreadCount {
public:
    explicit ThreadCount(unsigned count)
    {
        if (const char* old = std::getenv("MORVENA_THREADS"))
            previous_ = old;
        setenv("MORVENA_THREADS", std::to_string(count).c_str(), 1);
    }
    ~ThreadCount()
    {
        if (previous_.empty())
            unsetenv("MORVENA_THREADS");
        else
            setenv("MORVENA_THREADS", previous_.c_str(), 1);
    }

private:
    std::string previous_;
};

// What an import leaves in the dataset's folder, but for the import's time.
struct Dataset {
    std::string pack;
    std::string database;
    DatasetManifest manifest;
    std::vector<ImportProgress> reports;
};

using Import = std::function<BodyParts3DImporter::Result(const ImportProgressHandler&)>;

Dataset importWithThreads(const Import& import, const std::string& datasetID, unsigned threads)
{
    ThreadCount count(threads);
    Dataset dataset;
    auto result = import([&](const ImportProgress& p) { dataset.reports.push_back(p); });
    dataset.pack = readFile(AppPaths::packURL(datasetID));
    dataset.database = readFile(AppPaths::databaseURL(datasetID));
    dataset.manifest = DatasetManifest::read(AppPaths::manifestURL(datasetID)).value_or(DatasetManifest {});
    EXPECT_EQ(dataset.manifest, result.manifest);
    dataset.manifest.importedAt = {};
    return dataset;
}

// An OBJ file of `parts` groups, each an ellipsoid whose size follows its
// position; names repeat and some are empty, so identifiers need suffixes.
std::string manyGroups(int parts)
{
    std::string text;
    std::uint32_t base = 0;
    for (int part = 0; part < parts; ++part) {
        const auto size = float(5 + part % 7);
        auto shape = ellipsoid({float(part * 30), 0, float(part % 5) * 20}, {size, size * 2, size},
            12 + part % 40, 4 + part % 30);
        text += part % 9 == 0 ? "g\n" : "g Left femur " + std::to_string(part % 4) + "\n";
        for (const auto& p : shape.positions)
            text += "v " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2])
                + "\n";
        for (const auto& t : shape.triangles)
            text += "f " + std::to_string(base + t[0] + 1) + " " + std::to_string(base + t[1] + 1) + " "
                + std::to_string(base + t[2] + 1) + "\n";
        base += std::uint32_t(shape.positions.size());
    }
    return text;
}

// A GLB file of `parts` ellipsoids, large enough for the loader to build its
// meshes on all cores.
void writeGLB(const fs::path& file, int parts)
{
    TemporaryFolder scratch;
    MeshPackBuilder builder;
    for (int part = 0; part < parts; ++part) {
        auto shape = ellipsoid({0, 0, float(part) * 4}, {20, 10, 2}, 40, 16);
        MeshPackBuilder::Mesh mesh;
        mesh.conceptID = mesh.name = "Rib " + std::to_string(part % 24);
        for (const auto& p : shape.positions)
            mesh.positions.push_back({p[0], p[1], p[2]});
        auto& indices = mesh.lodIndices.emplace_back();
        for (const auto& t : shape.triangles)
            indices.insert(indices.end(), t.begin(), t.end());
        builder.add(std::move(mesh));
    }
    builder.write(scratch / "geometry.mrvpack", "", "");
    MeshPack pack(scratch / "geometry.mrvpack");
    std::vector<std::int64_t> order(pack.structureCount());
    std::iota(order.begin(), order.end(), std::int64_t(0));
    auto glb = GLTFExporter::exportGLB(pack, order, {}, {});
    ASSERT_TRUE(glb);
    writeFile(file, std::string_view(reinterpret_cast<const char*>(glb->data.data()), glb->data.size()));
}

using ImportThreadCount = FreshDataFolder;

} // namespace

TEST_F(ImportThreadCount, bothImportersWriteTheSameDatasetWithOneThreadAndWithMany)
{
    TemporaryFolder input;
    writeFile(input / "in" / "body.obj", manyGroups(120));
    for (int file = 0; file < 30; ++file)
        writeFile(input / "in" / "parts" / ("Rib " + std::to_string(file % 12) + ".obj"),
            objText(ellipsoid({0, float(file) * 10, 0}, {4, 3, 2}, 8 + file, 5 + file)));
    writeGLB(input / "in" / "ribs.glb", 300);
    ASSERT_GT(fs::file_size(input / "in" / "ribs.glb"), 8u << 20);
    GenericDatasetImporter::Options generic;
    generic.input = input / "in";
    generic.datasetID = "generico";
    generic.displayName = "Generico";
    generic.weldTolerance = 0.5f;
    generic.generateLODs = true;
    generic.splitOBJGroups = true;
    SyntheticRelease release;

    const std::vector<std::pair<std::string, Import>> imports {
        {"generico", [&](const ImportProgressHandler& p) { return GenericDatasetImporter(generic).run(p); }},
        {"bp3d-prova",
            [&](const ImportProgressHandler& p) { return BodyParts3DImporter(release.options()).run(p); }},
    };
    for (const auto& [datasetID, import] : imports) {
        // More threads than most machines have cores, so that work items
        // finish out of order.
        const auto one = importWithThreads(import, datasetID, 1);
        const auto many = importWithThreads(import, datasetID, 11);
        EXPECT_TRUE(one.pack == many.pack) << datasetID;
        EXPECT_TRUE(one.database == many.database) << datasetID;
        EXPECT_EQ(one.manifest, many.manifest) << datasetID;
        EXPECT_EQ(one.reports, many.reports) << datasetID;
    }
}
