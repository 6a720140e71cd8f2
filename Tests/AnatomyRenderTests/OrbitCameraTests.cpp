#include "AnatomyRender/ClipPlane.h"
#include "AnatomyRender/OrbitCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

using namespace morvena;

namespace {

constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();

void expectNear(Float3 actual, Float3 expected, float tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

bool isFinite(const float4x4& m)
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            if (!std::isfinite(m[c][r]))
                return false;
    return true;
}

} // namespace

TEST(OrbitCamera, defaultsAndDerivedValues)
{
    OrbitCamera camera;
    EXPECT_EQ(camera.distance, 2000.f);
    EXPECT_EQ(camera.fovY, 0.6632251f);
    EXPECT_EQ(camera.sceneRadius, 1000.f);
    EXPECT_EQ(camera.direction(), (Float3 {0, 0, 1}));
    EXPECT_EQ(camera.position(), (Float3 {0, 0, 2000}));
    EXPECT_EQ(camera.near(), 4.f);
    EXPECT_EQ(camera.far(), 6001.f);
    camera.distance = 10;
    EXPECT_EQ(camera.near(), 0.5f);
}

TEST(OrbitCamera, matricesLookDownMinusZAndMapDepthFromZeroToOne)
{
    OrbitCamera camera;
    camera.target = {10, 20, 30};
    float4x4 view = camera.viewMatrix();
    // The target lies straight ahead at the camera's distance.
    float4 inView = view * float4(camera.target, 1);
    EXPECT_NEAR(inView.x, 0, 1e-3);
    EXPECT_NEAR(inView.y, 0, 1e-3);
    EXPECT_NEAR(inView.z, -2000, 1e-2);

    float4x4 projection = camera.projectionMatrix(1.5f);
    float4 nearPoint = projection * float4(0, 0, -camera.near(), 1);
    float4 farPoint = projection * float4(0, 0, -camera.far(), 1);
    EXPECT_NEAR(nearPoint.z / nearPoint.w, 0, 1e-6);
    EXPECT_NEAR(farPoint.z / farPoint.w, 1, 1e-6);
    EXPECT_EQ(nearPoint.w, camera.near());
    // Aspect 0 is taken as 0.01.
    EXPECT_EQ(camera.projectionMatrix(0), camera.projectionMatrix(0.01f));
    EXPECT_EQ(camera.viewProjection(1.5f), projection * view);
}

TEST(OrbitCamera, orbitClampsPitchAndWrapsYawOnce)
{
    OrbitCamera camera;
    camera.orbit(0, 100000);
    EXPECT_EQ(camera.pitch, 1.5620695f);
    camera.orbit(0, -100000);
    EXPECT_EQ(camera.pitch, -1.5620695f);

    OrbitCamera drag;
    drag.yaw = 3.1f;
    drag.orbit(-10, 0); // yaw 3.18 wraps to the negative side
    EXPECT_NEAR(drag.yaw, 3.18f - 6.283185f, 1e-5);

    // One correction only: a change of more than a full turn stays outside the range.
    OrbitCamera spin;
    spin.orbit(-1000, 0); // +8 rad
    EXPECT_NEAR(spin.yaw, 8 - 6.283185f, 1e-5);
    spin.yaw = 0;
    spin.orbit(-2000, 0); // +16 rad
    EXPECT_GT(spin.yaw, 3.1415925f);
}

TEST(OrbitCamera, zoomStaysWithinTheSceneRadiusBounds)
{
    OrbitCamera camera;
    camera.zoom(0);
    EXPECT_EQ(camera.distance, 10.f);
    camera.zoom(1e30f);
    EXPECT_EQ(camera.distance, 12000.f);
    camera.zoom(0.5f);
    EXPECT_EQ(camera.distance, 6000.f);
}

TEST(OrbitCamera, panMovesTheTargetInTheViewPlane)
{
    OrbitCamera camera; // looking along −z, right is +x, up is +y
    float units = 2 * 2000 * std::tan(camera.fovY / 2) / 500;
    camera.pan(10, 5, 500);
    expectNear(camera.target, {-10 * units, 5 * units, 0}, 1e-3f);
    // A zero viewport height counts as one point.
    OrbitCamera flat;
    flat.pan(1, 0, 0);
    EXPECT_NEAR(flat.target.x, -2 * 2000 * std::tan(flat.fovY / 2), 1e-2);
}

TEST(OrbitCamera, frameFitsTheBoxAndKeepsTheAngles)
{
    OrbitCamera camera;
    camera.yaw = 0.3f;
    camera.pitch = 0.2f;
    camera.frame({-100, -200, -50}, {100, 200, 50}, 1.5f, 1.04f);
    EXPECT_EQ(camera.target, (Float3 {0, 0, 0}));
    EXPECT_EQ(camera.yaw, 0.3f);
    EXPECT_EQ(camera.pitch, 0.2f);
    // Every corner projects inside the view.
    for (float x : {-100.f, 100.f})
        for (float y : {-200.f, 200.f})
            for (float z : {-50.f, 50.f}) {
                auto p = camera.project({x, y, z}, {1500, 1000});
                ASSERT_TRUE(p);
                EXPECT_GE(p->x, 0);
                EXPECT_LE(p->x, 1500);
                EXPECT_GE(p->y, 0);
                EXPECT_LE(p->y, 1000);
            }

    OrbitCamera point;
    point.frame({5, 5, 5}, {5, 5, 5}, 1, 1.45f);
    EXPECT_EQ(point.distance, 10.f);
    EXPECT_EQ(point.target, (Float3 {5, 5, 5}));

    // A wide, flat box: aspect 0 fits horizontally as if the aspect were 0.2.
    OrbitCamera narrow, fifth;
    narrow.frame({-100, -1, 0}, {100, 1, 0}, 0, 1);
    fifth.frame({-100, -1, 0}, {100, 1, 0}, 0.2f, 1);
    float t = std::tan(narrow.fovY / 2);
    EXPECT_NEAR(narrow.distance, 100 / (t * 0.2f), 1e-1);
    EXPECT_NEAR(fifth.distance, 100 / (t * 0.2f), 1e-1);
}

TEST(OrbitCamera, topViewsUseTheAuxiliaryUpVector)
{
    OrbitCamera camera;
    camera.apply(CameraPreset::superior);
    float4x4 view = camera.viewMatrix();
    EXPECT_TRUE(isFinite(view));
    // With up (0, 0, 1) the view's right vector is cross(f, z), which lies along ±x.
    EXPECT_NEAR(std::abs(view.row(0).x), 1, 1e-5);
    camera.frame({-10, -10, -10}, {10, 10, 10}, 1, 1);
    EXPECT_TRUE(std::isfinite(camera.distance));
    EXPECT_GT(camera.distance, 10);
}

TEST(OrbitCamera, presetsSetTheirAnglesAndKeepTargetAndDistance)
{
    OrbitCamera camera;
    camera.target = {1, 2, 3};
    camera.distance = 500;
    camera.apply(CameraPreset::posterior);
    EXPECT_EQ(camera.yaw, 3.1415925f);
    EXPECT_EQ(camera.pitch, 0.f);
    camera.apply(CameraPreset::inferior);
    EXPECT_EQ(camera.yaw, 0.f);
    EXPECT_EQ(camera.pitch, -OrbitCamera::pitchLimit);
    camera.apply(CameraPreset::right);
    EXPECT_EQ(camera.yaw, -1.5707963f);
    EXPECT_EQ(camera.target, (Float3 {1, 2, 3}));
    EXPECT_EQ(camera.distance, 500.f);
}

TEST(OrbitCamera, presetVocabulary)
{
    ASSERT_EQ(allCameraPresets().size(), 6u);
    std::set<std::string_view> labels;
    for (CameraPreset preset : allCameraPresets()) {
        EXPECT_EQ(cameraPreset(rawValue(preset)), preset);
        labels.insert(shortLabel(preset));
    }
    EXPECT_EQ(labels.size(), 6u);
    EXPECT_EQ(italianName(CameraPreset::left), "Laterale sinistra");
    EXPECT_EQ(shortLabel(CameraPreset::right), "DX");
    EXPECT_FALSE(cameraPreset("front"));
    EXPECT_FALSE(cameraPreset(""));
}

TEST(OrbitCamera, nearestPresetFollowsTheViewDirection)
{
    for (CameraPreset preset : allCameraPresets()) {
        OrbitCamera camera;
        camera.apply(preset);
        EXPECT_EQ(camera.nearestPreset(), preset) << rawValue(preset);
    }
    OrbitCamera camera;
    camera.yaw = 1.2f; // mostly from the left
    camera.pitch = 0.3f;
    EXPECT_EQ(camera.nearestPreset(), CameraPreset::left);
    camera.pitch = 1.0f;
    EXPECT_EQ(camera.nearestPreset(), CameraPreset::superior);
}

TEST(OrbitCamera, interpolateEasesAndTurnsTheShorterWay)
{
    OrbitCamera a, b;
    a.yaw = 3.0f;
    b.yaw = -3.0f;
    a.distance = 100;
    b.distance = 400;
    b.target = {10, 0, 0};
    b.fovY = 0.5f;
    b.sceneRadius = 77;

    OrbitCamera half = OrbitCamera::interpolate(a, b, 0.5f);
    EXPECT_NEAR(half.yaw, 3.0f + 0.5f * 0.283185f, 1e-5);
    EXPECT_NEAR(half.distance, 200, 1e-3); // geometric mean
    EXPECT_NEAR(half.target.x, 5, 1e-5);
    EXPECT_EQ(half.fovY, 0.5f);
    EXPECT_EQ(half.sceneRadius, 77.f);

    OrbitCamera end = OrbitCamera::interpolate(a, b, 1);
    EXPECT_NEAR(end.yaw, 3.283185f, 1e-5); // not wrapped again
    EXPECT_NEAR(end.distance, 400, 1e-3);
    OrbitCamera start = OrbitCamera::interpolate(a, b, 0);
    EXPECT_EQ(start.yaw, 3.0f);
    EXPECT_EQ(start.distance, 100.f);
    // Smoothstep: a quarter of the time covers less than a quarter of the way.
    EXPECT_LT(OrbitCamera::interpolate(a, b, 0.25f).target.x, 2.5f);
}

TEST(OrbitCamera, rayAndProjectAreInverse)
{
    OrbitCamera camera;
    camera.target = {30, -40, 12};
    camera.distance = 800;
    camera.yaw = -0.7f;
    camera.pitch = 0.4f;
    float2 size {1280, 720};
    for (float2 pixel : {float2 {640, 360}, float2 {10, 20}, float2 {1200, 700}, float2 {0, 720}}) {
        auto ray = camera.ray(pixel, size);
        EXPECT_NEAR(length(ray.direction), 1, 1e-6);
        EXPECT_EQ(ray.origin, camera.position());
        auto projected = camera.project(ray.origin + ray.direction * 500, size);
        ASSERT_TRUE(projected);
        EXPECT_NEAR(projected->x, pixel.x, 0.05);
        EXPECT_NEAR(projected->y, pixel.y, 0.05);
        EXPECT_GT(projected->z, 0);
        EXPECT_LT(projected->z, 1);
    }
    // The centre pixel looks at the target, which projects to the centre.
    auto centre = camera.project(camera.target, size);
    ASSERT_TRUE(centre);
    EXPECT_NEAR(centre->x, 640, 1e-2);
    EXPECT_NEAR(centre->y, 360, 1e-2);
}

TEST(OrbitCamera, projectRejectsTheEyeAndPointsBehindIt)
{
    OrbitCamera camera;
    camera.yaw = 0.9f;
    camera.pitch = -0.3f;
    EXPECT_FALSE(camera.project(camera.position(), {100, 100}));
    EXPECT_FALSE(camera.project(camera.position() + camera.direction() * 10, {100, 100}));
}

TEST(OrbitCamera, sanitizeRepairsValuesThatWouldBreakTheMatrices)
{
    OrbitCamera restored;
    restored.target = {notANumber, 5, infinity};
    restored.distance = 0;
    restored.yaw = notANumber;
    restored.pitch = -infinity;
    restored.fovY = 0;
    restored.sceneRadius = notANumber;
    // Without repair the matrices carry non-finite values and the frame is blank.
    EXPECT_FALSE(isFinite(restored.viewProjection(1)));

    OrbitCamera camera = restored.sanitized();
    EXPECT_EQ(camera.target, (Float3 {0, 5, 0}));
    EXPECT_EQ(camera.sceneRadius, 1000.f);
    EXPECT_EQ(camera.distance, 10.f);
    EXPECT_EQ(camera.yaw, 0.f);
    EXPECT_EQ(camera.pitch, 0.f);
    EXPECT_EQ(camera.fovY, 0.6632251f);
    EXPECT_TRUE(isFinite(camera.viewProjection(1)));
    EXPECT_TRUE(camera.project(camera.target, {100, 100}));

    OrbitCamera odd;
    odd.distance = notANumber;
    odd.fovY = 4;
    odd.sanitize();
    EXPECT_EQ(odd.distance, 2000.f);
    EXPECT_EQ(odd.fovY, 0.6632251f);
    odd.distance = infinity;
    odd.sceneRadius = -5;
    odd.sanitize();
    EXPECT_EQ(odd.sceneRadius, 1000.f);
    EXPECT_EQ(odd.distance, 12000.f);

    // Sound cameras are left exactly as they are.
    OrbitCamera sound;
    sound.yaw = 9; // outside the wrap range, but finite
    sound.distance = 1e6f;
    EXPECT_EQ(sound.sanitized(), sound);

    // Gestures fed with non-finite deltas keep the camera usable.
    OrbitCamera gesture;
    gesture.orbit(notANumber, infinity);
    gesture.zoom(notANumber);
    gesture.pan(infinity, 0, 100);
    EXPECT_TRUE(isFinite(gesture.viewProjection(1)));
}

TEST(OrbitCamera, lookAtAndPerspectiveFollowTheirFormulas)
{
    float4x4 view = OrbitCamera::lookAt({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
    EXPECT_EQ(view.row(0), (float4 {1, 0, 0, 0}));
    EXPECT_EQ(view.row(1), (float4 {0, 1, 0, 0}));
    EXPECT_EQ(view.row(2), (float4 {0, 0, 1, -10}));
    EXPECT_EQ(view.row(3), (float4 {0, 0, 0, 1}));

    float4x4 projection = OrbitCamera::perspective(1.5707964f, 2, 1, 101);
    EXPECT_NEAR(projection[1][1], 1, 1e-6);
    EXPECT_NEAR(projection[0][0], 0.5f, 1e-6);
    EXPECT_EQ(projection[2][3], -1.f);
    EXPECT_NEAR(projection[2][2], 101.f / -100.f, 1e-6);
    EXPECT_NEAR(projection[3][2], 101.f / -100.f, 1e-6);
    EXPECT_EQ(projection[3][3], 0.f);

    // The inverse undoes the projection.
    float4x4 back = inverse(projection) * projection;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(back[c][r], c == r ? 1 : 0, 1e-5);
    EXPECT_EQ(inverse(float4x4::fromColumns({}, {}, {}, {})), float4x4::identity());
}

TEST(ClipPlane, packsTheSignedPlaneVector)
{
    ClipPlane plane {ClipAxis::transverse, 120, true};
    EXPECT_EQ(plane.packed(), (float4 {0, -1, 0, 120}));
    ClipPlane sagittal {ClipAxis::sagittal, 30, false};
    float4 packed = sagittal.packed();
    EXPECT_EQ(packed, (float4 {1, 0, 0, -30}));
    // Signed distance: positive on the normal's side.
    EXPECT_EQ(dot(packed.xyz(), Float3 {50, 0, 0}) + packed.w, 20.f);
    EXPECT_EQ((ClipPlane {ClipAxis::frontal, -4, false}).packed(), (float4 {0, 0, 1, 4}));
    EXPECT_EQ(ClipPlane {}, (ClipPlane {ClipAxis::sagittal, 0, false}));
}

TEST(ClipPlane, axisVocabulary)
{
    ASSERT_EQ(allClipAxes().size(), 3u);
    for (int raw = 0; raw < 3; ++raw) {
        auto axis = clipAxis(raw);
        ASSERT_TRUE(axis);
        EXPECT_EQ(rawValue(*axis), raw);
        EXPECT_EQ(length(normal(*axis)), 1.f);
    }
    EXPECT_FALSE(clipAxis(3));
    EXPECT_FALSE(clipAxis(-1));
    EXPECT_EQ(italianName(ClipAxis::transverse), "Trasversale");
    EXPECT_EQ(italianName(ClipAxis::frontal), "Frontale");
}
