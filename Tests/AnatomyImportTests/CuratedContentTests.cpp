#include "AnatomyImport/Naming/CuratedContent.h"

#include "AnatomyCore/Storage/ResourceLocator.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

using namespace morvena;
using morvena::test::TemporaryFolder;
using morvena::test::writeFile;

namespace {

CuratedContent::Table loadText(std::string_view text)
{
    TemporaryFolder folder;
    writeFile(folder / "table.tsv", text);
    return CuratedContent::load(folder / "table.tsv");
}

} // namespace

TEST(CuratedTableFormat, headerIsTheFirstLineThatIsNeitherCommentNorEmpty)
{
    // Shuffled and unknown columns, CR, LF and CR LF line ends, comments and
    // empty lines on both sides of the header.
    auto table = loadText("# curated anatomy\r\n"
                          "\n"
                          "#key\tname_it\n"
                          "name_la\tnotes\tkey\tname_it\tsynonyms\tclinical\r"
                          "# a comment between rows\n"
                          "\n"
                          "Os femoris\tignored\tFMA9611\tfemore\tosso della coscia\tfratture frequenti\r\n"
                          "Arteria femoralis\t\tLeft femoral artery\tarteria femorale\n");
    EXPECT_EQ(table.count(), 3u); // the concept ID once, the English name twice
    auto femur = table["fma9611"];
    ASSERT_TRUE(femur);
    EXPECT_EQ(femur->key, "FMA9611");
    EXPECT_EQ(femur->nameIT, "femore");
    EXPECT_EQ(femur->nameLA, "Os femoris");
    EXPECT_EQ(femur->synonyms, std::vector<std::string> {"osso della coscia"});
    EXPECT_EQ(femur->clinical, "fratture frequenti");
    EXPECT_EQ(femur->descriptionText, std::nullopt); // no such column
    EXPECT_EQ(femur->lateralSuffix, std::nullopt);
    EXPECT_TRUE(femur->relations().empty());
    auto artery = table.entry("FMA00", "Right femoral artery");
    ASSERT_TRUE(artery);
    EXPECT_EQ(artery->nameIT, "arteria femorale");
}

TEST(CuratedTableFormat, cellsAreTrimmedAndMissingOrBlankCellsAreAbsent)
{
    auto table
        = loadText("key\tname_it\tname_la\tsynonyms\tdescription\tfunction\torigin\tinsertion\t"
                   "innervation\tblood_supply\tclinical\n"
                   " \u00a0FMA1\t \tLatinum\u3000\t a ; ; b ;\n"
                   "FMA2\tnome\tnomen\t\tdescrizione\tfunzione\torigine\tinserzione\tnervo\tarteria\tnote\n");
    auto short_ = table["FMA1"];
    ASSERT_TRUE(short_);
    EXPECT_EQ(short_->key, "FMA1");
    EXPECT_EQ(short_->nameIT, std::nullopt);
    EXPECT_EQ(short_->nameLA, "Latinum");
    EXPECT_EQ(short_->synonyms, (std::vector<std::string> {"a", "b"}));
    EXPECT_EQ(short_->clinical, std::nullopt);

    auto full = table["fma2"];
    ASSERT_TRUE(full);
    CuratedEntry expected {.key = "FMA2",
        .nameIT = "nome",
        .nameLA = "nomen",
        .descriptionText = "descrizione",
        .function = "funzione",
        .origin = "origine",
        .insertion = "inserzione",
        .innervation = "nervo",
        .bloodSupply = "arteria",
        .clinical = "note"};
    EXPECT_EQ(*full, expected);
}

TEST(CuratedTableFormat, rowsWithoutKeyAreSkippedAndLaterRowsWin)
{
    auto table = loadText("key\tname_it\n"
                          "\tsenza chiave\n"
                          "   \tspazi\n"
                          "Femur\tprimo\n"
                          "FEMUR\tsecondo\n");
    EXPECT_EQ(table.count(), 1u);
    ASSERT_TRUE(table.entry("", "femur"));
    EXPECT_EQ(table.entry("", "femur")->nameIT, "secondo");
    EXPECT_EQ(table.entry("", "femur")->key, "FEMUR");
}

TEST(CuratedTableFormat, headerNamesMatchExactly)
{
    auto table = loadText("Key\tname_it\nFMA1\tnome\n");
    EXPECT_EQ(table.count(), 0u);
    // A byte order mark is not part of the first column's name.
    table = loadText("\xEF\xBB\xBFkey\tname_it\nFMA1\tnome\n");
    EXPECT_EQ(table.count(), 1u);
}

TEST(CuratedTableFormat, englishTableReadsNeitherNamesNorSynonyms)
{
    TemporaryFolder folder;
    writeFile(folder / "en.tsv",
        "key\tname_it\tname_la\tsynonyms\tdescription\tblood_supply\n"
        "FMA1\tnome\tnomen\ta;b\tThe thigh bone.\tFemoral artery\n");
    auto entry = CuratedContent::loadEnglish(folder / "en.tsv")["FMA1"];
    ASSERT_TRUE(entry);
    EXPECT_EQ(*entry,
        (CuratedEntry {
            .key = "FMA1", .descriptionText = "The thigh bone.", .bloodSupply = "Femoral artery"}));
}

TEST(CuratedTableLoading, unreadableInputGivesAnEmptyTable)
{
    TemporaryFolder folder;
    EXPECT_EQ(CuratedContent::load(folder / "missing.tsv").count(), 0u);
    EXPECT_EQ(CuratedContent::load(folder.path()).count(), 0u); // a folder
    EXPECT_EQ(loadText("").count(), 0u);
    EXPECT_EQ(loadText("key\tname_it\n").count(), 0u);
    EXPECT_EQ(loadText("# only comments\n\n").count(), 0u);
    EXPECT_EQ(loadText("key\tname_it\nFMA1\tnome \xff\n").count(), 0u); // ill-formed UTF-8
    EXPECT_EQ(loadText("key\tname_it\nFMA1\t\xed\xa0\x80\n").count(), 0u); // encoded surrogate
    EXPECT_EQ(loadText("key\tname_it\nFMA1\tnome").count(), 1u); // no final line end
}

// The shipped Italian and Latin names: one row per English name without its side, shared by
// the left and the right structure, and rows keyed by concept id that write the side where
// Italian puts it. The English texts table ships empty.
TEST(CuratedTableLoading, shippedTablesHaveUniqueKeysAndItalianNamesWithoutSidesOnNameRows)
{
    const auto sideWord = std::regex(R"((^|[^a-z])(destr[oa]|sinistr[oa])([^a-z]|$))", std::regex::icase);
    const auto conceptID = std::regex("FMA[0-9]+");
    std::istringstream lines(test::readFile(ResourceLocator::resource("AnatomyImport", "curated_it_la.tsv")));
    std::string line;
    while (std::getline(lines, line) && (line.empty() || line.starts_with('#'))) { }
    ASSERT_EQ(line, "key\tname_it\tname_la\tsynonyms");
    std::set<std::string> keys;
    std::size_t rows = 0;
    while (std::getline(lines, line)) {
        if (line.empty() || line.starts_with('#'))
            continue;
        ++rows;
        auto key = line.substr(0, line.find('\t'));
        auto nameIT = line.substr(key.size() + 1, line.find('\t', key.size() + 1) - key.size() - 1);
        EXPECT_TRUE(keys.insert(UnicodeText::lowercased(key)).second) << "repeated key " << key;
        EXPECT_FALSE(nameIT.empty()) << key;
        if (!std::regex_match(key, conceptID)) {
            EXPECT_FALSE(std::regex_search(nameIT, sideWord)) << key << ": " << nameIT;
        }
    }
    EXPECT_GT(rows, 1900u);
    EXPECT_EQ(
        CuratedContent::load().entry("FMA24474", "right femur").value().applying(Laterality::right).nameIT,
        "femore destro");
    EXPECT_EQ(test::readFile(ResourceLocator::resource("AnatomyImport", "curated_en.tsv")),
        "key\tdescription\tfunction\torigin\tinsertion\tinnervation\tblood_supply\tclinical\n");
    EXPECT_EQ(CuratedContent::loadEnglish().count(), 0u);
}

TEST(CuratedLookup, englishNamesMatchBothSidesAndConceptIDsAnyCase)
{
    auto table = loadText("key\tname_it\nRight femur\tfemore\nFMA12345\tvena\nhip-bone\tosso dell'anca\n");
    for (auto name : {"Left femur", "femur", "RIGHT FEMUR", "  femur  right "})
        EXPECT_TRUE(table.entry("", name)) << name;
    EXPECT_FALSE(table.entry("", "upright femur"));
    EXPECT_TRUE(table.entry("fma12345", ""));
    EXPECT_EQ(table.entry("FMA12345", "Left femur")->nameIT, "vena"); // the concept ID is tried first
    // Hyphens stay in the keys.
    EXPECT_TRUE(table.entry("", "Hip-bone"));
    EXPECT_FALSE(table.entry("", "hip bone"));
    // The subscript takes the key lower-cased, without normalising it.
    EXPECT_TRUE(table["right femur"]);
    EXPECT_FALSE(table["Left femur"]);
}

TEST(CuratedLookup, normalizeNameRemovesOnlyWholeSideWords)
{
    EXPECT_EQ(CuratedContent::normalizeName("Right  Femur"), "femur");
    EXPECT_EQ(CuratedContent::normalizeName("left right left femur left"), "femur");
    EXPECT_EQ(CuratedContent::normalizeName("Cleft palate"), "cleft palate");
    EXPECT_EQ(CuratedContent::normalizeName("Right-sided Hip-Bone"), "right-sided hip-bone");
    EXPECT_EQ(CuratedContent::normalizeName("ÉPIPHYSE\tFÉMUR"), "épiphyse\tfémur");
    EXPECT_EQ(CuratedContent::normalizeName("right"), "");
}

TEST(CuratedEntrySide, italianNameAgreesWithItsFirstWord)
{
    auto named = [](std::string name) { return CuratedEntry {.key = "k", .nameIT = std::move(name)}; };
    EXPECT_EQ(named("arteria femorale").applying(Laterality::left).nameIT, "arteria femorale sinistra");
    EXPECT_EQ(named("muscolo bicipite").applying(Laterality::right).nameIT, "muscolo bicipite destro");
    EXPECT_EQ(named("falange prossimale").applying(Laterality::right).nameIT, "falange prossimale destra");
    EXPECT_EQ(
        named("  Porzione ascendente").applying(Laterality::left).nameIT, "  Porzione ascendente sinistra");
    EXPECT_EQ(named("VENA").applying(Laterality::right).nameIT, "VENA destra");
    EXPECT_EQ(named("osso").applying(Laterality::left).nameIT, "osso sinistro");
    EXPECT_EQ(named("").applying(Laterality::left).nameIT, " sinistro");
    EXPECT_EQ(named("arteria femorale").applying(Laterality::unpaired), named("arteria femorale"));
    CuratedEntry unnamed {.key = "k", .nameLA = "arteria"};
    EXPECT_EQ(unnamed.applying(Laterality::left), unnamed);
}

TEST(CuratedEntrySide, headNounsWhoseEndingMisleadsTakeTheirOwnGender)
{
    struct Case {
        std::string name;
        Laterality side;
        std::string sided;
    };
    const Case cases[] {
        {"parete laterale", Laterality::right, "parete laterale destra"},
        {"CAVITÀ glenoidea", Laterality::left, "CAVITÀ glenoidea sinistra"},
        {"regione inguinale", Laterality::right, "regione inguinale destra"},
        {"divisione superiore", Laterality::left, "divisione superiore sinistra"},
        {"cuspide anteriore", Laterality::right, "cuspide anteriore destra"},
        {"superficie articolare", Laterality::left, "superficie articolare sinistra"},
        {"sistema linfatico", Laterality::right, "sistema linfatico destro"},
        {"Diaframma pelvico", Laterality::left, "Diaframma pelvico sinistro"},
        {"parenchima renale", Laterality::right, "parenchima renale destro"},
        {"chiasma", Laterality::left, "chiasma sinistro"},
    };
    for (const auto& [name, side, sided] : cases) {
        EXPECT_EQ(CuratedEntry({.key = "k", .nameIT = name}).applying(side).nameIT, sided) << name;
    }
}

TEST(CuratedEntrySide, aNameThatAlreadyNamesItsSideIsTakenAsWritten)
{
    auto named = [](std::string name) { return CuratedEntry {.key = "FMA1", .nameIT = std::move(name)}; };
    for (auto written : {"vena posteriore del ventricolo sinistro", "lobo destro del fegato",
             "articolazione dell'anca destra", "Ramo (SINISTRA)", "ramo dell'atrio sinistro."})
        EXPECT_EQ(named(written).applying(Laterality::left).nameIT, written);
    // Only whole words count.
    EXPECT_EQ(named("destrocardia").applying(Laterality::left).nameIT, "destrocardia sinistra");
    EXPECT_EQ(named("ambidestro").applying(Laterality::right).nameIT, "ambidestro destro");
}

TEST(CuratedEntryApply, copiesPresentFieldsWithTheStructuresSideAndMarksItCurated)
{
    AnatomyStructure structure {.conceptID = "FMA9611",
        .nameEN = "Left femur",
        .nameLA = "Femur",
        .synonyms = {"thigh bone"},
        .laterality = Laterality::left,
        .descriptionText = "dataset text",
        .clinicalNotes = "dataset notes",
        .datasetName = "BP3D"};

    auto unchanged = structure;
    CuratedEntry {.key = "FMA9611"}.apply(structure);
    unchanged.contentSource = FieldSource::curated;
    EXPECT_EQ(structure, unchanged);

    CuratedEntry entry {.key = "Femur",
        .nameIT = "femore",
        .innervation = "nessuna",
        .bloodSupply = "arteria femorale",
        .clinical = "fratture del collo"};
    entry.apply(structure);
    EXPECT_EQ(structure.nameIT, "femore sinistro");
    EXPECT_EQ(structure.nameLA, "Femur");
    EXPECT_EQ(structure.synonyms, std::vector<std::string> {"thigh bone"});
    EXPECT_EQ(structure.descriptionText, "dataset text");
    EXPECT_EQ(structure.innervation, "nessuna");
    EXPECT_EQ(structure.bloodSupply, "arteria femorale");
    EXPECT_EQ(structure.clinicalNotes, "fratture del collo");
    EXPECT_EQ(structure.contentSource, FieldSource::curated);

    entry.synonyms = {"osso della coscia"};
    entry.apply(structure);
    EXPECT_EQ(structure.synonyms, std::vector<std::string> {"osso della coscia"});
}
