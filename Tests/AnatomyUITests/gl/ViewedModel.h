#pragma once

#include "GLModel.h"

#include "AnatomyRender/AnatomyScene.h"

#include <cmath>
#include <string>
#include <vector>

namespace morvena::test {

// A loaded dataset shown in a fake view of 64 × 64 points at `scale` pixels per point,
// seen from the front so that each box of boxDataset lies on its own pixels. The
// renderer's clock is the test's, so camera moves finish when the test says.
class ViewedModel : public GLModel {
public:
    explicit ViewedModel(const TestDataset& dataset, double scale = 1)
        : scale(scale)
    {
        install(dataset);
        create().load(dataset.id());
        if (!model->renderer())
            throw std::runtime_error("load failed: " + failure(*model));
        model->renderer()->setClock([this] { return seconds; });
        view = std::make_unique<FakeViewport>(*model, float2 {64, 64}, scale);
        model->viewportReady(view->handle);
        finishCameraMove();
        lookFromFront();
    }

    void lookFromFront()
    {
        context.makeCurrent();
        OrbitCamera camera;
        camera.sceneRadius = std::max(1.0f, model->pack()->radius());
        camera.distance = 32 / std::tan(camera.fovY / 2);
        model->renderer()->setCamera(camera);
    }

    // The drawable pixel at the middle of layout pixel (column, row).
    float2 at(float column, float row) const
    {
        return {static_cast<float>((column + 0.5) * scale), static_cast<float>((row + 0.5) * scale)};
    }
    // The middle of the n-th box of boxDataset, and a point 18 rows above every box.
    float2 onBox(int n) const { return at(static_cast<float>(7 + 10 * n), 30); }
    float2 background() const { return at(30, 1); }

    // Lets a running camera move end, as the next frames would.
    OrbitCamera finishCameraMove()
    {
        seconds += 1;
        drawFrame(*model->renderer(), context);
        return model->renderer()->camera();
    }

    std::vector<std::string> selectedConcepts() const
    {
        std::vector<std::string> concepts;
        for (const auto& card : model->selection())
            concepts.push_back(card.conceptID);
        return concepts;
    }

    double scale;
    double seconds = 100;
    std::unique_ptr<FakeViewport> view;
};

} // namespace morvena::test
