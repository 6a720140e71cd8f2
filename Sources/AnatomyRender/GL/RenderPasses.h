#pragma once

#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyRender/GL/GLHandles.h"
#include "AnatomyRender/GL/RenderPipelines.h"
#include "AnatomyRender/GL/RenderTargets.h"

#include <cstdint>
#include <span>
#include <vector>

namespace morvena {

// A list of index ranges as one glMultiDrawElements call. The storage is kept from
// call to call, so steady frames allocate nothing.
class MultiDraw {
public:
    // Ranges that leave the index buffer (0 ..< indexLimit) are left out.
    void assign(std::span<const AnatomyScene::DrawRange> ranges, std::int64_t indexLimit);
    bool empty() const { return counts_.empty(); }
    void draw() const;

private:
    std::vector<GLsizei> counts_;
    std::vector<const void*> offsets_;
};

// The buffers a structure pass reads: the vertex array, the per-structure records and
// the frame's uniform record.
struct StructureBindings {
    GLuint vertexArray = 0;
    GLuint props = 0;
    GLuint uniforms = 0;
};

// Where the composite writes: the viewer's framebuffer (rows bottom-up as GL presents
// them) or an offscreen image (rows top-down, as images are stored).
struct CompositeDestination {
    GLuint framebuffer = 0;
    int width = 0;
    int height = 0;
    bool presentsOnScreen = false;
};

struct PickSquare {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// One function per pass of a frame. All of them set the GL state they rely on, so
// they can run in a context that other code (Qt's painting) also uses. One per context:
// its vertex array is not shared.
class RenderPasses {
public:
    RenderPasses();
    // Lets go of the vertex array, which belongs to a context that is not current.
    void forgetVertexArray() { fullScreenVertexArray_.forget(); }

    // State shared by every pass; endFrame restores what other users of the context expect.
    static void beginFrame();
    static void endFrame();

    // Clears the scene targets and draws the background gradient, depth untouched.
    void background(const RenderTargets& targets, GLuint program, GLuint backgroundColors) const;
    static void opaque(const RenderTargets& targets, GLuint program, const StructureBindings& bindings,
        const MultiDraw& draws);
    // Source-over blending, depth tested but not written; ranges in the order given.
    static void transparent(const RenderTargets& targets, GLuint program, const StructureBindings& bindings,
        const MultiDraw& draws);
    // Multisampled colour by blit, depth by copying sample 0 in a small pass.
    void resolve(const RenderTargets& targets, GLuint depthResolveProgram) const;
    void ambientOcclusion(const RenderTargets& targets, GLuint program, GLuint uniforms) const;
    void blur(
        const RenderTargets& targets, GLuint program, GLuint uniforms, GLuint direction, bool vertical) const;
    void composite(const RenderTargets& targets, GLuint program, GLuint uniforms, bool withOcclusion,
        const CompositeDestination& destination) const;
    // Draws identifiers into the square only and reads it back, row by row from the top,
    // into texels (rowLength texels per row). Blocks until the GPU is done.
    static void pick(const ColorTarget& target, GLuint program, const StructureBindings& bindings,
        const MultiDraw& draws, PickSquare square, std::span<std::uint32_t> texels, int rowLength);
    // Reads a composited image, rows top-down, blue-green-red-x.
    static void readImage(const ColorTarget& target, std::span<std::uint8_t> pixels);

private:
    void bindFullScreenPass(GLuint program, GLuint framebuffer, int width, int height) const;

    // Full-screen passes read no attribute, but core GL draws nothing without a vertex array.
    gl::VertexArray fullScreenVertexArray_;
};

} // namespace morvena
