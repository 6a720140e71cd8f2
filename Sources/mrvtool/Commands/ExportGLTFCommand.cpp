// export-gltf: chosen structures of an installed dataset as one binary glTF file.
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyImport/Export/GLTFExporter.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/DatasetChoice.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/OutputFiles.h"
#include "mrvtool/Refusal.h"
#include "mrvtool/SystemChoice.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace morvena::tool {

namespace {

// Millimetres in the pack, metres in glTF.
constexpr float metresPerMillimetre = 0.001f;

std::vector<std::int64_t> conceptSelection(const AnatomyDB& db, const std::string& conceptID)
{
    auto indices = db.meshIndicesOfConcept(conceptID);
    if (indices.empty()) {
        if (auto structure = db.structure(conceptID); structure && structure->meshIndex)
            indices.push_back(*structure->meshIndex);
    }
    return indices;
}

std::vector<std::int64_t> systemSelection(const AnatomyDB& db, const std::string& text)
{
    std::vector<std::int64_t> indices;
    for (auto system : systemsNamed(UnicodeText::lowercased(text))) {
        for (const auto& hit : db.structures(system))
            if (hit.meshIndex)
                indices.push_back(*hit.meshIndex);
    }
    return indices;
}

std::vector<std::int64_t> selection(const Args& args, const AnatomyDB& db, const MeshPack& pack)
{
    if (auto conceptID = args.option("structure"))
        return conceptSelection(db, *conceptID);
    if (auto system = args.option("system"))
        return systemSelection(db, *system);
    std::vector<std::int64_t> all(pack.structureCount());
    std::iota(all.begin(), all.end(), std::int64_t(0));
    return all;
}

GLTFExporter::Names displayNames(
    std::span<const std::int64_t> indices, const AnatomyDB& db, const MeshPack& pack)
{
    GLTFExporter::Names names;
    for (auto index : indices) {
        if (auto structure = db.structure(pack.conceptID(index)))
            names[index] = structure->displayName();
    }
    return names;
}

} // namespace

void exportGLTFCommand(const Args& args)
{
    auto id = requireDatasetID(args, "Nessun dataset.");
    MeshPack pack(AppPaths::packURL(id));
    AnatomyDB db(AppPaths::databaseURL(id), true);
    auto out = args.url("out").value_or(std::filesystem::current_path() / "anatomia.glb");
    // The level asked for is reported as given; the exporter resolves any level
    // outside the pack's, so narrowing it to its type changes nothing drawn.
    auto requestedLOD = args.integer("lod", 1);
    auto lod = static_cast<int>(std::clamp<long long>(
        requestedLOD, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));

    auto indices = selection(args, db, pack);
    if (indices.empty())
        refuse("Nessuna struttura da esportare.");
    GLTFExporter::Options options;
    options.lod = lod;
    options.coloredMaterials = true;
    options.scale = metresPerMillimetre;
    options.centered = true;
    auto result = GLTFExporter::exportGLB(pack, indices, displayNames(indices, db, pack), options);
    if (!result)
        refuse("Esportazione non riuscita.");

    OutputFiles::deliver(out, result->data);
    Console::print("glTF scritto: " + out.string() + "\n  strutture " + humanCount(result->structureCount)
        + " · triangoli " + humanCount(result->triangleCount) + " · vertici "
        + humanCount(result->vertexCount) + "\n  dimensione "
        + humanCount(static_cast<std::int64_t>(result->data.size() / 1024)) + " KB (LOD "
        + std::to_string(requestedLOD) + ")");
}

} // namespace morvena::tool
