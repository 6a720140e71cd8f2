#pragma once

#include <string>
#include <string_view>

namespace morvena {

// The gender of the first word of a curated Italian name, which the side appended to the name
// agrees with ("arteria femorale destra", "muscolo bicipite destro"). A word ending in "a" is
// feminine and any other masculine, except the head nouns of the curated table that the
// lexicon lists: feminine ones not ending in "a" ("parete", "cavità") and masculine ones ending
// in it ("sistema", "diaframma").
namespace ItalianGender {

// The name's first word (pieces between spaces), lower-cased; empty when the name has none.
std::string headWord(std::string_view italianName);
// Whether the lower-case word is feminine.
bool isFeminine(std::string_view word);
// Whether the lexicon lists the lower-case word: its ending does not tell its gender.
bool isIrregular(std::string_view word);

} // namespace ItalianGender

} // namespace morvena
