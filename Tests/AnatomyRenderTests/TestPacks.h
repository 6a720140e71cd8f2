#pragma once

#include "AnatomyCore/Math/Float3.h"
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "TemporaryFolder.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace morvena::test {

// One axis-aligned cube of a test pack. Each level of detail gets the given number
// of indices, the cube's 12 triangles repeated as often as needed.
struct TestCube {
    AnatomySystem system = AnatomySystem::skeletal;
    Float3 center;
    float halfSize = 1;
    std::vector<std::size_t> lodIndexCounts {36};
};

// Writes the cubes, in the given order (structure i is cubes[i]), into a pack in
// the folder and opens it.
std::shared_ptr<MeshPack> makeCubePack(const TemporaryFolder& folder, const std::vector<TestCube>& cubes);

} // namespace morvena::test
