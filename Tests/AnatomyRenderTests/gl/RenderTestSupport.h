#pragma once

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyCore/Pack/MeshPackBuilder.h"
#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyRender/OffscreenGLContext.h"

#include "TemporaryFolder.h"

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

// An axis-aligned box with flat faces (24 vertices, 12 triangles), level 0 only.
inline MeshPackBuilder::Mesh boxMesh(
    std::string name, Float3 min, Float3 max, AnatomySystem system = AnatomySystem::skeletal)
{
    MeshPackBuilder::Mesh mesh;
    mesh.conceptID = "FMA:" + name;
    mesh.name = std::move(name);
    mesh.system = system;
    mesh.region = BodyRegion::thorax;
    mesh.lodIndices.emplace_back();
    auto face = [&mesh](Float3 a, Float3 b, Float3 c, Float3 d, Float3 normal) {
        auto base = static_cast<std::uint32_t>(mesh.positions.size());
        for (auto corner : {a, b, c, d}) {
            mesh.positions.push_back(corner);
            mesh.normals.push_back(normal);
        }
        mesh.lodIndices[0].insert(
            mesh.lodIndices[0].end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    };
    Float3 p000 {min.x, min.y, min.z}, p100 {max.x, min.y, min.z}, p010 {min.x, max.y, min.z},
        p110 {max.x, max.y, min.z}, p001 {min.x, min.y, max.z}, p101 {max.x, min.y, max.z},
        p011 {min.x, max.y, max.z}, p111 {max.x, max.y, max.z};
    face(p001, p101, p111, p011, {0, 0, 1});
    face(p100, p000, p010, p110, {0, 0, -1});
    face(p000, p001, p011, p010, {-1, 0, 0});
    face(p101, p100, p110, p111, {1, 0, 0});
    face(p011, p111, p110, p010, {0, 1, 0});
    face(p000, p100, p101, p001, {0, -1, 0});
    return mesh;
}

// A thin box whose front face (at z = 0) covers exactly the pixel columns c0..c1 and
// rows r0..r1 (row 0 at the top) of a 64 × 64 view made by lookFromFront(32), where one
// model unit is one pixel.
inline MeshPackBuilder::Mesh pixelBox(std::string name, int c0, int r0, int c1, int r1)
{
    Float3 min {static_cast<float>(c0) - 32 + 0.25f, 32 - static_cast<float>(r1) - 0.75f, -4};
    Float3 max {static_cast<float>(c1) - 32 + 0.75f, 32 - static_cast<float>(r0) - 0.25f, 0};
    return boxMesh(std::move(name), min, max);
}

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
