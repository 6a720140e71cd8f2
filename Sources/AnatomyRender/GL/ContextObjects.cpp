#include "AnatomyRender/GL/ContextObjects.h"

namespace morvena {

ContextObjects::ContextObjects(const GeometryBuffers& geometry)
    : vertexArray(geometry.makeVertexArray())
{
}

void ContextObjects::forgetContainers()
{
    passes.forgetVertexArray();
    vertexArray.forget();
    if (targets)
        targets->forgetFramebuffers();
    if (pickTarget)
        pickTarget->forgetFramebuffer();
}

} // namespace morvena
