#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyCore/Model/Laterality.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Geometry/RawMesh.h"
#include "AnatomyImport/ImportProgress.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvena {

// The geometry half of a BodyParts3D import: from element files to meshes in
// millimetres in the body's own frame, ready for the pack builder. The
// per-concept work runs on all cores; progress is reported on the calling
// thread.
namespace BodyParts3DGeometry {

using Metadata = BodyParts3DImporter::Metadata;

// Element file ID -> OBJ file.
using OBJIndex = std::unordered_map<std::string, std::filesystem::path>;

// Every file under `folder`, hidden ones and subfolders included, whose
// extension is "obj" in any letter case. Files are taken in path order, so of
// two files of the same name in different folders the one later in that order
// wins whatever the directory listing's order. Unreadable folders are passed
// over; nothing throws.
OBJIndex indexOBJFiles(const std::filesystem::path& folder);

// One concept with geometry: its element meshes merged and welded, still in
// the dataset's units and axes.
struct Loaded {
    std::string conceptID;
    std::string name;
    std::vector<Float3> positions;
    std::vector<std::uint32_t> indices;
    Float3 centroid {}; // plain mean of the positions
    RawMesh::Bounds bounds {}; // of the positions
};

struct Reading {
    std::vector<Loaded> loaded; // in the order of the concepts
    std::vector<std::string> missingOBJ; // concepts with an element file absent or unreadable
};

// Reads and welds the selected concepts. An element file listed by several
// concepts is parsed once and freed after its last use.
Reading read(std::span<const std::string> concepts, const Metadata& metadata, const OBJIndex& index,
    float weldTolerance, const ImportProgressHandler& progress);

// Where the body sits and how big the dataset's unit is.
struct Frame {
    BodyParts3DImporter::Orientation orientation;
    Float3 centre {}; // of the oriented bounding box, in dataset units
    float height = 0; // head to foot, in dataset units
    float factor = 1; // dataset units to millimetres
    std::string unitNote;

    // p -> (M p - centre) x factor.
    Float3 toMillimetres(const Float3& position) const;
};

// Orientation from the loaded concepts' centroids, then unit and centre from
// the oriented bounding box of all their positions.
Frame frame(std::span<const Loaded> loaded, const Metadata::Table& names);

// The unit a body `height` dataset units tall is written in: factor to
// millimetres and the note that says so.
std::pair<float, std::string> unitForHeight(float height);

struct Classification {
    AnatomySystem system = AnatomySystem::unclassified;
    BodyRegion region = BodyRegion::unknown;
    Laterality laterality = Laterality::unpaired;
};

struct Built {
    std::vector<MeshPackBuilder::Mesh> meshes; // in the order of the loaded concepts
    std::vector<Classification> classification; // likewise
    std::vector<std::string> unclassified; // "concept ID<TAB>name" of meshes without a system
};

// Moves every loaded concept into the body frame in millimetres, turns its
// triangles when the frame is a mirror image, gives it normals and levels of
// detail and classifies it. `loaded` is consumed.
Built build(std::vector<Loaded>&& loaded, const Frame& frame, const Metadata& metadata, bool generateLODs,
    const ImportProgressHandler& progress);

// Swaps the second and third corner of every complete triangle.
void flipWinding(std::span<std::uint32_t> indices);

// The classifier's view of a concept: its own name and its ancestors' names.
Classification classify(const std::string& conceptID, const std::string& name, const Metadata& metadata);

} // namespace BodyParts3DGeometry

} // namespace morvena
