#pragma once

#include "AnatomyRender/GL/GLHandles.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace morvena {

class MeshPack;

// A buffer that stays mapped for writing for its whole life. Writes are coherent: GPU
// commands issued after a write see it, so the caller only has to make sure that no
// command still in flight reads what it overwrites.
class MappedBuffer {
public:
    // Throws RendererError::buffer when the allocation or the mapping fails.
    MappedBuffer(std::size_t byteCount, std::string_view label);

    GLuint name() const { return buffer_.get(); }
    std::size_t byteCount() const { return byteCount_; }
    void* data() const { return data_; }
    template <typename T> T* as() const { return static_cast<T*>(data_); }

private:
    gl::Buffer buffer_;
    void* data_ = nullptr;
    std::size_t byteCount_ = 0;
};

// An immutable buffer holding a copy of the bytes, for values written once (the blur
// pass's directions).
gl::Buffer constantBuffer(std::span<const std::byte> bytes, std::string_view label);

// The pack's vertices and indices, copied once into immutable buffers.
struct GeometryBuffers {
    gl::Buffer vertices; // "Vertici anatomici"
    gl::Buffer indices; // "Indici anatomici"
    std::int64_t indexCount = 0;

    // Throws RendererError::buffer when an allocation fails. An empty pack still gets
    // small zero-filled buffers: GL refuses storage of zero bytes.
    static GeometryBuffers create(const MeshPack& pack);
    // A vertex array that reads the buffers in the pack's own layout, in the current
    // context: vertex arrays are not shared, so every context that draws makes its own.
    gl::VertexArray makeVertexArray() const;
};

// What one frame writes for the GPU. Three of them let the CPU fill one frame while
// two are still being drawn; the fence says when the GPU is done with the slot.
struct FrameSlot {
    MappedBuffer props; // "Proprietà strutture i"
    MappedBuffer uniforms; // "Uniform i"
    MappedBuffer background; // the two background colours of this frame
    gl::Fence fence;

    // `name` ends the buffers' labels ("Uniform 0", "Uniform selezione").
    FrameSlot(std::size_t propsByteCount, const std::string& name);
};

} // namespace morvena
