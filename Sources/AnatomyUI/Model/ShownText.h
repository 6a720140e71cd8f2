#pragma once

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Model/AnatomyStructure.h"
#include "AnatomyCore/Model/TaxonomyNode.h"
#include "AnatomyCore/Storage/DatasetManifest.h"

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvena {

// The texts of a dataset as the model hands them to the window. A dataset may come
// from someone else's archive, whose database and manifest no importer of ours has
// read: its names could carry terminal escapes, bells, line breaks or bidirectional
// overrides into the title bar and the inspector. Every name, identifier and card
// text passes through here on its way into the model's properties, cleaned as the
// importers clean what they read. Identifiers are cleaned too: those our importers
// write never hold such characters, so only a hostile dataset's keys change. Names
// are further cleaned of characters that show nothing and cut to a length a window
// lays out at once; identifiers are not, as the window finds rows by them, and are
// cleaned so only where they are drawn (`id`). A name with nothing to show gives way
// to its identifier as drawn, or to `unnamed`.
namespace ShownText {

// The longest name the window shows, in code points. An imported file may name a
// structure with a word of 200,000 letters, or one character of as many combining
// marks; laying either out takes seconds at every width a layout tries.
inline constexpr std::size_t longestName = 300;

// One line: line breaks and tabs become spaces, other controls go.
std::string line(std::string_view text);
// A card text: line breaks stay, tabs become spaces, other controls go.
std::string paragraph(std::string_view text);
// A name: one line without invisible characters (InvisibleCharacters), cut as `cut`
// does; empty when nothing visible is left.
std::string name(std::string_view text);
// An identifier as drawn: one line without invisible characters, cut as a name;
// empty when nothing visible is left. A dataset imported before ids were checked may
// hold ids made of a name with line separators or characters that show nothing.
std::string id(std::string_view text);
// What a structure is called on screen: its name, else its id as drawn, else `unnamed`.
std::string nameOr(std::string_view text, std::string_view conceptID);
inline constexpr std::string_view unnamed = "Struttura senza nome";
// The text cut after `characters` user-perceived characters and after `longestName`
// code points, at the last character boundary within them (inside the first character
// only when that one alone is longer), with "…" where it was cut.
std::string cut(std::string_view text, std::size_t characters = std::numeric_limits<std::size_t>::max());

AnatomyStructure card(AnatomyStructure structure);
AnatomyDB::SearchHit hit(AnatomyDB::SearchHit row);
TaxonomyNode node(TaxonomyNode entry);
AnatomyDB::RelatedStructure related(AnatomyDB::RelatedStructure relation);
// The dataset's id stays as it is: it names a folder and was checked as such.
DatasetManifest manifest(DatasetManifest described);

// Each element through `clean`.
template <class T, class Clean> std::vector<T> each(std::vector<T> items, Clean clean)
{
    for (auto& item : items)
        item = clean(std::move(item));
    return items;
}

} // namespace ShownText

} // namespace morvena
