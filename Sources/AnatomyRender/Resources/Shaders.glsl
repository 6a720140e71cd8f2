// Morvena's shader program. Each "//@section" line starts one entry point; the
// renderer compiles them at run time, putting the "common" section in front of each.
// Layouts here mirror RenderUniforms and StructureProps byte for byte.
//
// Conventions: the renderer sets glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE), so
// clip-space depth runs 0..1 and texel row 0 of every offscreen target is the top of
// the image. Full-screen passes get `screenUV` with (0, 0) at the top left.

//@section common
layout(std140, binding = 1) uniform Uniforms {
    mat4 viewProjection;
    mat4 view;
    mat4 projection;
    mat4 inverseProjection;
    vec4 cameraPosition;
    vec4 bodyCenter;
    vec4 clipPlane0;
    vec4 clipPlane1;
    vec4 clipPlane2;
    vec4 keyLightDirection;
    vec4 fillLightDirection;
    vec4 rimLightDirection;
    vec4 params;        // explode, ghost opacity, ambient strength, rim strength
    vec4 screen;
    vec4 depthParams;   // near, far, occlusion radius (world units), occlusion intensity
    vec4 ambientSky;
    vec4 ambientGround;
    uint clipCount;
    uint flags;         // 1: show occlusion only
    float exposure;
    float time;
} u;

// x roughness, y specular strength, z sheen at grazing angles, w light wrap
// (how far light bleeds past the terminator, a cheap stand-in for subsurface scattering).
struct StructureProps {
    vec4 colorAlpha;
    vec4 explodeFlags;
    vec4 material;
};

const uint debugOcclusionOnly = 1u;

//@section fullscreen_vertex
// A 4-vertex triangle strip that covers the target, from the vertex index alone.
out vec2 screenUV;

void main()
{
    vec2 corner = vec2(float(gl_VertexID & 1), float((gl_VertexID >> 1) & 1));
    vec2 ndc = corner * 2.0 - 1.0;
    screenUV = vec2(corner.x, 1.0 - corner.y);
    gl_Position = vec4(ndc, 0.0, 1.0);
}

//@section background_fragment
layout(std140, binding = 0) uniform Background {
    vec4 upperColor;
    vec4 lowerColor;
} background;

in vec2 screenUV;
layout(location = 0) out vec4 outColor;

void main()
{
    // Colours arrive already passed through the inverse tone curve, so the top and
    // bottom rows show the palette exactly.
    float t = smoothstep(0.0, 1.0, screenUV.y);
    outColor = vec4(mix(background.upperColor.rgb, background.lowerColor.rgb, t), 1.0);
}

//@section anatomy_vertex
layout(std430, binding = 2) readonly buffer StructureRecords {
    StructureProps props[];
};

layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in uint structureIndex;

out vec3 worldPosition;
out vec3 worldNormal;
flat out vec4 colorAlpha;
flat out vec4 material;
flat out float selected;
flat out uint structure;

out float gl_ClipDistance[1];

void main()
{
    // A damaged index must not read past the records.
    uint index = min(structureIndex, uint(props.length()) - 1u);
    StructureProps record = props[index];
    vec3 world = position + record.explodeFlags.xyz * u.params.x;
    worldPosition = world;
    worldNormal = normal;
    colorAlpha = record.colorAlpha;
    material = record.material;
    selected = record.explodeFlags.w;
    structure = index;
    // The half on the side the plane's normal points to stays.
    gl_ClipDistance[0] = u.clipCount > 0u ? dot(u.clipPlane0.xyz, world) + u.clipPlane0.w : 1.0;
    gl_Position = u.viewProjection * vec4(world, 1.0);
}

//@section anatomy_fragment
in vec3 worldPosition;
in vec3 worldNormal;
flat in vec4 colorAlpha;
flat in vec4 material;
flat in float selected;

layout(location = 0) out vec4 outColor;

const vec3 selectionTint = vec3(0.25, 0.62, 1.0);
const float lightScale = 1.9;

float wrappedDiffuse(vec3 n, vec3 l, float wrap)
{
    return max((dot(n, l) + wrap) / (1.0 + wrap), 0.0);
}

float specular(vec3 n, vec3 l, vec3 v, float roughness)
{
    vec3 h = normalize(l + v);
    float shininess = exp2(mix(8.0, 2.5, roughness)); // about 256 (polished) to 6 (matte)
    float normalisation = (shininess + 8.0) / 25.1327; // keeps highlights' energy as they widen
    return normalisation * pow(max(dot(n, h), 0.0), shininess) * max(dot(n, l), 0.0);
}

vec3 light(vec4 directionWeight, vec3 n, vec3 v, vec3 albedo, float specularStrength)
{
    vec3 l = directionWeight.xyz;
    float weight = directionWeight.w * lightScale;
    float diffuse = wrappedDiffuse(n, l, material.w);
    float highlight = specular(n, l, v, material.x) * specularStrength * 0.22;
    return weight * (albedo * diffuse + vec3(highlight));
}

void main()
{
    vec3 v = normalize(u.cameraPosition.xyz - worldPosition);
    vec3 n = normalize(worldNormal);
    // No culling: inner faces show where the section plane opens a structure. They
    // are lit as seen from the eye and darkened so the cut reads as an inside.
    bool inside = dot(n, v) < 0.0;
    if (inside)
        n = -n;

    vec3 albedo = colorAlpha.rgb;
    if (selected > 0.5)
        albedo = mix(albedo, selectionTint, 0.38);
    if (inside)
        albedo *= 0.55;

    float ambientBlend = n.y * 0.5 + 0.5;
    vec3 ambient = mix(u.ambientGround.rgb, u.ambientSky.rgb, ambientBlend) * (u.params.z + u.ambientSky.w);
    vec3 colour = albedo * ambient;
    colour += light(u.keyLightDirection, n, v, albedo, material.y);
    colour += light(u.fillLightDirection, n, v, albedo, material.y * 0.5);

    float facing = max(dot(n, v), 0.0);
    float grazing = pow(1.0 - facing, 3.0);
    float rimSide = max(dot(n, u.rimLightDirection.xyz), 0.0) * 0.6 + 0.4;
    colour += albedo * grazing * rimSide * u.rimLightDirection.w * (u.params.w + material.z) * 2.0;
    if (selected > 0.5)
        colour += selectionTint * grazing * 0.9;

    float alpha = colorAlpha.a;
    // Ghosted structures fade in their middle and keep their outline, so the
    // shape stays readable at low opacity.
    if (alpha < 0.999 && alpha <= u.params.y + 0.0005)
        alpha = clamp(alpha * mix(0.45, 2.6, grazing), 0.0, 1.0);
    outColor = vec4(colour, alpha);
}

//@section anatomy_pick_fragment
flat in uint structure;

layout(location = 0) out uint outIdentifier;

void main()
{
    outIdentifier = structure + 1u;
}

//@section depth_resolve_fragment
// Copies sample 0 of the multisampled depth into the single-sample depth target.
layout(binding = 0) uniform sampler2DMS depthSamples;

void main()
{
    gl_FragDepth = texelFetch(depthSamples, ivec2(gl_FragCoord.xy), 0).r;
}

//@section ssao_fragment
layout(binding = 0) uniform sampler2D sceneDepth;

in vec2 screenUV;
layout(location = 0) out float outOcclusion;

const int sampleCount = 12;
const float goldenAngle = 2.39996323;

vec3 viewPosition(vec2 uv, float depth)
{
    vec4 p = u.inverseProjection * vec4(uv.x * 2.0 - 1.0, 1.0 - uv.y * 2.0, depth, 1.0);
    return p.xyz / p.w;
}

// The view-space point seen through one depth texel, taken at the texel's centre:
// positions and depths of neighbours must come from the same texels, or the
// reconstructed normals show steps of half a texel.
vec3 pointAt(ivec2 texel)
{
    ivec2 size = textureSize(sceneDepth, 0);
    texel = clamp(texel, ivec2(0), size - 1);
    vec2 uv = (vec2(texel) + 0.5) / vec2(size);
    return viewPosition(uv, texelFetch(sceneDepth, texel, 0).r);
}

vec2 screenOf(vec3 viewPoint)
{
    vec4 clip = u.projection * vec4(viewPoint, 1.0);
    vec2 ndc = clip.xy / clip.w;
    return vec2(ndc.x * 0.5 + 0.5, 0.5 - ndc.y * 0.5);
}

// The view-space normal from the depth's neighbours, taking on each axis the side
// with the smaller step so that silhouettes do not smear.
vec3 reconstructNormal(ivec2 texel, vec3 centre)
{
    vec3 right = pointAt(texel + ivec2(1, 0));
    vec3 left = pointAt(texel - ivec2(1, 0));
    vec3 down = pointAt(texel + ivec2(0, 1));
    vec3 up = pointAt(texel - ivec2(0, 1));
    vec3 dx = abs(right.z - centre.z) < abs(centre.z - left.z) ? right - centre : centre - left;
    vec3 dy = abs(down.z - centre.z) < abs(centre.z - up.z) ? down - centre : centre - up;
    vec3 n = normalize(cross(dy, dx));
    return dot(n, centre) > 0.0 ? -n : n;
}

void main()
{
    float intensity = u.depthParams.w;
    ivec2 size = textureSize(sceneDepth, 0);
    ivec2 texel = ivec2(screenUV * vec2(size));
    float depth = texelFetch(sceneDepth, clamp(texel, ivec2(0), size - 1), 0).r;
    if (intensity <= 0.0 || depth >= 1.0) {
        outOcclusion = 1.0;
        return;
    }
    vec3 p = pointAt(texel);
    vec3 n = reconstructNormal(texel, p);
    float radius = u.depthParams.z;
    // Per-pixel rotation of the spiral; the blur passes smooth the noise.
    float noise = fract(52.9829189 * fract(dot(gl_FragCoord.xy, vec2(0.06711056, 0.00583715))));
    vec3 helper = abs(n.z) < 0.9 ? vec3(0, 0, 1) : vec3(1, 0, 0);
    vec3 tangent = normalize(cross(helper, n));
    vec3 bitangent = cross(n, tangent);

    float occlusion = 0.0;
    for (int i = 0; i < sampleCount; ++i) {
        float f = (float(i) + 0.5) / float(sampleCount);
        float angle = float(i) * goldenAngle + noise * 6.2831853;
        float spread = sqrt(f);
        vec3 direction = tangent * (cos(angle) * spread) + bitangent * (sin(angle) * spread)
            + n * sqrt(max(1.0 - f, 0.0));
        vec3 samplePoint = p + direction * radius * mix(0.2, 1.0, f * f);
        vec2 uv = screenOf(samplePoint);
        if (any(lessThan(uv, vec2(0.0))) || any(greaterThanEqual(uv, vec2(1.0))))
            continue;
        float sceneZ = pointAt(ivec2(uv * vec2(size))).z;
        float rangeCheck = smoothstep(0.0, 1.0, radius / max(abs(p.z - sceneZ), 1e-4));
        occlusion += (sceneZ >= samplePoint.z + radius * 0.05 ? 1.0 : 0.0) * rangeCheck;
    }
    float open = 1.0 - occlusion / float(sampleCount);
    outOcclusion = pow(max(open, 1e-3), intensity);
}

//@section ssao_blur_fragment
layout(std140, binding = 2) uniform BlurDirection {
    vec2 direction; // in texels of the occlusion target
} blur;
layout(binding = 0) uniform sampler2D occlusionInput;
layout(binding = 1) uniform sampler2D sceneDepth;

in vec2 screenUV;
layout(location = 0) out float outOcclusion;

float linearDepth(float depth)
{
    float near = u.depthParams.x;
    float far = u.depthParams.y;
    return near * far / (far - depth * (far - near));
}

void main()
{
    vec2 texel = blur.direction / vec2(textureSize(occlusionInput, 0));
    float centreDepth = linearDepth(textureLod(sceneDepth, screenUV, 0).r);
    // Depth-aware Gaussian: neighbours on another surface do not bleed across edges.
    float sharpness = 8.0 / max(u.depthParams.z, 1e-3);
    float total = 0.0;
    float weights = 0.0;
    for (int i = -4; i <= 4; ++i) {
        vec2 uv = screenUV + texel * float(i);
        float sampleDepth = linearDepth(textureLod(sceneDepth, uv, 0).r);
        float gaussian = exp(-float(i * i) / 8.0);
        float weight = gaussian * exp(-abs(sampleDepth - centreDepth) * sharpness);
        total += textureLod(occlusionInput, uv, 0).r * weight;
        weights += weight;
    }
    outOcclusion = total / max(weights, 1e-5);
}

//@section composite_fragment
layout(binding = 0) uniform sampler2D sceneColor;
layout(binding = 1) uniform sampler2D occlusion;

in vec2 screenUV;
layout(location = 0) out vec4 outColor;

// Extended Reinhard curve with its white point at 2.6 (6.76 = 2.6²). The renderer
// inverts the same curve for the background colours: keep the two in step.
vec3 toneCurve(vec3 x)
{
    return x * (1.0 + x / 6.7599993) / (1.0 + x);
}

void main()
{
    vec3 colour = textureLod(sceneColor, screenUV, 0).rgb;
    float ambient = u.depthParams.w > 0.0 ? textureLod(occlusion, screenUV, 0).r : 1.0;
    if ((u.flags & debugOcclusionOnly) != 0u) {
        outColor = vec4(vec3(ambient), 1.0);
        return;
    }
    outColor = vec4(toneCurve(max(colour * ambient, vec3(0.0)) * u.exposure), 1.0);
}
