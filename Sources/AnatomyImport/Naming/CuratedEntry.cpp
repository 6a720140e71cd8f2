#include "AnatomyImport/Naming/CuratedEntry.h"

#include "AnatomyCore/Support/UnicodeText.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace morvena {

namespace {

// Italian head words that are feminine although they do not end in "a".
constexpr std::array<std::string_view, 6> feminineHeadWords {
    "parte", "cartilagine", "falange", "superficie", "radice", "porzione"};

std::string_view firstWord(std::string_view text)
{
    auto start = text.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return {};
    auto end = text.find(' ', start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

bool isFeminine(std::string_view italianName)
{
    auto word = UnicodeText::lowercased(firstWord(italianName));
    return word.ends_with('a')
        || std::find(feminineHeadWords.begin(), feminineHeadWords.end(), word) != feminineHeadWords.end();
}

template <typename Field> void copyIfPresent(const std::optional<Field>& value, std::optional<Field>& target)
{
    if (value)
        target = *value;
}

} // namespace

CuratedEntry CuratedEntry::applying(Laterality side) const
{
    CuratedEntry result = *this;
    if (side == Laterality::unpaired || !nameIT)
        return result;
    bool feminine = isFeminine(*nameIT);
    if (side == Laterality::left)
        *result.nameIT += feminine ? " sinistra" : " sinistro";
    else
        *result.nameIT += feminine ? " destra" : " destro";
    return result;
}

void CuratedEntry::apply(AnatomyStructure& structure) const
{
    auto sided = applying(structure.laterality);
    copyIfPresent(sided.nameIT, structure.nameIT);
    copyIfPresent(sided.nameLA, structure.nameLA);
    if (!sided.synonyms.empty())
        structure.synonyms = sided.synonyms;
    copyIfPresent(sided.descriptionText, structure.descriptionText);
    copyIfPresent(sided.function, structure.function);
    copyIfPresent(sided.origin, structure.origin);
    copyIfPresent(sided.insertion, structure.insertion);
    copyIfPresent(sided.innervation, structure.innervation);
    copyIfPresent(sided.bloodSupply, structure.bloodSupply);
    copyIfPresent(sided.clinical, structure.clinicalNotes);
    structure.contentSource = FieldSource::curated;
}

} // namespace morvena
