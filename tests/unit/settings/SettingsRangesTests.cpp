#include <gtest/gtest.h>

#include <limits>

#include "settings/SettingsRanges.h"
#include "settings/SettingsStore.h"
#include "support/QuietLog.h"

using namespace brindlow;

namespace {

struct OutOfRange {
    const char* json;
    // Reads the field under test from the settings in use.
    double (*field)(const AppSettings&);
    double used;
};

class SettingsRanges : public test::QuietLogTest,
                       public ::testing::WithParamInterface<OutOfRange> {};

TEST_P(SettingsRanges, ValueIsHeldToItsPageRangeWithOneWarning) {
    const OutOfRange& c = GetParam();
    const auto stored = decodeSettingsText(c.json);
    ASSERT_TRUE(stored);
    EXPECT_EQ(c.field(settingsInRange(*stored)), c.used);
    // The second use of the same value says nothing more.
    settingsInRange(*stored);
    EXPECT_EQ(LogSink::recent().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SettingsRanges,
    ::testing::Values(
        OutOfRange{R"({"defaultWidth": -3})", [](const AppSettings& s) { return s.defaultWidth; },
                   0.25},
        OutOfRange{R"({"gap": 5000})", [](const AppSettings& s) { return s.gap; }, 48},
        OutOfRange{R"({"outerGap": -1.5})", [](const AppSettings& s) { return s.outerGap; }, 0},
        OutOfRange{R"({"widthStep": 0.9})", [](const AppSettings& s) { return s.widthStep; }, 0.25},
        OutOfRange{R"({"springStiffness": 1})",
                   [](const AppSettings& s) { return s.springStiffness; }, 50},
        OutOfRange{R"({"gestureSensitivity": 9})",
                   [](const AppSettings& s) { return s.gestureSensitivity; }, 2.5},
        OutOfRange{R"({"focusBorderWidth": 0})",
                   [](const AppSettings& s) { return s.focusBorderWidth; }, 1},
        OutOfRange{R"({"dimAmount": 1})", [](const AppSettings& s) { return s.dimAmount; }, 0.7},
        OutOfRange{
            R"({"presetWidths": [0.05, 0.5, 3]})",
            [](const AppSettings& s) { return s.presetWidths.at(0) + s.presetWidths.size(); }, 1.5},
        OutOfRange{R"({"appRules": [{"bundleID": "XTerm", "name": "XTerm", "behavior": "tile",
                      "defaultWidth": 2}]})",
                   [](const AppSettings& s) { return *s.appRules.at(0).defaultWidth; }, 1}));

class SettingsInRange : public test::QuietLogTest {};

TEST_F(SettingsInRange, ValuesInsideTheirRangesAndTheDefaultsPassUnchanged) {
    const auto stored = decodeSettingsText(
        R"({"gap": 0, "outerGap": 48, "defaultWidth": 0.4, "presetWidths": [1, 0.06],
            "widthStep": 0.05, "springStiffness": 1200, "dimAmount": 0.05})");
    ASSERT_TRUE(stored);
    EXPECT_EQ(settingsInRange(*stored), *stored);
    EXPECT_EQ(settingsInRange(AppSettings{}), AppSettings{});
    EXPECT_TRUE(LogSink::recent().empty());
}

TEST_F(SettingsInRange, NotANumberTakesTheDefault) {
    AppSettings stored;
    stored.gap = std::numeric_limits<double>::quiet_NaN();
    stored.presetWidths = {};
    const AppSettings used = settingsInRange(stored);
    EXPECT_EQ(used.gap, 12);
    EXPECT_EQ(used.presetWidths, AppSettings{}.presetWidths);
}

}  // namespace
