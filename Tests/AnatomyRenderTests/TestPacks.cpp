#include "TestPacks.h"

#include "AnatomyCore/Pack/MeshPackBuilder.h"

#include <array>

namespace morvena::test {

namespace {

constexpr std::array<std::uint32_t, 36> cubeTriangles {
    0, 1, 3, 0, 3, 2, // x = −h
    4, 6, 7, 4, 7, 5, // x = +h
    0, 4, 5, 0, 5, 1, // y = −h
    2, 3, 7, 2, 7, 6, // y = +h
    0, 2, 6, 0, 6, 4, // z = −h
    1, 5, 7, 1, 7, 3, // z = +h
};

MeshPackBuilder::Mesh cubeMesh(const TestCube& cube, std::size_t position)
{
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = "C" + std::to_string(position);
    mesh.name = "cube " + std::to_string(position);
    mesh.system = cube.system;
    for (int corner = 0; corner < 8; ++corner) {
        float h = cube.halfSize;
        mesh.positions.push_back(
            cube.center + Float3 {corner & 4 ? h : -h, corner & 2 ? h : -h, corner & 1 ? h : -h});
    }
    for (std::size_t count : cube.lodIndexCounts) {
        std::vector<std::uint32_t> indices(count);
        for (std::size_t k = 0; k < count; ++k)
            indices[k] = cubeTriangles[k % cubeTriangles.size()];
        mesh.lodIndices.push_back(std::move(indices));
    }
    return mesh;
}

} // namespace

std::shared_ptr<MeshPack> makeCubePack(const TemporaryFolder& folder, const std::vector<TestCube>& cubes)
{
    MeshPackBuilder builder;
    for (std::size_t i = 0; i < cubes.size(); ++i)
        builder.add(cubeMesh(cubes[i], i));
    auto url = folder / "geometry.mrvpack";
    builder.write(url, "Test", "");
    return std::make_shared<MeshPack>(url);
}

} // namespace morvena::test
