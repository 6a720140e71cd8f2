#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Naming/AnatomyClassifier.h"
#include "AnatomyImport/Naming/CuratedContent.h"
#include "BodyParts3DData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <utility>

using namespace morvena;

namespace {

BodyParts3DImporter::Metadata releaseMetadata()
{
    const auto folder = test::bodyParts3DFolder();
    if (!folder)
        return {};
    return BodyParts3DImporter({*folder, *folder, "prova", 0, false}).loadMetadata([](const ImportProgress&) {
    });
}

// Every concept with the names it goes by, from the is-a and the part-of parts lists alike.
std::set<std::pair<std::string, std::string>> releaseNames(const BodyParts3DImporter::Metadata& metadata)
{
    std::set<std::pair<std::string, std::string>> names(metadata.names.begin(), metadata.names.end());
    names.insert(metadata.partofNames.begin(), metadata.partofNames.end());
    return names;
}

} // namespace

// Every sided concept of the two parts lists as the importer names it. A muscle named after
// a region takes the side itself ("muscolo obliquo esterno destro dell'addome", "muscolo
// splenio destro della testa", not the right abdomen or head); a structure's Latin, where it
// writes a side, writes its own.
TEST(CuratedReleaseNames, theSideGoesToTheStructureInItalianAndInLatin)
{
    const auto metadata = releaseMetadata();
    ASSERT_FALSE(metadata.names.empty())
        << "the BodyParts3D 4.0 tables are missing from Tests/Data/BodyParts3D";
    const auto structures = BodyParts3DImporter::structureConcepts(metadata);
    const auto curated = CuratedContent::load();
    const std::regex sideOnTheRegion("(torace|collo|addome|velo palatino|capo|bacino) (destr|sinistr)[oa]\\b"
                                     "|(della testa|dei lombi|della faringe) (destr|sinistr)[oa]$");
    const std::regex rightWord("\\bdext"), leftWord("\\bsinist");
    std::size_t sided = 0;
    for (const auto& [conceptID, nameEN] : releaseNames(metadata)) {
        const auto side = AnatomyClassifier::laterality(nameEN);
        const auto entry = curated.entry(conceptID, nameEN);
        if (side == Laterality::unpaired || !entry)
            continue;
        ++sided;
        if (entry->nameIT) {
            EXPECT_FALSE(std::regex_search(*entry->applying(side).nameIT, sideOnTheRegion))
                << conceptID << ": " << *entry->applying(side).nameIT;
        }
        if (entry->nameLA && std::ranges::binary_search(structures, conceptID)) {
            EXPECT_FALSE(std::regex_search(*entry->nameLA, side == Laterality::left ? rightWord : leftWord))
                << conceptID << ": " << *entry->nameLA;
        }
    }
    EXPECT_GT(sided, 1300u);
}
