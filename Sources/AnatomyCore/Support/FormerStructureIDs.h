#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace morvena {

// Structure ids as the generic import derived them from mesh names before ids
// left out the characters that show nothing. Notes, bookmarks and views saved
// then still name structures so; this tells which structure each such id meant.
class FormerStructureIDs {
public:
    // The id a name gave then, before any suffix made it unique: lower-cased,
    // spaces as "_", invisible characters and line breaks kept.
    static std::string of(std::string_view name);

    void add(std::string_view conceptID, std::string_view name);

    // The one structure whose name gives `formerID`; none where no name does,
    // or several do and the old id may have been any of theirs.
    std::optional<std::string> structureOf(const std::string& formerID) const;

private:
    // No id: more than one name gives the key.
    std::unordered_map<std::string, std::optional<std::string>> structures_;
};

} // namespace morvena
