// bench and pick-test: timing and picking checks of the viewer's renderer, drawn offscreen.
#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "mrvtool/Commands/Commands.h"
#include "mrvtool/DatasetChoice.h"
#include "mrvtool/DrawableSize.h"
#include "mrvtool/Output/Console.h"
#include "mrvtool/Output/Formatting.h"
#include "mrvtool/Output/TerminalText.h"
#include "mrvtool/Refusal.h"
#include "mrvtool/SystemChoice.h"

#include <algorithm>
#include <array>
#include <limits>

namespace morvena::tool {

namespace {

constexpr double frameBudgetMS = 1000.0 / 60.0;
constexpr int pickRepetitions = 20;
constexpr int pickTolerance = 7;
constexpr std::string_view noStructure = "nessuna struttura";

struct Scenario {
    std::string_view name;
    std::set<AnatomySystem> systems;
    bool transparent = false;
    bool closeUp = false;
};

struct PickPoint {
    std::string_view name;
    float x; // in drawable pixels
    float y;
};

struct Drawable {
    int width = 0;
    int height = 0;

    float2 size() const { return {static_cast<float>(width), static_cast<float>(height)}; }
    float aspect() const { return static_cast<float>(width) / static_cast<float>(height); }
};

// Width and height from the options, refused unless the GPU of the current context can
// draw them.
Drawable drawableFrom(const Args& args, long long defaultWidth, long long defaultHeight)
{
    auto width = args.integer("width", defaultWidth);
    auto height = args.integer("height", defaultHeight);
    DrawableSize::refuseUnusable(width, height);
    return {static_cast<int>(width), static_cast<int>(height)};
}

std::array<Scenario, 4> scenarios()
{
    return {{
        {"scheletro + muscoli (default)", defaultVisibleSystems(), false, false},
        {"tutti i sistemi", allSystems(), false, false},
        {"tutti, muscoli trasparenti", allSystems(), true, false},
        {"ravvicinato (LOD pieno)", allSystems(), false, true},
    }};
}

std::array<PickPoint, 3> pickPoints(Drawable drawable)
{
    float w = static_cast<float>(drawable.width);
    float h = static_cast<float>(drawable.height);
    return {{
        {"centro del torace", 0.5f * w, 0.38f * h},
        {"coscia", 0.5f * w - w / 22, 0.66f * h},
        {"sfondo vuoto", 0.12f * w, 0.5f * h},
    }};
}

std::string milliseconds(double value)
{
    return format("%.2f ms", value);
}

// Times one scenario; returns its 95th percentile.
double benchScenario(
    const Scenario& scenario, const std::shared_ptr<const MeshPack>& pack, Drawable drawable, int frames)
{
    auto scene = std::make_shared<AnatomyScene>(pack, scenario.systems);
    if (scenario.transparent) {
        scene->systemOpacity[AnatomySystem::muscular] = 0.3f;
        scene->systemOpacity[AnatomySystem::integument] = 0.25f;
    }
    AnatomyRenderer renderer(pack, scene);
    renderer.frameAll(drawable.aspect(), false);
    if (scenario.closeUp) {
        auto& camera = renderer.camera();
        camera.distance = pack->radius() * 0.35f;
        camera.target = pack->center() + Float3 {0, pack->radius() * 0.45f, 0};
    }
    auto result = renderer.benchmark(drawable.width, drawable.height, frames);
    // Times of a second or more outgrow their columns; rcell keeps them apart.
    Console::print(cell(scenario.name, 34) + rcell(milliseconds(result.medianMS), 10)
        + rcell(milliseconds(result.p95MS), 10) + rcell(milliseconds(result.worstMS), 10)
        + rcell(milliseconds(result.cpuMedianMS), 9) + rcell(std::to_string(result.drawCalls), 7)
        + rcell(humanCount(result.triangles), 12));
    return result.p95MS;
}

void benchPicking(const std::shared_ptr<const MeshPack>& pack, Drawable drawable)
{
    auto scene = std::make_shared<AnatomyScene>(pack, allSystems());
    AnatomyRenderer renderer(pack, scene);
    renderer.frameAll(drawable.aspect(), false);
    Console::print("\nSelezione (picking GPU)");
    for (const auto& point : pickPoints(drawable)) {
        auto result = renderer.benchmarkPick({point.x, point.y}, drawable.size(), pickRepetitions);
        auto hit = result.hit ? TerminalText::field(pack->name(*result.hit)) : std::string(noStructure);
        Console::print("  " + cell(point.name, 20) + rcell(milliseconds(result.medianMS), 9)
            + rcell(std::to_string(result.structures), 5) + " strutture, "
            + rpad(humanCount(result.triangles), 8) + " triangoli   → " + hit);
    }
}

// The vertex of the structure nearest to the eye among every `divisor`-th part of its
// range; none when the structure has no vertex in the pack.
std::optional<Float3> nearestVertex(
    const MeshPack& pack, const PackStructure& record, Float3 eye, std::uint32_t divisor)
{
    auto vertices = pack.vertices();
    if (record.vertexStart >= vertices.size())
        return std::nullopt;
    if (record.vertexCount == 0)
        return vertices[record.vertexStart].position();
    auto step = std::max<std::uint32_t>(record.vertexCount / divisor, 1);
    std::optional<Float3> nearest;
    float nearestDistance = 0;
    for (std::uint64_t v = record.vertexStart, end = std::uint64_t(record.vertexStart) + record.vertexCount;
         v < end; v += step) {
        auto position = vertices[v].position();
        auto d = position - eye;
        float distance = d.x * d.x + d.y * d.y + d.z * d.z;
        if (!nearest || distance < nearestDistance) {
            nearest = position;
            nearestDistance = distance;
        }
    }
    return nearest;
}

// Picks at the projection of the structure's vertex nearest to the eye; none when
// that vertex is behind the camera.
std::optional<std::optional<std::int64_t>> pickNearestVertex(AnatomyRenderer& renderer, const MeshPack& pack,
    std::int64_t index, std::uint32_t divisor, Drawable drawable)
{
    const auto& record = pack.structures()[static_cast<std::size_t>(index)];
    auto vertex = nearestVertex(pack, record, renderer.camera().position(), divisor);
    if (!vertex)
        return std::nullopt;
    auto point = renderer.camera().project(*vertex, drawable.size());
    if (!point)
        return std::nullopt;
    return renderer.pick({point->x, point->y}, drawable.size(), pickTolerance);
}

struct RoundTrip {
    std::size_t tested = 0;
    std::size_t exact = 0;
    std::vector<std::string> failures;
};

// Every stride-th structure alone on screen, clicked at its nearest surface point.
RoundTrip roundTrip(AnatomyRenderer& renderer, const MeshPack& pack, std::size_t stride, Drawable drawable)
{
    constexpr std::uint32_t sampledVertices = 400;
    RoundTrip trip;
    auto& scene = *renderer.scene();
    for (std::size_t i = 0; i < pack.structureCount(); i += stride) {
        auto index = static_cast<std::int64_t>(i);
        std::array<std::int64_t, 1> alone {index};
        scene.isolate(alone);
        scene.selected.clear();
        renderer.frameStructures(alone, drawable.aspect(), false);
        if (pack.structures()[i].vertexCount <= 8)
            continue;
        auto hit = pickNearestVertex(renderer, pack, index, sampledVertices, drawable);
        if (!hit)
            continue;
        ++trip.tested;
        if (*hit == index)
            ++trip.exact;
        else
            trip.failures.push_back(TerminalText::field(pack.name(index)) + " → "
                + (*hit ? TerminalText::field(pack.name(**hit)) : std::string(noStructure)));
    }
    scene.clearIsolation();
    return trip;
}

void printRoundTrip(const RoundTrip& trip, bool full)
{
    auto percentage = trip.tested == 0 ? 0 : trip.exact * 100 / trip.tested;
    Console::print(
        "Selezione, prova di andata e ritorno su " + std::to_string(trip.tested) + " strutture isolate");
    Console::print("  punto cliccato = vertice della superficie più vicino alla telecamera");
    Console::print("  corrispondenza esatta: " + std::to_string(trip.exact) + "/"
        + std::to_string(trip.tested) + " (" + std::to_string(percentage) + "%)");
    if (trip.failures.empty())
        return;
    std::string lines = "  casi non esatti:";
    for (std::size_t i = 0; i < trip.failures.size() && i < (full ? 200u : 10u); ++i)
        lines += "\n      " + trip.failures[i];
    Console::print(lines);
}

constexpr std::array<std::string_view, 12> pickTargets {"skull", "mandible", "body of sternum", "right femur",
    "left humerus", "right patella", "right gluteus maximus", "left soleus", "heart", "right lung", "liver",
    "right kidney"};

// The structure a target name stands for: the hit with exactly that English name,
// else the first hit with geometry.
std::optional<std::int64_t> targetIndex(const AnatomyDB& db, const MeshPack& pack, std::string_view target)
{
    auto hits = db.search(target, 12);
    auto exact = std::ranges::find_if(
        hits, [target](const auto& hit) { return UnicodeText::lowercased(hit.nameEN) == target; });
    if (exact == hits.end() || !exact->meshIndex)
        exact = std::ranges::find_if(hits, [](const auto& hit) { return hit.meshIndex.has_value(); });
    if (exact == hits.end() || *exact->meshIndex < 0
        || static_cast<std::size_t>(*exact->meshIndex) >= pack.structureCount())
        return std::nullopt;
    return *exact->meshIndex;
}

void pickTargetsInDefaultScene(
    AnatomyRenderer& renderer, const AnatomyDB& db, const MeshPack& pack, Drawable drawable)
{
    constexpr std::uint32_t sampledVertices = 300;
    Console::print("\nScena di default (scheletro + muscoli): struttura colpita puntando");
    Console::print("  " + cell("bersaglio", 26) + cell("selezionato", 34) + "sistema");
    for (auto target : pickTargets) {
        auto index = targetIndex(db, pack, target);
        auto hit
            = index ? pickNearestVertex(renderer, pack, *index, sampledVertices, drawable) : std::nullopt;
        if (!hit)
            continue;
        std::string selected(noStructure);
        std::string system = "—";
        if (auto picked = *hit) {
            auto row = db.structure(pack.conceptID(*picked));
            selected = TerminalText::field(row ? row->displayName() : pack.name(*picked));
            system = italianName(renderer.scene()->system(*picked));
        }
        Console::print("  " + cell(target, 26) + cell(selected, 34) + system);
    }
}

} // namespace

void benchCommand(const Args& args)
{
    auto id = requireDatasetID(args, "Nessun dataset.");
    // Without a frame there is nothing to time and no verdict to give.
    auto requestedFrames = args.integer("frames", 40);
    if (requestedFrames < 1)
        refuse("Il numero di frame di --frames deve essere almeno 1: " + *args.option("frames"));
    auto pack = std::make_shared<const MeshPack>(AppPaths::packURL(id));
    OffscreenGLContext context;
    auto drawable = drawableFrom(args, 3024, 1890);
    // The header shows the count as given; the renderer cannot finish more frames
    // than its type holds either way.
    auto frames = static_cast<int>(std::min<long long>(requestedFrames, std::numeric_limits<int>::max()));
    Console::print("Prestazioni di rendering — " + std::to_string(drawable.width) + "×"
        + std::to_string(drawable.height) + ", MSAA 4×, " + std::to_string(requestedFrames)
        + " frame per scenario");
    Console::print(pad("scenario", 34) + rpad("mediana", 10) + rpad("95°", 10) + rpad("peggiore", 10)
        + rpad("CPU", 9) + rpad("draw", 7) + rpad("triangoli", 12));
    double worstP95 = 0;
    for (const auto& scenario : scenarios())
        worstP95 = std::max(worstP95, benchScenario(scenario, pack, drawable, frames));
    benchPicking(pack, drawable);
    Console::print("\nMargine a 60 FPS (" + format("%.2f", frameBudgetMS)
        + " ms per frame): 95° percentile peggiore " + format("%.2f", worstP95) + " ms → "
        + (worstP95 >= frameBudgetMS ? "NON rientra" : "rientra"));
}

void pickTestCommand(const Args& args)
{
    auto id = requireDatasetID(args, "Nessun dataset.");
    // Zero samples would leave nothing to divide the structures by; a negative count
    // gives a stride below 2, so every structure is tested.
    auto samples = args.integer("samples", 120);
    if (samples == 0)
        refuse("Il valore di --samples non può essere zero.");
    auto pack = std::make_shared<const MeshPack>(AppPaths::packURL(id));
    AnatomyDB db(AppPaths::databaseURL(id), true);
    auto scene = std::make_shared<AnatomyScene>(pack, allSystems());
    OffscreenGLContext context;
    auto drawable = drawableFrom(args, 1400, 1800);
    AnatomyRenderer renderer(pack, scene);

    auto structures = static_cast<long long>(pack->structureCount());
    auto stride = static_cast<std::size_t>(std::max(structures / samples, 1LL));
    printRoundTrip(roundTrip(renderer, *pack, stride, drawable), args.flag("full"));

    scene->visibleSystems = defaultVisibleSystems();
    renderer.frameAll(drawable.aspect(), false);
    if (auto preset = args.option("view"); preset && cameraPreset(*preset))
        renderer.apply(*cameraPreset(*preset), false);
    pickTargetsInDefaultScene(renderer, db, *pack, drawable);
}

} // namespace morvena::tool
