#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/Log.h"
#include "settings/AppSettings.h"
#include "settings/JSONEncoder.h"
#include "settings/SettingsStore.h"
#include "settings/ToastMessage.h"
#include "settings/TwoFingerScroll.h"
#include "support/QuietLog.h"

using namespace brindlow;
using Json = nlohmann::json;

namespace {

AppSettings decode(const std::string& text) {
    const std::optional<AppSettings> decoded = decodeSettingsText(text);
    EXPECT_TRUE(decoded) << text;
    return decoded.value_or(AppSettings{});
}

AppRule rule(std::string bundleID, std::string name, AppBehavior behavior = AppBehavior::tile,
             std::optional<double> width = std::nullopt) {
    return {std::move(bundleID), std::move(name), behavior, width};
}

class SettingsDecoding : public test::QuietLogTest {};

}  // namespace

TEST_F(SettingsDecoding, EmptyObjectGivesTheDefaults) {
    EXPECT_EQ(decode("{}"), AppSettings{});
}

TEST_F(SettingsDecoding, OnlyANonObjectFailsTheWholeFile) {
    std::string error;
    EXPECT_FALSE(decodeSettingsText("[]", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(decodeSettingsText("{\"gap\": ", &error));
}

TEST_F(SettingsDecoding, EachBadKeyFallsBackAloneAndNothingIsClamped) {
    EXPECT_EQ(decode(R"({"gap": null})").gap, 12);
    EXPECT_EQ(decode(R"({"gap": -5})").gap, -5);

    const AppSettings mixed = decode(R"({"gap": "wide", "outerGap": 4, "focusBorder": 1,
        "dimInactive": true, "animationsEnabled": "false", "focusBorderColor": "blue"})");
    EXPECT_EQ(mixed.gap, 12);
    EXPECT_EQ(mixed.outerGap, 4);
    EXPECT_FALSE(mixed.focusBorder);  // Bool only from true / false
    EXPECT_TRUE(mixed.dimInactive);
    EXPECT_TRUE(mixed.animationsEnabled);
    EXPECT_EQ(mixed.focusBorderColor, "blue");  // kept as written
}

TEST_F(SettingsDecoding, ArraysFallBackWhenOneElementIsBad) {
    EXPECT_EQ(decode(R"({"presetWidths": [0.5, "x"]})").presetWidths, AppSettings{}.presetWidths);
    EXPECT_TRUE(decode(R"({"presetWidths": []})").presetWidths.empty());
    EXPECT_TRUE(decode(R"({"disabledDisplays": ["A", 3]})").disabledDisplays.empty());
    EXPECT_EQ(decode(R"({"disabledDisplays": ["A", "A"]})").disabledDisplays,
              (std::vector<std::string>{"A", "A"}));
}

TEST_F(SettingsDecoding, IntegersOnlyFromIntegralNumbersInRange) {
    EXPECT_EQ(decode(R"({"gestureFingers": 3.5})").gestureFingers, 3);
    EXPECT_EQ(decode(R"({"gestureFingers": 4.0})").gestureFingers, 4);
    EXPECT_EQ(decode(R"({"gestureFingers": 1e300})").gestureFingers, 3);
    // Kept as written however large; only what a 64-bit integer cannot hold falls back.
    EXPECT_EQ(decode(R"({"gestureFingers": 9223372036854775807})").gestureFingers,
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(decode(R"({"gestureFingers": 18446744073709551615})").gestureFingers, 3);
    EXPECT_EQ(decode(R"({"gestureFingers": -2})").gestureFingers, -2);
    EXPECT_FALSE(decodeSettingsText(R"({"gap": 1e999})"));  // the parser refuses it
}

TEST_F(SettingsDecoding, EnumerationsMatchTheirTextExactly) {
    EXPECT_EQ(decode(R"({"indicatorPosition": "Top"})").indicatorPosition,
              IndicatorPosition::bottom);
    EXPECT_EQ(decode(R"({"indicatorPosition": "top"})").indicatorPosition, IndicatorPosition::top);
    EXPECT_EQ(decode(R"({"centerMode": "onOverflow"})").centerMode, CenterMode::onOverflow);
    EXPECT_EQ(decode(R"({"centerMode": "onoverflow"})").centerMode, CenterMode::never);
    EXPECT_EQ(decode(R"({"twoFingerScroll": "withKeys"})").twoFingerScroll,
              TwoFingerScroll::withKeys);
    EXPECT_EQ(decode(R"({"twoFingerScroll": "withkeys"})").twoFingerScroll,
              TwoFingerScroll::always);
    EXPECT_EQ(decode(R"({"twoFingerScroll": 1})").twoFingerScroll, TwoFingerScroll::always);
}

// A rule with one bad value is dropped whole, not given a fallback; the others stay.
TEST_F(SettingsDecoding, ABadRuleIsDroppedAlone) {
    std::vector<std::string> dropped;
    const auto decoded = decodeSettingsText(R"({"appRules": [
        {"bundleID": "org.a", "name": "A", "behavior": "float"},
        {"bundleID": "org.c", "name": "C", "behavior": "Tile"},
        {"bundleID": "org.d", "name": "D", "behavior": "tile", "defaultWidth": "wide"},
        {"bundleID": "org.e", "name": "E", "behavior": "tile", "defaultWidth": 0.4}]})",
                                            nullptr, &dropped);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->appRules,
              (std::vector<AppRule>{rule("org.a", "A", AppBehavior::floating),
                                    rule("org.e", "E", AppBehavior::tile, 0.4)}));
    EXPECT_EQ(dropped.size(), 2u);
    EXPECT_TRUE(decode(R"({"appRules": {"bundleID": "x"}})").appRules.empty());
}

TEST_F(SettingsDecoding, UnknownKeysAreIgnored) {
    EXPECT_EQ(decode(R"({"volume": 11, "gap": 3})").gap, 3);
}

TEST_F(SettingsDecoding, EveryFieldChangedRoundTrips) {
    const AppSettings s = decode(R"({"gap": -1.5, "outerGap": 0, "defaultWidth": 0.6,
        "presetWidths": [], "widthStep": 0.05, "centerMode": "always", "animationsEnabled": false,
        "springStiffness": 120, "springDamping": 20, "disabledDisplays": ["DISPLAY-1", "d-2"],
        "focusCrossesDisplays": false, "twoFingerScroll": "off", "gesturesEnabled": true,
        "gestureFingers": 4, "gestureSensitivity": 2.5, "showIndicator": false,
        "indicatorPosition": "top", "showPositionInMenuBar": false, "focusBorder": true,
        "focusBorderWidth": 6, "focusBorderColor": "#00FF00", "dimInactive": true,
        "dimAmount": 0.5, "focusFollowsMouse": true, "terminalBadges": false, "firstRunDone": true,
        "appRules": [{"bundleID": "org/a", "name": "A", "behavior": "float"},
                     {"bundleID": "org.b", "name": "B", "behavior": "tile",
                      "defaultWidth": 0.3333333333333333}]})");
    // Every key differs from its default, so a field that is not read or not written shows.
    const Json defaults = toJSON(AppSettings{}), changed = toJSON(s);
    for (const auto& [key, value] : defaults.items()) EXPECT_NE(changed[key], value) << key;
    EXPECT_EQ(decode(*encodeJSON(toJSON(s))), s);
}

TEST(AppSettingsRules, FirstMatchWinsAndNoIdentifierFindsNothing) {
    AppSettings s;
    s.appRules = {rule("", "Empty"), rule("org.a", "first", AppBehavior::floating),
                  rule("org.a", "second", AppBehavior::tile, 0.75)};
    EXPECT_FALSE(s.rule(std::nullopt));
    EXPECT_EQ(s.rule("")->name, "Empty");
    EXPECT_EQ(s.rule(std::string("org.a"))->name, "first");
    EXPECT_FALSE(s.rule("org.A"));
    EXPECT_EQ(s.newColumnWidth("org.a"), 0.5);  // the first rule has no width
    s.appRules[1].defaultWidth = 0.25;
    EXPECT_EQ(s.newColumnWidth("org.a"), 0.25);
    EXPECT_EQ(s.newColumnWidth(std::nullopt), 0.5);
}

TEST(ToastMessageSummary, FiguresOnlyWhenBothAreSet) {
    EXPECT_EQ((ToastMessage{"Too wide", "Nothing moved", 900, 800}).summary(),
              "Too wide. Nothing moved Needs 900 pt, the screen has 800 pt.");
    EXPECT_EQ((ToastMessage{"Too wide", "Nothing moved", 900, std::nullopt}).summary(),
              "Too wide. Nothing moved");
}

TEST(SettingsFile, DefaultsAreWrittenWithEveryKeyNameAndRawText) {
    AppSettings s;
    s.appRules = {rule("org.a", "A", AppBehavior::floating)};
    EXPECT_EQ(*encodeJSON(toJSON(s)),
              "{\n"
              "  \"animationsEnabled\" : true,\n"
              "  \"appRules\" : [\n"
              "    {\n"
              "      \"behavior\" : \"float\",\n"
              "      \"bundleID\" : \"org.a\",\n"
              "      \"name\" : \"A\"\n"
              "    }\n"
              "  ],\n"
              "  \"centerMode\" : \"never\",\n"
              "  \"defaultWidth\" : 0.5,\n"
              "  \"dimAmount\" : 0.25,\n"
              "  \"dimInactive\" : false,\n"
              "  \"disabledDisplays\" : [],\n"
              "  \"firstRunDone\" : false,\n"
              "  \"focusBorder\" : false,\n"
              "  \"focusBorderColor\" : \"#4C8DFF\",\n"
              "  \"focusBorderWidth\" : 3,\n"
              "  \"focusCrossesDisplays\" : true,\n"
              "  \"focusFollowsMouse\" : false,\n"
              "  \"gap\" : 12,\n"
              "  \"gestureFingers\" : 3,\n"
              "  \"gestureSensitivity\" : 1,\n"
              "  \"gesturesEnabled\" : false,\n"
              "  \"indicatorPosition\" : \"bottom\",\n"
              "  \"outerGap\" : 12,\n"
              "  \"presetWidths\" : [\n"
              "    0.25,\n"
              "    0.3333333333333333,\n"
              "    0.5,\n"
              "    0.6666666666666666,\n"
              "    0.75\n"
              "  ],\n"
              "  \"showIndicator\" : true,\n"
              "  \"showPositionInMenuBar\" : true,\n"
              "  \"springDamping\" : 35,\n"
              "  \"springStiffness\" : 300,\n"
              "  \"terminalBadges\" : true,\n"
              "  \"twoFingerScroll\" : \"always\",\n"
              "  \"widthStep\" : 0.1\n"
              "}");
}
