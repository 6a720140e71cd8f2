#include "AnatomyDBTestSupport.h"

#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::test;

namespace {

class AnatomyDBSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        AnatomyStructure femur = makeStructure("FMA24474", "Femur", AnatomySystem::skeletal, 0);
        femur.nameIT = "Femore";
        femur.synonyms = {"Thigh bone"};
        AnatomyStructure pterygoid
            = makeStructure("FMA52735", "Pterygoid process", AnatomySystem::skeletal, 1);
        pterygoid.nameIT = "Processo pterigòideo";
        AnatomyStructure cuneiform = makeStructure("FMA1", "Cuneiform bone", AnatomySystem::skeletal, 2);
        cuneiform.nameIT = "Osso cuneiforme";
        const std::vector structures {femur, pterygoid, cuneiform,
            makeStructure("FMA7163", "Atlanto-occipital joint", AnatomySystem::joint, 3),
            makeStructure("FMA9000", "Left femoral nerve", AnatomySystem::nervous, 4),
            makeStructure("FMA9001", "Femoral artery", AnatomySystem::arterial, std::nullopt)};
        fixture.db->insert(structures);
    }

    std::vector<std::string> found(std::string_view text, std::int64_t limit = 50)
    {
        std::vector<std::string> ids;
        for (const auto& hit : fixture.db->search(text, limit))
            ids.push_back(hit.conceptID);
        return ids;
    }

    using IDs = std::vector<std::string>;
    SchemaDatabase fixture;
};

} // namespace

TEST_F(AnatomyDBSearch, blankTextFindsNothing)
{
    EXPECT_TRUE(found(" \t\n\u00A0").empty());
    EXPECT_TRUE(found("").empty());
}

TEST_F(AnatomyDBSearch, wordBeginningsMatchEveryWordWithAccentsIgnored)
{
    EXPECT_EQ(found("fem"), (IDs {"FMA24474", "FMA9001", "FMA9000"}));
    EXPECT_EQ(found("  FEMORE \n"), (IDs {"FMA24474"}));
    EXPECT_EQ(found("pterigoideo"), (IDs {"FMA52735"}));
    EXPECT_EQ(found("cunèiforme"), (IDs {"FMA1"}));
    EXPECT_EQ(found("fem nerve"), (IDs {"FMA9000"}));
    EXPECT_EQ(found("thigh, bone!"), (IDs {"FMA24474"}));
    EXPECT_EQ(found("scheletro fem"), (IDs {"FMA24474"}));
    EXPECT_EQ(found("fem", 2).size(), 2u);
}

TEST_F(AnatomyDBSearch, hitsCarryTheListColumns)
{
    const auto hits = fixture.db->search("femoral artery", 5);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits.front(),
        (AnatomyDB::SearchHit {"FMA9001", "Femoral artery", std::nullopt, AnatomySystem::arterial}));
    EXPECT_EQ(fixture.db->search("femore", 5).front(),
        (AnatomyDB::SearchHit {"FMA24474", "Femur", "Femore", AnatomySystem::skeletal, 0}));
}

TEST_F(AnatomyDBSearch, textWithoutLettersOrDigitsGoesStraightToLike)
{
    EXPECT_EQ(found("-"), (IDs {"FMA7163"}));
    // The user's own wildcards are not escaped.
    EXPECT_EQ(found("%", 1), (IDs {"FMA24474"}));
    EXPECT_EQ(found("%").size(), 6u);
    EXPECT_TRUE(found("\xff\xfe").empty());
}

TEST_F(AnatomyDBSearch, fullTextSyntaxInTheTextIsInert)
{
    EXPECT_EQ(found("femore\"*:^"), (IDs {"FMA24474"}));
    EXPECT_EQ(found("-femore"), (IDs {"FMA24474"}));
    EXPECT_TRUE(found("femore OR tibia").empty());
}

TEST_F(AnatomyDBSearch, aFullTextMissFallsBackToLikeOverNamesSynonymsAndIDs)
{
    EXPECT_EQ(found("7163"), (IDs {"FMA7163"}));
    EXPECT_EQ(found("emur"), (IDs {"FMA24474"}));
    EXPECT_EQ(found("igh bo"), (IDs {"FMA24474"}));
    EXPECT_EQ(found("cipital jo"), (IDs {"FMA7163"}));
    EXPECT_TRUE(found("xyzzy").empty());
}

TEST_F(AnatomyDBSearch, withoutFullTextTableLikeFindsNamesButNotAccentFolds)
{
    RawDatabase(fixture.file).exec("DROP TABLE structures_fts");
    fixture.reopen();
    ASSERT_FALSE(fixture.db->hasFTS());
    EXPECT_EQ(found("FEMUR"), (IDs {"FMA24474"}));
    EXPECT_EQ(found("Femoral"), (IDs {"FMA9001", "FMA9000"}));
    EXPECT_TRUE(found("pterigoideo").empty());
}

TEST_F(AnatomyDBSearch, aFullTextStatementThatCannotCompileFallsBackToLike)
{
    RawDatabase(fixture.file).exec("DROP TABLE structures_fts");
    fixture.db->meta("any"); // the connection rereads the schema
    ASSERT_TRUE(fixture.db->hasFTS());
    EXPECT_EQ(found("femur"), (IDs {"FMA24474"}));
}

TEST(AnatomyDBSearchRank, bestRankFirstThenShorterEnglishName)
{
    SchemaDatabase fixture;
    AnatomyStructure repeated = makeStructure("A", "Vastus lateralis muscle with a long name");
    repeated.synonyms = {"vastus", "vastus"};
    AnatomyStructure plain = makeStructure("B", "Vastus");
    plain.descriptionText = "a long description that makes this body the longer one of the two";
    std::vector structures {
        repeated, plain, makeStructure("C", "Nerve alphabeta"), makeStructure("D", "Nerve alpha")};
    for (int i = 0; i < 20; ++i)
        structures.push_back(makeStructure("X" + std::to_string(i), "Filler " + std::to_string(i)));
    fixture.db->insert(structures);

    auto ids = [&](std::string_view text) {
        std::vector<std::string> result;
        for (const auto& hit : fixture.db->search(text, 10))
            result.push_back(hit.conceptID);
        return result;
    };
    // The body that holds the word three times outranks the shorter name.
    EXPECT_EQ(ids("vastus"), (std::vector<std::string> {"A", "B"}));
    // Equal bodies rank equal: the shorter English name comes first.
    EXPECT_EQ(ids("nerve"), (std::vector<std::string> {"D", "C"}));
}
