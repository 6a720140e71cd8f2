// The import commands and the read-only inspection commands, driven through the
// real mrvtool binary in a home of their own.
#include "SharedData.h"
#include "SyntheticRelease.h"
#include "TestDataset.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace morvena;
using namespace morvena::test;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

constexpr std::string_view usageHead = "mrvtool — strumenti dataset di Morvena\n";

// Three named boxes in one OBJ file, in centimetres-sized units.
constexpr const char* threeObjects = R"(o Femur
v 0 0 0
v 10 0 0
v 10 10 0
v 0 10 0
f 1 2 3
f 1 3 4
o Heart
v 20 0 0
v 30 0 0
v 30 10 0
f 5 6 7
o Skin
v 40 0 0
v 50 0 0
v 50 10 0
f 8 9 10
)";

std::vector<std::string> importWords(const std::filesystem::path& input, const std::string& id)
{
    return {"import", "--input", input.string(), "--id", id, "--name", "Modello di prova", "--license", "CC0",
        "--attribution", "Autori di prova", "--source", "https://example.org/modello"};
}

std::string readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

TEST(ToolCommandLine, noWordsOrAnUnknownWordGiveTheUsageAndStatusTwo)
{
    ToolSandbox sandbox;
    auto none = sandbox.run({});
    EXPECT_EQ(none.status, 2);
    EXPECT_THAT(none.out, StartsWith(std::string(usageHead)));
    EXPECT_FALSE(std::filesystem::exists(sandbox.dataHome() / "Morvena" / "datasets"));

    auto unknown = sandbox.run({"List"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.out,
        HasSubstr("I percorsi dei dataset installati stanno in\n  "
            + (sandbox.dataHome() / "Morvena" / "datasets").string() + "\n"));
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.dataHome() / "Morvena" / "datasets"));
    EXPECT_EQ(unknown.err, "");
}

TEST(ToolCommandLine, listWithNothingInstalledSaysWhere)
{
    ToolSandbox sandbox;
    auto list = sandbox.run({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
        "Nessun dataset installato in " + (sandbox.dataHome() / "Morvena" / "datasets").string() + "\n");
    auto info = sandbox.run({"info"});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, "Nessun dataset installato.\n");
    EXPECT_EQ(sandbox.run({"search", "femore"}).status, 2);
}

TEST(ToolImport, bodyParts3DReleaseImportsWithSummaryAndReport)
{
    ToolSandbox sandbox;
    SyntheticRelease release;
    auto report = sandbox.workFolder() / "non-classificate.tsv";
    auto run = sandbox.run({"import-bodyparts3d", "--metadata", release.metadata.path().string(), "--obj",
        release.objFolder.path().string(), "--report", report.string()});
    ASSERT_EQ(run.status, 0) << run.err;

    auto lines = morvena::test::lines(run.out);
    ASSERT_GE(lines.size(), 11u);
    EXPECT_THAT(lines[0], testing::MatchesRegex("Importazione completata in [0-9]+\\.[0-9] s"));
    EXPECT_EQ(lines[1], "  dataset      BodyParts3D 4.0 (DBCLS)  [bodyparts3d-4.0]");
    EXPECT_EQ(lines[2], "  licenza      CC BY 4.0");
    EXPECT_EQ(lines[3], "  strutture    11");
    EXPECT_EQ(lines[6],
        "  pack         " + (sandbox.datasetFolder("bodyparts3d-4.0") / "geometry.mrvpack").string());
    EXPECT_EQ(
        lines[7], "  database     " + (sandbox.datasetFolder("bodyparts3d-4.0") / "anatomy.sqlite").string());
    EXPECT_THAT(lines[8], StartsWith("  note         Orientamento rilevato dai dati: "));
    EXPECT_THAT(lines[9], StartsWith("  sistemi assenti nel dataset: Muscoli, "));
    EXPECT_EQ(lines[10], "  strutture non classificate: 1");
    EXPECT_EQ(lines[11], "  elenco scritto in " + report.string());
    // The report has no header and no final line end.
    EXPECT_EQ(readAll(report), "FMA100\tmystery blob");
    // Progress overwrites one line and ends with a line end of its own.
    EXPECT_THAT(run.err, StartsWith("\r[  1%] Lettura dei metadati FMA…"));
    EXPECT_THAT(run.err, HasSubstr("\r[100%] Importazione completata."));
    EXPECT_EQ(run.err.back(), '\n');

    // The imported dataset is now the last used one.
    auto search = sandbox.run({"search", "humerus"});
    EXPECT_EQ(search.status, 0);
    EXPECT_THAT(search.out, HasSubstr("FMA23131\t"));
}

TEST(ToolImport, genericImportOfThreeObjectsThenInspection)
{
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    auto run = sandbox.run(importWords(model, "prova"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
        "Importazione completata\n  strutture 3\n  triangoli 4\n  pack      "
            + (sandbox.datasetFolder("prova") / "geometry.mrvpack").string() + "\n");

    auto list = sandbox.run({"list"});
    EXPECT_EQ(list.out, "prova\tModello di prova\t3 strutture\tCC0\n");

    auto info = sandbox.run({"info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_THAT(info.out, StartsWith("Modello di prova  [prova]\n  licenza        CC0\n"));
    EXPECT_THAT(info.out, HasSubstr("\n  triangoli LOD0 4\n"));
    EXPECT_THAT(info.out, HasSubstr("\n  bounding box   SIMD3<Float>("));
    EXPECT_THAT(info.out, HasSubstr("\n  ricerca FTS5   attiva\n"));
    EXPECT_THAT(info.out, HasSubstr("\n  strutture per sistema:\n    "));

    auto search = sandbox.run({"search", "fem"});
    EXPECT_EQ(search.status, 0);
    EXPECT_THAT(search.out, testing::MatchesRegex("[^\t]+\tFemur\t\\[[^]]+\\]\tmesh=[0-9]+\n"));
    auto miss = sandbox.run({"search", "zzzz"});
    EXPECT_EQ(miss.out, "Nessun risultato per \"zzzz\".\n");

    auto conceptID = search.out.substr(0, search.out.find('\t'));
    auto structure = sandbox.run({"structure", conceptID});
    ASSERT_EQ(structure.status, 0) << structure.err;
    EXPECT_THAT(structure.out, HasSubstr("\n  inglese      Femur\n  latino       —\n"));
    EXPECT_THAT(structure.out, HasSubstr("\n  triangoli    LOD0 2, "));
    EXPECT_THAT(structure.out, HasSubstr("\n  vertici      4\n"));

    auto unknown = sandbox.run({"structure", "FMA999999"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.out, "Struttura non trovata: FMA999999\n");
}

// Real USDZ packages as found in practice, whose root layers are binary. Mesh
// names, points and triangles were counted once with an independent reader of
// the format (see the USDC reader's tests); the import keeps them as they are.
TEST(ToolImport, binaryUSDZPackagesImportEveryMeshByName)
{
    const auto samples = sharedDataFolder("usd-samples", "BoxAnimated.usdz");
    if (!samples)
        GTEST_SKIP() << "shared/data/usd-samples is not beside the source tree";
    struct Package {
        const char* file;
        std::vector<std::string> meshes;
        int triangles;
    };
    const std::vector<Package> packages {
        {"BoxAnimated.usdz", {"node_3", "node_2"}, 62 + 192},
        {"RiggedFigure.usdz", {"Proxy_1"}, 256},
        {"RoughnessTest.usdz", {"Mesh", "Mesh_002", "Mesh_004", "Mesh_001", "Mesh_003", "Mesh_005"},
            3 * 112 + 3 * 56},
    };
    ToolSandbox sandbox;
    for (const auto& package : packages) {
        auto input = sandbox.workFolder() / package.file;
        std::filesystem::copy_file(*samples / package.file, input);
        auto run = sandbox.run(importWords(input, "usd"));
        ASSERT_EQ(run.status, 0) << package.file << run.err;
        EXPECT_EQ(run.out,
            "Importazione completata\n  strutture " + std::to_string(package.meshes.size()) + "\n  triangoli "
                + std::to_string(package.triangles) + "\n  pack      "
                + (sandbox.datasetFolder("usd") / "geometry.mrvpack").string() + "\n");
        for (const auto& mesh : package.meshes) {
            auto search = sandbox.run({"search", mesh});
            EXPECT_THAT(search.out, HasSubstr("\t" + mesh + "\t")) << package.file;
        }
    }
}

TEST(ToolImport, missingProvenanceGivesTwoLinesUsageAndNoDataset)
{
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    auto words = importWords(model, "prova");
    words.resize(words.size() - 6); // drops --license, --attribution and --source
    auto run = sandbox.run(words);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.out,
        StartsWith("Per importare un dataset servono --input, --id, --name, --license e --attribution:\n"
                   "la provenienza di ogni geometria va documentata.\n"
            + std::string(usageHead)));
    EXPECT_FALSE(std::filesystem::exists(sandbox.datasetFolder("prova")));
}

TEST(ToolImport, pathLikeIdsAreRefusedAndNothingIsWrittenOutside)
{
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    for (std::string id : {"../fuori", "a/b", ".nascosto"}) {
        auto run = sandbox.run(importWords(model, id));
        EXPECT_EQ(run.status, 1) << id;
        EXPECT_THAT(run.err, StartsWith("\nErrore: ")) << id;
        EXPECT_EQ(run.out, "") << id;
        EXPECT_EQ(sandbox.run({"info", "--id", id}).status, 1);
    }
    EXPECT_FALSE(std::filesystem::exists(sandbox.dataHome() / "Morvena" / "fuori"));
    EXPECT_FALSE(std::filesystem::exists(sandbox.dataHome() / "Morvena" / "datasets" / "a"));
}

TEST(ToolDatasetChoice, idThenLastUsedThenNewest)
{
    ToolSandbox sandbox;
    auto model = sandbox.workFolder() / "modello.obj";
    std::ofstream(model) << threeObjects;
    ASSERT_EQ(sandbox.run(importWords(model, "primo")).status, 0);
    ASSERT_EQ(sandbox.run(importWords(model, "secondo")).status, 0);
    ASSERT_EQ(sandbox.run(importWords(model, "primo")).status, 0); // last used, and the newest

    EXPECT_THAT(sandbox.run({"info"}).out, StartsWith("Modello di prova  [primo]"));
    EXPECT_THAT(sandbox.run({"info", "--id", "secondo"}).out, StartsWith("Modello di prova  [secondo]"));
    // "--id" as the last word is a flag: the last used dataset is taken.
    EXPECT_THAT(sandbox.run({"info", "--id"}).out, StartsWith("Modello di prova  [primo]"));

    // A last used dataset that has gone leaves the newest installed one.
    std::filesystem::remove_all(sandbox.datasetFolder("primo"));
    EXPECT_THAT(sandbox.run({"info"}).out, StartsWith("Modello di prova  [secondo]"));

    // An id that names nothing installed reaches the error path when opened.
    auto missing = sandbox.run({"search", "fem", "--id", "assente"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.err, StartsWith("\nErrore: Impossibile aprire il database anatomico: "));
}
