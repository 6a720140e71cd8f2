#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Naming/AnatomyClassifier.h"
#include "AnatomyImport/Naming/CuratedContent.h"
#include "BodyParts3DData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

using namespace morvena;

// Every sided concept of the two parts lists as the importer names it. A muscle named after
// a region takes the side itself ("muscolo obliquo esterno destro dell'addome", not the right
// abdomen); a structure's Latin, where it writes a side, writes its own.
TEST(CuratedReleaseNames, theSideGoesToTheStructureInItalianAndInLatin)
{
    const auto folder = test::bodyParts3DFolder();
    ASSERT_TRUE(folder) << "the BodyParts3D 4.0 tables are missing from Tests/Data/BodyParts3D";
    const auto metadata
        = BodyParts3DImporter({*folder, *folder, "prova", 0, false}).loadMetadata([](const ImportProgress&) {
          });
    const auto structures = BodyParts3DImporter::structureConcepts(metadata);
    const auto curated = CuratedContent::load();
    const std::regex sideOnTheRegion(
        "(torace|collo|addome|velo palatino|capo|bacino) (destr|sinistr)[oa]\\b");
    const std::regex rightWord("\\bdext"), leftWord("\\bsinist");
    std::size_t sided = 0;
    for (const auto& [conceptID, nameEN] : metadata.names) {
        const auto side = AnatomyClassifier::laterality(nameEN);
        const auto entry = curated.entry(conceptID, nameEN);
        if (side == Laterality::unpaired || !entry)
            continue;
        ++sided;
        if (entry->nameIT) {
            EXPECT_FALSE(std::regex_search(*entry->applying(side).nameIT, sideOnTheRegion)) << conceptID;
        }
        if (entry->nameLA && std::ranges::binary_search(structures, conceptID)) {
            EXPECT_FALSE(std::regex_search(*entry->nameLA, side == Laterality::left ? rightWord : leftWord))
                << conceptID << ": " << *entry->nameLA;
        }
    }
    EXPECT_GT(sided, 1300u);
}
