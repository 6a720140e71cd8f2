#include "AnatomyImport/Naming/ItalianGender.h"

#include "AnatomyCore/Support/UnicodeText.h"

#include <algorithm>
#include <array>
#include <span>

namespace morvena::ItalianGender {

namespace {

// Sorted by byte, for the binary search; "superficie" heads no row of the shipped table but
// may head one of a table handed to an import.
constexpr std::array<std::string_view, 30> feminineNotEndingInA {"anastomosi", "appendice", "base",
    "cartilagine", "cavità", "componente", "coroide", "cuspide", "cute", "decussazione", "divisione",
    "entità", "epiglottide", "falange", "formazione", "giunzione", "ipofisi", "iride", "mano", "parete",
    "parte", "pelvi", "porzione", "radice", "regione", "rete", "sinfisi", "suddivisione", "superficie",
    "vascolarizzazione"};
constexpr std::array<std::string_view, 4> masculineEndingInA {
    "chiasma", "diaframma", "parenchima", "sistema"};

static_assert(std::ranges::is_sorted(feminineNotEndingInA));
static_assert(std::ranges::is_sorted(masculineEndingInA));

bool listed(std::span<const std::string_view> words, std::string_view word)
{
    return std::ranges::binary_search(words, word);
}

} // namespace

std::string headWord(std::string_view italianName)
{
    auto start = italianName.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return {};
    auto end = italianName.find(' ', start); // npos takes the rest
    return UnicodeText::lowercased(italianName.substr(start, end - start));
}

bool isFeminine(std::string_view word)
{
    if (listed(masculineEndingInA, word))
        return false;
    return word.ends_with('a') || listed(feminineNotEndingInA, word);
}

bool isIrregular(std::string_view word)
{
    return listed(feminineNotEndingInA, word) || listed(masculineEndingInA, word);
}

} // namespace morvena::ItalianGender
