#pragma once

#include <epoxy/gl.h>

namespace morvena::ShaderBindings {

// Binding points of the buffers the passes bind; they match the layout qualifiers
// of the shader resource.
inline constexpr GLuint background = 0; // uniform block Background
inline constexpr GLuint uniforms = 1; // uniform block Uniforms (RenderUniforms)
inline constexpr GLuint props = 2; // storage block StructureRecords (StructureProps)
inline constexpr GLuint blurDirection = 2; // uniform block BlurDirection

} // namespace morvena::ShaderBindings
