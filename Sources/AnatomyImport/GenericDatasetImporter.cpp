#include "AnatomyImport/GenericDatasetImporter.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Support/DecimalText.h"
#include "AnatomyCore/Support/FailureText.h"
#include "AnatomyCore/Support/InvisibleCharacters.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/Geometry/MeshGeometry.h"
#include "AnatomyImport/Geometry/RawMesh.h"
#include "AnatomyImport/ImportError.h"
#include "AnatomyImport/Internal/DatasetStaging.h"
#include "AnatomyImport/Internal/ImportManifest.h"
#include "AnatomyImport/Internal/ParallelWork.h"
#include "AnatomyImport/Internal/PendingMesh.h"
#include "AnatomyImport/Naming/AnatomyClassifier.h"
#include "AnatomyImport/Naming/CuratedContent.h"
#include "AnatomyImport/Readers/GLTFLoader.h"
#include "AnatomyImport/Readers/ModelIOLoader.h"
#include "AnatomyImport/Readers/OBJLoader.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <memory>
#include <unordered_set>

namespace morvena {

namespace fs = std::filesystem;

namespace {

using Progress = ImportProgressHandler;

// Structures below this size keep their one level of detail.
constexpr int minTrianglesForLOD = 1200;
constexpr std::string_view partOfKind = "partOf";

// Where each stage of the import lies on the progress bar.
constexpr double findingFiles = 0.02;
constexpr ImportProgress::Stage readingFiles {0.05, 0.45};
constexpr ImportProgress::Stage buildingGeometry {0.55, 0.3};
constexpr double buildingDatabase = 0.9;

std::string lowercasedExtension(const fs::path& file)
{
    auto extension = file.extension().string();
    if (!extension.empty())
        extension.erase(0, 1); // the dot
    return UnicodeText::lowercased(extension);
}

// A folder gives its supported files at any depth, hidden ones included; any
// other input is the one file, whatever its extension. Sorted by path text.
std::vector<fs::path> inputFiles(const fs::path& input)
{
    std::vector<fs::path> files;
    std::error_code error;
    if (!fs::is_directory(input, error)) {
        files.push_back(input);
        return files;
    }
    const auto& extensions = GenericDatasetImporter::supportedExtensions();
    for (fs::recursive_directory_iterator walk(input, fs::directory_options::skip_permission_denied, error),
         end;
         !error && walk != end; walk.increment(error)) {
        std::error_code ignored;
        if (!walk->is_directory(ignored) && extensions.contains(lowercasedExtension(walk->path())))
            files.push_back(walk->path());
    }
    std::ranges::sort(files, {}, [](const fs::path& file) -> const std::string& { return file.native(); });
    return files;
}

// Adds the mesh with only the triangles of finite positions and the vertices
// they use, unless no triangle is left. Points no triangle uses (a non-finite
// one, a cloud around a single triangle) would otherwise fill the pack and
// stretch the box around the model, and with it its centre and the guess of
// its units.
void keepWithTriangles(std::vector<PendingMesh>& kept, RawMesh mesh)
{
    MeshGeometry::keepValidTrianglesAndTheirVertices(mesh);
    if (!mesh.isEmpty())
        kept.emplace_back(std::move(mesh));
}

// One mesh for the whole file, or, when asked and the file has several groups,
// one per group holding only the vertices its triangles use.
std::vector<PendingMesh> meshesOfOBJ(const fs::path& file, bool splitGroups)
{
    auto obj = OBJLoader::load(file);
    std::string baseName = file.stem().string();
    std::vector<PendingMesh> meshes;
    if (splitGroups && obj.groups.size() >= 2) {
        // Every group has a triangle of finite positions: the loader drops
        // the others.
        auto shared = std::make_shared<const OBJLoader::Result>(std::move(obj));
        for (std::size_t group = 0; group < shared->groups.size(); ++group)
            meshes.emplace_back(shared, group, baseName);
        return meshes;
    }
    auto indices = obj.allIndices();
    keepWithTriangles(meshes,
        RawMesh {std::move(baseName), std::move(obj.positions), std::move(obj.normals), std::move(indices)});
    return meshes;
}

std::vector<PendingMesh> kept(std::vector<RawMesh>&& meshes)
{
    std::vector<PendingMesh> result;
    for (auto& mesh : meshes)
        keepWithTriangles(result, std::move(mesh));
    return result;
}

// The meshes with triangles of one file, or why it gave none.
struct FileMeshes {
    std::vector<PendingMesh> meshes;
    std::string failure; // the reader's words, naming the file; empty when there are meshes
};

std::vector<PendingMesh> readFile(const fs::path& file, bool splitOBJGroups)
{
    const auto extension = lowercasedExtension(file);
    if (extension == "gltf" || extension == "glb")
        return kept(GLTFLoader::load(file));
    if (extension == "obj")
        return meshesOfOBJ(file, splitOBJGroups);
    if (!ModelIOLoader::supportedExtensions().contains(extension))
        throw std::runtime_error("formato non supportato");
    return kept(ModelIOLoader::read(file));
}

// A file its reader cannot read gives none, and the reason.
FileMeshes meshesOfFile(const fs::path& file, bool splitOBJGroups)
{
    FileMeshes result;
    try {
        result.meshes = readFile(file, splitOBJGroups);
        if (result.meshes.empty())
            result.failure = file.string() + " — nessun oggetto con triangoli";
    } catch (const std::bad_alloc&) {
        throw ImportError::outOfMemory(file.string()); // not a damaged file: the import stops
    } catch (const std::exception& error) {
        const std::string reason = FailureText::of(error);
        result.failure
            = reason.find(file.string()) != std::string::npos ? reason : file.string() + " — " + reason;
    }
    return result;
}

struct Placement {
    Float3 center {};
    float factor = 1;
};

// Centre of the box around every mesh, and the factor to millimetres: the one
// asked for, else a guess from the box's largest side.
Placement placement(std::span<const PendingMesh> meshes, std::optional<float> unitsPerMillimeter)
{
    std::vector<RawMesh::Bounds> boxes(meshes.size());
    ParallelWork::forEach(
        meshes.size(), [&](std::size_t i) { boxes[i] = meshes[i].bounds(); }, meshes.size(),
        [](std::size_t) {});
    constexpr float largest = std::numeric_limits<float>::max();
    RawMesh::Bounds box {{largest, largest, largest}, {-largest, -largest, -largest}};
    for (const auto& bounds : boxes) {
        for (int k = 0; k < 3; ++k) {
            box.min[k] = std::fmin(box.min[k], bounds.min[k]);
            box.max[k] = std::fmax(box.max[k], bounds.max[k]);
        }
    }
    Placement placement;
    float extent = -largest;
    for (int k = 0; k < 3; ++k) {
        placement.center[k] = (box.min[k] + box.max[k]) / 2;
        extent = std::fmax(extent, box.max[k] - box.min[k]);
    }
    if (unitsPerMillimeter)
        placement.factor = 1 / *unitsPerMillimeter;
    else
        placement.factor = extent > 500 ? 1 : extent > 50 ? 10 : extent > 5 ? 100 : 1000;
    return placement;
}

// A structure as the import classified it.
struct Classified {
    std::string id;
    std::string name;
    AnatomySystem system;
    BodyRegion region;
    Laterality laterality;
};

std::string systemNodeID(AnatomySystem system)
{
    return "system:" + std::to_string(rawValue(system));
}

std::string regionNodeID(AnatomySystem system, BodyRegion region)
{
    return systemNodeID(system) + ":region:" + std::to_string(rawValue(region));
}

// Identifiers handed out so far; those of the synthetic hierarchy count as
// taken from the start, so no structure can pose as a system or region node.
class IdentifierSet {
public:
    IdentifierSet()
    {
        for (auto system : allAnatomySystems()) {
            used_.insert(systemNodeID(system));
            for (auto region : allBodyRegions())
                used_.insert(regionNodeID(system, region));
        }
    }

    // The name lower-cased with blanks as "_" and without what shows nothing,
    // or "structure_" and the mesh's position when nothing is left; made unique
    // by appending "_" and the position as often as needed.
    std::string claim(std::string_view name, std::size_t position)
    {
        std::string id = UnicodeText::lowercased(InvisibleCharacters::visiblePart(name));
        if (id.empty())
            id = "structure " + std::to_string(position);
        std::ranges::replace(id, ' ', '_');
        const std::string suffix = "_" + std::to_string(position);
        while (used_.contains(id))
            id += suffix;
        used_.insert(id);
        return id;
    }

private:
    std::unordered_set<std::string> used_;
};

// Geometry of one mesh in millimetres with its normals and levels of detail.
struct PreparedGeometry {
    std::vector<Float3> positions;
    std::vector<Float3> normals;
    std::vector<std::vector<std::uint32_t>> levels;
};

std::optional<PreparedGeometry> prepare(
    RawMesh mesh, const Placement& place, const GenericDatasetImporter::Options& opt)
{
    const float f = place.factor;
    mesh.transform(f, {-place.center[0] * f, -place.center[1] * f, -place.center[2] * f});
    if (!std::ranges::all_of(mesh.positions, isFinite))
        MeshGeometry::keepValidTrianglesAndTheirVertices(mesh); // scaling can overflow
    if (mesh.indices.size() < 3)
        return std::nullopt;
    PreparedGeometry geometry;
    const bool welding = opt.weldTolerance > 0;
    if (welding) {
        auto welded = MeshGeometry::weld(mesh.positions, mesh.indices, opt.weldTolerance);
        if (welded.indices.size() < 3)
            return std::nullopt;
        geometry.positions = std::move(welded.positions);
        mesh.indices = std::move(welded.indices);
    } else {
        geometry.positions = std::move(mesh.positions);
    }
    if (!welding && mesh.normals.size() == geometry.positions.size())
        geometry.normals = std::move(mesh.normals);
    else
        geometry.normals = MeshGeometry::computeNormals(geometry.positions, mesh.indices);
    if (opt.generateLODs) {
        const auto box = RawMesh::bounds(geometry.positions);
        const float dx = box.max[0] - box.min[0], dy = box.max[1] - box.min[1], dz = box.max[2] - box.min[2];
        const float diagonal = std::sqrt(dx * dx + dy * dy + dz * dz);
        geometry.levels = MeshGeometry::buildLODs(
            geometry.positions, std::move(mesh.indices), diagonal, minTrianglesForLOD);
    } else {
        geometry.levels.push_back(std::move(mesh.indices));
    }
    return geometry;
}

// The part-of tree of body system, region and structure, built from the
// structures that have a mesh.
struct Hierarchy {
    std::vector<TaxonomyNode> nodes;
    std::vector<AnatomyDB::TaxonomyEdge> edges;
    std::vector<AnatomyDB::ConceptMesh> links;
};

struct GroupNode {
    AnatomySystem system;
    std::optional<BodyRegion> region; // absent for a system node
    std::set<std::int64_t> meshes;
};

Hierarchy hierarchyOf(std::span<const AnatomyStructure> structures)
{
    Hierarchy tree;
    std::map<std::string, GroupNode> groups;
    std::set<std::pair<std::string, std::string>> edges;
    for (const auto& structure : structures) {
        if (!structure.meshIndex)
            continue;
        const auto mesh = *structure.meshIndex;
        tree.links.push_back({structure.conceptID, mesh});
        tree.nodes.push_back(
            {structure.conceptID, structure.nameEN, structure.nameIT, true, 1, structure.system});
        const auto systemID = systemNodeID(structure.system);
        const auto regionID = regionNodeID(structure.system, structure.region);
        groups.try_emplace(systemID, GroupNode {structure.system, std::nullopt, {}})
            .first->second.meshes.insert(mesh);
        groups.try_emplace(regionID, GroupNode {structure.system, structure.region, {}})
            .first->second.meshes.insert(mesh);
        if (edges.emplace(systemID, regionID).second)
            tree.edges.push_back({systemID, regionID, std::string(partOfKind)});
        if (edges.emplace(regionID, structure.conceptID).second)
            tree.edges.push_back({regionID, structure.conceptID, std::string(partOfKind)});
        tree.links.push_back({systemID, mesh});
        tree.links.push_back({regionID, mesh});
    }
    for (const auto& [id, group] : groups) {
        const std::string name(group.region ? italianName(*group.region) : italianName(group.system));
        tree.nodes.push_back(
            {id, name, name, false, static_cast<std::int64_t>(group.meshes.size()), group.system});
    }
    return tree;
}

// Reads the files on all cores, reporting each in order, and keeps the meshes
// with triangles, in file order. Throws noStructures, naming the first file that
// failed, when none has any.
std::vector<PendingMesh> readMeshes(
    std::span<const fs::path> files, bool splitOBJGroups, const Progress& progress)
{
    std::vector<FileMeshes> perFile(files.size());
    ParallelWork::forEach(
        files.size(), [&](std::size_t i) { perFile[i] = meshesOfFile(files[i], splitOBJGroups); }, 1,
        [&](std::size_t i) {
            progress({readingFiles.after(i, files.size()), "Lettura " + files[i].filename().string() + "…"});
        });
    std::vector<PendingMesh> meshes;
    for (auto& file : perFile) {
        std::ranges::move(file.meshes, std::back_inserter(meshes));
        file.meshes = {};
    }
    if (meshes.empty() && !perFile.empty())
        throw ImportError::noStructures(perFile.front().failure);
    return meshes;
}

// One mesh ready for the builder, but for its identifier.
struct StagedMesh {
    MeshPackBuilder::Mesh mesh;
    std::size_t position = 0; // among the read meshes, dropped ones included
};

// Places, names and classifies every mesh on all cores, reporting every 25th
// in order; a mesh that welding leaves without a triangle is dropped. Each
// mesh's raw data is freed once its geometry is prepared.
std::vector<StagedMesh> prepareMeshes(std::vector<PendingMesh> meshes, const Placement& place,
    const GenericDatasetImporter::Options& opt, const Progress& progress)
{
    const std::size_t m = meshes.size();
    std::vector<std::optional<MeshPackBuilder::Mesh>> slots(m);
    ParallelWork::forEach(
        m,
        [&](std::size_t i) {
            auto raw = meshes[i].take();
            // Names travel to screens, terminals and exported JSON: each is
            // UTF-8 whatever encoding its file used, and no control character
            // of the file may colour, move or reverse what they show.
            std::string name = UnicodeText::replacingControls(UnicodeText::repairedUTF8(raw.name));
            if (name.empty())
                name = "structure " + std::to_string(i);
            auto geometry = prepare(std::move(raw), place, opt);
            if (!geometry)
                return;
            auto& mesh = slots[i].emplace();
            mesh.system = AnatomyClassifier::system(name);
            mesh.region = AnatomyClassifier::region(name);
            mesh.laterality = AnatomyClassifier::laterality(name);
            mesh.name = std::move(name);
            mesh.positions = std::move(geometry->positions);
            mesh.normals = std::move(geometry->normals);
            mesh.lodIndices = std::move(geometry->levels);
        },
        25,
        [&](std::size_t i) {
            progress({buildingGeometry.after(i, m),
                "Geometria " + std::to_string(i) + "/" + std::to_string(m) + "…"});
        });
    std::vector<StagedMesh> staged;
    for (std::size_t i = 0; i < m; ++i) {
        if (slots[i])
            staged.push_back({std::move(*slots[i]), i});
    }
    return staged;
}

// Hands the meshes to the builder in order under unique identifiers; the
// identifiers depend on the order alone, never on which thread was first.
std::vector<Classified> stageMeshes(std::vector<StagedMesh> staged, MeshPackBuilder& builder)
{
    IdentifierSet identifiers;
    std::vector<Classified> classified;
    classified.reserve(staged.size());
    for (auto& [mesh, position] : staged) {
        mesh.conceptID = identifiers.claim(mesh.name, position);
        classified.push_back({mesh.conceptID, mesh.name, mesh.system, mesh.region, mesh.laterality});
        builder.add(std::move(mesh));
    }
    return classified;
}

// The structure records with their pack indices and curated content.
std::vector<AnatomyStructure> structuresOf(std::span<const Classified> classified,
    const std::unordered_map<std::string, std::int64_t>& indexOf, const std::string& datasetName)
{
    const auto curated = CuratedContent::load();
    std::vector<AnatomyStructure> structures;
    structures.reserve(classified.size());
    for (const auto& entry : classified) {
        auto& structure = structures.emplace_back();
        structure.conceptID = entry.id;
        if (auto found = indexOf.find(entry.id); found != indexOf.end())
            structure.meshIndex = found->second;
        structure.nameEN = entry.name;
        structure.system = entry.system;
        structure.region = entry.region;
        structure.laterality = entry.laterality;
        structure.contentSource = FieldSource::dataset;
        structure.datasetName = datasetName;
        if (auto content = curated.entry(entry.id, entry.name))
            content->apply(structure);
    }
    return structures;
}

void writeDatabase(AnatomyDB& db, std::span<const AnatomyStructure> structures,
    const GenericDatasetImporter::Options& opt, float factor)
{
    const auto tree = hierarchyOf(structures);
    db.transaction([&] {
        db.insert(structures);
        db.insert(std::span<const TaxonomyNode>(tree.nodes));
        db.insertTaxonomy(tree.edges);
        db.insertConceptMeshes(tree.links);
        db.setMeta("dataset", opt.displayName);
        db.setMeta("attribution", opt.attribution);
        db.setMeta("license", opt.license);
        db.setMeta("sourceURL", opt.sourceURL);
        db.setMeta("units", "millimetri (fattore applicato: " + decimalText(factor) + ")");
        db.setMeta("navigationRootKind", partOfKind);
    });
}

DatasetManifest manifestOf(const GenericDatasetImporter::Options& opt,
    std::span<const AnatomyStructure> structures, const MeshPack& pack, std::size_t fileCount)
{
    DatasetManifest manifest;
    manifest.id = opt.datasetID;
    manifest.displayName = opt.displayName;
    manifest.version = "importato";
    manifest.sourceURL = opt.sourceURL;
    manifest.license = opt.license;
    manifest.attribution = opt.attribution;
    ImportManifest::count(manifest, structures, pack);
    manifest.notes = "Importato da " + std::to_string(fileCount)
        + " file. Classificazione basata sui nomi degli oggetti del file di origine.";
    return manifest;
}

} // namespace

GenericDatasetImporter::GenericDatasetImporter(Options options)
    : opt(std::move(options))
{
}

const std::set<std::string>& GenericDatasetImporter::supportedExtensions()
{
    static const std::set<std::string> extensions = [] {
        std::set<std::string> all {"gltf", "glb", "obj"};
        all.insert(ModelIOLoader::supportedExtensions().begin(), ModelIOLoader::supportedExtensions().end());
        return all;
    }();
    return extensions;
}

BodyParts3DImporter::Result GenericDatasetImporter::run(const Progress& progress)
{
    return run(progress, importNeverStopped);
}

BodyParts3DImporter::Result GenericDatasetImporter::run(
    const Progress& finalProgress, const std::atomic<bool>& stop)
{
    // Every report before the commit is a place to stop; the last one, after it, is not.
    const Progress progress = stoppingAtReports(finalProgress, stop);
    // Bad settings are refused before anything is read or written.
    AppPaths::validateDatasetID(opt.datasetID);
    if (opt.unitsPerMillimeter && !(std::isfinite(*opt.unitsPerMillimeter) && *opt.unitsPerMillimeter > 0))
        throw ImportError::invalidUnits(decimalText(*opt.unitsPerMillimeter));

    progress({findingFiles, "Ricerca dei file 3D…"});
    const auto files = inputFiles(opt.input);
    if (files.empty())
        throw ImportError::noOBJFiles(opt.input.string());
    auto meshes = readMeshes(files, opt.splitOBJGroups, progress);
    const auto place = placement(meshes, opt.unitsPerMillimeter);

    progress({buildingGeometry.start, "Costruzione del pack geometrico…"});
    MeshPackBuilder builder;
    const auto classified = stageMeshes(prepareMeshes(std::move(meshes), place, opt, progress), builder);
    if (classified.empty())
        throw ImportError::noStructures();

    // Everything is written beside the installed dataset, which it replaces
    // only once complete.
    DatasetStaging staging(opt.datasetID);
    const auto packFile = staging.folder() / AppPaths::packFileName;
    builder.sortForLocality();
    std::move(builder).write(packFile, opt.displayName, opt.attribution, ParallelWork::threadCount());

    BodyParts3DImporter::Result result;
    {
        MeshPack pack(packFile);
        progress({buildingDatabase, "Costruzione del database anatomico…"});
        AnatomyDB db(staging.folder() / AppPaths::databaseFileName, false);
        db.createSchema();
        const auto structures = structuresOf(classified, pack.indexByConceptID(), opt.displayName);
        writeDatabase(db, structures, opt, place.factor);
        for (const auto& structure : structures)
            if (structure.system == AnatomySystem::unclassified)
                result.unclassified.push_back(structure.nameEN);
        result.manifest = manifestOf(opt, structures, pack, files.size());
        result.manifest.write(staging.folder() / AppPaths::manifestFileName);
    } // the pack and the database are closed before their folder moves
    return BodyParts3DImporter::finish(staging, opt.datasetID, std::move(result), finalProgress, stop);
}

} // namespace morvena
