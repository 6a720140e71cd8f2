// Loads arbitrary bytes as a glTF asset: a JSON document (first byte even) or
// a GLB container, with the part after a "=====" line as the external buffer
// "buffer.bin" beside it. Every mesh must index only its own positions, and no
// buffer may be read from outside the asset's folder: the file "outside.bin"
// next to that folder holds floats no input can otherwise produce.
#include "AnatomyImport/Readers/GLTFLoader.h"
#include "FuzzSupport.h"
#include "MeshPromises.h"

#include <algorithm>
#include <array>
#include <cstring>

using namespace morvena;
using namespace morvena::fuzz;

namespace {

constexpr float sentinel = 1234.5625f;

const std::filesystem::path& outsideFile()
{
    static const auto file = [] {
        auto path = sandbox() / "outside.bin";
        std::array<float, 4096> floats;
        floats.fill(sentinel);
        writeFile(path, {reinterpret_cast<const std::uint8_t*>(floats.data()), sizeof floats});
        return path;
    }();
    return file;
}

bool mentionsSentinel(Bytes input)
{
    std::array<std::uint8_t, sizeof sentinel> pattern;
    std::memcpy(pattern.data(), &sentinel, sizeof sentinel);
    const auto text = textOf(input);
    return std::search(input.begin(), input.end(), pattern.begin(), pattern.end()) != input.end()
        || text.find("data:") != std::string_view::npos;
}

bool readsSentinel(const std::vector<RawMesh>& meshes)
{
    return std::ranges::any_of(meshes, [](const RawMesh& mesh) {
        return std::ranges::any_of(mesh.positions, [](const auto& position) {
            float x; // the first of the three packed coordinates
            std::memcpy(&x, &position, sizeof x);
            return x == sentinel;
        });
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    outsideFile();
    static const auto folder = sandbox() / "asset";
    resetFolder(folder);
    const auto input = bytesOf(data + 1, size - 1);
    const auto parts = splitParts(input, 2);
    const auto asset = folder / ((data[0] & 1) ? "model.glb" : "model.gltf");
    writeFile(asset, parts[0]);
    if (parts.size() > 1)
        writeFile(folder / "buffer.bin", parts[1]);

    std::vector<RawMesh> meshes;
    try {
        meshes = GLTFLoader::load(asset);
    } catch (const GLTFLoader::Failure&) {
        return 0;
    }
    requireSoundMeshes(meshes);
    require(!readsSentinel(meshes) || mentionsSentinel(input));
    return 0;
}
