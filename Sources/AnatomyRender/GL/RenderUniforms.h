#pragma once

#include "AnatomyRender/Math/Float4.h"
#include "AnatomyRender/Math/Float4x4.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace morvena {

// The per-frame uniform record, one per frame slot, read by the shaders as a std140
// uniform block with members of the same names in the same order. No padding:
// 4 × 64 + 13 × 16 + 4 × 4 = 480 bytes.
//
//    0  mat4  viewProjection      projection × view
//   64  mat4  view                world to camera space
//  128  mat4  projection          camera to clip space (depth 0..1)
//  192  mat4  inverseProjection
//  256  vec4  cameraPosition      eye, w = 1
//  272  vec4  bodyCenter          centre of the pack's box, w = 1
//  288  vec4  clipPlane0          active section plane (nx, ny, nz, d)
//  304  vec4  clipPlane1          always zero
//  320  vec4  clipPlane2          always zero
//  336  vec4  keyLightDirection   xyz unit direction, w weight
//  352  vec4  fillLightDirection
//  368  vec4  rimLightDirection
//  384  vec4  params              explode, ghost opacity, two shading constants
//  400  vec4  screen              width, height, 1/width, 1/height
//  416  vec4  depthParams         near, far, occlusion radius, occlusion intensity
//  432  vec4  ambientSky          rgb, weight
//  448  vec4  ambientGround       rgb, weight
//  464  uint  clipCount           0 or 1
//  468  uint  flags               debug view, 0 in normal use
//  472  float exposure
//  476  float time                media seconds modulo 1000
struct RenderUniforms {
    float4x4 viewProjection;
    float4x4 view;
    float4x4 projection;
    float4x4 inverseProjection;
    float4 cameraPosition {0, 0, 1, 0};
    float4 bodyCenter {0, 0, 0, 0};
    float4 clipPlane0 {0, 0, 0, 0};
    float4 clipPlane1 {0, 0, 0, 0};
    float4 clipPlane2 {0, 0, 0, 0};
    float4 keyLightDirection {0.4f, 0.7f, 0.6f, 0.72f};
    float4 fillLightDirection {-0.5f, 0.1f, -0.4f, 0.26f};
    float4 rimLightDirection {0, 0.3f, -1, 0.3f};
    float4 params {0, 0.1f, 0.55f, 0.26f};
    float4 screen {1, 1, 1, 1};
    float4 depthParams {1, 1000, 26, 1.1f};
    float4 ambientSky {0.33f, 0.34f, 0.37f, 0.26f};
    float4 ambientGround {0.17f, 0.18f, 0.21f, 0};
    std::uint32_t clipCount = 0;
    std::uint32_t flags = 0;
    float exposure = 1.05f;
    float time = 0;
};

static_assert(sizeof(RenderUniforms) == 480);
static_assert(std::is_standard_layout_v<RenderUniforms> && std::is_trivially_copyable_v<RenderUniforms>);
static_assert(offsetof(RenderUniforms, view) == 64);
static_assert(offsetof(RenderUniforms, projection) == 128);
static_assert(offsetof(RenderUniforms, inverseProjection) == 192);
static_assert(offsetof(RenderUniforms, cameraPosition) == 256);
static_assert(offsetof(RenderUniforms, bodyCenter) == 272);
static_assert(offsetof(RenderUniforms, clipPlane0) == 288);
static_assert(offsetof(RenderUniforms, clipPlane1) == 304);
static_assert(offsetof(RenderUniforms, clipPlane2) == 320);
static_assert(offsetof(RenderUniforms, keyLightDirection) == 336);
static_assert(offsetof(RenderUniforms, fillLightDirection) == 352);
static_assert(offsetof(RenderUniforms, rimLightDirection) == 368);
static_assert(offsetof(RenderUniforms, params) == 384);
static_assert(offsetof(RenderUniforms, screen) == 400);
static_assert(offsetof(RenderUniforms, depthParams) == 416);
static_assert(offsetof(RenderUniforms, ambientSky) == 432);
static_assert(offsetof(RenderUniforms, ambientGround) == 448);
static_assert(offsetof(RenderUniforms, clipCount) == 464);
static_assert(offsetof(RenderUniforms, flags) == 468);
static_assert(offsetof(RenderUniforms, exposure) == 472);
static_assert(offsetof(RenderUniforms, time) == 476);

} // namespace morvena
