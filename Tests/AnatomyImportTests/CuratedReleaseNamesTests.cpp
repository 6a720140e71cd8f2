#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Naming/AnatomyClassifier.h"
#include "AnatomyImport/Naming/CuratedContent.h"
#include "BodyParts3DData.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

// The shipped names as the importer builds them for every concept of the real release:
// the curated row of the concept, its side appended where the row leaves it out.

using namespace morvena;

namespace {

BodyParts3DImporter::Metadata releaseMetadata()
{
    auto folder = test::bodyParts3DFolder();
    if (!folder)
        return {};
    return BodyParts3DImporter({*folder, *folder, "prova", 0, false}).loadMetadata([](const ImportProgress&) {
    });
}

} // namespace

// A muscle named after a region takes the side itself: "muscolo obliquo esterno destro
// dell'addome", not the right abdomen.
TEST(CuratedReleaseNames, theSideFollowsTheStructureNotTheRegionItIsNamedAfter)
{
    ASSERT_TRUE(test::bodyParts3DFolder())
        << "the BodyParts3D 4.0 tables are missing from Tests/Data/BodyParts3D";
    const auto metadata = releaseMetadata();
    const auto curated = CuratedContent::load();
    const std::regex sideOnTheRegion(
        "(torace|collo|addome|velo palatino|capo|bacino) (destr|sinistr)[oa]\\b");
    std::size_t sided = 0;
    for (const auto& [conceptID, nameEN] : metadata.names) {
        const auto side = AnatomyClassifier::laterality(nameEN);
        const auto entry = curated.entry(conceptID, nameEN);
        if (side == Laterality::unpaired || !entry || !entry->nameIT)
            continue;
        ++sided;
        const auto nameIT = *entry->applying(side).nameIT;
        EXPECT_FALSE(std::regex_search(nameIT, sideOnTheRegion)) << conceptID << ": " << nameIT;
    }
    EXPECT_GT(sided, 1300u);
}

// Latin that writes a side writes the structure's own: a dext- form never names a left
// structure, a sinist- form never a right one.
TEST(CuratedReleaseNames, latinNamesNoSideButTheStructuresOwn)
{
    ASSERT_TRUE(test::bodyParts3DFolder())
        << "the BodyParts3D 4.0 tables are missing from Tests/Data/BodyParts3D";
    const auto metadata = releaseMetadata();
    const auto curated = CuratedContent::load();
    const std::regex rightWord("\\bdext"), leftWord("\\bsinist");
    for (const auto& conceptID : BodyParts3DImporter::structureConcepts(metadata)) {
        const auto& nameEN = metadata.names.at(conceptID);
        const auto side = AnatomyClassifier::laterality(nameEN);
        const auto entry = curated.entry(conceptID, nameEN);
        if (side == Laterality::unpaired || !entry || !entry->nameLA)
            continue;
        const auto& opposite = side == Laterality::left ? rightWord : leftWord;
        EXPECT_FALSE(std::regex_search(*entry->nameLA, opposite))
            << conceptID << " " << nameEN << ": " << *entry->nameLA;
    }
}
