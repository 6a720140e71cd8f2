// export-web: a folder of static files for the web viewer — one GLB model and
// one JSON record per structure, two context models, an index, the systems and
// the export's metadata.
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyImport/Export/GLTFExporter.h"
#include "AnatomyImport/Naming/CuratedContent.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/DatasetChoice.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/OutputFiles.h"
#include "mrvtool/Publishing/WebFileNames.h"
#include "mrvtool/Publishing/WebRecords.h"
#include "mrvtool/Usage.h"

#include <algorithm>
#include <climits>

namespace morvena::tool {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t progressEvery = 100;
constexpr int contextLOD = 2;

GLTFExporter::Options modelOptions(int lod)
{
    return {.lod = lod, .coloredMaterials = true, .scale = 0.001f, .centered = true};
}

// Invalid UTF-8 from the database is written as U+FFFD rather than failing the export.
template <typename Json> std::string serialized(const Json& document, int indent = -1)
{
    return document.dump(indent, ' ', false, Json::error_handler_t::replace);
}

std::vector<AnatomyStructure> meshedStructures(const AnatomyDB& db, long long limit)
{
    auto structures = db.allStructures();
    std::erase_if(structures, [](const auto& structure) { return !structure.meshIndex; });
    if (limit >= 1 && static_cast<unsigned long long>(limit) < structures.size())
        structures.resize(static_cast<std::size_t>(limit));
    return structures;
}

class WebExport {
public:
    WebExport(const MeshPack& pack, const AnatomyDB& db, fs::path folder, int lod)
        : pack_(pack)
        , db_(db)
        , folder_(std::move(folder))
        , lod_(lod)
        , english_(CuratedContent::loadEnglish())
    {
    }

    void structures(const std::vector<AnatomyStructure>& records)
    {
        std::vector<std::string> ids;
        for (const auto& structure : records)
            ids.push_back(structure.conceptID);
        WebFileNames names(ids);
        for (std::size_t p = 0; p < records.size(); ++p) {
            if (p % progressEvery == 0)
                Console::writeError(
                    "\r  " + std::to_string(p) + "/" + std::to_string(records.size()) + " strutture…");
            structure(records[p], names[p]);
        }
        Console::writeError("\r");
    }

    void contextModels()
    {
        OutputFiles::makeFolder(folder_ / "models" / "context");
        for (auto [name, system] : {std::pair {"scheletro", AnatomySystem::skeletal},
                 std::pair {"cute", AnatomySystem::integument}}) {
            std::vector<std::int64_t> indices;
            for (const auto& hit : db_.structures(system))
                if (hit.meshIndex)
                    indices.push_back(*hit.meshIndex);
            if (indices.empty())
                continue;
            if (auto model = GLTFExporter::exportGLB(pack_, indices, {}, modelOptions(contextLOD))) {
                OutputFiles::replace(
                    folder_ / "models" / "context" / (std::string(name) + ".glb"), model->data);
                totalBytes_ += static_cast<std::int64_t>(model->data.size());
            }
        }
    }

    // `requestedLOD` is the level as given, which meta.json reports.
    void documents(const std::optional<DatasetManifest>& manifest, std::int64_t requestedLOD)
    {
        OutputFiles::replace(folder_ / "data" / "index.json", serialized(index_));
        OutputFiles::replace(
            folder_ / "data" / "systems.json", serialized(WebRecords::systems(db_.countsBySystem()), 2));
        OutputFiles::replace(folder_ / "data" / "meta.json",
            serialized(
                WebRecords::meta(manifest, modelCount_, requestedLOD, std::chrono::system_clock::now()), 2));
    }

    std::int64_t modelCount() const { return modelCount_; }
    std::int64_t recordCount() const { return static_cast<std::int64_t>(index_.size()); }
    std::int64_t totalBytes() const { return totalBytes_; }

private:
    void structure(const AnatomyStructure& structure, const std::string& fileName)
    {
        std::int64_t meshIndex = *structure.meshIndex;
        const bool inPack = meshIndex >= 0 && static_cast<std::size_t>(meshIndex) < pack_.structureCount();
        if (inPack) {
            GLTFExporter::Names names {{meshIndex, structure.displayName()}};
            std::array<std::int64_t, 1> only {meshIndex};
            if (auto model = GLTFExporter::exportGLB(pack_, only, names, modelOptions(lod_))) {
                OutputFiles::replace(folder_ / "models" / (fileName + ".glb"), model->data);
                totalBytes_ += static_cast<std::int64_t>(model->data.size());
                ++modelCount_;
            }
        }
        auto english = english_.entry(structure.conceptID, structure.nameEN);
        auto related = db_.related(structure.conceptID);
        auto ancestry = db_.ancestry(structure.conceptID, "partOf", WebRecords::ancestryDepth);
        WebRecords::Context context {
            .geometry = inPack ? &pack_.structures()[static_cast<std::size_t>(meshIndex)] : nullptr,
            .lod = lod_,
            .related = related,
            .ancestry = ancestry,
            .english = english ? &*english : nullptr,
        };
        OutputFiles::replace(folder_ / "data" / "s" / (fileName + ".json"),
            serialized(WebRecords::record(structure, context)));
        index_.push_back(WebRecords::indexEntry(structure, english.has_value()));
    }

    const MeshPack& pack_;
    const AnatomyDB& db_;
    fs::path folder_;
    int lod_;
    CuratedContent::Table english_;
    nlohmann::ordered_json index_ = nlohmann::ordered_json::array();
    std::int64_t modelCount_ = 0;
    std::int64_t totalBytes_ = 0;
};

} // namespace

void exportWebCommand(const Args& args)
{
    auto id = requireDatasetID(args, "Nessun dataset.");
    auto folder = args.url("out");
    if (!folder)
        usage();
    MeshPack pack(AppPaths::packURL(id));
    AnatomyDB db(AppPaths::databaseURL(id), true);
    auto manifest = DatasetManifest::read(AppPaths::manifestURL(id));
    auto requestedLOD = args.integer("lod", 1);
    int lod = static_cast<int>(std::clamp<long long>(requestedLOD, INT_MIN, INT_MAX));

    OutputFiles::makeFolder(*folder / "models");
    OutputFiles::makeFolder(*folder / "data" / "s");
    auto records = meshedStructures(db, args.integer("limit", 0));
    WebExport web(pack, db, *folder, lod);
    web.structures(records);
    web.contextModels();
    web.documents(manifest, requestedLOD);

    Console::print("Esportazione web in " + folder->string());
    Console::print("  modelli    " + humanCount(web.modelCount()) + " file .glb (LOD "
        + std::to_string(requestedLOD) + ")");
    Console::print("  schede     " + humanCount(web.recordCount()) + " file .json");
    Console::print("  dimensione " + humanCount(web.totalBytes() / 1048576) + " MB di geometria");
}

} // namespace morvena::tool
