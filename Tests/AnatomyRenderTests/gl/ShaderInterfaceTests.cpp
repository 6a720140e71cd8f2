// The shader resource and the C++ records the renderer uploads must agree byte for
// byte: a member in another place draws garbage without any error. The compiled
// programs are asked, member by member, where each one sits.
#include "AnatomyCore/Storage/ResourceLocator.h"
#include "AnatomyRender/GL/RenderPipelines.h"
#include "AnatomyRender/GL/RenderUniforms.h"
#include "AnatomyRender/GL/ShaderBindings.h"
#include "AnatomyRender/GL/ShaderLibrary.h"
#include "AnatomyRender/GL/ShaderSource.h"
#include "AnatomyRender/OffscreenGLContext.h"
#include "AnatomyRender/StructureProps.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

using namespace morvena;

namespace {

struct Member {
    std::string name;
    std::size_t offset;
    GLenum type;
};

#define RECORD_MEMBER(Record, member, glType)                                                                \
    Member                                                                                                   \
    {                                                                                                        \
#member, offsetof(Record, member), glType                                                            \
    }

const std::vector<Member> uniformMembers {
    RECORD_MEMBER(RenderUniforms, viewProjection, GL_FLOAT_MAT4),
    RECORD_MEMBER(RenderUniforms, view, GL_FLOAT_MAT4),
    RECORD_MEMBER(RenderUniforms, projection, GL_FLOAT_MAT4),
    RECORD_MEMBER(RenderUniforms, inverseProjection, GL_FLOAT_MAT4),
    RECORD_MEMBER(RenderUniforms, cameraPosition, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, bodyCenter, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, clipPlane0, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, clipPlane1, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, clipPlane2, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, keyLightDirection, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, fillLightDirection, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, rimLightDirection, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, params, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, screen, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, depthParams, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, ambientSky, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, ambientGround, GL_FLOAT_VEC4),
    RECORD_MEMBER(RenderUniforms, clipCount, GL_UNSIGNED_INT),
    RECORD_MEMBER(RenderUniforms, flags, GL_UNSIGNED_INT),
    RECORD_MEMBER(RenderUniforms, exposure, GL_FLOAT),
    RECORD_MEMBER(RenderUniforms, time, GL_FLOAT),
};

const std::vector<Member> propsMembers {
    RECORD_MEMBER(StructureProps, colorAlpha, GL_FLOAT_VEC4),
    RECORD_MEMBER(StructureProps, explodeFlags, GL_FLOAT_VEC4),
    RECORD_MEMBER(StructureProps, material, GL_FLOAT_VEC4),
};

#undef RECORD_MEMBER

// One block of the shader interface as the C++ side sees it.
struct Block {
    GLenum blockInterface; // GL_UNIFORM_BLOCK or GL_SHADER_STORAGE_BLOCK
    GLenum memberInterface; // GL_UNIFORM or GL_BUFFER_VARIABLE
    std::string name;
    std::string memberPrefix; // how the program names a member: prefix + member name
    GLuint binding;
    std::size_t recordSize; // the block's size, or the array stride of a storage block
    std::vector<Member> members;
};

const std::vector<Block> recordBlocks {
    {GL_UNIFORM_BLOCK, GL_UNIFORM, "Uniforms", "Uniforms.", ShaderBindings::uniforms, sizeof(RenderUniforms),
        uniformMembers},
    {GL_SHADER_STORAGE_BLOCK, GL_BUFFER_VARIABLE, "StructureRecords", "props[0].", ShaderBindings::props,
        sizeof(StructureProps), propsMembers},
};

GLint resourceValue(GLuint program, GLenum interface, GLuint index, GLenum property)
{
    GLint value = -1;
    glGetProgramResourceiv(program, interface, index, 1, &property, 1, nullptr, &value);
    return value;
}

// What in one linked program differs from the C++ side of the block, one line
// per mismatch naming the member; empty when the program does not use the block.
std::vector<std::string> mismatches(GLuint program, const Block& block)
{
    std::vector<std::string> found;
    const GLuint blockIndex = glGetProgramResourceIndex(program, block.blockInterface, block.name.c_str());
    if (blockIndex == GL_INVALID_INDEX)
        return found;
    auto expect = [&](const std::string& what, GLint shader, std::size_t record) {
        if (shader != static_cast<GLint>(record))
            found.push_back(what + ": " + std::to_string(shader) + " in the shader, " + std::to_string(record)
                + " in C++");
    };
    expect(block.name + " binding",
        resourceValue(program, block.blockInterface, blockIndex, GL_BUFFER_BINDING), block.binding);
    expect(block.name + " member count",
        resourceValue(program, block.blockInterface, blockIndex, GL_NUM_ACTIVE_VARIABLES),
        block.members.size());
    if (block.blockInterface == GL_UNIFORM_BLOCK)
        expect(block.name + " size",
            resourceValue(program, block.blockInterface, blockIndex, GL_BUFFER_DATA_SIZE), block.recordSize);
    for (const auto& member : block.members) {
        const std::string name = block.memberPrefix + member.name;
        const GLuint index = glGetProgramResourceIndex(program, block.memberInterface, name.c_str());
        if (index == GL_INVALID_INDEX) {
            found.push_back(name + ": missing in the shader");
            continue;
        }
        expect(
            name + " offset", resourceValue(program, block.memberInterface, index, GL_OFFSET), member.offset);
        expect(name + " type", resourceValue(program, block.memberInterface, index, GL_TYPE), member.type);
        if (block.memberInterface == GL_BUFFER_VARIABLE)
            expect(name + " array stride",
                resourceValue(program, block.memberInterface, index, GL_TOP_LEVEL_ARRAY_STRIDE),
                block.recordSize);
    }
    return found;
}

class ShaderInterface : public ::testing::Test {
protected:
    OffscreenGLContext context;
    ShaderLibrary library {ShaderSource::load(ResourceLocator::resource("AnatomyRender", "Shaders.glsl"))};
    RenderPipelines pipelines = RenderPipelines::build(library);

    struct Linked {
        const char* label;
        GLuint program;
    };
    std::vector<Linked> programs() const
    {
        return {{"opaque", pipelines.scene.opaque.get()}, {"transparent", pipelines.scene.transparent.get()},
            {"background", pipelines.scene.background.get()}, {"pick", pipelines.pick.get()},
            {"ssao", pipelines.ssao.get()}, {"ssaoBlur", pipelines.ssaoBlur.get()},
            {"composite", pipelines.composite.get()}, {"depthResolve", pipelines.depthResolve.get()}};
    }
};

} // namespace

TEST_F(ShaderInterface, everyEntryPointCompiles)
{
    const auto source = ShaderSource::load(ResourceLocator::resource("AnatomyRender", "Shaders.glsl"));
    ASSERT_FALSE(source.entryPoints().empty());
    for (const auto& entryPoint : source.entryPoints())
        EXPECT_TRUE(library.contains(entryPoint)) << entryPoint;
}

TEST_F(ShaderInterface, recordBlocksMatchTheCppRecordsInEveryProgram)
{
    std::size_t usesOfUniforms = 0, usesOfProps = 0;
    for (const auto& [label, program] : programs()) {
        for (const auto& block : recordBlocks) {
            if (glGetProgramResourceIndex(program, block.blockInterface, block.name.c_str())
                == GL_INVALID_INDEX)
                continue;
            (block.name == "Uniforms" ? usesOfUniforms : usesOfProps) += 1;
            for (const auto& mismatch : mismatches(program, block))
                ADD_FAILURE() << "program " << label << ": " << mismatch;
        }
    }
    // The structure passes read both records; otherwise the checks above saw nothing.
    EXPECT_GE(usesOfUniforms, 3u);
    EXPECT_EQ(usesOfProps, 3u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ShaderInterface, smallUniformBlocksSitAtTheBindingsThePassesUse)
{
    auto binding = [](GLuint program, const char* block) {
        const GLuint index = glGetProgramResourceIndex(program, GL_UNIFORM_BLOCK, block);
        return index == GL_INVALID_INDEX ? -1
                                         : resourceValue(program, GL_UNIFORM_BLOCK, index, GL_BUFFER_BINDING);
    };
    EXPECT_EQ(binding(pipelines.scene.background.get(), "Background"), GLint(ShaderBindings::background));
    EXPECT_EQ(binding(pipelines.ssaoBlur.get(), "BlurDirection"), GLint(ShaderBindings::blurDirection));
}
