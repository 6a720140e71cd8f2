#include "AnatomyRender/GL/RenderPipelines.h"

namespace morvena {

ScenePipelines ScenePipelines::build(const ShaderLibrary& library)
{
    library.require({"anatomy_vertex", "anatomy_fragment", "fullscreen_vertex", "background_fragment"});
    ScenePipelines pipelines;
    pipelines.opaque = library.link("Anatomia opaca", "anatomy_vertex", "anatomy_fragment");
    pipelines.transparent = library.link("Anatomia trasparente", "anatomy_vertex", "anatomy_fragment");
    pipelines.background = library.link("Sfondo", "fullscreen_vertex", "background_fragment");
    return pipelines;
}

RenderPipelines RenderPipelines::build(const ShaderLibrary& library)
{
    library.require({"fullscreen_vertex", "background_fragment", "anatomy_vertex", "anatomy_pick_fragment",
        "ssao_fragment", "ssao_blur_fragment", "composite_fragment", "depth_resolve_fragment"});
    RenderPipelines pipelines;
    pipelines.pick = library.link("Selezione", "anatomy_vertex", "anatomy_pick_fragment");
    pipelines.ssao = library.link("Occlusione ambientale", "fullscreen_vertex", "ssao_fragment");
    pipelines.ssaoBlur = library.link("Sfocatura occlusione", "fullscreen_vertex", "ssao_blur_fragment");
    pipelines.composite = library.link("Composizione", "fullscreen_vertex", "composite_fragment");
    pipelines.depthResolve
        = library.link("Risoluzione profondità", "fullscreen_vertex", "depth_resolve_fragment");
    pipelines.scene = ScenePipelines::build(library);
    return pipelines;
}

} // namespace morvena
