#pragma once

#include "AnatomyRender/GL/GLHandles.h"
#include "AnatomyRender/GL/ShaderLibrary.h"

namespace morvena {

// The three programs that draw into the (possibly multisampled) scene targets.
// Blending and depth state belong to the passes that use them.
struct ScenePipelines {
    gl::Program opaque; // "Anatomia opaca"
    gl::Program transparent; // "Anatomia trasparente"
    gl::Program background; // "Sfondo"

    // Throws RendererError::pipeline when an entry point is missing or a link fails.
    static ScenePipelines build(const ShaderLibrary& library);
};

// Every program of the frame, picking and offscreen passes.
struct RenderPipelines {
    ScenePipelines scene;
    gl::Program pick; // "Selezione"
    gl::Program ssao; // "Occlusione ambientale"
    gl::Program ssaoBlur; // "Sfocatura occlusione"
    gl::Program composite; // "Composizione"
    gl::Program depthResolve; // "Risoluzione profondità"

    static RenderPipelines build(const ShaderLibrary& library);
};

} // namespace morvena
