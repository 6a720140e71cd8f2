#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// The text of the shader resource, cut into its marked sections. A line of the form
//     //@section name
// starts the section `name`; it runs to the next marker or the end. The section
// "common" (declarations every stage shares) is put in front of each entry point;
// entry points end in "_vertex" or "_fragment", which tells their stage.
class ShaderSource {
public:
    enum class Stage { vertex, fragment };

    struct Section {
        std::string name;
        std::string text;
        int firstLine = 1; // line of the file on which the text begins
    };

    // Throws RendererError::shaderSourceMissing when the file is absent, unreadable or not UTF-8.
    static ShaderSource load(const std::filesystem::path& file);
    explicit ShaderSource(std::string_view text);

    // The entry points in file order ("common" is not one).
    std::vector<std::string> entryPoints() const;
    bool contains(std::string_view entryPoint) const;
    static std::optional<Stage> stage(std::string_view entryPoint);
    // The complete text to compile for one entry point: version line, common part, entry
    // point, with #line directives so compiler messages name the resource's own lines.
    // Empty when the entry point is missing.
    std::string compilationUnit(std::string_view entryPoint) const;

private:
    std::vector<Section> sections_;
    std::map<std::string, std::size_t, std::less<>> byName_;
};

} // namespace morvena
