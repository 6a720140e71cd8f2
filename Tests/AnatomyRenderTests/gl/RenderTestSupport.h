#pragma once

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyRender/OffscreenGLContext.h"

#include "TemporaryFolder.h"
#include "TestMeshes.h"

#include <epoxy/gl.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvena::test {

// A packed colour read from a RenderedImage (blue, green, red in memory).
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

inline Rgb pixelAt(const RenderedImage& image, int x, int y)
{
    const auto* p = image.pixel(x, y);
    return {p[2], p[1], p[0]};
}

inline bool operator==(Rgb a, Rgb b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

inline bool isNear(Rgb colour, Float3 expected, int tolerance = 2)
{
    auto close = [tolerance](int actual, float wanted) {
        return std::abs(actual - static_cast<int>(std::lround(wanted * 255))) <= tolerance;
    };
    return close(colour.red, expected.x) && close(colour.green, expected.y) && close(colour.blue, expected.z);
}

// A colour texture with its framebuffer, standing in for the viewer's.
struct TestFramebuffer {
    TestFramebuffer(const TestFramebuffer&) = delete;
    TestFramebuffer& operator=(const TestFramebuffer&) = delete;
    GLuint texture = 0;
    GLuint framebuffer = 0;
    TestFramebuffer(int width, int height)
    {
        glCreateTextures(GL_TEXTURE_2D, 1, &texture);
        glTextureStorage2D(texture, 1, GL_RGBA8, width, height);
        glCreateFramebuffers(1, &framebuffer);
        glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, texture, 0);
    }
    ~TestFramebuffer()
    {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &texture);
    }
};

// One context, pack, scene and renderer over meshes built in the test. The camera looks
// from +z at the origin with +x to the right and +y up, so a point (x, y, 0) appears at
// the middle of the image shifted right by x and up by y.
class RenderFixture {
public:
    explicit RenderFixture(std::vector<MeshPackBuilder::Mesh> meshes, float halfHeight = 20)
    {
        MeshPackBuilder builder;
        for (auto& mesh : meshes)
            builder.add(std::move(mesh));
        builder.sortForLocality();
        auto file = folder / "geometry.mrvpack";
        builder.write(file, "Prova", "");
        pack = std::make_shared<MeshPack>(file);
        scene = std::make_shared<AnatomyScene>(
            pack, std::set<AnatomySystem>(allAnatomySystems().begin(), allAnatomySystems().end()));
        renderer = std::make_unique<AnatomyRenderer>(pack, scene);
        lookFromFront(halfHeight);
    }

    // Half the view's height covers `halfHeight` model units at the target.
    void lookFromFront(float halfHeight)
    {
        OrbitCamera camera;
        camera.target = {0, 0, 0};
        camera.yaw = 0;
        camera.pitch = 0;
        camera.sceneRadius = std::max(1.0f, pack->radius());
        camera.distance = halfHeight / std::tan(camera.fovY / 2);
        renderer->setCamera(camera);
    }

    RenderedImage render(int width = 64, int height = 64)
    {
        auto image = renderer->renderImage(width, height);
        if (!image)
            throw std::runtime_error("renderImage non ha prodotto un'immagine");
        return *image;
    }

    OffscreenGLContext context;
    TemporaryFolder folder;
    std::shared_ptr<MeshPack> pack;
    std::shared_ptr<AnatomyScene> scene;
    std::unique_ptr<AnatomyRenderer> renderer;
};

} // namespace morvena::test
