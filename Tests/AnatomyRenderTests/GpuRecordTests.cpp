#include "AnatomyRender/GL/RenderUniforms.h"
#include "AnatomyRender/GL/VertexLayout.h"
#include "AnatomyRender/Internal/PickIdentifier.h"
#include "AnatomyRender/Internal/SurfaceMaterial.h"
#include "AnatomyRender/StructureProps.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace morvena;

namespace {

template <typename Record, typename Value> Value readAt(const Record& record, std::size_t offset)
{
    Value value;
    std::memcpy(&value, reinterpret_cast<const char*>(&record) + offset, sizeof(Value));
    return value;
}

} // namespace

TEST(GpuRecords, uniformDefaultsSitAtTheirShaderOffsets)
{
    RenderUniforms uniforms;
    EXPECT_EQ(uniforms.viewProjection, float4x4::identity());
    EXPECT_EQ(uniforms.inverseProjection, float4x4::identity());
    // Column-major: row 3, column 2 of the identity is at byte 16·2 + 4·3.
    EXPECT_EQ((readAt<RenderUniforms, float>(uniforms, 64 + 16 * 2 + 4 * 2)), 1.f);
    EXPECT_EQ((readAt<RenderUniforms, float>(uniforms, 64 + 16 * 2 + 4 * 3)), 0.f);
    EXPECT_EQ(uniforms.cameraPosition, (float4 {0, 0, 1, 0}));
    EXPECT_EQ(uniforms.keyLightDirection.w, 0.72f);
    EXPECT_EQ(uniforms.fillLightDirection.w, 0.26f);
    EXPECT_EQ(uniforms.rimLightDirection.w, 0.3f);
    EXPECT_EQ(uniforms.params, (float4 {0, 0.1f, 0.55f, 0.26f}));
    EXPECT_EQ(uniforms.depthParams, (float4 {1, 1000, 26, 1.1f}));
    EXPECT_EQ(uniforms.clipPlane1, (float4 {}));
    EXPECT_EQ((readAt<RenderUniforms, float>(uniforms, 472)), 1.05f);
    uniforms.clipCount = 1;
    uniforms.flags = 7;
    uniforms.time = 12.5f;
    EXPECT_EQ((readAt<RenderUniforms, std::uint32_t>(uniforms, 464)), 1u);
    EXPECT_EQ((readAt<RenderUniforms, std::uint32_t>(uniforms, 468)), 7u);
    EXPECT_EQ((readAt<RenderUniforms, float>(uniforms, 476)), 12.5f);
}

TEST(GpuRecords, structurePropsDefaultsAndMaterials)
{
    StructureProps props;
    EXPECT_EQ(props.colorAlpha, (float4 {0.8f, 0.8f, 0.8f, 1}));
    EXPECT_EQ(props.explodeFlags, (float4 {}));
    EXPECT_EQ(StructureProps::selectedFlag, 1.f);
    EXPECT_EQ(surfaceMaterial(AnatomySystem::unclassified), props.material);
    EXPECT_EQ(surfaceMaterial(AnatomySystem::skeletal), (float4 {0.34f, 0.55f, 0.14f, 0.3f}));
    EXPECT_EQ(surfaceMaterial(AnatomySystem::muscular), (float4 {0.52f, 0.38f, 0.38f, 0.45f}));
    EXPECT_EQ(surfaceMaterial(AnatomySystem::integument), (float4 {0.62f, 0.26f, 0.26f, 0.55f}));
    for (AnatomySystem system : allAnatomySystems()) {
        float4 material = surfaceMaterial(system);
        for (int i = 0; i < 4; ++i) {
            EXPECT_GT(material[i], 0.f);
            EXPECT_LT(material[i], 1.f);
        }
    }
    // Records are laid out back to back at 48 bytes.
    StructureProps array[2];
    array[1].material = surfaceMaterial(AnatomySystem::sense);
    EXPECT_EQ((readAt<StructureProps[2], float>(array, 48 + 32 + 4)), 0.7f);
}

TEST(GpuRecords, pickTexelsOffsetStructureIndicesByOne)
{
    EXPECT_EQ(PickIdentifier::structureIndex(1), 0u);
    EXPECT_FALSE(PickIdentifier::structureIndex(0));
    EXPECT_EQ(PickIdentifier::texel(0), 1u);
    EXPECT_EQ(PickIdentifier::structureIndex(PickIdentifier::texel(4095)), 4095u);
}

TEST(GpuRecords, vertexAttributesFitTheStrideWithoutOverlapAndSkipTheFlags)
{
    std::uint32_t end = 0;
    for (std::uint32_t location = 0; location < VertexLayout::attributes.size(); ++location) {
        const auto& attribute = VertexLayout::attributes[location];
        EXPECT_EQ(attribute.location, location);
        EXPECT_GE(attribute.byteOffset, end);
        end = attribute.byteOffset + 4 * attribute.componentCount;
    }
    EXPECT_EQ(end, 28u);
    EXPECT_EQ(VertexLayout::stride, 32u);
    EXPECT_EQ(VertexLayout::structureIndex.type, VertexLayout::ComponentType::uint32);
}
