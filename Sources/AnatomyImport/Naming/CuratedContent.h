#pragma once

#include "AnatomyImport/Naming/CuratedEntry.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace morvena {

// The hand-written tables of Italian and Latin names and card texts. A table is
// tab-separated UTF-8: comment lines start with "#", the first other non-empty
// line names the columns (in any order), every later line is one entry. Loading
// never fails: whatever cannot be read gives an empty table.
namespace CuratedContent {

struct Table {
    // Every entry is here twice: under its key lower-cased and under
    // normalizeName(key) (once when the two agree).
    std::unordered_map<std::string, CuratedEntry> byKey;

    // The entry for the concept ID in any letter case, else the one for the
    // English name with its side words ignored.
    std::optional<CuratedEntry> entry(std::string_view conceptID, std::string_view nameEN) const;
    // The entry stored under the key lower-cased.
    std::optional<CuratedEntry> operator[](std::string_view key) const;
    // Lookup keys, not rows: a row keyed by an English name usually counts twice.
    std::size_t count() const { return byKey.size(); }
};

// The Italian/Latin table at `file`, or the import module's own table
// "curated_it_la.tsv" when no file is given.
Table load(const std::optional<std::filesystem::path>& file = std::nullopt);
// The English table at `file`, or the import module's own "curated_en.tsv"; its
// entries have no names and no synonyms.
Table loadEnglish(const std::optional<std::filesystem::path>& file = std::nullopt);

// The lookup key of an English name: lower-cased, without the whole words
// "right" and "left", single spaces. Unlike the classifier it keeps hyphens.
std::string normalizeName(std::string_view text);

} // namespace CuratedContent

} // namespace morvena
