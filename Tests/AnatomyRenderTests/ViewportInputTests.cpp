#include "AnatomyRender/ViewportInput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace morvena;

namespace {

// A viewport input over a camera of its own, a clock the test moves and a record of
// every callback.
struct InputFixture {
    double time = 0;
    OrbitCamera camera;
    bool cameraGone = false;
    bool animating = false;
    ViewportInput input {ViewportInput::Target {
                             [this] { return cameraGone ? nullptr : &camera; }, [this] { return animating; }},
        [this] { return time; }};

    std::vector<std::pair<float2, PointerModifier>> selections;
    std::vector<float2> doubleClicks;
    std::vector<std::optional<float2>> hovers;
    int cameraChanges = 0;
    std::vector<std::pair<std::string, KeyModifiers>> keys;
    std::vector<int> frameRates;

    InputFixture()
    {
        camera.sceneRadius = 100;
        camera.distance = 250;
        input.onSelect = [this](float2 p, PointerModifier m) { selections.emplace_back(p, m); };
        input.onDoubleClick = [this](float2 p) { doubleClicks.push_back(p); };
        input.onHover = [this](std::optional<float2> p) { hovers.push_back(p); };
        input.onCameraChanged = [this] { ++cameraChanges; };
        input.onKey = [this](std::string_view text, KeyModifiers m) {
            keys.emplace_back(std::string(text), m);
            return text == "h";
        };
        input.onFrameRateChanged = [this](int fps) { frameRates.push_back(fps); };
    }

    void click(float2 p, KeyModifiers modifiers = {})
    {
        input.leftDown(p, 1);
        input.leftUp(p, 1, modifiers);
    }
};

constexpr float2 here {40, 30};

} // namespace

TEST(ViewportInput, clickSelectsAndDragOrbitsWithoutSelecting)
{
    InputFixture f;
    f.click(here);
    ASSERT_EQ(f.selections.size(), 1u);
    EXPECT_EQ(f.selections[0].first, here);
    EXPECT_EQ(f.selections[0].second, PointerModifier::none);

    float yaw = f.camera.yaw;
    f.input.leftDown(here, 1);
    f.input.leftDragged({25, 0}, {}, 500);
    f.input.leftUp({65, 30}, 1, {});
    EXPECT_EQ(f.selections.size(), 1u);
    EXPECT_FLOAT_EQ(f.camera.yaw, yaw - 25 * 0.008f);
    EXPECT_EQ(f.cameraChanges, 1);
}

TEST(ViewportInput, modifiersChooseTheSelectionMode)
{
    const std::vector<std::pair<KeyModifiers, PointerModifier>> cases {
        {{}, PointerModifier::none},
        {KeyModifiers::shift, PointerModifier::additive},
        {KeyModifiers::command, PointerModifier::subtractive},
        {KeyModifiers::command | KeyModifiers::shift, PointerModifier::subtractive},
        {KeyModifiers::option, PointerModifier::none},
    };
    for (const auto& [keys, mode] : cases) {
        InputFixture f;
        f.click(here, keys);
        ASSERT_EQ(f.selections.size(), 1u) << keys.rawValue;
        EXPECT_EQ(f.selections[0].second, mode) << keys.rawValue;
    }
}

TEST(ViewportInput, doubleClickSelectsOnceAndReportsOneDoubleClick)
{
    InputFixture f;
    f.click(here);
    f.input.leftDown(here, 2);
    f.input.leftUp(here, 2, {});
    EXPECT_EQ(f.selections.size(), 1u);
    ASSERT_EQ(f.doubleClicks.size(), 1u);
    EXPECT_EQ(f.doubleClicks[0], here);
}

TEST(ViewportInput, panningGesturesMoveTheTargetNotTheAngles)
{
    auto pans = [](auto gesture) {
        InputFixture f;
        auto before = f.camera;
        gesture(f.input);
        return f.camera.yaw == before.yaw && f.camera.pitch == before.pitch
            && !(f.camera.target == before.target) && f.cameraChanges == 1;
    };
    EXPECT_TRUE(pans([](ViewportInput& in) { in.leftDragged({10, 4}, KeyModifiers::option, 500); }));
    EXPECT_TRUE(pans([](ViewportInput& in) { in.leftDragged({10, 4}, KeyModifiers::control, 500); }));
    EXPECT_TRUE(pans([](ViewportInput& in) { in.otherDragged({10, 4}, 500); }));
    EXPECT_TRUE(pans([](ViewportInput& in) { in.scrolled({3, 5}, true, KeyModifiers::shift, 500); }));
}

TEST(ViewportInput, hoverKeepsOnePerIntervalAndDeliversTheLatestPointAtItsEnd)
{
    InputFixture f;
    f.time = 1;
    EXPECT_FALSE(f.input.moved({1, 1}));
    f.time = 1.03;
    auto wait = f.input.moved({2, 2});
    ASSERT_TRUE(wait);
    EXPECT_NEAR(*wait, 0.025, 1e-9);
    EXPECT_EQ(f.hovers.size(), 1u);
    f.time = 1.055;
    f.input.flushHover();
    ASSERT_EQ(f.hovers.size(), 2u);
    EXPECT_EQ(f.hovers[1], (float2 {2, 2}));
    f.input.flushHover();
    EXPECT_EQ(f.hovers.size(), 2u) << "a point is delivered once";

    InputFixture apart;
    for (double t : {1.0, 1.06}) {
        apart.time = t;
        EXPECT_FALSE(apart.input.moved({static_cast<float>(t), 0}));
    }
    EXPECT_EQ(apart.hovers.size(), 2u);
}

TEST(ViewportInput, leavingReportsNoneDropsThePendingPointAndIsNoActivity)
{
    InputFixture f;
    f.time = 1;
    f.input.moved({1, 1});
    f.input.moved({2, 2}); // throttled
    f.time = 3.6;
    f.input.checkFrameRate();
    ASSERT_EQ(f.input.preferredFPS(), ViewportInput::idleFPS);
    f.input.exited();
    f.input.flushHover();
    ASSERT_EQ(f.hovers.size(), 2u);
    EXPECT_EQ(f.hovers[1], std::nullopt);
    EXPECT_EQ(f.input.preferredFPS(), ViewportInput::idleFPS);
}

TEST(ViewportInput, scrollAndPinchZoom)
{
    struct Case {
        const char* name;
        std::function<void(ViewportInput&)> gesture;
        float factor;
    };
    const std::vector<Case> cases {
        {"10 precise points",
            [](ViewportInput& in) {
                in.scrolled({0, 10}, true, {}, 500);
            },
            std::exp(-0.035f)},
        {"10 wheel lines",
            [](ViewportInput& in) {
                in.scrolled({0, 10}, false, {}, 500);
            },
            std::exp(-0.6f)},
        {"wheel line back",
            [](ViewportInput& in) {
                in.scrolled({0, -1}, false, {}, 500);
            },
            std::exp(0.06f)},
        {"pinch by a fifth", [](ViewportInput& in) { in.magnified(0.2f); }, 0.8f},
        {"pinch of 1", [](ViewportInput& in) { in.magnified(1); }, 0.01f * 100 / 250},
        {"pinch beyond 1", [](ViewportInput& in) { in.magnified(3); }, 0.01f * 100 / 250},
    };
    for (const auto& c : cases) {
        InputFixture f;
        c.gesture(f.input);
        EXPECT_NEAR(f.camera.distance, 250 * c.factor, 1e-3) << c.name;
        EXPECT_EQ(f.cameraChanges, 1) << c.name;
    }
}

TEST(ViewportInput, frameRateIdlesAfterTwoSecondsAndReturnsAtOnce)
{
    InputFixture f;
    f.time = 2.5;
    f.input.checkFrameRate();
    EXPECT_EQ(f.input.preferredFPS(), 12);
    EXPECT_FALSE(f.input.keyPressed("q", {}));
    EXPECT_EQ(f.input.preferredFPS(), 120);
    EXPECT_EQ(f.frameRates, (std::vector<int> {12, 120}));

    f.time = 5.0;
    f.animating = true;
    f.input.checkFrameRate();
    EXPECT_EQ(f.input.preferredFPS(), 120) << "a camera move keeps the active rate";

    f.animating = false;
    f.cameraGone = true;
    f.input.checkFrameRate();
    EXPECT_EQ(f.input.preferredFPS(), 120) << "without a renderer nothing changes";
    f.input.leftDragged({5, 5}, {}, 500);
    EXPECT_EQ(f.cameraChanges, 0);
}

TEST(ViewportInput, keysReachTheCallbackWithTheirModifiers)
{
    InputFixture f;
    int displays = 0;
    f.input.onNeedsDisplay = [&] { ++displays; };
    EXPECT_TRUE(f.input.keyPressed("h", KeyModifiers::shift));
    EXPECT_FALSE(f.input.keyPressed("x", KeyModifiers::command | KeyModifiers::option));
    EXPECT_FALSE(f.input.keyPressed("", {}));
    ASSERT_EQ(f.keys.size(), 2u);
    EXPECT_EQ(f.keys[1].second, KeyModifiers::command | KeyModifiers::option);
    EXPECT_EQ(displays, 1);
}
