#pragma once

#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyCore/Download/DatasetDownload.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

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
    using SavePanel = std::function<std::optional<std::filesystem::path>(
        const std::filesystem::path& folder, const std::string& fileName)>;

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
    // Asks the user where to save an exported image, opening in `folder` with
    // `fileName` proposed; none when the user cancels. Runs a nested event loop.
    // None means no export is ever saved.
    SavePanel savePanel;
    // Tells the user that what they asked for failed: the image export, or a note, a
    // bookmark or a saved view the database refused. Gets the model's message; may run
    // a nested event loop. None tells nothing (the message stays in lastMessage).
    std::function<void(const std::string& message)> showFailure;
    // Tells the user what they must know of an import or download that
    // succeeded: a damaged installed database kept beside the new one. Gets the
    // model's message; may run a nested event loop. None tells nothing (the
    // message stays in lastMessage).
    std::function<void(const std::string& message)> showNotice;

    // Background work: the catalog fetch, and an import or a download. The
    // model keeps the thread, requests its stop and joins it. None means a plain
    // std::jthread.
    using StartJob = std::function<std::jthread(std::function<void(std::stop_token)> work)>;
    StartJob startJob;
    // Fetches the catalog at the address on a job's thread; ends soon after the
    // flag is set. None means DatasetCatalog::load.
    std::function<DatasetCatalog(const std::string& address, const std::atomic<bool>& stop)> loadCatalog;
    // Where the catalog is fetched from; empty means DatasetCatalog::url().
    std::string catalogAddress;
    // Creates a download that reports to the handler. None means DatasetDownload.
    std::function<std::unique_ptr<DatasetDownload>(DatasetCatalog::Entry, DatasetDownload::StageHandler)>
        makeDownload;

    // makeRenderer for a context that `makeCurrent` selects: the renderer is made
    // and destroyed with it current.
    static MakeRenderer rendererFactory(std::function<void()> makeCurrent);
};

} // namespace morvena
