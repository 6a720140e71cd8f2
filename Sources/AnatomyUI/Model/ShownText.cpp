#include "AnatomyUI/Model/ShownText.h"

#include "AnatomyCore/Support/InvisibleCharacters.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <optional>

namespace morvena::ShownText {

namespace {

void cleanLine(std::string& text)
{
    text = line(text);
}

void cleanParagraph(std::optional<std::string>& text)
{
    if (text)
        *text = paragraph(*text);
}

void cleanName(std::string& text)
{
    text = name(text);
}

// A name with nothing to show is no name, as an empty one read from the database.
void cleanName(std::optional<std::string>& text)
{
    if (text && (*text = name(*text)).empty())
        text.reset();
}

} // namespace

std::string line(std::string_view text)
{
    return UnicodeText::replacingControls(text);
}

std::string paragraph(std::string_view text)
{
    return UnicodeText::replacingControls(text, {}, "\n");
}

std::string name(std::string_view text)
{
    const auto visible = InvisibleCharacters::removed(line(text));
    return InvisibleCharacters::nothingVisible(visible) ? std::string() : cut(visible);
}

std::string id(std::string_view text)
{
    return name(text);
}

std::string nameOr(std::string_view text, std::string_view conceptID)
{
    if (auto shown = name(text); !shown.empty())
        return shown;
    if (auto shown = id(conceptID); !shown.empty())
        return shown;
    return std::string(unnamed);
}

std::string cut(std::string_view text, std::size_t characters)
{
    const auto kept = UnicodeText::leadingCharacters(text, characters, longestName);
    return kept.size() == text.size() ? std::string(text) : std::string(kept) + "…";
}

AnatomyStructure card(AnatomyStructure structure)
{
    cleanLine(structure.conceptID);
    structure.nameEN = nameOr(structure.nameEN, structure.conceptID);
    cleanName(structure.nameLA);
    cleanName(structure.nameIT);
    for (auto& synonym : structure.synonyms)
        cleanName(synonym);
    std::erase(structure.synonyms, std::string());
    for (auto* text : {&structure.descriptionText, &structure.function, &structure.origin,
             &structure.insertion, &structure.innervation, &structure.bloodSupply, &structure.clinicalNotes})
        cleanParagraph(*text);
    cleanName(structure.datasetName);
    return structure;
}

AnatomyDB::SearchHit hit(AnatomyDB::SearchHit row)
{
    cleanLine(row.conceptID);
    row.nameEN = nameOr(row.nameEN, row.conceptID);
    cleanName(row.nameIT);
    return row;
}

TaxonomyNode node(TaxonomyNode entry)
{
    cleanLine(entry.id);
    entry.name = nameOr(entry.name, entry.id);
    cleanName(entry.nameIT);
    return entry;
}

AnatomyDB::RelatedStructure related(AnatomyDB::RelatedStructure relation)
{
    cleanLine(relation.conceptID);
    relation.name = nameOr(relation.name, relation.conceptID);
    return relation;
}

DatasetManifest manifest(DatasetManifest described)
{
    cleanName(described.displayName);
    for (auto* text : {&described.version, &described.sourceURL, &described.license, &described.attribution})
        cleanLine(*text);
    for (auto& system : described.missingSystems)
        cleanLine(system);
    described.notes = paragraph(described.notes);
    return described;
}

} // namespace morvena::ShownText
