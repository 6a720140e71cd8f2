#pragma once

#include "../ModelTestSupport.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/OffscreenGLContext.h"

#include <epoxy/gl.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace morvena::test {

// A model over real datasets whose renderers live in an offscreen context, as the
// window's shared context holds them in the viewer.
class GLModel {
public:
    AppModel& create()
    {
        AppModelServices services;
        services.preferences = sandbox.preferences.get();
        services.makeCurrent = [this] { context.makeCurrent(); };
        services.makeRenderer = AppModelServices::rendererFactory(services.makeCurrent);
        services.now = [this] { return now; };
        services.savePanel = [this](const std::filesystem::path& folder, const std::string& fileName) {
            return savePanel ? savePanel(folder, fileName) : std::nullopt;
        };
        services.showNotice = [this](const std::string& message) { notices.push_back(message); };
        model = std::make_unique<AppModel>(std::move(services));
        return *model;
    }

    // Installs a dataset imported `age` ago, so the newest import is known.
    void install(TestDataset dataset, std::chrono::hours age = std::chrono::hours(0))
    {
        dataset.setImportedAt(std::chrono::system_clock::now() - age);
        sandbox.install(dataset);
    }

    std::int64_t indexOf(const std::string& conceptID) const
    {
        return model->pack()->indexByConceptID().at(conceptID);
    }

    // The wall clock and the save panel the model sees; both may change at any time.
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
    AppModelServices::SavePanel savePanel;
    // What the model asked the window to tell the user, in order.
    std::vector<std::string> notices;

    ModelSandbox sandbox;
    OffscreenGLContext context;
    std::unique_ptr<AppModel> model;
};

// Draws one frame into a framebuffer of the test's own, as a paint would.
inline void drawFrame(AnatomyRenderer& renderer, OffscreenGLContext& context)
{
    context.makeCurrent();
    GLuint texture = 0;
    GLuint framebuffer = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, GL_RGBA8, 32, 32);
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, texture, 0);
    renderer.draw(framebuffer, 32, 32);
    glFinish();
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
}

} // namespace morvena::test
