#include "AnatomyRender/GL/GpuBuffers.h"

#include "AnatomyCore/Pack/MeshPack.h"
#include "AnatomyRender/GL/GLLimits.h"
#include "AnatomyRender/GL/RenderUniforms.h"
#include "AnatomyRender/GL/VertexLayout.h"
#include "AnatomyRender/Math/Float4.h"
#include "AnatomyRender/RendererError.h"

#include <algorithm>
#include <string>
#include <vector>

namespace morvena {

namespace {

constexpr GLbitfield persistentWrite = GL_MAP_WRITE_BIT | GL_MAP_PERSISTENT_BIT | GL_MAP_COHERENT_BIT;
// The least any geometry buffer holds; zeros, so a stray index of an empty pack reads a
// degenerate vertex.
constexpr std::size_t minimumGeometryBytes = 256;

gl::Buffer immutableCopy(const void* data, std::size_t byteCount, std::string_view label)
{
    auto buffer = gl::createBuffer();
    std::vector<std::byte> zeros;
    if (byteCount < minimumGeometryBytes) {
        zeros.assign(minimumGeometryBytes, std::byte {0});
        if (byteCount > 0)
            std::copy_n(static_cast<const std::byte*>(data), byteCount, zeros.begin());
        data = zeros.data();
        byteCount = zeros.size();
    }
    gl::clearErrors();
    glNamedBufferStorage(buffer.get(), static_cast<GLsizeiptr>(byteCount), data, 0);
    if (!buffer || gl::allocationFailed())
        throw RendererError::buffer();
    gl::label(GL_BUFFER, buffer.get(), label);
    return buffer;
}

void describeAttribute(GLuint vertexArray, const VertexLayout::Attribute& attribute)
{
    glEnableVertexArrayAttrib(vertexArray, attribute.location);
    if (attribute.type == VertexLayout::ComponentType::uint32)
        glVertexArrayAttribIFormat(vertexArray, attribute.location,
            static_cast<GLint>(attribute.componentCount), GL_UNSIGNED_INT, attribute.byteOffset);
    else
        glVertexArrayAttribFormat(vertexArray, attribute.location,
            static_cast<GLint>(attribute.componentCount), GL_FLOAT, GL_FALSE, attribute.byteOffset);
    glVertexArrayAttribBinding(vertexArray, attribute.location, VertexLayout::bufferBinding);
}

} // namespace

gl::Buffer constantBuffer(std::span<const std::byte> bytes, std::string_view label)
{
    auto buffer = gl::createBuffer();
    glNamedBufferStorage(buffer.get(), static_cast<GLsizeiptr>(bytes.size()), bytes.data(), 0);
    gl::label(GL_BUFFER, buffer.get(), label);
    return buffer;
}

MappedBuffer::MappedBuffer(std::size_t byteCount, std::string_view label)
    : buffer_(gl::createBuffer())
    , byteCount_(std::max<std::size_t>(byteCount, 16))
{
    gl::clearErrors();
    glNamedBufferStorage(buffer_.get(), static_cast<GLsizeiptr>(byteCount_), nullptr, persistentWrite);
    if (!buffer_ || gl::allocationFailed())
        throw RendererError::buffer();
    data_ = glMapNamedBufferRange(buffer_.get(), 0, static_cast<GLsizeiptr>(byteCount_), persistentWrite);
    if (!data_)
        throw RendererError::buffer();
    gl::label(GL_BUFFER, buffer_.get(), label);
}

GeometryBuffers GeometryBuffers::create(const MeshPack& pack)
{
    GeometryBuffers buffers;
    buffers.vertices = immutableCopy(pack.verticesPointer(), pack.verticesByteCount(), "Vertici anatomici");
    buffers.indices = immutableCopy(pack.indicesPointer(), pack.indicesByteCount(), "Indici anatomici");
    buffers.indexCount = static_cast<std::int64_t>(pack.indexCount());
    return buffers;
}

gl::VertexArray GeometryBuffers::makeVertexArray() const
{
    auto result = gl::createVertexArray();
    GLuint vertexArray = result.get();
    glVertexArrayVertexBuffer(
        vertexArray, VertexLayout::bufferBinding, vertices.get(), 0, VertexLayout::stride);
    for (const auto& attribute : VertexLayout::attributes)
        describeAttribute(vertexArray, attribute);
    glVertexArrayElementBuffer(vertexArray, indices.get());
    gl::label(GL_VERTEX_ARRAY, vertexArray, "Formato vertici anatomici");
    return result;
}

FrameSlot::FrameSlot(std::size_t propsByteCount, const std::string& name)
    : props(propsByteCount, "Proprietà strutture " + name)
    , uniforms(sizeof(RenderUniforms), "Uniform " + name)
    , background(2 * sizeof(float4), "Colori di sfondo " + name)
{
}

} // namespace morvena
