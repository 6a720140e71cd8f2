#pragma once

#include <cstdint>
#include <vector>

namespace morvena {
class AnatomyDB;
class AnatomyScene;
} // namespace morvena

// The eyes and teeth stay visible whatever systems are shown, in curated colours
// and with a see-through cornea: one treatment for the viewer and the tool.
namespace morvena::EyesAndTeeth {

// The eye and tooth structures, matched by English name, in database order.
std::vector<std::int64_t> structures(const AnatomyDB& db);
// Gives them their curated colours and the cornea its opacity.
void colour(AnatomyScene& scene, const AnatomyDB& db);
// Both, with the structures as the scene's always-visible set.
void apply(AnatomyScene& scene, const AnatomyDB& db);

} // namespace morvena::EyesAndTeeth
