#pragma once

#include "AnatomyRender/GL/GLHandles.h"

#include <string>

// What the renderer asks of the context current on its thread, and the two points
// where it hands that context's work to the GPU.
namespace morvena::gl::CurrentContext {

// A context of OpenGL 4.5 or newer is current; false without a current context.
bool offersGL45();
// The driver's name for the device; empty when it gives none.
std::string rendererName();
// Leaves `framebuffer` bound for the window system that presents it, marks the
// end of the frame's commands and sends them to the GPU without waiting.
Fence submitFrame(GLuint framebuffer);
// Blocks until the GPU has carried out every command issued so far.
void finish();

} // namespace morvena::gl::CurrentContext
