// Reading the FMA tables of a BodyParts3D release and choosing, from them, the
// concepts that become structures.
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/BodyParts3D/Internal/BodyParts3DStages.h"

#include "AnatomyCore/Support/FileError.h"
#include "AnatomyCore/Support/SmallFile.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/ImportError.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>

namespace morvena {

namespace {

// The release's largest table is about a megabyte; a path that leads to
// something far bigger is not a metadata table.
constexpr std::size_t maxTableBytes = std::size_t {256} << 20;

constexpr std::string_view isaPartsFile = "isa_parts_list_e.txt";
constexpr std::string_view isaRelationsFile = "isa_inclusion_relation_list.txt";
constexpr std::string_view isaElementsFile = "isa_element_parts.txt";
constexpr std::string_view partofPartsFile = "partof_parts_list_e.txt";
constexpr std::string_view partofElementsFile = "partof_element_parts.txt";
constexpr std::string_view partofRelationsFile = "partof_inclusion_relation_list.txt";

using Row = std::vector<std::string>;

// Length of the line break starting at `at`, 0 when there is none: LF, CR,
// CR LF, and the Unicode line and paragraph separators (E2 80 A8 / A9).
std::size_t lineBreakLength(std::string_view text, std::size_t at)
{
    switch (text[at]) {
    case '\n':
        return 1;
    case '\r':
        return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
    case '\xE2':
        if (at + 2 < text.size() && text[at + 1] == '\x80'
            && (text[at + 2] == '\xA8' || text[at + 2] == '\xA9'))
            return 3;
        return 0;
    default:
        return 0;
    }
}

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> result;
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size();) {
        if (auto length = lineBreakLength(text, at)) {
            result.push_back(text.substr(start, at - start));
            at += length;
            start = at;
        } else {
            ++at;
        }
    }
    if (start < text.size())
        result.push_back(text.substr(start));
    return result;
}

Row fields(std::string_view line)
{
    Row row;
    std::size_t start = 0;
    for (auto tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t', start)) {
        row.emplace_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    row.emplace_back(line.substr(start));
    return row;
}

bool fileExists(const std::filesystem::path& file)
{
    std::error_code ignored;
    return std::filesystem::exists(file, ignored);
}

void setIfAbsent(
    BodyParts3DImporter::Metadata::Table& table, const std::string& key, const std::string& value)
{
    table.try_emplace(key, value);
}

// Fills children, parents and missing names from a relation list: parent ID,
// parent name, child ID, child name.
void readRelations(const std::vector<Row>& rows, BodyParts3DImporter::Metadata::Lists& children,
    BodyParts3DImporter::Metadata::Table& parents, BodyParts3DImporter::Metadata::Table& names)
{
    for (const auto& row : rows) {
        if (row.size() < 4)
            continue;
        children[row[0]].push_back(row[2]);
        setIfAbsent(parents, row[2], row[0]);
        setIfAbsent(names, row[0], row[1]);
        setIfAbsent(names, row[2], row[3]);
    }
}

} // namespace

std::vector<std::vector<std::string>> BodyParts3DImporter::rows(
    const std::filesystem::path& file, bool skipHeader)
{
    const auto name = file.filename().string();
    std::string text;
    try {
        text = SmallFile::load(file, maxTableBytes);
    } catch (const FileError& error) {
        throw ImportError::missingMetadata(
            name, error.code() == std::errc::no_such_file_or_directory ? "" : error.reason());
    }
    if (!UnicodeText::isValidUTF8(text))
        throw ImportError::missingMetadata(name, "non è un testo UTF-8");
    // Names travel to screens and terminals: no control character of the file
    // may colour, move or reverse what they show.
    text = UnicodeText::replacingControls(text, {}, "\t\n\r");
    auto all = lines(text);
    std::vector<Row> result;
    result.reserve(all.size());
    for (std::size_t index = skipHeader ? 1 : 0; index < all.size(); ++index) {
        if (!all[index].empty())
            result.push_back(fields(all[index]));
    }
    return result;
}

BodyParts3DImporter::Metadata BodyParts3DImporter::loadMetadata(const ImportProgressHandler& progress) const
{
    progress({BodyParts3DStages::readingMetadata, "Lettura dei metadati FMA…"});
    const auto& folder = opt.metadataDir;
    Metadata metadata;

    for (const auto& row : rows(folder / isaPartsFile, true)) {
        if (row.size() >= 3)
            metadata.names[row[0]] = row[2];
    }
    readRelations(
        rows(folder / isaRelationsFile, true), metadata.isaChildren, metadata.isaParents, metadata.names);
    for (const auto& row : rows(folder / isaElementsFile, true)) {
        if (row.size() >= 3)
            metadata.elements[row[0]].push_back(row[2]);
    }

    if (fileExists(folder / partofPartsFile)) {
        for (const auto& row : rows(folder / partofPartsFile, true)) {
            if (row.size() >= 3)
                metadata.partofNames[row[0]] = row[2];
        }
    }
    if (fileExists(folder / partofElementsFile)) {
        for (const auto& row : rows(folder / partofElementsFile, true)) {
            if (row.size() < 3)
                continue;
            metadata.partofElements[row[0]].push_back(row[2]);
            setIfAbsent(metadata.names, row[0], row[1]);
        }
    }
    if (fileExists(folder / partofRelationsFile)) {
        readRelations(rows(folder / partofRelationsFile, true), metadata.partofChildren,
            metadata.partofParents, metadata.names);
    }
    return metadata;
}

std::vector<std::string> BodyParts3DImporter::structureConcepts(const Metadata& metadata)
{
    std::vector<std::string> chosen;
    std::unordered_set<std::string_view> covered;
    for (const auto& [conceptID, elements] : metadata.elements) {
        auto children = metadata.isaChildren.find(conceptID);
        if (children != metadata.isaChildren.end() && !children->second.empty())
            continue;
        chosen.push_back(conceptID);
        covered.insert(elements.begin(), elements.end());
    }

    // For every element no leaf lists, the concept listing it with the fewest
    // elements; the lowest ID among equals, so the choice never depends on the
    // tables' hash order.
    std::unordered_map<std::string_view, const std::string*> owner;
    for (const auto& [conceptID, elements] : metadata.elements) {
        for (const auto& element : elements) {
            if (covered.contains(element))
                continue;
            auto [entry, inserted] = owner.try_emplace(element, &conceptID);
            if (inserted)
                continue;
            auto current = metadata.elements.at(*entry->second).size();
            if (elements.size() < current || (elements.size() == current && conceptID < *entry->second))
                entry->second = &conceptID;
        }
    }
    std::unordered_set<std::string_view> winners;
    for (const auto& [element, conceptID] : owner) {
        if (winners.insert(*conceptID).second)
            chosen.push_back(*conceptID);
    }
    // A leaf never wins: the elements it lists are covered.
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

std::vector<std::string> BodyParts3DImporter::ancestorNames(
    std::string_view conceptID, const Metadata& metadata, int limit)
{
    std::vector<std::string> result;
    std::string current(conceptID);
    for (int step = 0; step < limit; ++step) {
        auto parent = metadata.isaParents.find(current);
        if (parent == metadata.isaParents.end())
            break;
        current = parent->second;
        if (auto name = metadata.names.find(current); name != metadata.names.end())
            result.push_back(name->second);
    }
    if (auto parent = metadata.partofParents.find(std::string(conceptID));
        parent != metadata.partofParents.end()) {
        if (auto name = metadata.names.find(parent->second); name != metadata.names.end())
            result.push_back(name->second);
        else if (auto other = metadata.partofNames.find(parent->second); other != metadata.partofNames.end())
            result.push_back(other->second);
    }
    return result;
}

} // namespace morvena
