#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyRender/Math/Float4.h"

namespace morvena {

// Four shading constants per body system, copied into StructureProps::material.
// Only the shaders interpret them.
float4 surfaceMaterial(AnatomySystem system);

} // namespace morvena
