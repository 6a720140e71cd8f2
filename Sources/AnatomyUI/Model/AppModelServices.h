#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace morvena {

class AnatomyRenderer;
class AnatomyScene;
class MeshPack;
class Preferences;

// What the application model needs from the world outside it. The window layer
// owns the GL context that renderers live in (a Qt GUI object this library cannot
// hold) and hands the model these seams; tests pass their own.
struct AppModelServices {
    using MakeRenderer = std::function<std::shared_ptr<AnatomyRenderer>(
        std::shared_ptr<const MeshPack> pack, std::shared_ptr<AnatomyScene> scene)>;

    // The settings read and written by the model; must outlive it. None means
    // Preferences::shared().
    Preferences* preferences = nullptr;
    // Required. Creates a renderer with the shared context current, and destroys
    // it with that context current again; may throw RendererError.
    MakeRenderer makeRenderer;
    // Required. Makes the shared context current before the model calls into its
    // renderer outside a paint.
    std::function<void()> makeCurrent;
    // Wall-clock time; none means the system clock.
    std::function<std::chrono::system_clock::time_point()> now;

    // makeRenderer for a context that `makeCurrent` selects: the renderer is made
    // and destroyed with it current.
    static MakeRenderer rendererFactory(std::function<void()> makeCurrent);
};

} // namespace morvena
