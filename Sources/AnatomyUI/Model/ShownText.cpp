#include "AnatomyUI/Model/ShownText.h"

#include "AnatomyCore/Support/UnicodeText.h"

#include <optional>

namespace morvena::ShownText {

namespace {

void cleanLine(std::string& text)
{
    text = line(text);
}

void cleanLine(std::optional<std::string>& text)
{
    if (text)
        cleanLine(*text);
}

void cleanParagraph(std::optional<std::string>& text)
{
    if (text)
        *text = paragraph(*text);
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

AnatomyStructure card(AnatomyStructure structure)
{
    cleanLine(structure.conceptID);
    cleanLine(structure.nameEN);
    cleanLine(structure.nameLA);
    cleanLine(structure.nameIT);
    for (auto& synonym : structure.synonyms)
        cleanLine(synonym);
    for (auto* text : {&structure.descriptionText, &structure.function, &structure.origin,
             &structure.insertion, &structure.innervation, &structure.bloodSupply, &structure.clinicalNotes})
        cleanParagraph(*text);
    cleanLine(structure.datasetName);
    return structure;
}

AnatomyDB::SearchHit hit(AnatomyDB::SearchHit row)
{
    cleanLine(row.conceptID);
    cleanLine(row.nameEN);
    cleanLine(row.nameIT);
    return row;
}

TaxonomyNode node(TaxonomyNode entry)
{
    cleanLine(entry.id);
    cleanLine(entry.name);
    cleanLine(entry.nameIT);
    return entry;
}

AnatomyDB::RelatedStructure related(AnatomyDB::RelatedStructure relation)
{
    cleanLine(relation.conceptID);
    cleanLine(relation.name);
    return relation;
}

DatasetManifest manifest(DatasetManifest described)
{
    for (auto* text : {&described.displayName, &described.version, &described.sourceURL, &described.license,
             &described.attribution})
        cleanLine(*text);
    for (auto& system : described.missingSystems)
        cleanLine(system);
    described.notes = paragraph(described.notes);
    return described;
}

} // namespace morvena::ShownText
