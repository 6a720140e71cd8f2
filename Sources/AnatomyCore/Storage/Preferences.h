#pragma once

#include "AnatomyCore/Model/AnatomyViewState.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace morvena {

// The user's settings: one JSON file per program in the settings folder, over
// a registration layer of defaults that lives in code and is never written.
// A value stored under a key wins over its default. Every setter writes the
// file at once (atomically, after merging what another instance of the same
// program may have written meanwhile); a write that fails is dropped, as
// settings never stop the program. Safe to use from any thread.
class Preferences {
public:
    // Each program keeps its own settings, so the tool's last dataset is not
    // the viewer's.
    enum class Program { viewer, tool };

    // Chooses the file behind shared(); call before its first use. The viewer
    // is the default. Choosing another program once shared() exists is a
    // programming error and throws std::logic_error.
    static void selectProgram(Program program);
    // The process's instance, created on first use and never destroyed.
    static Preferences& shared();
    // $XDG_CONFIG_HOME/Morvena/viewer.json or mrvtool.json.
    static std::filesystem::path settingsFile(Program program);

    // An instance over an explicit file; shared() is the one programs use.
    explicit Preferences(std::filesystem::path file);
    ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    bool showLabels() const;
    void setShowLabels(bool value);
    bool ghostOthersOnSelect() const;
    void setGhostOthersOnSelect(bool value);
    float ghostOpacity() const;
    void setGhostOpacity(float value);
    int renderQuality() const; // raw value of RenderQuality
    void setRenderQuality(int value);
    float lodBias() const;
    void setLodBias(float value);
    bool darkBackground() const;
    void setDarkBackground(bool value);
    int backgroundPalette() const; // raw value of BackgroundPalette
    void setBackgroundPalette(int value);
    bool showEyesAndTeeth() const;
    void setShowEyesAndTeeth(bool value);
    std::string lastDatasetID() const; // empty when there is none
    void setLastDatasetID(std::string_view value);
    // Nothing when the key is absent or its text does not decode. Storing
    // nothing removes the key; a state with NaN or infinite numbers is not
    // stored, so it never replaces a good remembered view.
    std::optional<AnatomyViewState> lastViewState() const;
    void setLastViewState(const std::optional<AnatomyViewState>& state);

private:
    struct Store;
    std::unique_ptr<Store> store_;
};

} // namespace morvena
