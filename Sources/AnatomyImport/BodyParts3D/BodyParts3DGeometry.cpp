#include "AnatomyImport/BodyParts3D/BodyParts3DGeometry.h"
#include "AnatomyImport/BodyParts3D/Internal/BodyParts3DStages.h"

#include "AnatomyImport/BodyParts3D/ElementCache.h"
#include "AnatomyImport/Geometry/MeshGeometry.h"
#include "AnatomyImport/Internal/ParallelWork.h"
#include "AnatomyImport/Naming/AnatomyClassifier.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <memory>
#include <optional>
#include <system_error>

namespace morvena::BodyParts3DGeometry {

namespace {

// Progress inside the per-concept loops comes every 40th concept.
constexpr std::size_t progressStride = 40;
// How far up the is-a tree classification looks for a telling name.
constexpr int ancestorLimit = 12;
// Structures smaller than this keep their one level of detail.
constexpr int minTrianglesForLOD = 1200;

bool hasOBJExtension(const std::filesystem::path& file)
{
    auto extension = file.extension().string();
    if (extension.size() != 4 || extension[0] != '.')
        return false;
    for (std::size_t at = 1; at < 4; ++at)
        extension[at] = static_cast<char>(extension[at] | 0x20); // ASCII lower case
    return extension == ".obj";
}

Float3 mean(std::span<const Float3> positions)
{
    double sum[3] = {0, 0, 0};
    for (const auto& p : positions) {
        for (int axis = 0; axis < 3; ++axis)
            sum[axis] += p[axis];
    }
    auto count = static_cast<double>(positions.size());
    return {static_cast<float>(sum[0] / count), static_cast<float>(sum[1] / count),
        static_cast<float>(sum[2] / count)};
}

// The concept's element meshes merged and welded, or nothing when they hold no
// triangle.
std::optional<Loaded> loadConcept(const std::string& conceptID, const Metadata& metadata, ElementCache& cache,
    float weldTolerance, bool& missing)
{
    auto name = metadata.names.find(conceptID);
    Loaded loaded {conceptID, name == metadata.names.end() ? conceptID : name->second};
    RawMesh mesh;
    if (auto elements = metadata.elements.find(conceptID); elements != metadata.elements.end()) {
        for (const auto& element : elements->second) {
            if (!cache.append(element, mesh))
                missing = true;
        }
    }
    if (mesh.isEmpty())
        return std::nullopt;
    if (weldTolerance > 0) {
        auto welded = MeshGeometry::weld(mesh.positions, mesh.indices, weldTolerance);
        mesh.positions = std::move(welded.positions);
        mesh.indices = std::move(welded.indices);
        if (mesh.indices.size() < 3)
            return std::nullopt;
    }
    loaded.positions = std::move(mesh.positions);
    loaded.indices = std::move(mesh.indices);
    loaded.centroid = mean(loaded.positions);
    loaded.bounds = RawMesh::bounds(loaded.positions);
    return loaded;
}

std::string counted(std::string_view lead, std::size_t index, std::size_t count)
{
    return std::string(lead) + std::to_string(index) + "/" + std::to_string(count) + "…";
}

float diagonal(std::span<const Float3> positions)
{
    auto box = RawMesh::bounds(positions);
    float dx = box.max[0] - box.min[0], dy = box.max[1] - box.min[1], dz = box.max[2] - box.min[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

OBJIndex indexOBJFiles(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    std::filesystem::recursive_directory_iterator walk(
        folder, std::filesystem::directory_options::skip_permission_denied, error);
    for (std::filesystem::recursive_directory_iterator end; !error && walk != end; walk.increment(error)) {
        std::error_code ignored;
        if (!walk->is_directory(ignored) && hasOBJExtension(walk->path()))
            files.push_back(walk->path());
    }
    std::sort(files.begin(), files.end());
    OBJIndex index;
    for (auto& file : files)
        index[file.stem().string()] = std::move(file);
    return index;
}

Reading read(std::span<const std::string> concepts, const Metadata& metadata, const OBJIndex& index,
    float weldTolerance, const ImportProgressHandler& progress)
{
    std::vector<std::string_view> listings;
    for (const auto& conceptID : concepts) {
        if (auto elements = metadata.elements.find(conceptID); elements != metadata.elements.end())
            listings.insert(listings.end(), elements->second.begin(), elements->second.end());
    }
    ElementCache cache(index, listings);
    std::vector<std::optional<Loaded>> slots(concepts.size());
    auto missing = std::make_unique<bool[]>(concepts.size()); // value-initialised: false
    ParallelWork::forEach(
        concepts.size(),
        [&](std::size_t item) {
            slots[item] = loadConcept(concepts[item], metadata, cache, weldTolerance, missing[item]);
        },
        progressStride,
        [&](std::size_t item) {
            double fraction = BodyParts3DStages::readingGeometry.after(item, concepts.size());
            progress({fraction, counted("Lettura geometria ", item, concepts.size())});
        });

    Reading reading;
    for (std::size_t item = 0; item < concepts.size(); ++item) {
        if (missing[item])
            reading.missingOBJ.push_back(concepts[item]);
        if (slots[item])
            reading.loaded.push_back(std::move(*slots[item]));
    }
    return reading;
}

Float3 Frame::toMillimetres(const Float3& position) const
{
    auto oriented = orientation.apply(position);
    return {(oriented[0] - centre[0]) * factor, (oriented[1] - centre[1]) * factor,
        (oriented[2] - centre[2]) * factor};
}

std::pair<float, std::string> unitForHeight(float height)
{
    if (height >= 500 && height <= 4000)
        return {1.0f, "unità del dataset interpretate come millimetri"};
    if (height >= 50 && height < 500)
        return {10.0f, "unità del dataset interpretate come centimetri"};
    // The decimetre row starts at 0.5 units on purpose: stored datasets were
    // scaled with this table, so a model 0.5 to 5 units tall is read as
    // decimetres, and only smaller ones as metres.
    if (height >= 0.5f && height < 50)
        return {100.0f, "unità del dataset interpretate come decimetri"};
    return {1000.0f, "unità del dataset interpretate come metri"};
}

Frame frame(std::span<const Loaded> loaded, const Metadata::Table& names)
{
    std::unordered_map<std::string, Float3> centroids;
    RawMesh::Bounds dataset {{FLT_MAX, FLT_MAX, FLT_MAX}, {-FLT_MAX, -FLT_MAX, -FLT_MAX}};
    for (const auto& entry : loaded) {
        centroids.emplace(entry.conceptID, entry.centroid);
        for (int axis = 0; axis < 3; ++axis) {
            dataset.min[axis] = std::min(dataset.min[axis], entry.bounds.min[axis]);
            dataset.max[axis] = std::max(dataset.max[axis], entry.bounds.max[axis]);
        }
    }
    Frame result;
    result.orientation = BodyParts3DImporter::detectOrientation(centroids, names);

    // The orientation only permutes axes and flips signs, so the oriented box
    // of all positions is the box of the oriented corners of their box.
    RawMesh::Bounds body {{FLT_MAX, FLT_MAX, FLT_MAX}, {-FLT_MAX, -FLT_MAX, -FLT_MAX}};
    bool empty = dataset.min[0] > dataset.max[0] || dataset.min[1] > dataset.max[1]
        || dataset.min[2] > dataset.max[2];
    for (int corner = 0; corner < 8 && !empty; ++corner) {
        Float3 point {corner & 1 ? dataset.max[0] : dataset.min[0],
            corner & 2 ? dataset.max[1] : dataset.min[1], corner & 4 ? dataset.max[2] : dataset.min[2]};
        auto oriented = result.orientation.apply(point);
        for (int axis = 0; axis < 3; ++axis) {
            body.min[axis] = std::min(body.min[axis], oriented[axis]);
            body.max[axis] = std::max(body.max[axis], oriented[axis]);
        }
    }
    result.height = body.max[1] - body.min[1];
    for (int axis = 0; axis < 3; ++axis)
        result.centre[axis] = (body.min[axis] + body.max[axis]) / 2;
    std::tie(result.factor, result.unitNote) = unitForHeight(result.height);
    return result;
}

void flipWinding(std::span<std::uint32_t> indices)
{
    for (std::size_t at = 0; at + 2 < indices.size(); at += 3)
        std::swap(indices[at + 1], indices[at + 2]);
}

Classification classify(const std::string& conceptID, const std::string& name, const Metadata& metadata)
{
    auto ancestors = BodyParts3DImporter::ancestorNames(conceptID, metadata, ancestorLimit);
    return {AnatomyClassifier::system(name, ancestors), AnatomyClassifier::region(name, ancestors),
        AnatomyClassifier::laterality(name)};
}

Built build(std::vector<Loaded>&& loaded, const Frame& frame, const Metadata& metadata, bool generateLODs,
    const ImportProgressHandler& progress)
{
    Built built;
    built.meshes.resize(loaded.size());
    built.classification.resize(loaded.size());
    ParallelWork::forEach(
        loaded.size(),
        [&](std::size_t item) {
            auto entry = std::move(loaded[item]);
            for (auto& position : entry.positions)
                position = frame.toMillimetres(position);
            if (frame.orientation.flipsWinding)
                flipWinding(entry.indices);
            auto normals = MeshGeometry::computeNormals(entry.positions, entry.indices);
            std::vector<std::vector<std::uint32_t>> levels;
            if (generateLODs) {
                levels = MeshGeometry::buildLODs(
                    entry.positions, std::move(entry.indices), diagonal(entry.positions), minTrianglesForLOD);
            } else {
                levels.push_back(std::move(entry.indices));
            }
            auto classification = classify(entry.conceptID, entry.name, metadata);
            built.classification[item] = classification;
            built.meshes[item] = {std::move(entry.conceptID), std::move(entry.name), classification.system,
                classification.region, classification.laterality, std::move(entry.positions),
                std::move(normals), std::move(levels)};
        },
        progressStride,
        [&](std::size_t item) {
            double fraction = BodyParts3DStages::buildingGeometry.after(item, loaded.size());
            progress({fraction, counted("Costruzione geometria ", item, loaded.size())});
        });
    for (std::size_t item = 0; item < built.meshes.size(); ++item) {
        if (built.classification[item].system == AnatomySystem::unclassified)
            built.unclassified.push_back(built.meshes[item].conceptID + "\t" + built.meshes[item].name);
    }
    loaded.clear();
    return built;
}

} // namespace morvena::BodyParts3DGeometry
