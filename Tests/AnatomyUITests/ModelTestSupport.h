#pragma once

#include "AnatomyCore/Storage/Preferences.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Model/AppModelServices.h"
#include "AnatomyUI/Model/ViewportHandle.h"
#include "TemporaryFolder.h"
#include "TestDataset.h"
#include "TestMeshes.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace morvena::test {

// Runs the queued calls posted so far.
inline void runPostedCalls()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

// A data folder of the test's own (AppPaths reads XDG_DATA_HOME on every call) and a
// settings file the test can read back.
class ModelSandbox {
public:
    ModelSandbox()
        : dataHome(folder / "data")
        , settingsFile(folder / "viewer.json")
        , previousDataHome_(std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "")
    {
        std::filesystem::create_directories(dataHome);
        setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
        preferences = std::make_unique<Preferences>(settingsFile);
    }
    ~ModelSandbox() { setenv("XDG_DATA_HOME", previousDataHome_.c_str(), 1); }
    ModelSandbox(const ModelSandbox&) = delete;
    ModelSandbox& operator=(const ModelSandbox&) = delete;

    std::filesystem::path install(const TestDataset& dataset) const { return dataset.install(dataHome); }
    // What another process would read from the settings file now.
    Preferences reread() const { return Preferences(settingsFile); }

    TemporaryFolder folder;
    std::filesystem::path dataHome;
    std::filesystem::path settingsFile;
    std::unique_ptr<Preferences> preferences;

private:
    std::string previousDataHome_;
};

// A dataset of thin boxes named after their concept IDs: "box-<conceptID>".
inline TestDataset boxDataset(
    const std::string& id, const std::vector<std::pair<std::string, AnatomySystem>>& boxes)
{
    TestDataset dataset(id);
    int column = 4;
    for (const auto& [conceptID, system] : boxes) {
        dataset.add(conceptID, "box " + conceptID, system, pixelBox(conceptID, column, 20, column + 6, 40));
        column += 10;
    }
    return dataset;
}

// A viewport that counts what the model asks of it.
struct FakeViewport {
    explicit FakeViewport(float2 bounds = {64, 64}, double scale = 1)
        : handle(std::make_shared<ViewportHandle>())
    {
        handle->requestRedraw = [this] { ++redraws; };
        handle->drawableSize = [bounds, scale] {
            return float2 {static_cast<float>(bounds.x * scale), static_cast<float>(bounds.y * scale)};
        };
        handle->boundsSize = [bounds] { return bounds; };
        handle->backingScale = [scale] { return scale; };
        handle->makeCurrent = [] {};
    }
    // A view of the model's current renderer.
    explicit FakeViewport(const AppModel& model, float2 bounds = {64, 64}, double scale = 1)
        : FakeViewport(bounds, scale)
    {
        handle->renderer = model.renderer();
    }

    int redraws = 0;
    std::shared_ptr<ViewportHandle> handle;
};

// Records every change the model reports.
struct ChangeLog {
    explicit ChangeLog(AppModel& model)
        : connection_(QObject::connect(
            &model, &AppModel::changed, [this](AppModel::Field field) { fields.push_back(field); }))
    {
    }
    ~ChangeLog() { QObject::disconnect(connection_); }
    ChangeLog(const ChangeLog&) = delete;
    ChangeLog& operator=(const ChangeLog&) = delete;
    int count(AppModel::Field field) const
    {
        return static_cast<int>(std::count(fields.begin(), fields.end(), field));
    }
    void clear() { fields.clear(); }

    std::vector<AppModel::Field> fields;

private:
    QMetaObject::Connection connection_;
};

// Every path below the folder, relative to it.
inline std::set<std::string> listing(const std::filesystem::path& folder)
{
    std::set<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        paths.insert(std::filesystem::relative(entry.path(), folder).string());
    return paths;
}

template <class Alternative> bool holds(const AppModel& model)
{
    return std::holds_alternative<Alternative>(model.phase());
}

inline std::string failure(const AppModel& model)
{
    const auto* failed = std::get_if<AppModel::Failed>(&model.phase());
    return failed ? failed->message : std::string("(not failed)");
}

} // namespace morvena::test
