#pragma once

namespace morvena {
class AnatomyDB;
class AnatomyScene;
} // namespace morvena

namespace morvena::EyesAndTeeth {

// Keeps the eyes and teeth visible whatever systems are shown, in their curated
// colours and with a see-through cornea: the treatment the viewer gives them.
void apply(AnatomyScene& scene, const AnatomyDB& db);

} // namespace morvena::EyesAndTeeth
