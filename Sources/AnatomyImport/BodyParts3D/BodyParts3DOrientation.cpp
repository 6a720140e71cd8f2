// Finding how a BodyParts3D release's axes lie in the body, from where a few
// well-known structures sit relative to each other.
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"

#include "AnatomyCore/Support/UnicodeText.h"

#include <cmath>
#include <optional>
#include <span>

namespace morvena {

namespace {

struct Landmarks {
    std::string_view towards; // the end the axis points to
    std::string_view from;
};

struct Slot {
    std::string_view noteLead;
    std::span<const Landmarks> pairs;
};

// Names as the release spells them, tried in order. Paired bones and organs
// give left-right; skull or mandible against a foot bone, sacrum or femur give
// head-foot; sternum against the spine or the back of the skull give front-back.
constexpr Landmarks lateralPairs[] = {
    {"left humerus", "right humerus"},
    {"left femur", "right femur"},
    {"left scapula", "right scapula"},
    {"left lung", "right lung"},
    {"left clavicle", "right clavicle"},
    {"left eyeball", "right eyeball"},
};
constexpr Landmarks cranioCaudalPairs[] = {
    {"skull", "right calcaneus"},
    {"skull", "left calcaneus"},
    {"mandible", "right talus"},
    {"skull", "sacrum"},
    {"frontal bone", "right femur"},
};
constexpr Landmarks anteroPosteriorPairs[] = {
    {"sternum", "vertebral column"},
    {"sternum", "thoracic vertebral column"},
    {"body of sternum", "thoracic vertebral column"},
    {"sternum", "sacrum"},
    {"mandible", "occipital bone"},
};
constexpr Slot slots[] = {
    {"asse latero-laterale da ", lateralPairs},
    {"asse cranio-caudale da ", cranioCaudalPairs},
    {"asse antero-posteriore da ", anteroPosteriorPairs},
};

struct Axis {
    int index;
    float sign;
};

// The dataset axis along which `direction` is largest, among those not used
// yet; zero and NaN components never qualify.
std::optional<Axis> dominantAxis(const Float3& direction, const bool (&used)[3])
{
    std::optional<Axis> best;
    float bestMagnitude = 0;
    for (int axis = 0; axis < 3; ++axis) {
        float magnitude = std::fabs(direction[axis]);
        if (used[axis] || !(magnitude > 0))
            continue;
        if (!best || magnitude > bestMagnitude) {
            best = Axis {axis, direction[axis] >= 0 ? 1.0f : -1.0f};
            bestMagnitude = magnitude;
        }
    }
    return best;
}

// Lower-cased name -> centroid of the lowest concept ID of that name that has
// one. Only concepts with a centroid are looked at, so the table stays small.
std::unordered_map<std::string, std::pair<std::string_view, Float3>> landmarkPositions(
    const std::unordered_map<std::string, Float3>& centroids,
    const BodyParts3DImporter::Metadata::Table& names)
{
    std::unordered_map<std::string, std::pair<std::string_view, Float3>> positions;
    for (const auto& [conceptID, centroid] : centroids) {
        auto name = names.find(conceptID);
        if (name == names.end())
            continue;
        auto [entry, inserted]
            = positions.try_emplace(UnicodeText::lowercased(name->second), conceptID, centroid);
        if (!inserted && conceptID < entry->second.first)
            entry->second = {conceptID, centroid};
    }
    return positions;
}

} // namespace

Float3 BodyParts3DImporter::Orientation::apply(const Float3& p) const
{
    Float3 result {};
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row)
            result[row] += matrix[column][row] * p[column];
    }
    return result;
}

BodyParts3DImporter::Orientation BodyParts3DImporter::detectOrientation(
    const std::unordered_map<std::string, Float3>& centroids, const Metadata::Table& names)
{
    auto positions = landmarkPositions(centroids, names);
    auto position = [&](std::string_view landmark) -> const Float3* {
        auto found = positions.find(std::string(landmark));
        return found == positions.end() ? nullptr : &found->second.second;
    };

    std::optional<Axis> assigned[3];
    bool used[3] = {false, false, false};
    std::vector<std::string> notes;
    for (int slot = 0; slot < 3; ++slot) {
        for (const auto& pair : slots[slot].pairs) {
            const auto* towards = position(pair.towards);
            const auto* from = position(pair.from);
            if (!towards || !from)
                continue;
            notes.push_back(std::string(slots[slot].noteLead) + std::string(pair.towards) + " / "
                + std::string(pair.from));
            Float3 direction {
                (*towards)[0] - (*from)[0], (*towards)[1] - (*from)[1], (*towards)[2] - (*from)[2]};
            if (auto axis = dominantAxis(direction, used)) {
                assigned[slot] = axis;
                used[axis->index] = true;
            }
            break;
        }
    }
    for (int slot = 0; slot < 3; ++slot) {
        if (assigned[slot])
            continue;
        int axis = 0;
        while (used[axis])
            ++axis;
        assigned[slot] = Axis {axis, 1.0f};
        used[axis] = true;
        notes.push_back("asse " + std::to_string(slot) + " assegnato per esclusione");
    }

    Orientation orientation;
    orientation.matrix = {};
    for (int slot = 0; slot < 3; ++slot)
        orientation.matrix[assigned[slot]->index][slot] = assigned[slot]->sign;
    const auto& columns = orientation.matrix;
    if (dot(columns[0], cross(columns[1], columns[2])) < 0) {
        orientation.flipsWinding = true;
        notes.push_back("terna sinistrorsa corretta invertendo l'avvolgimento");
    }
    for (std::size_t index = 0; index < notes.size(); ++index)
        orientation.note += (index ? "; " : "") + notes[index];
    return orientation;
}

} // namespace morvena
