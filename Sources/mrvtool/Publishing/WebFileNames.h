#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvena::tool {

// File names of the web export, one per exported structure, made from concept
// ids. Ids come from the dataset, so a name keeps only what is safe as one plain
// file of one folder: separators, control characters, bytes that are not UTF-8
// and a leading dot become "_", and long ids are cut. Ids that are already safe
// (every FMA id) keep their own name; a name that another structure holds
// gets "~2", "~3"… so no two structures ever write the same file.
class WebFileNames {
public:
    // One name per concept id, aligned with the list.
    explicit WebFileNames(std::span<const std::string> conceptIDs);

    const std::string& operator[](std::size_t i) const { return names_[i]; }
    std::size_t size() const { return names_.size(); }

    // The id with every unsafe byte replaced; empty ids become "_".
    static std::string sanitized(std::string_view conceptID);

private:
    std::vector<std::string> names_;
};

} // namespace morvena::tool
