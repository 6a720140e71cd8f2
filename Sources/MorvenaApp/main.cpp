// The viewer until its main window exists: the most recently imported dataset in one
// window, a click selecting the structure under the pointer.
#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Storage/AppPaths.h"
#include "AnatomyCore/Storage/DatasetManifest.h"
#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyUI/AnatomyMetalView.h"
#include "AnatomyUI/AnatomyViewportView.h"
#include "AnatomyUI/SharedGLContext.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

#include <clocale>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>

using namespace morvena;

namespace {

constexpr int windowWidth = 1120;
constexpr int windowHeight = 700;
// What the viewer uses for clicks.
constexpr int clickTolerance = 7;

std::shared_ptr<AnatomyRenderer> newestDatasetRenderer(SharedGLContext& context)
{
    auto installed = DatasetManifest::installed();
    if (installed.empty())
        return nullptr;
    auto pack = std::make_shared<const MeshPack>(AppPaths::packURL(installed.front().id));
    auto scene = std::make_shared<AnatomyScene>(pack, defaultVisibleSystems());
    return context.makeRenderer(pack, std::move(scene));
}

void select(AnatomyRenderer& renderer, std::optional<std::int64_t> hit, PointerModifier mode)
{
    auto& selected = renderer.scene()->selected;
    switch (mode) {
    case PointerModifier::none:
        selected.clear();
        if (hit)
            selected.insert(*hit);
        break;
    case PointerModifier::additive:
        if (hit)
            selected.insert(*hit);
        break;
    case PointerModifier::subtractive:
        if (hit)
            selected.erase(*hit);
        break;
    }
}

// The viewport of the renderer, framed on the whole body once it is ready.
AnatomyMetalView* makeViewport(const std::shared_ptr<AnatomyRenderer>& renderer, QWidget& window)
{
    AnatomyViewportView viewport;
    viewport.renderer = renderer;
    std::weak_ptr<AnatomyRenderer> weak = renderer;
    // The view is made below from these callbacks; the select callback finds it here.
    auto view = std::make_shared<QPointer<AnatomyMetalView>>();
    viewport.onSelect = [weak, view](float2 point, PointerModifier mode) {
        auto renderer = weak.lock();
        if (!renderer || !*view)
            return;
        select(*renderer, renderer->pick(point, (*view)->drawableSize(), clickTolerance), mode);
        (*view)->requestRedraw();
    };
    viewport.onViewReady = [weak](AnatomyMetalView& ready) {
        auto size = ready.drawableSize();
        if (auto renderer = weak.lock())
            renderer->frameAll(size.x / std::max(size.y, 1.0f), false);
        ready.requestRedraw();
    };
    *view = viewport.make(&window);
    return *view;
}

QLabel* makeMessage(const QString& text, QWidget& window)
{
    auto* label = new QLabel(text, &window); // owned by the window
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

int main(int argc, char** argv)
{
    Preferences::selectProgram(Preferences::Program::viewer);
    SharedGLContext::prepareApplication();
    QApplication app(argc, argv);
    // QApplication takes the locale's number format; files and reports keep a decimal point.
    std::setlocale(LC_NUMERIC, "C");

    // Declared in this order so that they go in reverse: window, renderer, context, and
    // all of them before the application.
    std::optional<SharedGLContext> context;
    std::shared_ptr<AnatomyRenderer> renderer;
    QWidget window;
    window.setWindowTitle("Morvena");
    window.resize(windowWidth, windowHeight);
    auto* layout = new QVBoxLayout(&window); // owned by the window
    layout->setContentsMargins(0, 0, 0, 0);
    try {
        context.emplace();
        renderer = newestDatasetRenderer(*context);
        if (renderer)
            layout->addWidget(makeViewport(renderer, window));
        else
            layout->addWidget(makeMessage("Nessun dataset installato", window));
    } catch (const std::exception& error) {
        std::cerr << "Morvena: " << error.what() << '\n';
        layout->addWidget(makeMessage(QString::fromStdString(error.what()), window));
    }
    window.show();
    return app.exec();
}
