#include "AnatomyDBTestSupport.h"

#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::test;

namespace {

// Every field distinct, so a swapped bind or column shows up as a mismatch.
AnatomyStructure fullStructure()
{
    return AnatomyStructure {
        .conceptID = "FMA9611",
        .meshIndex = 17,
        .nameEN = "Biceps brachii",
        .nameLA = "Musculus biceps brachii",
        .nameIT = "Muscolo bicipite brachiale",
        .synonyms = {"Biceps", "Two-headed muscle"},
        .system = AnatomySystem::muscular,
        .region = BodyRegion::upperLimb,
        .laterality = Laterality::left,
        .descriptionText = "descrizione",
        .function = "flette il gomito",
        .origin = "origine",
        .insertion = "inserzione",
        .innervation = "innervazione",
        .bloodSupply = "vascolarizzazione",
        .clinicalNotes = "note cliniche",
        .contentSource = FieldSource::curated,
        .datasetName = "BodyParts",
    };
}

} // namespace

TEST(AnatomyDBStructureWrites, everyFieldRoundTripsThroughItsOwnColumn)
{
    SchemaDatabase fixture;
    AnatomyStructure bare = makeStructure("FMA1", "Femur", AnatomySystem::skeletal, std::nullopt);
    bare.datasetName = "";
    const std::vector structures {fullStructure(), bare};
    fixture.db->transaction([&] { fixture.db->insert(structures); });

    EXPECT_EQ(fixture.db->structure("FMA9611"), fullStructure());
    EXPECT_EQ(fixture.db->structure("FMA1"), bare);
    EXPECT_FALSE(fixture.db->structure("FMA404"));

    RawDatabase raw(fixture.file);
    EXPECT_EQ(raw.scalar("SELECT * FROM structures WHERE concept_id='FMA9611'"),
        "FMA9611|17|Biceps brachii|Musculus biceps brachii|Muscolo bicipite brachiale|Biceps | Two-headed "
        "muscle|"
        "2|7|1|descrizione|flette il gomito|origine|inserzione|innervazione|vascolarizzazione|note cliniche|"
        "curated|BodyParts");
    // Absent texts are NULL, never empty text.
    EXPECT_EQ(raw.scalar("SELECT * FROM structures WHERE concept_id='FMA1'"),
        "FMA1|<null>|Femur|<null>|<null>|<null>|1|0|0|<null>|<null>|<null>|<null>|<null>|<null>|<null>|"
        "dataset|");
}

TEST(AnatomyDBStructureWrites, fullTextBodyJoinsTheSearchableTextsWithoutEmptyElements)
{
    SchemaDatabase fixture;
    AnatomyStructure femur = makeStructure("FMA24474", "Femur");
    femur.region = BodyRegion::head;
    femur.nameIT = ""; // empty text is left out like an absent one
    const std::vector structures {fullStructure(), femur};
    fixture.db->insert(structures);

    RawDatabase raw(fixture.file);
    EXPECT_EQ(raw.rows("SELECT concept_id, body FROM structures_fts ORDER BY rowid"),
        (std::vector<std::string> {
            "FMA9611|Biceps brachii · Muscolo bicipite brachiale · Musculus biceps brachii · Biceps "
            "Two-headed "
            "muscle · Muscoli · Arto superiore · FMA9611 · flette il gomito · descrizione",
            "FMA24474|Femur · Scheletro · Testa · FMA24474",
        }));
}

TEST(AnatomyDBStructureWrites, aConceptWrittenTwiceKeepsOneFullTextRowAndTheLastStructureRow)
{
    SchemaDatabase fixture;
    AnatomyStructure second = makeStructure("FMA1", "Femur (left)");
    const std::vector structures {makeStructure("FMA1", "Femur"), makeStructure("FMA2", "Tibia"), second};
    fixture.db->insert(structures);

    RawDatabase raw(fixture.file);
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM structures_fts WHERE concept_id='FMA1'"), "1");
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM structures_fts"), "2");
    EXPECT_EQ(fixture.db->structure("FMA1")->nameEN, "Femur (left)");
    EXPECT_EQ(fixture.db->search("Femur", 10).size(), 1u);
}

TEST(AnatomyDBStructureWrites, withoutFullTextTableOnlyStructureRowsAreWritten)
{
    SchemaDatabase fixture;
    RawDatabase(fixture.file).exec("DROP TABLE structures_fts");
    fixture.reopen();
    ASSERT_FALSE(fixture.db->hasFTS());
    const std::vector structures {makeStructure("FMA1", "Femur")};
    fixture.db->insert(structures);
    EXPECT_EQ(fixture.db->allStructures().size(), 1u);
}

TEST(AnatomyDBStructureWrites, aFullTextStatementThatCannotCompileThrowsBeforeAnyRow)
{
    SchemaDatabase fixture;
    ASSERT_TRUE(fixture.db->hasFTS());
    RawDatabase(fixture.file).exec("DROP TABLE structures_fts"); // behind the open connection's back
    fixture.db->meta("any"); // the connection rereads the schema
    const std::vector structures {makeStructure("FMA1", "Femur")};
    try {
        fixture.db->insert(structures);
        FAIL();
    } catch (const DBError& error) {
        EXPECT_STREQ(error.what(),
            "Impossibile leggere o scrivere il database anatomico: struttura del database non riconosciuta.");
        EXPECT_EQ(error.message().rfind("no such table: structures_fts — INSERT INTO structures_fts", 0), 0u)
            << error.message();
    }
    EXPECT_TRUE(fixture.db->allStructures().empty());
}

TEST(AnatomyDBStructureWrites, aRowThatFailsStopsTheListAndTheTransactionWritesNothing)
{
    SchemaDatabase fixture;
    RawDatabase(fixture.file)
        .exec("CREATE TRIGGER refuse BEFORE INSERT ON structures WHEN NEW.concept_id='BAD' "
              "BEGIN SELECT RAISE(ABORT, 'riga rifiutata'); END;");
    const std::vector structures {
        makeStructure("FMA1", "Femur"), makeStructure("BAD", "Broken"), makeStructure("FMA2", "Tibia")};
    try {
        fixture.db->transaction([&] { fixture.db->insert(structures); });
        FAIL();
    } catch (const DBError& error) {
        // Only SQLite's text: a failed step carries no statement.
        EXPECT_STREQ(error.what(),
            "Impossibile leggere o scrivere il database anatomico: i dati violano un vincolo del database.");
        EXPECT_EQ(error.message(), "riga rifiutata");
    }
    EXPECT_TRUE(fixture.db->allStructures().empty());
    EXPECT_EQ(RawDatabase(fixture.file).scalar("SELECT count(*) FROM structures_fts"), "0");
    EXPECT_EQ(integrityCheck(fixture.file), "ok");

    // Without a transaction the rows before the failure stay.
    EXPECT_THROW(fixture.db->insert(structures), DBError);
    EXPECT_EQ(fixture.db->allStructures().size(), 1u);
    EXPECT_EQ(integrityCheck(fixture.file), "ok");
}

TEST(AnatomyDBStructureWrites, aReadOnlyFileRefusesEveryWrite)
{
    SchemaDatabase fixture;
    fixture.reopen(true);
    const std::vector structures {makeStructure("FMA1", "Femur")};
    const std::vector concepts {TaxonomyNode {.id = "C", .name = "Concept"}};
    EXPECT_THROW(fixture.db->insert(structures), DBError);
    EXPECT_THROW(fixture.db->insert(concepts), DBError);
    EXPECT_THROW(fixture.db->setMeta("k", "v"), DBError);
    EXPECT_THROW(fixture.db->transaction([&] { fixture.db->setMeta("k", "v"); }), DBError);
    fixture.db.reset();
    EXPECT_EQ(integrityCheck(fixture.file), "ok");
}

TEST(AnatomyDBOtherWrites, conceptsAndMetaReplaceWhileLinksEdgesAndRelationsKeepTheFirst)
{
    SchemaDatabase fixture;
    const std::vector concepts {
        TaxonomyNode {.id = "C1", .name = "Old", .hasMesh = false, .meshDescendants = 1},
        TaxonomyNode {.id = "C1",
            .name = "Bone",
            .nameIT = "Osso",
            .hasMesh = true,
            .meshDescendants = 3,
            .system = AnatomySystem::skeletal},
        TaxonomyNode {.id = "C2", .name = "Part"},
    };
    const std::vector<AnatomyDB::ConceptMesh> links {{"C1", 4}, {"C1", 4}, {"C1", 5}};
    const std::vector<AnatomyDB::TaxonomyEdge> edges {{"C2", "C1", "partOf"}, {"C2", "C1", "partOf"}};
    const std::vector relations {
        AnatomyRelation {"N1", "M1", RelationKind::innervates, FieldSource::curated},
        AnatomyRelation {"N1", "M1", RelationKind::innervates, FieldSource::dataset},
        AnatomyRelation {"A1", "M1", RelationKind::supplies, FieldSource::dataset},
    };
    fixture.db->transaction([&] {
        fixture.db->insert(concepts);
        fixture.db->insertConceptMeshes(links);
        fixture.db->insertTaxonomy(edges);
        fixture.db->insert(relations);
        fixture.db->setMeta("name", "first");
        fixture.db->setMeta("name", "second");
    });

    RawDatabase raw(fixture.file);
    EXPECT_EQ(raw.rows("SELECT * FROM concepts ORDER BY concept_id"),
        (std::vector<std::string> {"C1|Bone|Osso|1|3|1", "C2|Part|<null>|0|0|0"}));
    EXPECT_EQ(raw.rows("SELECT * FROM concept_meshes ORDER BY mesh_index"),
        (std::vector<std::string> {"C1|4", "C1|5"}));
    EXPECT_EQ(raw.rows("SELECT * FROM taxonomy"), (std::vector<std::string> {"C2|C1|partOf"}));
    EXPECT_EQ(raw.rows("SELECT * FROM relations ORDER BY src"),
        (std::vector<std::string> {"A1|M1|supplies|dataset", "N1|M1|innervates|curated"}));
    EXPECT_EQ(raw.rows("SELECT * FROM meta"), (std::vector<std::string> {"name|second"}));
}

TEST(AnatomyDBOtherWrites, emptyListsWriteNothing)
{
    SchemaDatabase fixture;
    fixture.db->insert(std::span<const AnatomyStructure>());
    fixture.db->insert(std::span<const TaxonomyNode>());
    fixture.db->insert(std::span<const AnatomyRelation>());
    fixture.db->insertConceptMeshes({});
    fixture.db->insertTaxonomy({});
    RawDatabase raw(fixture.file);
    EXPECT_EQ(raw.scalar("SELECT (SELECT count(*) FROM structures) + (SELECT count(*) FROM structures_fts) + "
                         "(SELECT count(*) FROM concepts) + (SELECT count(*) FROM relations) + "
                         "(SELECT count(*) FROM concept_meshes) + (SELECT count(*) FROM taxonomy)"),
        "0");
}
