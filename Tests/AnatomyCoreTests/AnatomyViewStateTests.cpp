#include "AnatomyCore/Model/AnatomyViewState.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

using namespace morvena;
using nlohmann::json;

namespace {

AnatomyViewState sampleState()
{
    return AnatomyViewState {
        .cameraTarget = {0.1f, -250.5f, 1e-7f},
        .cameraDistance = 2000,
        .cameraYaw = 3.1415925f,
        .cameraPitch = -1.5620695f,
        .visibleSystems = {1, 2, 17},
        .systemOpacity = {{"1", 0.25f}, {"2", 1}},
        .hiddenStructures = {"FMA7088"},
        .isolatedStructures = {},
        .selected = {"FMA24474", "FMA5020"},
        .clipEnabled = true,
        .clipAxis = 2,
        .clipOffset = -12.75f,
        .clipFlipped = true,
        .explode = 0.3f,
        .ghostOthers = true,
    };
}

} // namespace

TEST(AnatomyViewState, roundTripsExactlyThroughCompactJSON)
{
    auto state = sampleState();
    std::string text = state.encodedString();
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_NE(text.find("\"systemOpacity\":{\"1\":0.25,\"2\":1.0}"), std::string::npos) << text;
    EXPECT_NE(text.find("0.1,"), std::string::npos) << "floats are written in their shortest form: " << text;
    EXPECT_EQ(AnatomyViewState::decode(text), state);

    auto document = json::parse(text);
    EXPECT_EQ(document.size(), 15u);
    document["futureField"] = {1, 2};
    EXPECT_EQ(AnatomyViewState::decode(document.dump()), state) << "unknown keys are ignored";
}

TEST(AnatomyViewState, nonFiniteNumbersEncodeAsEmptyObjectWhichDoesNotDecode)
{
    auto nan = std::numeric_limits<float>::quiet_NaN();
    auto infinity = std::numeric_limits<float>::infinity();
    for (auto spoil : std::initializer_list<void (*)(AnatomyViewState&, float)> {
             [](AnatomyViewState&s, float v) { s.explode = v; },
             [](AnatomyViewState&s, float v) { s.cameraTarget[1] = v; },
             [](AnatomyViewState&s, float v) { s.systemOpacity["2"] = v; },
             [](AnatomyViewState&s, float v) { s.cameraDistance = v; },
         }) {
        for (float bad : {nan, infinity, -infinity}) {
            auto state = sampleState();
            spoil(state, bad);
            EXPECT_FALSE(state.isEncodable());
            EXPECT_EQ(state.encodedString(), "{}");
        }
    }
    EXPECT_FALSE(AnatomyViewState::decode("{}"));
}

TEST(AnatomyViewState, missingKeysWrongTypesAndMalformedTextDoNotDecode)
{
    auto good = json::parse(sampleState().encodedString());
    for (const auto& [key, value] : good.items()) {
        auto missing = good;
        missing.erase(key);
        EXPECT_FALSE(AnatomyViewState::decode(missing.dump())) << "without " << key;
        auto wrong = good;
        wrong[key] = "testo";
        EXPECT_FALSE(AnatomyViewState::decode(wrong.dump())) << key << " as text";
    }
    const std::pair<const char*, json> wrongValues[] = {
        {"cameraTarget", {1, "2", 3}},
        {"cameraDistance", 1e39}, // beyond single precision
        {"visibleSystems", {1, -1}},
        {"visibleSystems", {1, 4294967296}},
        {"visibleSystems", {1.5}},
        {"clipAxis", 1.0},
        {"clipEnabled", 1},
        {"selected", {"FMA1", 2}},
    };
    for (const auto& [key, value] : wrongValues) {
        auto document = good;
        document[key] = value;
        EXPECT_FALSE(AnatomyViewState::decode(document.dump())) << key << " = " << value.dump();
    }
    for (const char* text : {"", "[]", "null", "{\"cameraTarget\":", "\xff"})
        EXPECT_FALSE(AnatomyViewState::decode(text)) << text;
}

TEST(AnatomyViewState, untrustedValuesAreDroppedOrClamped)
{
    auto document = json::parse(sampleState().encodedString());
    document["visibleSystems"] = {1, 18, 4294967295u, 17};
    document["systemOpacity"]
        = {{"1", 0.5}, {"2", 7.0}, {"3", -1}, {"18", 0.5}, {"02", 0.5}, {"x", 0.5}, {"", 1}};
    document["clipAxis"] = 7;
    auto state = AnatomyViewState::decode(document.dump());
    ASSERT_TRUE(state);
    EXPECT_EQ(state->visibleSystems, (std::vector<std::uint32_t> {1, 17}));
    EXPECT_EQ(state->systemOpacity, (std::map<std::string, float> {{"1", 0.5f}, {"2", 1.f}, {"3", 0.f}}));
    EXPECT_EQ(state->clipAxis, 0);

    document["clipAxis"] = -1;
    EXPECT_EQ(AnatomyViewState::decode(document.dump())->clipAxis, 0);
}

TEST(AnatomyViewState, aCameraTargetOfAnotherLengthKeepsTheOtherFields)
{
    for (const auto& target : {json {1, 2}, json {1, 2, 3, 4}, json::array()}) {
        auto document = json::parse(sampleState().encodedString());
        document["cameraTarget"] = target;
        auto state = AnatomyViewState::decode(document.dump());
        ASSERT_TRUE(state) << target.dump();
        auto expected = sampleState();
        expected.cameraTarget = target.get<std::vector<float>>();
        EXPECT_EQ(*state, expected);
    }
}
