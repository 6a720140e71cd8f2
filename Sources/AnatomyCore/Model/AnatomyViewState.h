#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvena {

// A restorable view of a loaded dataset, carried as compact JSON text whose
// keys are the field names: the payload of saved views and the remembered last
// view. Structures are named by concept ID, systems by raw value.
struct AnatomyViewState {
    std::vector<float> cameraTarget; // x, y, z
    float cameraDistance = 0;
    float cameraYaw = 0;
    float cameraPitch = 0;
    std::vector<std::uint32_t> visibleSystems;
    std::map<std::string, float> systemOpacity; // keyed by raw value in decimal, "0" to "17"
    std::vector<std::string> hiddenStructures;
    std::vector<std::string> isolatedStructures;
    std::vector<std::string> selected;
    bool clipEnabled = false;
    int clipAxis = 0; // 0 sagittal, 1 transverse, 2 frontal
    float clipOffset = 0;
    bool clipFlipped = false;
    float explode = 0;
    bool ghostOthers = false;

    bool operator==(const AnatomyViewState&) const = default;

    // False when a number is NaN or infinite; such a state has no JSON form.
    bool isEncodable() const;
    // The JSON text, or "{}" when the state is not encodable.
    std::string encodedString() const;
    // The state in `json`, or nothing when the text is malformed, lacks a key or
    // holds a value of the wrong type. Stored texts are not trusted: unknown
    // systems, opacity keys naming no system and clip axes other than 0-2 are
    // dropped or reset, and opacities are clamped to 0...1. A camera target that
    // is not three numbers is kept as it is: whoever applies the state keeps its
    // own target then.
    static std::optional<AnatomyViewState> decode(std::string_view json);
};

} // namespace morvena
