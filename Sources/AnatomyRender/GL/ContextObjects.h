#pragma once

#include "AnatomyRender/GL/GLHandles.h"
#include "AnatomyRender/GL/GpuBuffers.h"
#include "AnatomyRender/GL/RenderPasses.h"
#include "AnatomyRender/GL/RenderTargets.h"

#include <cstdint>
#include <optional>

namespace morvena {

// What a renderer needs in each context it draws or picks in, because GL shares no
// vertex arrays or framebuffers between contexts: the passes' full-screen vertex array,
// the pack's vertex array and the targets whose framebuffers it draws into. Made the
// first time a context asks for them.
struct ContextObjects {
    RenderPasses passes;
    gl::VertexArray vertexArray;
    std::optional<RenderTargets> targets;
    // The renderer's target generation that `targets` were made for; an older one is
    // remade on the next frame.
    std::uint64_t targetsGeneration = 0;
    std::optional<ColorTarget> pickTarget;

    explicit ContextObjects(const GeometryBuffers& geometry);

    // Lets go of the vertex arrays and framebuffers without deleting them, for objects
    // of a context that is not current: they go with their context. The textures are
    // shared by the whole share group and are still deleted with this value.
    void forgetContainers();
};

} // namespace morvena
