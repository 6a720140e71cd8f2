#include "AnatomyRender/GL/ShaderLibrary.h"

#include "AnatomyRender/RendererError.h"

#include <algorithm>
#include <vector>

namespace morvena {

namespace {

// The compiler's or linker's message of a shader or program object.
std::string infoLog(GLuint name, PFNGLGETSHADERIVPROC parameter, PFNGLGETSHADERINFOLOGPROC log)
{
    GLint length = 0;
    parameter(name, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> text(static_cast<std::size_t>(std::max(length, 1)), '\0');
    log(name, static_cast<GLsizei>(text.size()), nullptr, text.data());
    return text.data();
}

std::string shaderLog(GLuint shader)
{
    return infoLog(shader, glGetShaderiv, glGetShaderInfoLog);
}
std::string programLog(GLuint program)
{
    return infoLog(program, glGetProgramiv, glGetProgramInfoLog);
}

gl::Shader compile(const ShaderSource& source, const std::string& entryPoint)
{
    auto stage = ShaderSource::stage(entryPoint);
    gl::Shader shader(
        glCreateShader(stage == ShaderSource::Stage::vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER));
    if (!shader)
        throw RendererError::shaderCompilation(entryPoint + ": glCreateShader non riuscito");
    auto unit = source.compilationUnit(entryPoint);
    const char* text = unit.c_str();
    auto length = static_cast<GLint>(unit.size());
    glShaderSource(shader.get(), 1, &text, &length);
    glCompileShader(shader.get());
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader.get(), GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE)
        throw RendererError::shaderCompilation(entryPoint + ": " + shaderLog(shader.get()));
    gl::label(GL_SHADER, shader.get(), entryPoint);
    return shader;
}

RendererError missingFunctions()
{
    return RendererError::pipeline("funzioni dello shader non trovate");
}

} // namespace

ShaderLibrary::ShaderLibrary(const ShaderSource& source)
{
    for (const auto& entryPoint : source.entryPoints())
        shaders_.emplace(entryPoint, compile(source, entryPoint));
}

bool ShaderLibrary::contains(std::string_view entryPoint) const
{
    return shaders_.contains(entryPoint);
}

void ShaderLibrary::require(std::initializer_list<std::string_view> entryPoints) const
{
    for (auto entryPoint : entryPoints) {
        if (!contains(entryPoint))
            throw missingFunctions();
    }
}

gl::Program ShaderLibrary::link(
    std::string_view label, std::string_view vertex, std::string_view fragment) const
{
    auto vertexShader = shaders_.find(vertex);
    auto fragmentShader = shaders_.find(fragment);
    if (vertexShader == shaders_.end() || fragmentShader == shaders_.end()
        || ShaderSource::stage(vertex) != ShaderSource::Stage::vertex
        || ShaderSource::stage(fragment) != ShaderSource::Stage::fragment)
        throw missingFunctions();
    gl::Program program(glCreateProgram());
    if (!program)
        throw RendererError::pipeline(std::string(label) + ": glCreateProgram non riuscito");
    glAttachShader(program.get(), vertexShader->second.get());
    glAttachShader(program.get(), fragmentShader->second.get());
    glLinkProgram(program.get());
    glDetachShader(program.get(), vertexShader->second.get());
    glDetachShader(program.get(), fragmentShader->second.get());
    GLint linked = GL_FALSE;
    glGetProgramiv(program.get(), GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE)
        throw RendererError::pipeline(std::string(label) + ": " + programLog(program.get()));
    gl::label(GL_PROGRAM, program.get(), label);
    return program;
}

} // namespace morvena
