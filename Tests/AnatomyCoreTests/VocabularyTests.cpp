#include "AnatomyCore/Model/AnatomyRelation.h"
#include "AnatomyCore/Model/AnatomyStructure.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyCore/Model/DecodingError.h"
#include "AnatomyCore/Model/Laterality.h"
#include "AnatomyCore/Model/TaxonomyNode.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>

using namespace morvena;
using nlohmann::json;

TEST(AnatomySystemTable, everyRawValueRoundTripsAndHasNames)
{
    ASSERT_EQ(allAnatomySystems().size(), 18u);
    std::set<std::string_view> italian, english;
    for (std::uint32_t raw = 0; raw < 18; ++raw) {
        auto system = anatomySystem(raw);
        ASSERT_TRUE(system);
        EXPECT_EQ(rawValue(*system), raw);
        EXPECT_EQ(allAnatomySystems()[raw], *system);
        EXPECT_FALSE(symbolName(*system).empty());
        italian.insert(italianName(*system));
        english.insert(englishName(*system));
        auto color = baseColor(*system);
        for (float channel : {color.red, color.green, color.blue}) {
            EXPECT_GE(channel, 0.f);
            EXPECT_LE(channel, 1.f);
        }
    }
    EXPECT_EQ(italian.size(), 18u);
    EXPECT_EQ(english.size(), 18u);
    EXPECT_FALSE(anatomySystem(18));
    EXPECT_FALSE(anatomySystem(0xffffffffu));
}

TEST(AnatomySystemTable, namesColoursAndDepthsMatchTheTable)
{
    EXPECT_EQ(italianName(AnatomySystem::unclassified), "Non classificato");
    EXPECT_EQ(englishName(AnatomySystem::integument), "Skin and superficial tissues");
    EXPECT_EQ(italianName(AnatomySystem::nervous), "Sistema nervoso");
    EXPECT_EQ(symbolName(AnatomySystem::tendon), "point.topleft.down.to.point.bottomright.curvepath");
    EXPECT_EQ(baseColor(AnatomySystem::muscular), (SystemColor {0.667f, 0.200f, 0.192f}));
    EXPECT_EQ(baseColor(AnatomySystem::integument), (SystemColor {0.902f, 0.776f, 0.690f}));
    EXPECT_EQ(defaultLayerDepth(AnatomySystem::unclassified), 3);
    EXPECT_EQ(defaultLayerDepth(AnatomySystem::integument), 0);
    EXPECT_EQ(defaultLayerDepth(AnatomySystem::skeletal), 5);
    EXPECT_EQ(defaultLayerDepth(AnatomySystem::muscular), 1);
    EXPECT_EQ(defaultLayerDepth(AnatomySystem::cartilage), 4);
    EXPECT_EQ(defaultVisibleSystems(), (std::set {AnatomySystem::skeletal, AnatomySystem::muscular}));
}

TEST(BodyRegionAndLaterality, rawValuesRoundTripAndOutOfRangeGivesNothing)
{
    ASSERT_EQ(allBodyRegions().size(), 10u);
    for (std::uint32_t raw = 0; raw < 10; ++raw) {
        auto region = bodyRegion(raw);
        ASSERT_TRUE(region);
        EXPECT_EQ(rawValue(*region), raw);
        EXPECT_FALSE(italianName(*region).empty());
    }
    EXPECT_FALSE(bodyRegion(10));
    EXPECT_EQ(italianName(BodyRegion::upperLimb), "Arto superiore");
    EXPECT_EQ(englishName(BodyRegion::unknown), "Region not determined");

    EXPECT_EQ(laterality(1), Laterality::left);
    EXPECT_EQ(laterality(2), Laterality::right);
    EXPECT_FALSE(laterality(3));
    EXPECT_EQ(italianName(Laterality::unpaired), "Impari / mediano");
    EXPECT_EQ(englishName(Laterality::right), "Right");
}

TEST(TextRawValues, areCaseSensitive)
{
    EXPECT_EQ(fieldSource("curated"), FieldSource::curated);
    EXPECT_EQ(fieldSource("dataset"), FieldSource::dataset);
    EXPECT_FALSE(fieldSource("Curated"));
    EXPECT_FALSE(fieldSource(""));
    for (auto kind : allRelationKinds())
        EXPECT_EQ(relationKind(rawValue(kind)), kind);
    EXPECT_FALSE(relationKind("PartOf"));
    EXPECT_EQ(italianName(RelationKind::attachesTo), "Si inserisce su");
    EXPECT_EQ(italianName(RelationKind::supplies), "Vascolarizza");
}

TEST(AnatomyStructureRules, displayNamePrefersItalianEvenWhenEmpty)
{
    AnatomyStructure structure {.conceptID = "FMA1", .nameEN = "Femur", .datasetName = "test"};
    EXPECT_EQ(structure.displayName(), "Femur");
    structure.nameIT = "";
    EXPECT_EQ(structure.displayName(), "");
    structure.nameIT = "Femore";
    EXPECT_EQ(structure.displayName(), "Femore");
    EXPECT_EQ(structure.id(), "FMA1");
}

TEST(AnatomyStructureRules, clinicalNotesAloneGiveNoExtendedCard)
{
    AnatomyStructure structure {.conceptID = "FMA1", .nameEN = "Femur"};
    EXPECT_FALSE(structure.hasExtendedCard());
    structure.clinicalNotes = "note";
    EXPECT_FALSE(structure.hasExtendedCard());
    structure.bloodSupply = "";
    EXPECT_TRUE(structure.hasExtendedCard());
}

TEST(TaxonomyNodeRules, displayNameFallsBackToEnglish)
{
    TaxonomyNode node {.id = "FMA2", .name = "Heart", .hasMesh = true, .meshDescendants = 3};
    EXPECT_EQ(node.displayName(), "Heart");
    node.nameIT = "Cuore";
    EXPECT_EQ(node.displayName(), "Cuore");
}

TEST(AnatomyRelationJSON, encodesExactlyFourKeysWithRawTexts)
{
    AnatomyRelation relation {"FMA1", "FMA2", RelationKind::attachesTo, FieldSource::curated};
    json encoded = relation;
    EXPECT_EQ(encoded, json::parse(R"({"from":"FMA1","to":"FMA2","kind":"attachesTo","source":"curated"})"));
    EXPECT_EQ(encoded.get<AnatomyRelation>(), relation);
}

TEST(AnatomyRelationJSON, rejectsMissingKeysWrongTypesAndUnknownRawValues)
{
    for (const char* text : {
             R"({"to":"b","kind":"isA","source":"dataset"})",
             R"({"from":"a","to":"b","source":"dataset"})",
             R"({"from":1,"to":"b","kind":"isA","source":"dataset"})",
             R"({"from":"a","to":"b","kind":"IsA","source":"dataset"})",
             R"({"from":"a","to":"b","kind":"isA","source":3})",
             R"(["a","b","isA","dataset"])",
         }) {
        EXPECT_THROW(json::parse(text).get<AnatomyRelation>(), DecodingError) << text;
    }
}

TEST(EnumerationJSON, codesAsRawNumbersAndRejectsOthers)
{
    EXPECT_EQ(json(AnatomySystem::integument), json(17));
    EXPECT_EQ(json(17).get<AnatomySystem>(), AnatomySystem::integument);
    EXPECT_EQ(json(9).get<BodyRegion>(), BodyRegion::wholeBody);
    EXPECT_EQ(json(2).get<Laterality>(), Laterality::right);
    EXPECT_THROW(json(18).get<AnatomySystem>(), DecodingError);
    EXPECT_THROW(json(-1).get<AnatomySystem>(), DecodingError);
    EXPECT_THROW(json(1.5).get<BodyRegion>(), DecodingError);
    EXPECT_THROW(json("1").get<Laterality>(), DecodingError);
    EXPECT_THROW(json(3).get<Laterality>(), DecodingError);
}
