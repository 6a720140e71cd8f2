// render: one installed dataset drawn offscreen by the viewer's renderer into a PNG file.
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Support/AtomicFile.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/EyesAndTeeth.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "AnatomyRender/PNGEncoder.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/DatasetChoice.h"
#include "mrvtool/DrawableSize.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/OutputFiles.h"
#include "mrvtool/Output/TerminalText.h"
#include "mrvtool/Refusal.h"
#include "mrvtool/SystemChoice.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace morvena::tool {

namespace {

constexpr long long defaultWidth = 1600;
constexpr long long defaultHeight = 1000;
// One orbit step between timed renders, in points of pointer travel.
constexpr float benchmarkOrbitX = 6.0f;
constexpr float benchmarkOrbitY = 1.5f;

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        auto end = text.find(separator, start);
        parts.push_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// The timed renders asked for; a negative count is refused before anything is drawn.
std::optional<long long> benchmarkCount(const Args& args)
{
    auto text = args.option("benchmark");
    auto count = text ? parseInteger(*text) : std::nullopt;
    if (count && *count < 0)
        refuse("Il numero di frame di --benchmark non può essere negativo: " + *text);
    return count;
}

// "--systems": a comma-separated list of words matched against the systems' names.
// An empty word would match every name, so a stray comma is passed over.
void applySystems(const Args& args, AnatomyScene& scene)
{
    auto value = args.option("systems");
    if (!value)
        return;
    auto word = UnicodeText::lowercased(*value);
    if (word == "tutti" || word == "all") {
        scene.visibleSystems = allSystems();
        return;
    }
    std::set<AnatomySystem> systems;
    for (auto part : split(word, ',')) {
        if (auto name = UnicodeText::trimmingBlanks(part); !name.empty())
            std::ranges::copy(systemsNamed(name), std::inserter(systems, systems.end()));
    }
    if (systems.empty()) {
        std::string lines = "Nessun sistema corrisponde a \"" + *value + "\". Valori possibili:";
        for (auto system : allAnatomySystems())
            lines += "\n  " + std::string(italianName(system));
        refuse(lines);
    }
    scene.visibleSystems = std::move(systems);
}

// "--opacity": word=value entries; malformed entries and values that are not finite
// numbers are skipped.
void applyOpacities(const Args& args, AnatomyScene& scene)
{
    auto value = args.option("opacity");
    if (!value)
        return;
    for (auto entry : split(*value, ',')) {
        auto parts = split(entry, '=');
        if (parts.size() != 2)
            continue;
        auto opacity = parseDecimal(std::string(UnicodeText::trimmingBlanks(parts[1])));
        auto word = UnicodeText::lowercased(UnicodeText::trimmingBlanks(parts[0]));
        if (!opacity || !std::isfinite(*opacity) || word.empty())
            continue;
        for (auto system : systemsNamed(word))
            scene.systemOpacity[system] = static_cast<float>(*opacity);
    }
}

void applyExplodeAndClip(const Args& args, AnatomyScene& scene)
{
    if (auto explode = args.number("explode"))
        scene.explode = static_cast<float>(*explode);
    auto clip = args.option("clip");
    if (!clip)
        return;
    ClipPlane plane;
    plane.axis = clip->starts_with("tra") ? ClipAxis::transverse
        : clip->starts_with("fro")        ? ClipAxis::frontal
                                          : ClipAxis::sagittal;
    auto offset = args.number("clip-offset");
    plane.offset = offset ? static_cast<float>(*offset) : 0.0f;
    plane.flipped = args.flag("clip-flip");
    scene.clip = plane;
}

void applyRendererSettings(const Args& args, AnatomyRenderer& renderer)
{
    renderer.setDarkBackground(!args.flag("light"));
    if (args.flag("debug-ao"))
        renderer.setDebugView(1);
    if (auto bg = args.option("bg")) {
        renderer.setBackgroundPalette(bg->starts_with("avo") ? BackgroundPalette::avorio
                : bg->starts_with("cli")                     ? BackgroundPalette::clinico
                                                             : BackgroundPalette::neutro);
        renderer.setDarkBackground(false);
    }
    if (auto quality = args.option("quality")) {
        renderer.setQuality(quality->starts_with("alta") ? RenderQuality::alta
                : quality->starts_with("prest")          ? RenderQuality::prestazioni
                                                         : RenderQuality::standard);
    }
    if (auto intensity = args.number("ao"))
        renderer.setAmbientOcclusionIntensity(static_cast<float>(*intensity));
    if (auto radius = args.number("ao-radius"))
        renderer.setAmbientOcclusionRadius(static_cast<float>(*radius));
    if (auto exposure = args.number("exposure"))
        renderer.setExposure(static_cast<float>(*exposure));
}

// The pack indices of a concept: its linked meshes, else its own.
std::vector<std::int64_t> conceptIndices(
    const AnatomyDB& db, const MeshPack& pack, const std::string& conceptID)
{
    auto indices = db.meshIndicesOfConcept(conceptID);
    if (indices.empty()) {
        if (auto structure = db.structure(conceptID); structure && structure->meshIndex)
            indices.push_back(*structure->meshIndex);
    }
    // A database that disagrees with its pack must not reach the scene.
    std::erase_if(indices,
        [&pack](std::int64_t i) { return i < 0 || static_cast<std::size_t>(i) >= pack.structureCount(); });
    return indices;
}

void frameStructure(const Args& args, const std::string& conceptID, const AnatomyDB& db, const MeshPack& pack,
    AnatomyRenderer& renderer, float aspect)
{
    auto indices = conceptIndices(db, pack, conceptID);
    if (indices.empty())
        refuse("Struttura senza geometria: " + conceptID);
    auto& scene = *renderer.scene();
    scene.selected.assign(indices);
    for (auto index : indices)
        scene.visibleSystems.insert(scene.system(index));
    if (args.flag("isolate"))
        scene.isolate(indices);
    if (args.flag("ghost"))
        scene.ghostOthers = true;
    renderer.frameStructures(indices, aspect, false);
    std::string names;
    for (std::size_t i = 0; i < indices.size() && i < 3; ++i)
        names += (i ? ", " : "") + TerminalText::field(pack.name(indices[i]));
    Console::print("Inquadrate " + std::to_string(indices.size()) + " strutture: " + names);
}

void runBenchmark(AnatomyRenderer& renderer, int width, int height, long long count)
{
    std::vector<double> times;
    for (long long i = 0; i < count; ++i) {
        renderer.camera().orbit(benchmarkOrbitX, benchmarkOrbitY);
        auto start = std::chrono::steady_clock::now();
        renderer.renderImage(width, height);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::ranges::sort(times);
    double median = times.empty() ? 0 : times[times.size() / 2];
    double worst = times.empty() ? 0 : times.back();
    Console::print(format("  benchmark %zu frame a %d×%d: mediana %.2f ms (%.0f FPS), peggiore %.2f ms",
        times.size(), width, height, median, 1000 / std::max(median, 0.001), worst));
}

} // namespace

void renderCommand(const Args& args)
{
    auto id = requireDatasetID(args, "Nessun dataset installato.");
    auto benchmark = benchmarkCount(args);
    auto out = args.url("out").value_or(std::filesystem::current_path() / "anatomia.png");
    auto pack = std::make_shared<const MeshPack>(AppPaths::packURL(id));
    AnatomyDB db(AppPaths::databaseURL(id), true);
    auto scene = std::make_shared<AnatomyScene>(pack, defaultVisibleSystems());
    if (!args.flag("no-extras"))
        EyesAndTeeth::apply(*scene, db);
    applySystems(args, *scene);
    applyOpacities(args, *scene);
    applyExplodeAndClip(args, *scene);

    OffscreenGLContext context;
    AnatomyRenderer renderer(pack, scene);
    applyRendererSettings(args, renderer);
    auto requestedWidth = args.integer("width", defaultWidth);
    auto requestedHeight = args.integer("height", defaultHeight);
    DrawableSize::refuseOversized(requestedWidth, requestedHeight);
    // Below 2 pixels the renderer gives no image, which is reported after framing.
    int width = static_cast<int>(std::max(requestedWidth, 0LL));
    int height = static_cast<int>(std::max(requestedHeight, 0LL));
    float aspect = width > 0 && height > 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;

    if (auto conceptID = args.option("structure"))
        frameStructure(args, *conceptID, db, *pack, renderer, aspect);
    else
        renderer.frameAll(aspect, false);
    if (auto preset = args.option("view"); preset && cameraPreset(*preset))
        renderer.apply(*cameraPreset(*preset), false);

    auto image = renderer.renderImage(width, height);
    if (!image)
        refuse("Rendering non riuscito.");
    auto png = PNGEncoder::encode(*image);
    if (!png)
        refuse("Codifica PNG non riuscita.");
    OutputFiles::deliver(out, *png);
    Console::print("Immagine scritta: " + out.string() + " (" + std::to_string(width) + "×"
        + std::to_string(height) + ")\n  strutture visibili " + std::to_string(scene->visibleStructureCount())
        + " su " + std::to_string(pack->structureCount()));
    if (benchmark)
        runBenchmark(renderer, width, height, *benchmark);
}

} // namespace morvena::tool
