#include <gtest/gtest.h>

#include <limits>

#include "settings/SettingsStore.h"
#include "settings/UsableSettings.h"
#include "support/QuietLog.h"

using namespace brindlow;

namespace {

struct Written {
    const char* json;
    // Reads the field under test from the settings in use.
    double (*field)(const AppSettings&);
    double used;
    // Whether the value is held (and so logged once).
    bool held;
};

void PrintTo(const Written& written, std::ostream* out) {
    *out << written.json;
}

class UsableSettings : public test::QuietLogTest, public ::testing::WithParamInterface<Written> {};

// The usable area of one 1920 × 1080 display.
const Size kArea{1920, 1080};

TEST_P(UsableSettings, ValueIsUsedAsWrittenUnlessItCannotBe) {
    const Written& c = GetParam();
    const auto stored = decodeSettingsText(c.json);
    ASSERT_TRUE(stored);
    EXPECT_EQ(c.field(usableSettings(*stored, std::span(&kArea, 1))), c.used);
    // The second use of the same value says nothing more.
    usableSettings(*stored, std::span(&kArea, 1));
    EXPECT_EQ(LogSink::recent().size(), c.held ? 1u : 0u);
}

double gap(const AppSettings& s) {
    return s.gap;
}
double outerGap(const AppSettings& s) {
    return s.outerGap;
}
double defaultWidth(const AppSettings& s) {
    return s.defaultWidth;
}
double firstPresetAndCount(const AppSettings& s) {
    return s.presetWidths.empty() ? -1 : s.presetWidths.at(0) + double(s.presetWidths.size());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, UsableSettings,
    ::testing::Values(
        // Beyond the pages' sliders, and used so.
        Written{R"({"outerGap": 50})", outerGap, 50, false},
        Written{R"({"gap": 30})", gap, 30, false},
        Written{R"({"gap": 200, "outerGap": 300})", gap, 200, false},
        Written{R"({"defaultWidth": 0.04})", defaultWidth, 0.04, false},
        // The whole viewport is a width too.
        Written{R"({"defaultWidth": 1})", defaultWidth, 1, false},
        Written{R"({"presetWidths": [1, 0.5]})", firstPresetAndCount, 3, false},
        Written{R"({"widthStep": 1})", [](const AppSettings& s) { return s.widthStep; }, 1, false},
        Written{R"({"presetWidths": [0.04, 0.06]})", firstPresetAndCount, 2.04, false},
        Written{R"({"presetWidths": []})", firstPresetAndCount, -1, false},
        Written{R"({"widthStep": 0.9})", [](const AppSettings& s) { return s.widthStep; }, 0.9,
                false},
        Written{R"({"springStiffness": 1})", [](const AppSettings& s) { return s.springStiffness; },
                1, false},
        Written{R"({"springStiffness": 5000})",
                [](const AppSettings& s) { return s.springStiffness; }, 5000, false},
        Written{R"({"gestureSensitivity": 9})",
                [](const AppSettings& s) { return s.gestureSensitivity; }, 9, false},
        Written{R"({"focusBorderWidth": 0})",
                [](const AppSettings& s) { return s.focusBorderWidth; }, 0, false},
        Written{R"({"focusBorderWidth": 40})",
                [](const AppSettings& s) { return s.focusBorderWidth; }, 40, false},
        Written{R"({"dimAmount": 1})", [](const AppSettings& s) { return s.dimAmount; }, 1, false},
        Written{R"({"dimAmount": 0})", [](const AppSettings& s) { return s.dimAmount; }, 0, false},
        Written{R"({"gestureFingers": 7})",
                [](const AppSettings& s) { return double(s.gestureFingers); }, 7, false},
        // What breaks the layout or means nothing.
        Written{R"({"gap": -5})", gap, 0, true},
        Written{R"({"outerGap": -1.5})", outerGap, 0, true},
        Written{R"({"focusBorderWidth": -2})",
                [](const AppSettings& s) { return s.focusBorderWidth; }, 0, true},
        Written{R"({"defaultWidth": -3})", defaultWidth, 0.5, true},
        Written{R"({"defaultWidth": 0})", defaultWidth, 0.5, true},
        Written{R"({"defaultWidth": 4})", defaultWidth, 1, true},
        Written{R"({"widthStep": 0})", [](const AppSettings& s) { return s.widthStep; }, 0.1, true},
        Written{R"({"presetWidths": [0, 0.5, 3]})", firstPresetAndCount, 1.5, true},
        Written{R"({"presetWidths": [-1, 2]})", firstPresetAndCount, 5.25, true},
        Written{R"({"springStiffness": 0})", [](const AppSettings& s) { return s.springStiffness; },
                300, true},
        Written{R"({"gestureSensitivity": -1})",
                [](const AppSettings& s) { return s.gestureSensitivity; }, 1, true},
        Written{R"({"gestureFingers": 0})",
                [](const AppSettings& s) { return double(s.gestureFingers); }, 3, true},
        Written{R"({"dimAmount": 1.5})", [](const AppSettings& s) { return s.dimAmount; }, 1, true},
        Written{R"({"dimAmount": -0.2})", [](const AppSettings& s) { return s.dimAmount; }, 0,
                true},
        Written{R"({"appRules": [{"bundleID": "XTerm", "name": "XTerm", "behavior": "tile",
                      "defaultWidth": 2}]})",
                [](const AppSettings& s) { return *s.appRules.at(0).defaultWidth; }, 1, true},
        Written{R"({"appRules": [{"bundleID": "XTerm", "name": "XTerm", "behavior": "tile",
                      "defaultWidth": 0.1}]})",
                [](const AppSettings& s) { return *s.appRules.at(0).defaultWidth; }, 0.1, false},
        // Edges of 960 leave nothing of 1920; gaps of 2000 leave a half column nothing.
        Written{R"({"outerGap": 960})", outerGap, 12, true},
        Written{R"({"gap": 2000})", gap, 12, true},
        // Gaps of 540 leave a stack of three no height on 1080.
        Written{R"({"gap": 540, "outerGap": 0})", gap, 12, true}));

class UsableSettingsWithoutDisplays : public test::QuietLogTest {};

TEST_F(UsableSettingsWithoutDisplays, TheDefaultsPassAndNotANumberTakesTheDefault) {
    EXPECT_EQ(usableSettings(AppSettings{}), AppSettings{});
    AppSettings stored;
    stored.gap = std::numeric_limits<double>::quiet_NaN();
    stored.outerGap = 5000;  // no display to measure it by: as written
    stored.springStiffness = std::numeric_limits<double>::infinity();
    const AppSettings used = usableSettings(stored);
    EXPECT_EQ(used.gap, 12);
    EXPECT_EQ(used.outerGap, 5000);
    EXPECT_EQ(used.springStiffness, 300);
}

}  // namespace
