#include "AnatomyImport/Readers/ModelIOLoader.h"

#include "AnatomyImport/Geometry/MeshGeometry.h"
#include "AnatomyImport/Readers/AlembicReader.h"
#include "AnatomyImport/Readers/Internal/PLYLayout.h"
#include "AnatomyImport/Readers/Internal/SourceFile.h"
#include "AnatomyImport/Readers/StoredZip.h"
#include "AnatomyImport/Readers/USDAReader.h"
#include "AnatomyImport/Readers/USDCReader.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>

namespace morvena::ModelIOLoader {

namespace {

using Bytes = std::span<const std::uint8_t>;

std::string lowerCased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string extensionOf(const std::filesystem::path& path)
{
    const std::string extension = path.extension().string();
    return lowerCased(extension.empty() ? extension : extension.substr(1));
}

// --- STL and PLY through Assimp. ---

// Assimp names objects that the file leaves unnamed with placeholders in angle
// brackets ("<STL_BINARY>"); those are no names of the file's own.
std::string ownName(const aiString& name)
{
    const std::string_view text(name.data, name.length);
    if (text.size() >= 2 && text.front() == '<' && text.back() == '>')
        return {};
    return std::string(text);
}

std::optional<RawMesh> convert(const aiMesh& source, const std::string& name)
{
    if (!source.mVertices || source.mNumVertices == 0)
        return std::nullopt;
    RawMesh mesh {name, {}, {}, {}};
    mesh.positions.reserve(source.mNumVertices);
    for (unsigned v = 0; v < source.mNumVertices; ++v)
        mesh.positions.push_back({source.mVertices[v].x, source.mVertices[v].y, source.mVertices[v].z});
    mesh.indices.reserve(std::size_t {source.mNumFaces} * 3);
    for (unsigned f = 0; f < source.mNumFaces && source.mFaces; ++f) {
        const aiFace& face = source.mFaces[f];
        if (!face.mIndices)
            continue;
        // A fan around the first corner; points and lines give no triangle.
        for (unsigned corner = 2; corner < face.mNumIndices; ++corner)
            mesh.indices.insert(
                mesh.indices.end(), {face.mIndices[0], face.mIndices[corner - 1], face.mIndices[corner]});
    }
    MeshGeometry::dropInvalidTriangles(mesh.positions, mesh.indices);
    if (mesh.indices.size() < 3)
        return std::nullopt;
    if (source.mNormals) {
        mesh.normals.reserve(source.mNumVertices);
        for (unsigned v = 0; v < source.mNumVertices; ++v)
            mesh.normals.push_back({source.mNormals[v].x, source.mNormals[v].y, source.mNormals[v].z});
    } else {
        mesh.normals = MeshGeometry::computeNormals(mesh.positions, mesh.indices);
    }
    return mesh;
}

// Depth first, parent before children; the node stands for the object and each
// of its meshes may carry a name of its own.
void walk(const aiScene& scene, const aiNode& node, const std::string& inherited, std::vector<RawMesh>& into)
{
    std::string name = ownName(node.mName);
    if (name.empty())
        name = inherited;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        if (node.mMeshes[i] >= scene.mNumMeshes || !scene.mMeshes[node.mMeshes[i]])
            continue;
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
        const std::string meshName = ownName(mesh.mName);
        if (auto converted = convert(mesh, meshName.empty() ? name : meshName))
            into.push_back(std::move(*converted));
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i) {
        if (node.mChildren[i])
            walk(scene, *node.mChildren[i], name, into);
    }
}

// Assimp is handed the bytes read, never the path: it would open whatever
// the path names, a FIFO or a device included, and read it to its end.
std::vector<RawMesh> loadWithAssimp(Bytes bytes, const std::string& extension)
{
    if (bytes.empty())
        return {};
    Assimp::Importer importer;
    // No pre-transform: vertex data stay as stored. Polygons become fans in
    // convert(): Assimp's own triangulation aborts the process on some faces
    // with non-finite corners.
    const aiScene* scene = importer.ReadFileFromMemory(
        bytes.data(), bytes.size(), aiProcess_ValidateDataStructure, extension.c_str());
    std::vector<RawMesh> meshes;
    if (scene && scene->mRootNode)
        walk(*scene, *scene->mRootNode, std::string(), meshes);
    return meshes;
}

// --- USD layers and packages. ---

bool startsWith(Bytes bytes, std::string_view magic)
{
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

// The header, not the extension, tells a text layer from a binary one.
std::vector<RawMesh> readLayer(Bytes bytes)
{
    if (startsWith(bytes, "#usda"))
        return USDAReader::read(bytes);
    if (startsWith(bytes, "PXR-USDC"))
        return USDCReader::read(bytes);
    return {};
}

// A package's root layer is its first member, whatever its name says.
std::vector<RawMesh> readPackage(Bytes bytes)
{
    const auto entries = StoredZip::entries(bytes);
    if (entries.empty())
        return {};
    return readLayer(entries.front().data);
}

} // namespace

const std::set<std::string>& supportedExtensions()
{
    static const std::set<std::string> extensions {"usd", "usda", "usdc", "usdz", "stl", "ply", "abc"};
    return extensions;
}

std::vector<RawMesh> load(const std::filesystem::path& path)
{
    try {
        return read(path);
    } catch (const std::exception&) {
        // Unreadable, malformed or too large for memory: no meshes, as for any file the readers cannot open.
    }
    return {};
}

std::vector<RawMesh> read(const std::filesystem::path& path)
{
    const std::string extension = extensionOf(path);
    const bool usd = extension == "usd" || extension == "usda" || extension == "usdc" || extension == "usdz";
    if (!supportedExtensions().contains(extension))
        return {};
    std::optional<SourceFile> file;
    try {
        file.emplace(path);
    } catch (const SourceFile::Refused& refusal) {
        throw std::runtime_error("File non leggibile: " + path.string() + " (" + refusal.what() + ")");
    }
    if (extension == "stl" || (extension == "ply" && PLYLayout::isSound(file->bytes())))
        return loadWithAssimp(file->bytes(), extension);
    if (usd)
        return extension == "usdz" ? readPackage(file->bytes()) : readLayer(file->bytes());
    if (extension == "abc")
        return AlembicReader::read(file->bytes());
    return {};
}

} // namespace morvena::ModelIOLoader
