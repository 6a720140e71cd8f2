// verify and audit run as the real program over datasets built in the test.
#include "AnatomyCore/Pack/PackHeader.h"
#include "AnatomyCore/Pack/PackStructure.h"
#include "AnatomyCore/Pack/PackVertex.h"
#include "DatabaseDamages.h"
#include "TestDataset.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <functional>

using namespace morvena;
using namespace morvena::test;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

MeshPackBuilder::Mesh blob(float x)
{
    return ellipsoidMesh({x, 0, 0}, {10, 20, 10}, 8);
}

// Three skeletal structures, every one known to the database.
TestDataset healthyDataset()
{
    TestDataset dataset("prova");
    dataset.add("FMA1", "skull", AnatomySystem::skeletal, blob(0));
    dataset.add("FMA2", "right femur", AnatomySystem::skeletal, blob(40));
    dataset.add("FMA3", "left femur", AnatomySystem::skeletal, blob(80));
    return dataset;
}

// Edits the installed pack's bytes in place: structure records, indices and vertices.
class PackSurgery {
public:
    explicit PackSurgery(std::filesystem::path file)
        : file_(std::move(file))
        , bytes_(readFile(file_))
    {
        std::memcpy(&header_, bytes_.data(), sizeof header_);
    }
    ~PackSurgery() { writeFile(file_, bytes_); }

    void editStructure(std::size_t i, const std::function<void(PackStructure&)>& edit)
    {
        PackStructure record;
        auto at = header_.structuresOffset + i * sizeof record;
        std::memcpy(&record, bytes_.data() + at, sizeof record);
        edit(record);
        std::memcpy(bytes_.data() + at, &record, sizeof record);
    }
    PackStructure structure(std::size_t i) const
    {
        PackStructure record;
        std::memcpy(&record, bytes_.data() + header_.structuresOffset + i * sizeof record, sizeof record);
        return record;
    }
    void setIndex(std::size_t position, std::uint32_t value)
    {
        std::memcpy(bytes_.data() + header_.indicesOffset + position * 4, &value, 4);
    }
    void setVertexOwner(std::size_t vertex, std::uint32_t owner)
    {
        auto at = header_.verticesOffset + vertex * PackFormat::vertexStride
            + offsetof(PackVertex, structureIndex);
        std::memcpy(bytes_.data() + at, &owner, 4);
    }
    std::uint32_t indexCount() const { return header_.indexCount; }

private:
    std::filesystem::path file_;
    std::string bytes_;
    PackHeader header_;
};

void runSQL(const std::filesystem::path& folder, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open((folder / "anatomy.sqlite").c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
}

void replaceInManifest(const std::filesystem::path& folder, const std::string& from, const std::string& to)
{
    auto text = readFile(folder / "manifest.json");
    ASSERT_NE(text.find(from), std::string::npos);
    writeFile(folder / "manifest.json", text.replace(text.find(from), from.size(), to));
}

} // namespace

TEST(VerifyCommand, passesOnAConsistentDataset)
{
    ToolSandbox sandbox;
    healthyDataset().install(sandbox.dataHome());
    auto result = sandbox.run({"verify"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Verifica superata: 3 strutture, 192 triangoli, indici e database coerenti.\n");
    EXPECT_EQ(result.err, "");
}

TEST(VerifyCommand, namesEachDamagedRecord)
{
    ToolSandbox sandbox;
    auto dataset = healthyDataset();
    dataset.add("FMA9", "stray bone", AnatomySystem::skeletal, blob(120)).inDatabase = false;
    auto folder = dataset.install(sandbox.dataHome());
    {
        PackSurgery pack(folder / "geometry.mrvpack");
        // 0: a level run past the index section; 1: two indices naming another
        // structure's vertices; 2: a vertex range past the vertex section.
        pack.editStructure(
            0, [&](PackStructure& s) { s.lod1Start = pack.indexCount() - 3, s.lod1Count = 6; });
        auto second = pack.structure(1);
        pack.setIndex(second.lod0Start, second.vertexStart + second.vertexCount);
        pack.setIndex(second.lod0Start + 4, 9999);
        pack.editStructure(2, [](PackStructure& s) { s.vertexCount += 1000; });
        // A level of 4 indices that also leaves the section: two findings, no count.
        pack.editStructure(
            3, [&](PackStructure& s) { s.lod2Start = pack.indexCount() - 2, s.lod2Count = 4; });
    }
    auto result = sandbox.run({"verify", "--id", "prova"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(lines(result.out),
        ElementsAre("Problemi rilevati (7):", "  - struttura 0 LOD1: range oltre il buffer",
            "  - struttura 1 LOD0: 2 indici fuori range", "  - struttura 2: vertici oltre il buffer",
            "  - struttura 3 LOD2: indici non multipli di 3", "  - struttura 3 LOD2: range oltre il buffer",
            "  - struttura 3 (FMA9) assente dal database",
            "  - il database dichiara 3 strutture con geometria, il pack ne contiene 4"))
        << result.out;
}

TEST(VerifyCommand, listsAtMostFortyProblems)
{
    ToolSandbox sandbox;
    TestDataset dataset("molti");
    for (int i = 0; i < 45; ++i)
        dataset
            .add("FMA" + std::to_string(100 + i), "bone " + std::to_string(i), AnatomySystem::skeletal,
                blob(float(i) * 30))
            .inDatabase
            = false;
    dataset.install(sandbox.dataHome());
    auto result = sandbox.run({"verify"});
    EXPECT_EQ(result.status, 1);
    auto printed = lines(result.out);
    ASSERT_EQ(printed.size(), 41u) << result.out;
    EXPECT_EQ(printed[0], "Problemi rilevati (46):");
    EXPECT_THAT(printed[1], HasSubstr("assente dal database"));
}

TEST(VerifyCommand, failsWhatOnlyTheViewersReaderRefuses)
{
    ToolSandbox sandbox;
    auto folder = healthyDataset().install(sandbox.dataHome());
    PackSurgery(folder / "geometry.mrvpack").setVertexOwner(0, 77);
    auto result = sandbox.run({"verify"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
        "Problemi rilevati (1):\n  - il pack non si apre: Il pack geometrico è troncato o corrotto\n");
}

TEST(VerifyCommand, emptyPackAndMissingFiles)
{
    ToolSandbox sandbox;
    EXPECT_EQ(sandbox.run({"verify"}).out, "Nessun dataset.\n");

    TestDataset empty("vuoto");
    empty.add("FMA1", "skull", AnatomySystem::skeletal, std::nullopt);
    empty.add("FMA2", "femur", AnatomySystem::skeletal, std::nullopt);
    auto folder = empty.install(sandbox.dataHome());
    auto result = sandbox.run({"verify"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Problemi rilevati (1):\n  - pack senza strutture\n");

    std::filesystem::remove(folder / "geometry.mrvpack");
    result = sandbox.run({"verify"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, HasSubstr("\nErrore: Impossibile aprire il pack geometrico: "));
}

namespace {

TestDataset auditDataset()
{
    TestDataset dataset("audit");
    auto add = [&dataset](std::string id, std::string name, AnatomySystem system, Laterality side) {
        dataset.add(std::move(id), std::move(name), system, blob(0)).laterality = side;
    };
    using enum AnatomySystem;
    add("FMA1", "Anterior papillary muscle", muscular, Laterality::unpaired);
    add("FMA2", "Aorta", arterial, Laterality::unpaired);
    add("FMA3", "right femur", skeletal, Laterality::right);
    add("FMA4", "left humerus", skeletal, Laterality::left);
    add("FMA5", "right humerus", skeletal, Laterality::right);
    add("FMA6", "Right Kidney", urogenital, Laterality::right);
    add("FMA7", "mystery part", unclassified, Laterality::unpaired);
    // Without geometry: ignored even though its system disagrees.
    dataset.add("FMA8", "left tibia", muscular, std::nullopt);
    return dataset;
}

} // namespace

TEST(AuditCommand, flagsMisfiledStructuresOneSidedNamesAndUnclassified)
{
    ToolSandbox sandbox;
    auditDataset().install(sandbox.dataHome());
    auto result = sandbox.run({"audit"});
    EXPECT_EQ(result.status, 1);
    auto printed = lines(result.out);
    ASSERT_GE(printed.size(), 20u) << result.out;
    // The papillary muscle is judged by its own row, not by the later "muscle" row.
    EXPECT_EQ(printed[0], "  ✗ muscolo papillare: 1 discordanze");
    EXPECT_EQ(printed[1], "      Anterior papillary muscle  →  Muscoli");
    EXPECT_EQ(printed[7], "  ✓ arteria: nessuna discordanza");
    EXPECT_EQ(printed[10], "  ✓ muscolo: nessuna discordanza");
    EXPECT_EQ(printed[12], "  ✓ osso: nessuna discordanza");
    EXPECT_THAT(std::vector(printed.begin() + 13, printed.end()),
        ElementsAre("", "  strutture verificate per nome: 5", "  discordanze totali: 1",
            "  strutture senza sistema: 1", "      mystery part",
            "  strutture con un solo lato presente (asimmetrie da verificare): 2", "      Right Kidney",
            "      femur"));
}

TEST(AuditCommand, findingsOtherThanMismatchesKeepStatusZero)
{
    ToolSandbox sandbox;
    TestDataset dataset("pulito");
    dataset.add("FMA1", "right ulna", AnatomySystem::skeletal, blob(0)).laterality = Laterality::right;
    dataset.add("FMA2", "thing", AnatomySystem::unclassified, blob(0));
    dataset.install(sandbox.dataHome());
    auto result = sandbox.run({"audit", "--full"});
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_THAT(
        result.out, HasSubstr("  discordanze totali: 0\n  strutture senza sistema: 1\n      thing\n"));
    EXPECT_THAT(result.out, HasSubstr("(asimmetrie da verificare): 1\n      ulna\n"));
}

// Each damage that the installation or the viewer refuses fails verify as well.
TEST(VerifyCommand, failsEveryDamageTheOtherProgramsRefuse)
{
    using Folder = const std::filesystem::path&;
    const std::pair<std::string, std::function<void(Folder)>> damages[] = {
        {"i limiti del pack non sono numeri finiti (NaN o infinito)",
            [](Folder f) {
                auto pack = readFile(f / "geometry.mrvpack");
                const float nan = NAN;
                std::memcpy(pack.data() + offsetof(PackHeader, boundsMax), &nan, 4);
                writeFile(f / "geometry.mrvpack", pack);
            }},
        {"1 vertici del pack hanno coordinate non finite (NaN o infinito)",
            [](Folder f) {
                auto pack = readFile(f / "geometry.mrvpack");
                PackHeader header;
                std::memcpy(&header, pack.data(), sizeof header);
                const float infinite = INFINITY;
                std::memcpy(pack.data() + header.verticesOffset + PackFormat::vertexStride + 4, &infinite, 4);
                writeFile(f / "geometry.mrvpack", pack);
            }},
        {"1 strutture del database indicano una mesh che il pack non contiene",
            [](Folder f) { runSQL(f, "UPDATE structures SET mesh_index = 3 WHERE concept_id = 'FMA2'"); }},
        {"il database non è un database anatomico utilizzabile: tabelle assenti: notes",
            [](Folder f) { runSQL(f, "DROP TABLE notes"); }},
        {"il database non è un database anatomico utilizzabile: tabelle assenti: saved_views",
            [](Folder f) { runSQL(f, "DROP TABLE saved_views"); }},
        {"il manifest non è un documento JSON valido",
            [](Folder f) { writeFile(f / "manifest.json", "{\"id\": \"prova\""); }},
        {"manifest illeggibile: valore di structureCount fuori intervallo",
            [](Folder f) {
                replaceInManifest(f, "\"structureCount\": 3", "\"structureCount\": 9223372036854775808");
            }},
        {"il manifest dichiara un numero impossibile di vertici (-1)",
            [](Folder f) { replaceInManifest(f, "\"vertexCount\": ", "\"vertexCount\": -1, \"x\": "); }},
    };
    for (const auto& [problem, damage] : damages) {
        ToolSandbox sandbox;
        damage(healthyDataset().install(sandbox.dataHome()));
        auto result = sandbox.run({"verify", "--id", "prova"});
        EXPECT_EQ(result.status, 1) << problem;
        EXPECT_THAT(lines(result.out), Contains("  - " + problem)) << result.out << result.err;
    }
}

// Damage SQLite finds in the database is named in one line, not once per
// structure, and an audit that would read what damage leaves fails with that
// line. So is a database beside an interrupted write that a read-only open may
// not roll back.
TEST(VerifyCommand, aDamagedDatabaseIsOneProblemForVerifyAndAudit)
{
    std::vector<std::pair<DatabaseDamage, std::string>> cases;
    for (auto& damage : databaseDamages())
        cases.emplace_back(
            std::move(damage), "il database non si apre: è danneggiato o non è un database SQLite");
    for (auto& damage : userTableDamages())
        cases.emplace_back(std::move(damage),
            damage.userRows
                ? "annotazioni, segnalibri o viste salvate del database sono danneggiati: un nuovo "
                  "import o download del dataset trasferisce ciò che si può leggere e conserva il "
                  "resto in un file a parte"
                : "il database è danneggiato: il controllo di integrità di SQLite vi trova pagine o "
                  "indici rovinati");
    cases.emplace_back(DatabaseDamage {"header, hot journal",
                           [](const auto& file) {
                               writeFile(file.string() + "-journal", "giornale");
                               return databaseDamages().front().apply(file);
                           }},
        "il database non si apre: accanto c'è il giornale di una scrittura interrotta "
        "(anatomy.sqlite-journal), che in sola lettura non si può annullare, quindi non si può dire se è "
        "integro; aprire il dataset in Morvena annulla quella scrittura");
    for (const auto& [damage, problem] : cases) {
        ToolSandbox sandbox;
        const auto database = healthyDataset().install(sandbox.dataHome()) / "anatomy.sqlite";
        writeUserRows(database);
        damage.apply(database);
        auto verified = sandbox.run({"verify", "--id", "prova"});
        EXPECT_EQ(verified.status, 1) << damage.name;
        EXPECT_THAT(lines(verified.out), ElementsAre("Problemi rilevati (1):", "  - " + problem))
            << damage.name << verified.err;
        auto audited = sandbox.run({"audit", "--id", "prova"});
        EXPECT_EQ(audited.status, 1) << damage.name;
        EXPECT_THAT(lines(audited.out), ElementsAre(problem)) << damage.name << audited.err;
    }
}
