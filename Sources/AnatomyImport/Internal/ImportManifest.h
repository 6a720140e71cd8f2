#pragma once

#include "AnatomyCore/Model/AnatomyStructure.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/DatasetManifest.h"

#include <span>

namespace morvena {

// What both importers put into the manifest of the dataset they have built.
namespace ImportManifest {

// Sets the import time (now, in whole seconds as the file keeps it), the
// structure count, the written pack's level-0 triangles and its vertices, the
// structures per system (keyed by raw value, only systems that occur) and the
// Italian names of the systems, unclassified aside, that have no structure.
void count(DatasetManifest& manifest, std::span<const AnatomyStructure> structures, const MeshPack& pack);

} // namespace ImportManifest

} // namespace morvena
