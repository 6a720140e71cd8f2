#include "AnatomyRender/GL/RenderPasses.h"

#include "AnatomyRender/GL/VertexLayout.h"

#include <array>

namespace morvena {

namespace {

// Binding points of the shader interface; they match the layout qualifiers of the
// shader resource.
constexpr GLuint backgroundBinding = 0;
constexpr GLuint uniformsBinding = 1;
constexpr GLuint propsBinding = 2;
constexpr GLuint blurDirectionBinding = 2;
constexpr GLint fullScreenStripVertices = 4;

void drawFullScreen()
{
    glDrawArrays(GL_TRIANGLE_STRIP, 0, fullScreenStripVertices);
}

// The three depth states of the passes.
enum class DepthState {
    write, // less, writes
    readOnly, // less, no writes
    always, // always, no writes
};

void useDepth(DepthState state)
{
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(state == DepthState::always ? GL_ALWAYS : GL_LESS);
    glDepthMask(state == DepthState::write ? GL_TRUE : GL_FALSE);
}

// One glMultiDrawElements of a structure pass, with the vertex array, the records, the
// uniforms and the section plane's clip distance.
void drawStructures(GLuint program, const StructureBindings& bindings, const MultiDraw& draws)
{
    glUseProgram(program);
    glBindVertexArray(bindings.vertexArray);
    glBindBufferBase(GL_UNIFORM_BUFFER, uniformsBinding, bindings.uniforms);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, propsBinding, bindings.props);
    glEnable(GL_CLIP_DISTANCE0);
    draws.draw();
    glDisable(GL_CLIP_DISTANCE0);
    glBindVertexArray(0);
}

void bindSceneTarget(const RenderTargets& targets)
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, targets.sceneFramebuffer.get());
    glViewport(0, 0, targets.width, targets.height);
}

} // namespace

void MultiDraw::assign(std::span<const AnatomyScene::DrawRange> ranges, std::int64_t indexLimit)
{
    counts_.clear();
    offsets_.clear();
    for (const auto& range : ranges) {
        if (range.indexStart < 0 || range.indexCount <= 0 || range.indexStart > indexLimit
            || range.indexCount > indexLimit - range.indexStart)
            continue;
        counts_.push_back(static_cast<GLsizei>(range.indexCount));
        offsets_.push_back(reinterpret_cast<const void*>(
            static_cast<std::uintptr_t>(range.indexStart) * VertexLayout::indexSize));
    }
}

void MultiDraw::draw() const
{
    if (counts_.empty())
        return;
    glMultiDrawElements(
        GL_TRIANGLES, counts_.data(), GL_UNSIGNED_INT, offsets_.data(), static_cast<GLsizei>(counts_.size()));
}

RenderPasses::RenderPasses()
    : fullScreenVertexArray_(gl::createVertexArray())
{
    gl::label(GL_VERTEX_ARRAY, fullScreenVertexArray_.get(), "Passo a schermo intero");
}

void RenderPasses::bindFullScreenPass(GLuint program, GLuint framebuffer, int width, int height) const
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, width, height);
    glUseProgram(program);
    glBindVertexArray(fullScreenVertexArray_.get());
}

void RenderPasses::beginFrame()
{
    // Upper-left origin and 0..1 depth keep the camera's matrices as they are and
    // make texel row 0 the top of the image, like view points.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_FRAMEBUFFER_SRGB);
    glEnable(GL_MULTISAMPLE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthRangef(0, 1);
}

void RenderPasses::endFrame()
{
    glClipControl(GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glUseProgram(0);
    glBindVertexArray(0);
}

void RenderPasses::background(const RenderTargets& targets, GLuint program, GLuint backgroundColors) const
{
    gl::DebugGroup group("Sfondo");
    GLuint framebuffer = targets.sceneFramebuffer.get();
    constexpr std::array<float, 4> black {0, 0, 0, 1};
    constexpr float farDepth = 1;
    glDepthMask(GL_TRUE);
    glClearNamedFramebufferfv(framebuffer, GL_COLOR, 0, black.data());
    glClearNamedFramebufferfv(framebuffer, GL_DEPTH, 0, &farDepth);
    bindFullScreenPass(program, framebuffer, targets.width, targets.height);
    useDepth(DepthState::always);
    glBindBufferBase(GL_UNIFORM_BUFFER, backgroundBinding, backgroundColors);
    drawFullScreen();
}

void RenderPasses::opaque(
    const RenderTargets& targets, GLuint program, const StructureBindings& bindings, const MultiDraw& draws)
{
    gl::DebugGroup group("Anatomia opaca");
    if (draws.empty())
        return;
    bindSceneTarget(targets);
    useDepth(DepthState::write);
    glDisable(GL_BLEND);
    drawStructures(program, bindings, draws);
}

void RenderPasses::transparent(
    const RenderTargets& targets, GLuint program, const StructureBindings& bindings, const MultiDraw& draws)
{
    gl::DebugGroup group("Anatomia trasparente");
    if (draws.empty())
        return;
    bindSceneTarget(targets);
    useDepth(DepthState::readOnly);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    drawStructures(program, bindings, draws);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void RenderPasses::resolve(const RenderTargets& targets, GLuint depthResolveProgram) const
{
    gl::DebugGroup group("Risoluzione multicampione");
    if (!targets.isMultisampled())
        return;
    glBlitNamedFramebuffer(targets.sceneFramebuffer.get(), targets.resolvedFramebuffer.get(), 0, 0,
        targets.width, targets.height, 0, 0, targets.width, targets.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    bindFullScreenPass(depthResolveProgram, targets.depthFramebuffer.get(), targets.width, targets.height);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDepthMask(GL_TRUE);
    glBindTextureUnit(0, targets.depthMSAA.get());
    drawFullScreen();
    glBindTextureUnit(0, 0);
}

void RenderPasses::ambientOcclusion(const RenderTargets& targets, GLuint program, GLuint uniforms) const
{
    gl::DebugGroup group("Occlusione ambientale");
    bindFullScreenPass(program, targets.aoFramebuffer.get(), targets.occlusionWidth, targets.occlusionHeight);
    glDisable(GL_DEPTH_TEST);
    glBindBufferBase(GL_UNIFORM_BUFFER, uniformsBinding, uniforms);
    glBindTextureUnit(0, targets.depth.get());
    drawFullScreen();
}

void RenderPasses::blur(
    const RenderTargets& targets, GLuint program, GLuint uniforms, GLuint direction, bool vertical) const
{
    gl::DebugGroup group(
        vertical ? "Sfocatura occlusione (verticale)" : "Sfocatura occlusione (orizzontale)");
    const auto& destination = vertical ? targets.aoFramebuffer : targets.aoBlurFramebuffer;
    const auto& source = vertical ? targets.aoBlur : targets.ao;
    bindFullScreenPass(program, destination.get(), targets.occlusionWidth, targets.occlusionHeight);
    glDisable(GL_DEPTH_TEST);
    glBindBufferBase(GL_UNIFORM_BUFFER, uniformsBinding, uniforms);
    glBindBufferBase(GL_UNIFORM_BUFFER, blurDirectionBinding, direction);
    glBindTextureUnit(0, source.get());
    glBindTextureUnit(1, targets.depth.get());
    drawFullScreen();
}

void RenderPasses::composite(const RenderTargets& targets, GLuint program, GLuint uniforms,
    bool withOcclusion, const CompositeDestination& destination) const
{
    gl::DebugGroup group("Composizione");
    // On screen GL shows row 0 at the bottom: a lower-left origin for this one pass
    // turns the top-down scene the right way up.
    if (destination.presentsOnScreen)
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    bindFullScreenPass(program, destination.framebuffer, destination.width, destination.height);
    glDisable(GL_DEPTH_TEST);
    glBindBufferBase(GL_UNIFORM_BUFFER, uniformsBinding, uniforms);
    glBindTextureUnit(0, targets.sceneColor.get());
    glBindTextureUnit(1, withOcclusion ? targets.ao.get() : targets.sceneColor.get());
    drawFullScreen();
    glBindTextureUnit(0, 0);
    glBindTextureUnit(1, 0);
    if (destination.presentsOnScreen)
        glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
}

void RenderPasses::pick(const ColorTarget& target, GLuint program, const StructureBindings& bindings,
    const MultiDraw& draws, PickSquare square, std::span<std::uint32_t> texels, int rowLength)
{
    gl::DebugGroup group("Passo di selezione");
    GLuint framebuffer = target.framebuffer.get();
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, target.width, target.height);
    // Only the square is cleared, drawn and read: the rest of the target is never looked at.
    glEnable(GL_SCISSOR_TEST);
    glScissor(square.x, square.y, square.width, square.height);
    constexpr std::array<GLuint, 4> background {0, 0, 0, 0};
    constexpr float farDepth = 1;
    glDepthMask(GL_TRUE);
    glClearNamedFramebufferuiv(framebuffer, GL_COLOR, 0, background.data());
    glClearNamedFramebufferfv(framebuffer, GL_DEPTH, 0, &farDepth);
    useDepth(DepthState::write);
    glDisable(GL_BLEND);
    drawStructures(program, bindings, draws);
    glDisable(GL_SCISSOR_TEST);

    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, rowLength);
    if (texels.size() >= static_cast<std::size_t>(rowLength) * static_cast<std::size_t>(square.height))
        glReadPixels(
            square.x, square.y, square.width, square.height, GL_RED_INTEGER, GL_UNSIGNED_INT, texels.data());
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

void RenderPasses::readImage(const ColorTarget& target, std::span<std::uint8_t> pixels)
{
    auto needed = static_cast<std::size_t>(target.width) * static_cast<std::size_t>(target.height) * 4;
    if (pixels.size() < needed)
        return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer.get());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, target.width, target.height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

} // namespace morvena
