#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/BodyParts3D/Internal/BodyParts3DStages.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DGeometry.h"
#include "AnatomyImport/ImportError.h"
#include "AnatomyImport/Internal/DatasetStaging.h"
#include "AnatomyImport/Internal/ImportManifest.h"
#include "AnatomyImport/Internal/ParallelWork.h"
#include "AnatomyImport/Naming/AnatomyClassifier.h"
#include "AnatomyImport/Naming/CuratedContent.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

namespace morvena {

namespace {

using Geometry = BodyParts3DGeometry::Built;
using Classification = BodyParts3DGeometry::Classification;
using Coverage = std::map<std::string, std::set<std::int64_t>>;
using StructureIndex = std::unordered_map<std::string, std::int64_t>;

constexpr int ancestorLimit = 12;

std::string formatted(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The keys of a hash table in ascending order, so that rows reach the
// database in the same order on every run.
template <typename Table> std::vector<const std::string*> sortedKeys(const Table& table)
{
    std::vector<const std::string*> keys;
    keys.reserve(table.size());
    for (const auto& entry : table)
        keys.push_back(&entry.first);
    std::sort(keys.begin(), keys.end(), [](const auto* a, const auto* b) { return *a < *b; });
    return keys;
}

// Everything the database receives, computed before its transaction opens.
struct Rows {
    std::vector<AnatomyStructure> structures;
    std::vector<TaxonomyNode> concepts;
    std::vector<AnatomyDB::TaxonomyEdge> isaEdges;
    std::vector<AnatomyDB::TaxonomyEdge> partofEdges;
    std::vector<AnatomyDB::ConceptMesh> conceptMeshes;
    std::vector<AnatomyRelation> relations;
};

struct LoadedConcepts {
    std::vector<std::string> ids; // in load order
    std::vector<std::string> names;
    std::vector<Classification> classification;
    std::unordered_map<std::string, std::size_t> position;
};

// Which structures each concept's element files ended up in: the structure
// whose concept carried the file last, for the is-a and part-of element lists
// alike.
Coverage coverage(const BodyParts3DImporter::Metadata& metadata, const LoadedConcepts& loaded,
    const StructureIndex& structureIndex)
{
    std::unordered_map<std::string, std::int64_t> owner;
    for (const auto& conceptID : loaded.ids) {
        auto index = structureIndex.find(conceptID);
        auto elements = metadata.elements.find(conceptID);
        if (index == structureIndex.end() || elements == metadata.elements.end())
            continue;
        for (const auto& element : elements->second)
            owner[element] = index->second;
    }
    Coverage result;
    for (const auto* lists : {&metadata.elements, &metadata.partofElements}) {
        for (const auto& [conceptID, elements] : *lists) {
            for (const auto& element : elements) {
                if (auto found = owner.find(element); found != owner.end())
                    result[conceptID].insert(found->second);
            }
        }
    }
    return result;
}

std::vector<AnatomyStructure> structureRows(
    const LoadedConcepts& loaded, const StructureIndex& structureIndex, const CuratedContent::Table& curated)
{
    std::vector<AnatomyStructure> rows;
    rows.reserve(loaded.ids.size());
    for (std::size_t item = 0; item < loaded.ids.size(); ++item) {
        AnatomyStructure structure {.conceptID = loaded.ids[item],
            .nameEN = loaded.names[item],
            .system = loaded.classification[item].system,
            .region = loaded.classification[item].region,
            .laterality = loaded.classification[item].laterality,
            .contentSource = FieldSource::dataset,
            .datasetName = std::string(BodyParts3DImporter::datasetName)};
        if (auto index = structureIndex.find(structure.conceptID); index != structureIndex.end())
            structure.meshIndex = index->second;
        if (auto entry = curated.entry(structure.conceptID, structure.nameEN))
            entry->apply(structure);
        rows.push_back(std::move(structure));
    }
    return rows;
}

std::vector<TaxonomyNode> conceptRows(const BodyParts3DImporter::Metadata& metadata,
    const LoadedConcepts& loaded, const Coverage& covered, const StructureIndex& structureIndex,
    const CuratedContent::Table& curated)
{
    std::vector<TaxonomyNode> rows;
    rows.reserve(covered.size());
    for (const auto& [conceptID, indices] : covered) {
        std::string name = conceptID;
        if (auto found = metadata.names.find(conceptID); found != metadata.names.end())
            name = found->second;
        else if (auto other = metadata.partofNames.find(conceptID); other != metadata.partofNames.end())
            name = other->second;
        TaxonomyNode node {conceptID, name};
        if (auto position = loaded.position.find(conceptID); position != loaded.position.end()) {
            node.system = loaded.classification[position->second].system;
        } else {
            node.system = AnatomyClassifier::system(
                name, BodyParts3DImporter::ancestorNames(conceptID, metadata, ancestorLimit));
        }
        if (auto entry = curated.entry(conceptID, name))
            node.nameIT = entry->applying(AnatomyClassifier::laterality(name)).nameIT;
        node.hasMesh = structureIndex.contains(conceptID);
        node.meshDescendants = static_cast<std::int64_t>(indices.size());
        rows.push_back(std::move(node));
    }
    return rows;
}

std::vector<AnatomyDB::TaxonomyEdge> edges(
    const BodyParts3DImporter::Metadata::Lists& children, const Coverage& covered, std::string_view kind)
{
    std::vector<AnatomyDB::TaxonomyEdge> result;
    for (const auto* parent : sortedKeys(children)) {
        for (const auto& child : children.at(*parent)) {
            if (covered.contains(child))
                result.push_back({*parent, child, std::string(kind)});
        }
    }
    return result;
}

Rows databaseRows(const BodyParts3DImporter::Metadata& metadata, const LoadedConcepts& loaded,
    const StructureIndex& structureIndex, const CuratedContent::Table& curated)
{
    Rows rows;
    rows.structures = structureRows(loaded, structureIndex, curated);
    auto covered = coverage(metadata, loaded, structureIndex);
    rows.concepts = conceptRows(metadata, loaded, covered, structureIndex, curated);
    for (const auto& [conceptID, indices] : covered) {
        for (auto index : indices)
            rows.conceptMeshes.push_back({conceptID, index});
    }
    rows.isaEdges = edges(metadata.isaChildren, covered, "isA");
    rows.partofEdges = edges(metadata.partofChildren, covered, "partOf");
    for (const auto* parent : sortedKeys(metadata.partofChildren)) {
        for (const auto& child : metadata.partofChildren.at(*parent)) {
            if (structureIndex.contains(child))
                rows.relations.push_back({child, *parent, RelationKind::partOf, FieldSource::dataset});
        }
    }
    return rows;
}

void writeDatabase(
    AnatomyDB& db, const Rows& rows, const std::vector<std::pair<std::string, std::string>>& meta)
{
    db.transaction([&] {
        db.insert(std::span<const AnatomyStructure>(rows.structures));
        db.insert(std::span<const TaxonomyNode>(rows.concepts));
        db.insertTaxonomy(rows.isaEdges);
        db.insertTaxonomy(rows.partofEdges);
        db.insertConceptMeshes(rows.conceptMeshes);
        db.insert(std::span<const AnatomyRelation>(rows.relations));
        for (const auto& [key, value] : meta)
            db.setMeta(key, value);
    });
}

std::string manifestNotes(
    const BodyParts3DGeometry::Frame& frame, float heightMM, std::size_t unclassified, std::size_t missing)
{
    std::vector<std::string> notes {
        "Orientamento rilevato dai dati: " + frame.orientation.note + ".",
        "Scala: " + frame.unitNote + "; altezza del modello " + formatted("%.0f", heightMM) + " mm.",
        "Strutture senza sistema assegnato: " + std::to_string(unclassified) + ".",
    };
    if (missing > 0)
        notes.push_back("Concetti con element file mancanti: " + std::to_string(missing) + ".");
    std::string joined;
    for (const auto& note : notes) {
        if (note.empty())
            continue;
        joined += (joined.empty() ? "" : " ") + note;
    }
    return joined;
}

DatasetManifest manifestFor(const std::string& datasetID, const std::vector<AnatomyStructure>& structures,
    const MeshPack& pack, std::string notes)
{
    DatasetManifest manifest;
    manifest.id = datasetID;
    manifest.displayName = BodyParts3DImporter::displayName;
    manifest.version = BodyParts3DImporter::version;
    manifest.sourceURL = BodyParts3DImporter::sourceURL;
    manifest.license = BodyParts3DImporter::license;
    manifest.attribution = BodyParts3DImporter::attribution;
    ImportManifest::count(manifest, structures, pack);
    manifest.notes = std::move(notes);
    return manifest;
}

LoadedConcepts loadedConcepts(const Geometry& geometry)
{
    LoadedConcepts loaded;
    for (std::size_t item = 0; item < geometry.meshes.size(); ++item) {
        loaded.position.emplace(geometry.meshes[item].conceptID, item);
        loaded.ids.push_back(geometry.meshes[item].conceptID);
        loaded.names.push_back(geometry.meshes[item].name);
    }
    loaded.classification = geometry.classification;
    return loaded;
}

} // namespace

BodyParts3DImporter::BodyParts3DImporter(Options options)
    : opt(std::move(options))
{
}

BodyParts3DImporter::Result BodyParts3DImporter::finish(DatasetStaging& staging, std::string_view datasetID,
    Result result, const ImportProgressHandler& progress, const std::atomic<bool>& stop)
{
    if (stop)
        throw ImportError::cancelled();
    result.keptDatabase = staging.commit();
    result.packURL = AppPaths::packURL(datasetID);
    result.databaseURL = AppPaths::databaseURL(datasetID);
    if (progress)
        progress({BodyParts3DStages::done, "Importazione completata."});
    return result;
}

BodyParts3DImporter::Result BodyParts3DImporter::run(const ImportProgressHandler& progress) const
{
    return run(progress, importNeverStopped);
}

BodyParts3DImporter::Result BodyParts3DImporter::run(
    const ImportProgressHandler& finalProgress, const std::atomic<bool>& stop) const
{
    // Every report before the commit is a place to stop; the last one, after it, is not.
    const auto progress = stoppingAtReports(finalProgress, stop);
    // A dataset id that cannot name a folder fails before any work is done.
    AppPaths::validateDatasetID(opt.datasetID);
    auto metadata = loadMetadata(progress);

    progress({BodyParts3DStages::indexingFiles, "Indicizzazione dei file OBJ…"});
    auto index = BodyParts3DGeometry::indexOBJFiles(opt.objDir);
    if (index.empty())
        throw ImportError::noOBJFiles(opt.objDir.string());
    auto concepts = structureConcepts(metadata);
    if (concepts.empty())
        throw ImportError::noStructures();

    auto reading = BodyParts3DGeometry::read(concepts, metadata, index, opt.weldTolerance, progress);
    index.clear();
    if (reading.loaded.empty())
        throw ImportError::noStructures();

    progress({BodyParts3DStages::findingOrientation, "Determinazione di orientamento e scala…"});
    auto frame = BodyParts3DGeometry::frame(reading.loaded, metadata.names);
    float heightMM = frame.height * frame.factor;
    auto geometry
        = BodyParts3DGeometry::build(std::move(reading.loaded), frame, metadata, opt.generateLODs, progress);
    auto loaded = loadedConcepts(geometry);

    DatasetStaging staged(opt.datasetID);
    auto packURL = staged.folder() / AppPaths::packFileName;
    auto databaseURL = staged.folder() / AppPaths::databaseFileName;
    progress({BodyParts3DStages::writingPack, "Scrittura del pack geometrico…"});
    {
        MeshPackBuilder builder;
        for (auto& mesh : geometry.meshes)
            builder.add(std::move(mesh));
        geometry.meshes = {};
        builder.sortForLocality();
        std::move(builder).write(packURL, datasetName, attribution, ParallelWork::threadCount());
    }

    progress({BodyParts3DStages::buildingDatabase, "Costruzione del database anatomico…"});
    Result result;
    result.unclassified = std::move(geometry.unclassified);
    result.missingOBJ = std::move(reading.missingOBJ);
    {
        MeshPack pack(packURL);
        const auto& structureIndex = pack.indexByConceptID();
        AnatomyDB db(databaseURL, false);
        db.createSchema();
        auto curated = CuratedContent::load(opt.curatedTSV);
        auto rows = databaseRows(metadata, loaded, structureIndex, curated);
        writeDatabase(db, rows,
            {{"dataset", std::string(datasetName)}, {"attribution", std::string(attribution)},
                {"license", std::string(license)}, {"sourceURL", std::string(sourceURL)},
                {"orientation", frame.orientation.note}, {"units", "millimetri; " + frame.unitNote},
                {"isaRoot", std::string(isaRoot)}, {"partofRoot", std::string(partofRoot)},
                {"conceptCount", std::to_string(rows.concepts.size())},
                {"bodyHeightMM", formatted("%.1f", heightMM)}});
        result.manifest = manifestFor(opt.datasetID, rows.structures, pack,
            manifestNotes(frame, heightMM, result.unclassified.size(), result.missingOBJ.size()));
        result.manifest.write(staged.folder() / AppPaths::manifestFileName);
    } // the database and the pack mapping close before the folder moves

    return finish(staged, opt.datasetID, std::move(result), finalProgress, stop);
}

} // namespace morvena
