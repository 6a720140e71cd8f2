#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/ImportError.h"
#include "BodyParts3DData.h"
#include "TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

using namespace morvena;
using morvena::test::TemporaryFolder;
using morvena::test::writeFile;
using testing::ElementsAre;
using Metadata = BodyParts3DImporter::Metadata;
using Rows = std::vector<std::vector<std::string>>;

namespace {

BodyParts3DImporter importerFor(const std::filesystem::path& metadataDir)
{
    return BodyParts3DImporter({metadataDir, metadataDir, "prova", 0, false});
}

void writeRequiredTables(const TemporaryFolder& folder)
{
    writeFile(folder / "isa_parts_list_e.txt",
        "concept id\trepresentation id\ten\n"
        "FMA1\tBP1\tbone organ\n"
        "FMA2\tBP2\tfemur\n"
        "FMA2\tBP3\tLeft femur\n");
    writeFile(folder / "isa_inclusion_relation_list.txt",
        "parent id\tparent name\tchild id\tchild name\n"
        "FMA1\trelation name of bone\tFMA2\trelation name of femur\n"
        "FMA9\tsecond parent\tFMA2\tfemur again\n"
        "FMA1\tbone organ\tFMA3\tunlisted child\n"
        "short\trow\n");
    writeFile(folder / "isa_element_parts.txt",
        "concept id\tname\telement file id\n"
        "FMA2\tfemur\tFJ1\n"
        "FMA2\tfemur\tFJ1\n"
        "FMA1\tbone organ\tFJ1\n");
}

} // namespace

TEST(BodyParts3DTableRows, splitAtEveryLineEndingAndEveryTab)
{
    TemporaryFolder folder;
    writeFile(folder / "t.txt",
        "header\tis\tdropped\r\na\t\tc\rb\xE2\x80\xA8"
        "c\xE2\x80\xA9\n\nd\t");
    EXPECT_EQ(
        BodyParts3DImporter::rows(folder / "t.txt", true), (Rows {{"a", "", "c"}, {"b"}, {"c"}, {"d", ""}}));
    EXPECT_EQ(BodyParts3DImporter::rows(folder / "t.txt", false).front(),
        (std::vector<std::string> {"header", "is", "dropped"}));

    writeFile(folder / "header-only.txt", "concept id\tname\telement file id\n");
    EXPECT_TRUE(BodyParts3DImporter::rows(folder / "header-only.txt", true).empty());
}

TEST(BodyParts3DTableRows, unreadableOrNonUTF8FileIsMissingMetadataNamedByItsFile)
{
    TemporaryFolder folder;
    writeFile(folder / "bad.txt", "header\nFMA1\t\xFF\xFE\n");
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {folder / "bad.txt", "File di metadati non leggibile: bad.txt (non è un testo UTF-8)"},
        {folder / "absent.txt", "File di metadati assente: absent.txt"},
        {folder.path(),
            "File di metadati non leggibile: " + folder.path().filename().string() + " (è una cartella)"},
    };
    for (const auto& [file, what] : cases) {
        try {
            BodyParts3DImporter::rows(file, true);
            ADD_FAILURE() << file;
        } catch (const ImportError& error) {
            EXPECT_EQ(error, ImportError::missingMetadata(file.filename().string()));
            EXPECT_EQ(error.what(), what);
        }
    }
}

TEST(BodyParts3DMetadataLoading, fillsTheTablesWithTheirPrecedenceRules)
{
    TemporaryFolder folder;
    writeRequiredTables(folder);
    std::vector<ImportProgress> reports;
    auto metadata
        = importerFor(folder.path()).loadMetadata([&](const ImportProgress& p) { reports.push_back(p); });

    EXPECT_EQ(reports, (std::vector<ImportProgress> {{0.01, "Lettura dei metadati FMA…"}}));
    // The parts list wins over relation names, its later row over its earlier;
    // relation lists only fill gaps.
    EXPECT_EQ(metadata.names.at("FMA1"), "bone organ");
    EXPECT_EQ(metadata.names.at("FMA2"), "Left femur");
    EXPECT_EQ(metadata.names.at("FMA3"), "unlisted child");
    EXPECT_EQ(metadata.names.at("FMA9"), "second parent");
    // A second parent adds the child but keeps the first parent.
    EXPECT_THAT(metadata.isaChildren.at("FMA1"), ElementsAre("FMA2", "FMA3"));
    EXPECT_THAT(metadata.isaChildren.at("FMA9"), ElementsAre("FMA2"));
    EXPECT_EQ(metadata.isaParents.at("FMA2"), "FMA1");
    EXPECT_THAT(metadata.elements.at("FMA2"), ElementsAre("FJ1", "FJ1"));
    EXPECT_TRUE(metadata.partofNames.empty());
    EXPECT_TRUE(metadata.partofChildren.empty());
    EXPECT_TRUE(metadata.partofElements.empty());
}

TEST(BodyParts3DMetadataLoading, partOfTablesAreOptionalButMustBeReadableWhenPresent)
{
    TemporaryFolder folder;
    writeRequiredTables(folder);
    writeFile(folder / "partof_parts_list_e.txt", "h\nFMA20\tBP\tlower limb\nFMA20\tBP\tfree lower limb\n");
    writeFile(folder / "partof_element_parts.txt", "h\nFMA21\tthigh\tFJ1\nFMA2\tpart-of femur name\tFJ1\n");
    writeFile(
        folder / "partof_inclusion_relation_list.txt", "h\nFMA20\tlimb\tFMA2\tfemur\nFMA22\tx\tFMA2\ty\n");
    auto metadata = importerFor(folder.path()).loadMetadata([](const ImportProgress&) {});
    EXPECT_EQ(metadata.partofNames.at("FMA20"), "free lower limb");
    EXPECT_EQ(metadata.names.at("FMA21"), "thigh");
    EXPECT_EQ(metadata.names.at("FMA2"), "Left femur");
    EXPECT_EQ(metadata.names.at("FMA20"), "limb"); // names only takes relation names
    EXPECT_EQ(metadata.partofParents.at("FMA2"), "FMA20");
    EXPECT_THAT(metadata.partofElements.at("FMA21"), ElementsAre("FJ1"));

    std::filesystem::remove(folder / "partof_element_parts.txt");
    std::filesystem::create_directory(folder / "partof_element_parts.txt");
    EXPECT_THROW(importerFor(folder.path()).loadMetadata([](const ImportProgress&) {}), ImportError);

    std::filesystem::remove(folder / "partof_element_parts.txt");
    std::filesystem::remove(folder / "isa_element_parts.txt");
    try {
        importerFor(folder.path()).loadMetadata([](const ImportProgress&) {});
        FAIL();
    } catch (const ImportError& error) {
        EXPECT_STREQ(error.what(), "File di metadati assente: isa_element_parts.txt");
    }
}

TEST(BodyParts3DStructureChoice, leavesPlusTheSmallestConceptForEveryUncoveredElement)
{
    Metadata metadata;
    metadata.isaChildren = {{"FMA1", {"FMA9", "FMA10"}}, {"FMA5", {}}, {"FMA6", {"FMA9"}}, {"FMA7", {"FMA9"}},
        {"FMA8", {"FMA9"}}};
    metadata.elements = {
        {"FMA9", {"FJ1"}}, // leaf
        {"FMA10", {"FJ2"}}, // leaf
        {"FMA5", {"FJ5"}}, // empty child list: a leaf
        {"FMA1", {"FJ1", "FJ2", "FJ3", "FJ4"}}, // FJ3 and FJ4 belong to no leaf
        {"FMA6", {"FJ1", "FJ3"}}, // fewest elements listing FJ3, tied with FMA7
        {"FMA7", {"FJ4", "FJ3"}}, // fewest listing FJ4
        {"FMA8", {"FJ3", "FJ1", "FJ2"}},
    };
    metadata.partofElements = {{"FMA99", {"FJ7"}}}; // plays no part
    // Text order, not numeric: "FMA10" before "FMA5".
    EXPECT_THAT(BodyParts3DImporter::structureConcepts(metadata),
        ElementsAre("FMA10", "FMA5", "FMA6", "FMA7", "FMA9"));

    metadata.elements["FMA6"] = {"FJ1", "FJ3", "FJ2"};
    EXPECT_THAT(
        BodyParts3DImporter::structureConcepts(metadata), ElementsAre("FMA10", "FMA5", "FMA7", "FMA9"));
}

TEST(BodyParts3DAncestorNames, isaAncestorsNearestFirstThenThePartOfParent)
{
    Metadata metadata;
    metadata.names
        = {{"FMA2", "femur"}, {"FMA1", "long bone"}, {"FMA0", "bone organ"}, {"FMA30", "lower limb"}};
    metadata.isaParents = {{"FMA3", "FMA2"}, {"FMA2", "FMA15"}, {"FMA15", "FMA1"}, {"FMA1", "FMA0"}};
    metadata.partofParents = {{"FMA3", "FMA31"}, {"FMA2", "FMA30"}};
    metadata.partofNames = {{"FMA31", "thigh"}, {"FMA30", "ignored: names wins"}};

    // FMA15 has no name but counts as a step.
    EXPECT_THAT(BodyParts3DImporter::ancestorNames("FMA3", metadata, 12),
        ElementsAre("femur", "long bone", "bone organ", "thigh"));
    EXPECT_THAT(
        BodyParts3DImporter::ancestorNames("FMA3", metadata, 3), ElementsAre("femur", "long bone", "thigh"));
    EXPECT_THAT(BodyParts3DImporter::ancestorNames("FMA3", metadata, 0), ElementsAre("thigh"));
    EXPECT_THAT(BodyParts3DImporter::ancestorNames("FMA2", metadata, 1), ElementsAre("lower limb"));
    EXPECT_TRUE(BodyParts3DImporter::ancestorNames("FMA404", metadata, 12).empty());

    metadata.isaParents["FMA0"] = "FMA3"; // a cycle still ends at the limit
    EXPECT_EQ(BodyParts3DImporter::ancestorNames("FMA3", metadata, 12).size(), 8u);
}

namespace {

using Centroids = std::unordered_map<std::string, Float3>;

Metadata::Table landmarkNames()
{
    return {{"FMA1", "Left humerus"}, {"FMA2", "right humerus"}, {"FMA3", "skull"},
        {"FMA4", "right calcaneus"}, {"FMA5", "sternum"}, {"FMA6", "vertebral column"}};
}

} // namespace

TEST(BodyParts3DOrientation, withoutLandmarksEveryAxisIsAssignedByExclusion)
{
    auto orientation = BodyParts3DImporter::detectOrientation({{"FMA7", {1, 2, 3}}}, landmarkNames());
    EXPECT_EQ(orientation.matrix, (std::array<Float3, 3> {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}));
    EXPECT_FALSE(orientation.flipsWinding);
    EXPECT_EQ(orientation.note,
        "asse 0 assegnato per esclusione; asse 1 assegnato per esclusione; asse 2 assegnato per esclusione");
}

TEST(BodyParts3DOrientation, mapsTheReleaseAxesOntoTheBody)
{
    // Left at larger x, head at larger z, front at smaller y: a proper rotation.
    Centroids centroids {{"FMA1", {200, 0, 1300}}, {"FMA2", {-200, 0, 1300}}, {"FMA3", {0, 10, 1600}},
        {"FMA4", {-100, 40, 50}}, {"FMA5", {0, -90, 1250}}, {"FMA6", {0, 30, 1100}}};
    auto orientation = BodyParts3DImporter::detectOrientation(centroids, landmarkNames());
    EXPECT_FALSE(orientation.flipsWinding);
    EXPECT_EQ(orientation.note,
        "asse latero-laterale da left humerus / right humerus; asse cranio-caudale da skull / right "
        "calcaneus; "
        "asse antero-posteriore da sternum / vertebral column");
    EXPECT_EQ(orientation.apply({1, 2, 3}), (Float3 {1, 3, -2}));

    // The left side at smaller x: a mirror image, whose triangles must turn.
    centroids["FMA1"][0] = -200;
    centroids["FMA2"][0] = 200;
    orientation = BodyParts3DImporter::detectOrientation(centroids, landmarkNames());
    EXPECT_TRUE(orientation.flipsWinding);
    EXPECT_TRUE(orientation.note.ends_with("; terna sinistrorsa corretta invertendo l'avvolgimento"));
    EXPECT_EQ(orientation.apply({1, 2, 3}), (Float3 {-1, 3, -2}));
}

TEST(BodyParts3DOrientation, aDatasetAxisServesOneSlotOnly)
{
    // Lateral and cranio-caudal both dominated by x: head-foot takes the larger
    // of y and z; front-back gets the axis left over by exclusion.
    Centroids centroids {
        {"FMA1", {10, 0, 0}}, {"FMA2", {0, 0, 0}}, {"FMA3", {100, -3, 5}}, {"FMA4", {0, 0, 0}}};
    auto orientation = BodyParts3DImporter::detectOrientation(centroids, landmarkNames());
    EXPECT_EQ(orientation.apply({1, 2, 3}), (Float3 {1, 3, 2}));
    EXPECT_TRUE(orientation.flipsWinding);
    EXPECT_EQ(orientation.note,
        "asse latero-laterale da left humerus / right humerus; asse cranio-caudale da skull / right "
        "calcaneus; "
        "asse 2 assegnato per esclusione; terna sinistrorsa corretta invertendo l'avvolgimento");

    // A pair whose direction is zero keeps its note but assigns nothing.
    centroids["FMA1"] = centroids["FMA2"];
    orientation = BodyParts3DImporter::detectOrientation(centroids, landmarkNames());
    EXPECT_TRUE(
        orientation.note.starts_with("asse latero-laterale da left humerus / right humerus; asse cranio"));
    EXPECT_EQ(orientation.apply({1, 2, 3}), (Float3 {2, 1, 3}));
}

TEST(BodyParts3DOrientation, sameNamedLandmarksResolveToTheLowestConceptWithACentroid)
{
    Metadata::Table names {{"FMA20", "LEFT HUMERUS"}, {"FMA100", "left humerus"}, {"FMA5", "left humerus"},
        {"FMA2", "right humerus"}};
    // FMA5 has no centroid; of the rest "FMA100" is the lowest ID as text.
    Centroids centroids {{"FMA20", {0, 5, 0}}, {"FMA100", {0, -5, 0}}, {"FMA2", {0, 0, 0}}};
    auto orientation = BodyParts3DImporter::detectOrientation(centroids, names);
    EXPECT_EQ(orientation.apply({0, 1, 0}), (Float3 {-1, 0, 0}));
}

TEST(BodyParts3DRealTables, readAndChooseTheReleaseStructures)
{
    auto folder = morvena::test::bodyParts3DFolder();
    if (!folder)
        GTEST_SKIP() << "BodyParts3D tables not found (set MORVENA_BODYPARTS3D_DIR)";
    auto metadata = importerFor(*folder).loadMetadata([](const ImportProgress&) {});
    auto chosen = BodyParts3DImporter::structureConcepts(metadata);

    EXPECT_TRUE(std::is_sorted(chosen.begin(), chosen.end()));
    EXPECT_GT(chosen.size(), 1651u); // the is-a leaves with elements, plus owners of uncovered elements
    EXPECT_LT(chosen.size(), 1700u);
    std::unordered_set<std::string> covered;
    for (const auto& conceptID : chosen)
        covered.insert(metadata.elements.at(conceptID).begin(), metadata.elements.at(conceptID).end());
    EXPECT_EQ(covered.size(), 2234u); // every element file belongs to some structure
    EXPECT_TRUE(metadata.names.contains(std::string(BodyParts3DImporter::isaRoot)));
    EXPECT_TRUE(metadata.names.contains(std::string(BodyParts3DImporter::partofRoot)));
    EXPECT_THAT(BodyParts3DImporter::ancestorNames("FMA24475", metadata, 12), testing::Contains("femur"));
}
