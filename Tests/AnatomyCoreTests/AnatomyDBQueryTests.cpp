#include "AnatomyDBTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unordered_set>

using namespace morvena;
using namespace morvena::test;

namespace {

using IDs = std::vector<std::string>;

template <class Rows> IDs idsOf(const Rows& rows)
{
    IDs ids;
    for (const auto& row : rows)
        if constexpr (std::is_same_v<std::decay_t<decltype(row)>, TaxonomyNode>)
            ids.push_back(row.id);
        else
            ids.push_back(row.id());
    return ids;
}

TaxonomyNode node(std::string id, bool hasMesh, std::int64_t meshDescendants)
{
    return TaxonomyNode {
        .id = id, .name = "name " + id, .hasMesh = hasMesh, .meshDescendants = meshDescendants};
}

} // namespace

TEST(AnatomyDBRows, storedValuesOutsideTheDataModelReadAsNeutralValues)
{
    SchemaDatabase fixture;
    RawDatabase(fixture.file)
        .exec("INSERT INTO structures(concept_id, name_en, name_it, name_la, synonyms, system, region, "
              "laterality,"
              " description, content_source, dataset) VALUES"
              " ('S1', 'One', '', '', ' | a |  | b | ', -1, 42, 7, '', 'Curated', 'D'),"
              " ('S2', 'Two', NULL, NULL, NULL, 4294967296, 9, 2, NULL, '', ''),"
              " ('S3', 'Three', 'Tre', NULL, '', 17, -5, 1, 'd', 'curated', 'D')");
    const auto one = fixture.db->structure("S1");
    ASSERT_TRUE(one);
    EXPECT_FALSE(one->nameIT);
    EXPECT_FALSE(one->nameLA);
    EXPECT_FALSE(one->descriptionText);
    EXPECT_EQ(one->synonyms, (IDs {"a", "b"}));
    EXPECT_EQ(one->system, AnatomySystem::unclassified);
    EXPECT_EQ(one->region, BodyRegion::unknown);
    EXPECT_EQ(one->laterality, Laterality::unpaired);
    EXPECT_EQ(one->contentSource, FieldSource::dataset);
    EXPECT_FALSE(one->meshIndex);

    const auto all = fixture.db->allStructures();
    ASSERT_EQ(idsOf(all), (IDs {"S1", "S3", "S2"})); // by English name
    EXPECT_EQ(all[2].system, AnatomySystem::unclassified);
    EXPECT_EQ(all[2].region, BodyRegion::wholeBody);
    EXPECT_EQ(all[2].laterality, Laterality::right);
    EXPECT_EQ(all[2].contentSource, FieldSource::dataset);
    EXPECT_TRUE(all[2].synonyms.empty());
    EXPECT_EQ(all[1].system, AnatomySystem::integument);
    EXPECT_EQ(all[1].region, BodyRegion::unknown);
    EXPECT_EQ(all[1].laterality, Laterality::left);
    EXPECT_EQ(all[1].contentSource, FieldSource::curated);
    EXPECT_EQ(all[1].nameIT, "Tre");
}

TEST(AnatomyDBRows, metaGivesNoValueForMissingEmptyOrNull)
{
    SchemaDatabase fixture;
    fixture.db->setMeta("name", "Dataset");
    fixture.db->setMeta("empty", "");
    RawDatabase(fixture.file).exec("INSERT INTO meta VALUES ('null', NULL)");
    EXPECT_EQ(fixture.db->meta("name"), "Dataset");
    EXPECT_FALSE(fixture.db->meta("empty"));
    EXPECT_FALSE(fixture.db->meta("null"));
    EXPECT_FALSE(fixture.db->meta("missing"));
}

TEST(AnatomyDBLists, structuresBySystemAndRegionListOnlyMeshedOnesByName)
{
    SchemaDatabase fixture;
    auto tibia = makeStructure("T", "Tibia", AnatomySystem::skeletal, 2);
    tibia.region = BodyRegion::lowerLimb;
    auto femur = makeStructure("F", "Femur", AnatomySystem::skeletal, 1);
    femur.region = BodyRegion::lowerLimb;
    femur.nameIT = "Femore";
    const std::vector structures {tibia, femur, makeStructure("S", "Skull", AnatomySystem::skeletal, 0),
        makeStructure("N", "Bone without mesh", AnatomySystem::skeletal, std::nullopt),
        makeStructure("M", "Biceps", AnatomySystem::muscular, 3)};
    fixture.db->insert(structures);

    EXPECT_EQ(idsOf(fixture.db->structures(AnatomySystem::skeletal)), (IDs {"F", "S", "T"}));
    const auto lowerLimb = fixture.db->structures(AnatomySystem::skeletal, BodyRegion::lowerLimb);
    EXPECT_EQ(lowerLimb,
        (std::vector<AnatomyDB::SearchHit> {{"F", "Femur", "Femore", AnatomySystem::skeletal, 1},
            {"T", "Tibia", std::nullopt, AnatomySystem::skeletal, 2}}));
    EXPECT_TRUE(fixture.db->structures(AnatomySystem::venous).empty());
}

TEST(AnatomyDBLists, meshIndicesByNamePatternAndByConcept)
{
    SchemaDatabase fixture;
    const std::vector structures {makeStructure("A", "Left femur", AnatomySystem::skeletal, 5),
        makeStructure("B", "Right femur", AnatomySystem::skeletal, 6),
        makeStructure("C", "Femur without mesh", AnatomySystem::skeletal, std::nullopt),
        makeStructure("D", "Tibia", AnatomySystem::skeletal, 7)};
    const std::vector<AnatomyDB::ConceptMesh> links {{"Femur", 5}, {"Femur", 6}, {"Femur", 99}};
    fixture.db->insert(structures);
    fixture.db->insertConceptMeshes(links);

    EXPECT_TRUE(fixture.db->meshIndicesLike({}).empty());
    auto sorted = [](std::vector<std::int64_t> values) {
        std::sort(values.begin(), values.end());
        return values;
    };
    const std::vector<std::string> femurs {"%femur", "Left%"};
    EXPECT_EQ(sorted(fixture.db->meshIndicesLike(femurs)), (std::vector<std::int64_t> {5, 6}));
    const std::vector<std::string> tibia {"Tibia"};
    EXPECT_EQ(fixture.db->meshIndicesLike(tibia), (std::vector<std::int64_t> {7}));

    EXPECT_EQ(sorted(fixture.db->meshIndicesOfConcept("Femur")), (std::vector<std::int64_t> {5, 6, 99}));
    // A linked mesh index without a structure is not listed; the limit holds.
    EXPECT_EQ(idsOf(fixture.db->structuresOfConcept("Femur", 10)), (IDs {"A", "B"}));
    EXPECT_EQ(idsOf(fixture.db->structuresOfConcept("Femur", 1)), (IDs {"A"}));
}

TEST(AnatomyDBHierarchy, rootsChildrenAndAncestry)
{
    SchemaDatabase fixture;
    const std::vector concepts {node("Body", false, 3), node("Limb", false, 2), node("Bone", true, 0),
        node("Empty", false, 0), node("Femur", true, 0), node("Organ", false, 9), node("Heart", true, 0)};
    const std::vector<AnatomyDB::TaxonomyEdge> edges {{"Body", "Limb", "partOf"}, {"Body", "Empty", "partOf"},
        {"Limb", "Femur", "partOf"}, {"Limb", "Bone", "partOf"}, {"Organ", "Heart", "partOf"},
        {"Bone", "Femur", "isA"}};
    fixture.db->insert(concepts);
    fixture.db->insertTaxonomy(edges);

    EXPECT_EQ(idsOf(fixture.db->roots("partOf")), (IDs {"Organ", "Body"})); // most meshed descendants first
    EXPECT_EQ(idsOf(fixture.db->roots("isA")), (IDs {"Bone"}));
    // A child without mesh and without meshed descendants is hidden.
    EXPECT_EQ(idsOf(fixture.db->children("Body", "partOf")), (IDs {"Limb"}));
    EXPECT_EQ(idsOf(fixture.db->children("Limb", "partOf")), (IDs {"Bone", "Femur"}));
    EXPECT_TRUE(fixture.db->children("Limb", "isA").empty());

    EXPECT_TRUE(fixture.db->ancestry("Femur", "partOf", 0).empty());
    EXPECT_TRUE(fixture.db->ancestry("Femur", "partOf", -3).empty());
    EXPECT_EQ(idsOf(fixture.db->ancestry("Femur", "partOf", 1)), (IDs {"Limb"}));
    EXPECT_EQ(idsOf(fixture.db->ancestry("Femur", "partOf", 10)), (IDs {"Limb", "Body"}));
    EXPECT_EQ(idsOf(fixture.db->ancestry("Femur", "isA", 10)), (IDs {"Bone"}));
    EXPECT_EQ(fixture.db->ancestry("Femur", "partOf", 1).front(), node("Limb", false, 2));
    EXPECT_TRUE(fixture.db->ancestry("Unknown", "partOf", 10).empty());
}

TEST(AnatomyDBHierarchy, theKeptChildrenQueryHoldsNoLockAndSeesLaterWrites)
{
    SchemaDatabase fixture;
    const std::vector concepts {node("Body", false, 2), node("Limb", true, 0), node("Head", true, 0)};
    fixture.db->insert(concepts);
    const std::vector<AnatomyDB::TaxonomyEdge> limb {{"Body", "Limb", "partOf"}};
    fixture.db->insertTaxonomy(limb);
    EXPECT_EQ(idsOf(fixture.db->children("Body", "partOf")), (IDs {"Limb"}));
    EXPECT_TRUE(fixture.db->children("Limb", "partOf").empty());

    // Another connection can write at once: the kept statement was reset.
    RawDatabase(fixture.file).exec("INSERT INTO taxonomy VALUES ('Body', 'Head', 'partOf')");
    EXPECT_EQ(idsOf(fixture.db->children("Body", "partOf")), (IDs {"Head", "Limb"}));
    RawDatabase(fixture.file).exec("DROP TABLE taxonomy");
    EXPECT_TRUE(fixture.db->children("Body", "partOf").empty());
}

TEST(AnatomyDBHierarchy, aCycleIsWalkedUntilTheDepthLimit)
{
    SchemaDatabase fixture;
    const std::vector concepts {node("X", true, 1), node("Y", true, 1)};
    const std::vector<AnatomyDB::TaxonomyEdge> edges {{"X", "Y", "partOf"}, {"Y", "X", "partOf"}};
    fixture.db->insert(concepts);
    fixture.db->insertTaxonomy(edges);
    EXPECT_EQ(idsOf(fixture.db->ancestry("X", "partOf", 5)), (IDs {"Y", "X", "Y", "X", "Y"}));
    EXPECT_TRUE(fixture.db->roots("partOf").empty());
}

TEST(AnatomyDBRelated, outgoingFirstThenIncomingAtMost200)
{
    SchemaDatabase fixture;
    std::vector<AnatomyRelation> relations;
    for (int i = 0; i < 150; ++i)
        relations.push_back(
            {"M", "T" + std::to_string(1000 + i), RelationKind::innervates, FieldSource::dataset});
    for (int i = 0; i < 100; ++i)
        relations.push_back(
            {"S" + std::to_string(1000 + i), "M", RelationKind::supplies, FieldSource::curated});
    fixture.db->insert(relations);

    const auto related = fixture.db->related("M");
    ASSERT_EQ(related.size(), 200u);
    for (std::size_t i = 0; i < 150; ++i)
        EXPECT_FALSE(related[i].incoming) << i;
    for (std::size_t i = 150; i < 200; ++i)
        EXPECT_TRUE(related[i].incoming) << i;
    EXPECT_EQ(related[150].kind, RelationKind::supplies);
    EXPECT_EQ(related[150].source, FieldSource::curated);
}

TEST(AnatomyDBRelated, namesComeFromStructuresAndBrokenRowsAreSkipped)
{
    SchemaDatabase fixture;
    auto italian = makeStructure("N1", "Femoral nerve");
    italian.nameIT = "Nervo femorale";
    const std::vector structures {italian, makeStructure("A1", "Femoral artery")};
    const std::vector relations {AnatomyRelation {"N1", "M", RelationKind::innervates, FieldSource::curated},
        AnatomyRelation {"A1", "M", RelationKind::supplies, FieldSource::dataset},
        AnatomyRelation {"M", "Bone", RelationKind::attachesTo, FieldSource::dataset},
        AnatomyRelation {"M", "N1", RelationKind::partOf, FieldSource::dataset}};
    fixture.db->insert(structures);
    fixture.db->insert(relations);
    RawDatabase(fixture.file)
        .exec("INSERT INTO relations VALUES ('M', 'X', 'bogus', 'dataset'), ('M', '', 'isA', 'dataset'),"
              " ('Y', 'M', 'drains', 'unknown')");

    const auto related = fixture.db->related("M");
    using Related = AnatomyDB::RelatedStructure;
    EXPECT_EQ(related,
        (std::vector<Related> {{"Bone", "Bone", RelationKind::attachesTo, FieldSource::dataset, false},
            {"N1", "Nervo femorale", RelationKind::partOf, FieldSource::dataset, false},
            {"N1", "Nervo femorale", RelationKind::innervates, FieldSource::curated, true},
            {"A1", "Femoral artery", RelationKind::supplies, FieldSource::dataset, true},
            {"Y", "Y", RelationKind::drains, FieldSource::dataset, true}}));
    EXPECT_EQ(related[1].id(), "N1partOf");
    std::unordered_set<Related> unique(related.begin(), related.end());
    EXPECT_EQ(unique.size(), related.size());
}

TEST(AnatomyDBRelated, otherEndsWithoutAStructureAreNamedByTheirConcept)
{
    SchemaDatabase fixture;
    RawDatabase(fixture.file)
        .exec("INSERT INTO structures(concept_id, name_en, name_it) VALUES"
              " ('S_IT', 'femur', 'femore'), ('S_EN', 'tibia', ''), ('BOTH', 'structure name', NULL);"
              "INSERT INTO concepts(concept_id, name_en, name_it) VALUES"
              " ('C_IT', 'left thigh', 'coscia sinistra'), ('C_EN', 'right thigh', ''),"
              " ('BOTH', 'concept name', 'nome del concetto'), ('C_NONE', '', NULL);");
    // Each kind of other end, in the order of their IDs.
    const std::vector<std::pair<std::string, std::string>> ends {{"BOTH", "structure name"},
        {"C_EN", "right thigh"}, {"C_IT", "coscia sinistra"}, {"C_NONE", "C_NONE"}, {"NOWHERE", "NOWHERE"},
        {"S_EN", "tibia"}, {"S_IT", "femore"}};
    std::vector<AnatomyRelation> relations;
    for (const auto& end : ends)
        relations.push_back({"M", end.first, RelationKind::partOf, FieldSource::dataset});
    fixture.db->insert(relations);

    std::vector<std::pair<std::string, std::string>> named;
    for (const auto& related : fixture.db->related("M"))
        named.emplace_back(related.conceptID, related.name);
    std::ranges::sort(named);
    EXPECT_EQ(named, ends);
}

TEST(AnatomyDBCounts, countsAddUpRowsThatReadAsOneSystem)
{
    SchemaDatabase fixture;
    const std::vector structures {makeStructure("A", "a", AnatomySystem::skeletal, 0),
        makeStructure("B", "b", AnatomySystem::skeletal, 1),
        makeStructure("C", "c", AnatomySystem::muscular, 2),
        makeStructure("D", "d", AnatomySystem::muscular, std::nullopt),
        makeStructure("E", "e", AnatomySystem::unclassified, 3)};
    fixture.db->insert(structures);
    RawDatabase(fixture.file)
        .exec("INSERT INTO structures(concept_id, mesh_index, name_en, system) VALUES ('F', 4, 'f', 99), "
              "('G', 5, 'g', -1)");

    const std::map<AnatomySystem, std::int64_t> expected {
        {AnatomySystem::unclassified, 3}, {AnatomySystem::skeletal, 2}, {AnatomySystem::muscular, 1}};
    EXPECT_EQ(fixture.db->countsBySystem(true), expected);
    EXPECT_EQ(fixture.db->countsBySystem(false), expected);
}

TEST(AnatomyDBCounts, curatedAndItalianNameCounts)
{
    SchemaDatabase fixture;
    EXPECT_EQ(fixture.db->curatedCount(), 0);
    auto curated = makeStructure("A", "a", AnatomySystem::skeletal, 0);
    curated.contentSource = FieldSource::curated;
    curated.nameIT = "A";
    auto unmeshed = makeStructure("B", "b", AnatomySystem::skeletal, std::nullopt);
    unmeshed.nameIT = "B";
    unmeshed.contentSource = FieldSource::curated;
    const std::vector structures {curated, unmeshed, makeStructure("C", "c")};
    fixture.db->insert(structures);
    EXPECT_EQ(fixture.db->curatedCount(), 2);
    EXPECT_EQ(fixture.db->italianNameCount(), 1);
}

TEST(AnatomyDBQueries, aFileWithoutSchemaGivesEmptyAnswers)
{
    TemporaryFolder folder;
    AnatomyDB db(folder / "anatomy.sqlite");
    EXPECT_FALSE(db.meta("k"));
    EXPECT_FALSE(db.structure("A"));
    EXPECT_TRUE(db.allStructures().empty());
    EXPECT_TRUE(db.search("femur", 10).empty());
    EXPECT_TRUE(db.roots("partOf").empty());
    EXPECT_TRUE(db.related("A").empty());
    EXPECT_TRUE(db.ancestry("A", "partOf", 3).empty());
    EXPECT_TRUE(db.countsBySystem().empty());
    EXPECT_EQ(db.curatedCount(), 0);
    EXPECT_EQ(db.italianNameCount(), 0);
}
