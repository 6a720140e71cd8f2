// The sidebar on its tests' dataset, at its width on a real X server (`xvfb-run -a
// SidebarViewBenchmark`): a click that opens a node of 3,000 children, in a sidebar
// that has read none yet, until the tree is painted again; and the slowest letter of
// "femore" typed into the search field (no full text: the search reads every name).
#include "AnatomyUI/Sidebar/SidebarView.h"
#include "AnatomyUI/Sidebar/TaxonomyNodeDelegate.h"
#include "SidebarDataset.h"
#include "WidgetBenchmarkMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string_view>
#include <variant>

using namespace morvena;
using namespace morvena::test;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// The sidebar over a model whose renderer lives in an offscreen context, its
// hierarchy section open.
class Session {
public:
    Session()
    {
        installSidebarDataset(fixture, true, false);
        fixture.create().load(sidebarDatasetID);
        ready = std::holds_alternative<AppModel::Ready>(fixture.model->phase()) && showNewSidebar();
    }

    // A sidebar of its own, whose tree has opened no node yet.
    bool showNewSidebar()
    {
        view = std::make_unique<SidebarView>(*fixture.model);
        view->resize(272, 900);
        view->show();
        if (view->expandedSection() != SidebarView::Section::tree)
            view->toggleSection(SidebarView::Section::tree);
        QApplication::processEvents();
        tree = view->findChild<QTreeView*>("tree");
        search = view->findChild<QLineEdit*>("searchField");
        return tree && search;
    }

    QModelIndex manyChildrenNode() const { return tree->model()->index(1, 0, tree->model()->index(0, 0)); }

    GLModel fixture;
    std::unique_ptr<SidebarView> view;
    QTreeView* tree = nullptr;
    QLineEdit* search = nullptr;
    bool ready = false;
};

Session* session = nullptr;

void openingThousandsOfChildren(benchmark::State& state)
{
    for (auto _ : state) {
        session->showNewSidebar();
        auto& tree = *session->tree;
        const QRect row = tree.visualRect(session->manyChildrenNode());
        const QPoint chevron(TaxonomyNodeDelegate::chevronRect(row).center().x(), row.center().y());
        const auto start = Clock::now();
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, chevron);
        QApplication::processEvents();
        tree.repaint();
        state.SetIterationTime(seconds(start));
        state.counters["children"] = tree.model()->rowCount(session->manyChildrenNode());
    }
}

void slowestKeystroke(benchmark::State& state)
{
    for (auto _ : state) {
        session->search->clear();
        QApplication::processEvents();
        double slowest = 0;
        for (const char letter : std::string_view("femore")) {
            const auto start = Clock::now();
            QTest::keyClick(session->search, letter);
            session->view->repaint();
            slowest = std::max(slowest, seconds(start));
        }
        state.SetIterationTime(slowest);
    }
    session->search->clear();
}

} // namespace

BENCHMARK(openingThousandsOfChildren)
    ->Iterations(1)
    ->Repetitions(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(slowestKeystroke)->Iterations(1)->Repetitions(10)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(
        argc, argv, session, "SidebarViewBenchmark: the sidebar's dataset did not load");
}
