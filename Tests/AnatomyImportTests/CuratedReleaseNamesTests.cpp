#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Naming/AnatomyClassifier.h"
#include "AnatomyImport/Naming/CuratedContent.h"
#include "AnatomyImport/Naming/ItalianGender.h"
#include "BodyParts3DData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

struct SidedEntry {
    std::string conceptID;
    Laterality side;
    CuratedEntry entry;
};

// The curated entry of every sided concept, from the is-a and the part-of parts lists alike.
std::vector<SidedEntry> sidedEntries(const BodyParts3DImporter::Metadata& metadata)
{
    std::set<std::pair<std::string, std::string>> names(metadata.names.begin(), metadata.names.end());
    names.insert(metadata.partofNames.begin(), metadata.partofNames.end());
    const auto curated = CuratedContent::load();
    std::vector<SidedEntry> result;
    for (const auto& [conceptID, nameEN] : names) {
        const auto side = AnatomyClassifier::laterality(nameEN);
        if (auto entry = curated.entry(conceptID, nameEN); entry && side != Laterality::unpaired)
            result.push_back({conceptID, side, std::move(*entry)});
    }
    return result;
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
    const std::regex sideOnTheRegion("(torace|collo|addome|velo palatino|capo|bacino) (destr|sinistr)[oa]\\b"
                                     "|(della testa|dei lombi|della faringe) (destr|sinistr)[oa]$");
    const std::regex rightWord("\\bdext"), leftWord("\\bsinist");
    const auto sided = sidedEntries(metadata);
    for (const auto& [conceptID, side, entry] : sided) {
        if (entry.nameIT) {
            EXPECT_FALSE(std::regex_search(*entry.applying(side).nameIT, sideOnTheRegion))
                << conceptID << ": " << *entry.applying(side).nameIT;
        }
        if (entry.nameLA && std::ranges::binary_search(structures, conceptID)) {
            EXPECT_FALSE(std::regex_search(*entry.nameLA, side == Laterality::left ? rightWord : leftWord))
                << conceptID << ": " << *entry.nameLA;
        }
    }
    EXPECT_GT(sided.size(), 1300u);
}

// The first words of the rows that take an appended side, whose gender their ending tells: a
// word ending in "a" is feminine, any other masculine.
constexpr std::string_view regularHeadWords[] {"affluente", "albero", "alluce", "amigdala", "anca", "anello",
    "anulare", "apparato", "arcata", "archicorteccia", "arco", "arteria", "arto", "astragalo", "atrio",
    "avambraccio", "braccio", "bronco", "bulbo", "calcagno", "canalicolo", "canino", "capo", "capsula",
    "cingolo", "clavicola", "collicolo", "compartimento", "conca", "cono", "contenuto", "cornea", "corona",
    "corpo", "corteccia", "coscia", "cristallino", "decima", "dito", "dodicesima", "dotto", "emifegato",
    "emisfero", "epididimo", "fascia", "femore", "fibula", "fornice", "gamba", "ganglio", "ghiandola",
    "ginocchio", "giro", "globo", "guancia", "incisivo", "indice", "insula", "ippocampo", "lago", "legamento",
    "lobo", "lobulo", "membrana", "mignolo", "miocardio", "muscolo", "nervo", "nona", "nucleo", "occhio",
    "omero", "orbita", "osso", "ottava", "palpebra", "patella", "piede", "pollice", "polmone", "polso",
    "prima", "primo", "putamen", "quarta", "quarto", "quinta", "quinto", "radio", "rafe", "ramo", "rene",
    "retinacolo", "sacco", "scapola", "scheletro", "sclera", "seconda", "secondo", "segmento", "sesta",
    "settima", "spalla", "strato", "stria", "talamo", "tendine", "terza", "terzo", "testicolo", "tibia",
    "tratto", "tronco", "ulna", "undicesima", "uretere", "vena", "ventricolo", "vescicola"};
static_assert(std::ranges::is_sorted(regularHeadWords));

// The side appended to a row agrees with its first word; the importer knows that word's gender
// from its ending or from its lexicon. A row with a first word neither lists fails here until
// someone says which of the two it belongs to.
TEST(CuratedReleaseNames, everyWordThatTakesTheSideHasAKnownGender)
{
    const auto metadata = releaseMetadata();
    ASSERT_FALSE(metadata.names.empty())
        << "the BodyParts3D 4.0 tables are missing from Tests/Data/BodyParts3D";
    std::map<std::string, std::string> unknown; // the word and the first concept that met it
    for (const auto& [conceptID, side, entry] : sidedEntries(metadata)) {
        if (!entry.nameIT || entry.applying(side) == entry)
            continue;
        const auto word = ItalianGender::headWord(*entry.nameIT);
        if (!std::ranges::binary_search(regularHeadWords, std::string_view(word))
            && !ItalianGender::isIrregular(word))
            unknown.emplace(word, conceptID);
    }
    EXPECT_TRUE(unknown.empty()) << testing::PrintToString(unknown);
}
