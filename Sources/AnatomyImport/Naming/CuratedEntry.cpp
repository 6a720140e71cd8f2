#include "AnatomyImport/Naming/CuratedEntry.h"

#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/Naming/ItalianGender.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace morvena {

namespace {

bool isWordByte(char c)
{
    auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

// A name written with its side where Italian puts it ("vena posteriore del ventricolo sinistro",
// "lobo destro del fegato") is complete: a suffix would double the side or make it agree with
// the wrong noun.
bool holdsSideWord(std::string_view italianName)
{
    constexpr std::array<std::string_view, 4> sideWords {"destro", "destra", "sinistro", "sinistra"};
    auto lower = UnicodeText::lowercased(italianName);
    std::string_view text = lower;
    for (std::size_t start = 0; start < text.size();) {
        auto end = start;
        while (end < text.size() && isWordByte(text[end]))
            ++end;
        if (std::find(sideWords.begin(), sideWords.end(), text.substr(start, end - start)) != sideWords.end())
            return true;
        start = end + 1;
    }
    return false;
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
    if (side == Laterality::unpaired || !nameIT || holdsSideWord(*nameIT))
        return result;
    bool feminine = ItalianGender::isFeminine(ItalianGender::headWord(*nameIT));
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
