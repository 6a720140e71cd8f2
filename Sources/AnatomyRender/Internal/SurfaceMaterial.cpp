#include "AnatomyRender/Internal/SurfaceMaterial.h"

#include <array>

namespace morvena {

namespace {

// Indexed by the system's raw value; the first row equals StructureProps' default.
constexpr std::array<float4, anatomySystemCount> materials {{
    {0.5f, 0.35f, 0.25f, 0.3f},
    {0.34f, 0.55f, 0.14f, 0.3f},
    {0.52f, 0.38f, 0.38f, 0.45f},
    {0.36f, 0.5f, 0.34f, 0.3f},
    {0.38f, 0.46f, 0.32f, 0.3f},
    {0.28f, 0.62f, 0.2f, 0.55f},
    {0.34f, 0.52f, 0.22f, 0.35f},
    {0.58f, 0.28f, 0.22f, 0.32f},
    {0.3f, 0.62f, 0.26f, 0.22f},
    {0.32f, 0.58f, 0.26f, 0.24f},
    {0.44f, 0.44f, 0.32f, 0.36f},
    {0.56f, 0.3f, 0.3f, 0.52f},
    {0.5f, 0.36f, 0.3f, 0.42f},
    {0.48f, 0.38f, 0.3f, 0.42f},
    {0.46f, 0.4f, 0.3f, 0.44f},
    {0.5f, 0.34f, 0.28f, 0.46f},
    {0.26f, 0.7f, 0.24f, 0.4f},
    {0.62f, 0.26f, 0.26f, 0.55f},
}};

} // namespace

float4 surfaceMaterial(AnatomySystem system)
{
    auto raw = rawValue(system);
    return materials[raw < materials.size() ? raw : 0];
}

} // namespace morvena
