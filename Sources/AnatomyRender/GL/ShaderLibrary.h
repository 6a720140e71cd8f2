#pragma once

#include "AnatomyRender/GL/GLHandles.h"
#include "AnatomyRender/GL/ShaderSource.h"

#include <map>
#include <string>
#include <string_view>

namespace morvena {

// Every entry point of the shader resource, compiled once for the current context.
class ShaderLibrary {
public:
    // Throws RendererError::shaderCompilation with the compiler's log of the first failure.
    explicit ShaderLibrary(const ShaderSource& source);

    bool contains(std::string_view entryPoint) const;
    // Links a vertex and a fragment entry point into a labelled program. A missing entry
    // point or a failed link throws RendererError::pipeline.
    gl::Program link(std::string_view label, std::string_view vertex, std::string_view fragment) const;
    // Throws RendererError::pipeline naming the missing functions unless every one is there.
    void require(std::initializer_list<std::string_view> entryPoints) const;

private:
    std::map<std::string, gl::Shader, std::less<>> shaders_;
};

} // namespace morvena
