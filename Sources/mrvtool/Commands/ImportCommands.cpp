// import-bodyparts3d and import: build an installed dataset from source files.
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DamagedDatabase.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/GenericDatasetImporter.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/OutputFiles.h"
#include "mrvtool/Output/ProgressPrinter.h"
#include "mrvtool/Output/TerminalText.h"
#include "mrvtool/Usage.h"

#include <chrono>

namespace morvena::tool {

namespace {

std::string summaryBlock(const BodyParts3DImporter::Result& result, double seconds)
{
    const auto& m = result.manifest;
    return format("Importazione completata in %.1f s", seconds) + "\n  dataset      "
        + TerminalText::field(m.displayName) + "  [" + AppPaths::quotedDatasetID(m.id) + "]"
        + "\n  licenza      " + TerminalText::field(m.license) + "\n  strutture    "
        + humanCount(m.structureCount) + "\n  triangoli    " + humanCount(m.triangleCount)
        + "\n  vertici      " + humanCount(m.vertexCount) + "\n  pack         " + result.packURL.string()
        + "\n  database     " + result.databaseURL.string() + "\n  note         " + m.notes;
}

void reportUnclassified(const BodyParts3DImporter::Result& result, const Args& args)
{
    if (result.unclassified.empty())
        return;
    Console::print("  strutture non classificate: " + std::to_string(result.unclassified.size()));
    if (auto report = args.url("report")) {
        OutputFiles::deliver(*report, join(result.unclassified, "\n"));
        Console::print("  elenco scritto in " + report->string());
    }
}

// Said after the result: the import succeeded, but the user's rows stayed in
// the damaged file.
void reportKeptDatabase(const BodyParts3DImporter::Result& result)
{
    if (result.keptDatabase)
        Console::print(DamagedDatabase::notice(*result.keptDatabase));
}

BodyParts3DImporter::Options bodyParts3DOptions(const Args& args)
{
    BodyParts3DImporter::Options options;
    options.metadataDir = *args.url("metadata");
    options.objDir = *args.url("obj");
    options.datasetID = args.option("id").value_or(std::string(BodyParts3DImporter::defaultDatasetID));
    options.weldTolerance = BodyParts3DImporter::defaultWeldTolerance;
    options.generateLODs = !args.flag("no-lod");
    options.curatedTSV = args.url("curated");
    return options;
}

GenericDatasetImporter::Options genericOptions(const Args& args)
{
    GenericDatasetImporter::Options options;
    options.input = *args.url("input");
    options.datasetID = *args.option("id");
    options.displayName = *args.option("name");
    options.license = *args.option("license");
    options.attribution = *args.option("attribution");
    options.sourceURL = args.option("source").value_or("");
    if (auto units = args.option("units-per-mm"))
        if (auto value = parseDecimal(*units))
            options.unitsPerMillimeter = static_cast<float>(*value);
    if (auto weld = args.option("weld"))
        options.weldTolerance = static_cast<float>(parseDecimal(*weld).value_or(0));
    options.generateLODs = !args.flag("no-lod");
    options.splitOBJGroups = true;
    return options;
}

} // namespace

void importBodyParts3DCommand(const Args& args)
{
    if (!args.option("metadata") || !args.option("obj"))
        usage();
    auto options = bodyParts3DOptions(args);
    AppPaths::validateDatasetID(options.datasetID);
    auto start = std::chrono::steady_clock::now();
    ProgressPrinter printer;
    auto result = BodyParts3DImporter(options).run([&printer](const ImportProgress& p) { printer(p); });
    Console::writeError("\n");
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    Console::print(summaryBlock(result, elapsed.count()));
    if (!result.manifest.missingSystems.empty())
        Console::print("  sistemi assenti nel dataset: " + join(result.manifest.missingSystems, ", "));
    reportUnclassified(result, args);
    reportKeptDatabase(result);
    Preferences::shared().setLastDatasetID(result.manifest.id);
}

void importCommand(const Args& args)
{
    for (const char* required : {"input", "id", "name", "license", "attribution"}) {
        if (!args.option(required)) {
            Console::print(
                "Per importare un dataset servono --input, --id, --name, --license e --attribution:\n"
                "la provenienza di ogni geometria va documentata.");
            usage();
        }
    }
    auto options = genericOptions(args);
    AppPaths::validateDatasetID(options.datasetID);
    // Without this the importer would read nothing and blame the data.
    std::error_code error;
    if (!std::filesystem::exists(options.input, error) && !error)
        throw Fail("File o cartella non trovato: " + options.input.string());
    ProgressPrinter printer;
    auto result = GenericDatasetImporter(options).run([&printer](const ImportProgress& p) { printer(p); });
    Console::writeError("\n");
    Console::print("Importazione completata\n  strutture " + humanCount(result.manifest.structureCount)
        + "\n  triangoli " + humanCount(result.manifest.triangleCount) + "\n  pack      "
        + result.packURL.string());
    reportKeptDatabase(result);
    Preferences::shared().setLastDatasetID(options.datasetID);
}

} // namespace morvena::tool
