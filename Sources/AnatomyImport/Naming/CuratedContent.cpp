#include "AnatomyImport/Naming/CuratedContent.h"

#include "AnatomyCore/Storage/ResourceLocator.h"
#include "AnatomyCore/Support/SmallFile.h"
#include "AnatomyCore/Support/UnicodeText.h"

#include <array>
#include <vector>

namespace morvena::CuratedContent {

namespace {

constexpr std::string_view moduleName = "AnatomyImport";
constexpr std::string_view italianLatinTable = "curated_it_la.tsv";
constexpr std::string_view englishTable = "curated_en.tsv";

struct TextColumn {
    std::string_view name;
    std::optional<std::string> CuratedEntry::*field;
};

constexpr std::array<TextColumn, 2> nameColumns {{
    {"name_it", &CuratedEntry::nameIT},
    {"name_la", &CuratedEntry::nameLA},
}};

constexpr std::array<TextColumn, 7> cardColumns {{
    {"description", &CuratedEntry::descriptionText},
    {"function", &CuratedEntry::function},
    {"origin", &CuratedEntry::origin},
    {"insertion", &CuratedEntry::insertion},
    {"innervation", &CuratedEntry::innervation},
    {"blood_supply", &CuratedEntry::bloodSupply},
    {"clinical", &CuratedEntry::clinical},
}};

enum class TableKind { italianLatin, english };

// Splits at every TAB (or other single-character separator), keeping empty pieces.
void split(std::string_view text, char separator, std::vector<std::string_view>& pieces)
{
    pieces.clear();
    std::size_t start = 0;
    while (true) {
        auto end = text.find(separator, start);
        pieces.push_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return;
        start = end + 1;
    }
}

// Calls `visit` with every line; LF, CR and CR LF all end a line.
template <typename Visit> void forEachLine(std::string_view text, Visit&& visit)
{
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            visit(text.substr(start));
            return;
        }
        visit(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
}

std::optional<std::string> presentValue(std::string_view cell)
{
    auto trimmed = UnicodeText::trimmingBlanks(cell);
    if (trimmed.empty())
        return std::nullopt;
    return std::string(trimmed);
}

std::vector<std::string> synonymList(std::string_view cell)
{
    std::vector<std::string> synonyms;
    std::vector<std::string_view> pieces;
    split(cell, ';', pieces);
    for (auto piece : pieces) {
        if (auto synonym = presentValue(piece))
            synonyms.push_back(std::move(*synonym));
    }
    return synonyms;
}

// Where each column this table reads stands in the header.
struct ColumnLayout {
    std::optional<std::size_t> key;
    std::optional<std::size_t> synonyms;
    std::vector<std::pair<std::size_t, std::optional<std::string> CuratedEntry::*>> texts;

    ColumnLayout(const std::vector<std::string_view>& header, TableKind kind)
    {
        auto position = [&](std::string_view name) -> std::optional<std::size_t> {
            for (std::size_t index = 0; index < header.size(); ++index)
                if (header[index] == name)
                    return index;
            return std::nullopt;
        };
        auto addTexts = [&](const auto& columns) {
            for (const auto& column : columns)
                if (auto index = position(column.name))
                    texts.emplace_back(*index, column.field);
        };
        key = position("key");
        if (kind == TableKind::italianLatin) {
            synonyms = position("synonyms");
            addTexts(nameColumns);
        }
        addTexts(cardColumns);
    }
};

std::optional<std::string> cellValue(
    const std::vector<std::string_view>& cells, std::optional<std::size_t> column)
{
    if (!column || *column >= cells.size())
        return std::nullopt;
    return presentValue(cells[*column]);
}

void addRow(Table& table, const ColumnLayout& layout, const std::vector<std::string_view>& cells)
{
    auto key = cellValue(cells, layout.key);
    if (!key)
        return;
    CuratedEntry entry;
    entry.key = *key;
    if (auto synonyms = cellValue(cells, layout.synonyms))
        entry.synonyms = synonymList(*synonyms);
    for (const auto& [column, field] : layout.texts)
        entry.*field = cellValue(cells, column);
    table.byKey.insert_or_assign(normalizeName(*key), entry);
    table.byKey.insert_or_assign(UnicodeText::lowercased(*key), std::move(entry));
}

Table parse(std::string_view text, TableKind kind)
{
    Table table;
    std::optional<ColumnLayout> layout;
    std::vector<std::string_view> cells;
    forEachLine(text, [&](std::string_view line) {
        if (line.empty() || line.starts_with('#'))
            return;
        split(line, '\t', cells);
        if (!layout)
            layout.emplace(cells, kind);
        else
            addRow(table, *layout, cells);
    });
    return table;
}

// A table of a curated entry for every FMA concept stays far below this; a path
// that leads to more, or to no regular file, is no table.
constexpr std::size_t maxTableBytes = std::size_t {256} << 20;

Table loadTable(const std::filesystem::path& file, TableKind kind)
{
    auto bytes = SmallFile::read(file, maxTableBytes);
    if (!bytes || !UnicodeText::isValidUTF8(*bytes))
        return {};
    // Texts travel to screens and terminals: no control character of the
    // file may colour, move or reverse what they show.
    *bytes = UnicodeText::replacingControls(*bytes, {}, "\t\n\r");
    std::string_view text = *bytes;
    // Spreadsheet programs often start UTF-8 files with a byte order mark; it is
    // not part of the first column's name.
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    return parse(text, kind);
}

std::string replacingWholeWords(std::string text, std::string_view paddedWord)
{
    for (auto found = text.find(paddedWord); found != std::string::npos; found = text.find(paddedWord))
        text.replace(found, paddedWord.size(), " ");
    return text;
}

} // namespace

std::optional<CuratedEntry> Table::entry(std::string_view conceptID, std::string_view nameEN) const
{
    if (auto found = byKey.find(UnicodeText::lowercased(conceptID)); found != byKey.end())
        return found->second;
    if (auto found = byKey.find(normalizeName(nameEN)); found != byKey.end())
        return found->second;
    return std::nullopt;
}

std::optional<CuratedEntry> Table::operator[](std::string_view key) const
{
    if (auto found = byKey.find(UnicodeText::lowercased(key)); found != byKey.end())
        return found->second;
    return std::nullopt;
}

// A missing resource folder is treated like a missing table: the import goes on
// without curated content rather than stopping the program.
Table load(const std::optional<std::filesystem::path>& file)
{
    return loadTable(
        file ? *file : ResourceLocator::resource(moduleName, italianLatinTable), TableKind::italianLatin);
}

Table loadEnglish(const std::optional<std::filesystem::path>& file)
{
    return loadTable(file ? *file : ResourceLocator::resource(moduleName, englishTable), TableKind::english);
}

std::string normalizeName(std::string_view text)
{
    auto padded = " " + UnicodeText::lowercased(text) + " ";
    padded = replacingWholeWords(std::move(padded), " right ");
    padded = replacingWholeWords(std::move(padded), " left ");
    return UnicodeText::collapsingSpaces(padded);
}

} // namespace morvena::CuratedContent
