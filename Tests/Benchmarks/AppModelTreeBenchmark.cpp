// What the sidebar's hierarchy tree asks of the model, over an installed dataset
// imported from the real BodyParts3D tables:
//
//   python3 Tests/Tools/generate_bodyparts3d_meshes.py --metadata <tables> --out /tmp/bp3d-obj --target-mb 8
//   XDG_DATA_HOME=DIR mrvtool import-bodyparts3d --metadata <tables> --obj /tmp/bp3d-obj --no-lod
//   XDG_DATA_HOME=DIR AppModelTreeBenchmark
//
// loads "bodyparts3d" (or $MORVENA_BENCH_DATASET) and times switching the hierarchy
// (its roots), one expanded node (children of every node in turn) and a walk that
// expands every node of a hierarchy, as a user who opens the whole tree would.
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "AnatomyUI/Model/AppModel.h"
#include "TemporaryFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <variant>
#include <vector>

using namespace morvena;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int repetitions = 20;

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class Body> double timed(Body&& body)
{
    const auto start = Clock::now();
    body();
    return milliseconds(Clock::now() - start);
}

struct Walk {
    std::size_t nodes = 0;
    std::size_t edges = 0;
    std::size_t widest = 0;
    int depth = 0;
    std::vector<double> childrenMS; // one per expanded node
};

// Expands every node reachable from the roots once, breadth first.
Walk walk(AppModel& model)
{
    Walk result;
    std::deque<std::pair<std::string, int>> open;
    std::unordered_set<std::string> seen;
    for (const auto& root : model.treeRoots())
        if (seen.insert(root.id).second)
            open.emplace_back(root.id, 1);
    while (!open.empty()) {
        auto [id, depth] = open.front();
        open.pop_front();
        ++result.nodes;
        result.depth = std::max(result.depth, depth);
        std::vector<TaxonomyNode> children;
        result.childrenMS.push_back(timed([&] { children = model.children(id); }));
        result.edges += children.size();
        result.widest = std::max(result.widest, children.size());
        for (const auto& child : children)
            if (seen.insert(child.id).second)
                open.emplace_back(child.id, depth + 1);
    }
    return result;
}

void report(AppModel& model, AppModel::TreeKind kind)
{
    std::vector<double> switches;
    for (int i = 0; i < repetitions; ++i) {
        model.setTreeKind(
            kind == AppModel::TreeKind::isA ? AppModel::TreeKind::partOf : AppModel::TreeKind::isA);
        switches.push_back(timed([&] { model.setTreeKind(kind); }));
    }
    std::vector<double> walks;
    Walk last;
    for (int i = 0; i < repetitions / 4; ++i)
        walks.push_back(timed([&] { last = walk(model); }));
    std::printf("%-7s roots %zu, nodes %zu, edges %zu, depth %d, widest %zu\n",
        std::string(rawValue(kind)).c_str(), model.treeRoots().size(), last.nodes, last.edges, last.depth,
        last.widest);
    std::printf(
        "        setTreeKind median %.3f ms; children median %.4f ms, slowest %.3f ms; walk median %.1f ms\n",
        median(switches), median(last.childrenMS),
        last.childrenMS.empty() ? 0.0 : *std::max_element(last.childrenMS.begin(), last.childrenMS.end()),
        median(walks));
}

} // namespace

int main()
{
    const char* configured = std::getenv("MORVENA_BENCH_DATASET");
    const std::string id = configured && *configured ? configured : "bodyparts3d";
    OffscreenGLContext context;
    const test::TemporaryFolder settings {"morvena-tree-bench"};
    Preferences preferences(settings / "viewer.json");
    AppModelServices services;
    services.preferences = &preferences;
    services.makeCurrent = [&context] { context.makeCurrent(); };
    services.makeRenderer = AppModelServices::rendererFactory(services.makeCurrent);
    AppModel model(std::move(services));
    model.load(id);
    if (!std::holds_alternative<AppModel::Ready>(model.phase())) {
        std::fprintf(stderr, "dataset non caricato: %s\n", id.c_str());
        return 1;
    }
    report(model, AppModel::TreeKind::partOf);
    report(model, AppModel::TreeKind::isA);
    return 0;
}
