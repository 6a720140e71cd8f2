#pragma once

#include "AnatomyImport/ImportProgress.h"

// Where each stage of a BodyParts3D import lies on the progress bar.
namespace morvena::BodyParts3DStages {

constexpr double readingMetadata = 0.01;
constexpr double indexingFiles = 0.03;
constexpr ImportProgress::Stage readingGeometry {0.05, 0.45};
constexpr double findingOrientation = 0.52;
constexpr ImportProgress::Stage buildingGeometry {0.55, 0.30};
constexpr double writingPack = 0.87;
constexpr double buildingDatabase = 0.90;
constexpr double done = 1.0;

} // namespace morvena::BodyParts3DStages
