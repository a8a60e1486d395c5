#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class SettingsRanges : public ControllerScenario {
  protected:
    void SetUp() override {
        ControllerScenario::SetUp();
        desktop.addDisplay({.name = "Left", .frame = kLeft, .uuid = "LEFT"});
        const SimApp editor = desktop.launchApp(
            {.name = "Editor", .bundleID = "org.example.editor", .activate = true});
        for (int i = 0; i < 3; ++i)
            desktop.openWindow(editor, {.title = "w" + std::to_string(i),
                                        .frame = {100.0 + 30 * i, 100, 900, 600}});
        time.runUntilIdle();
    }

    // The frames of the strip's columns, left to right.
    std::vector<Rect> columnFrames() const {
        std::vector<Rect> frames;
        for (const std::vector<WindowID>& column : columns()) frames.push_back(placed(column[0]));
        return frames;
    }
};

// A hand-edited file with a gap of 60 and a default width of -3: the very first layout uses
// 48 and a quarter of the width, and the log names each key once.
TEST_F(SettingsRanges, TheFirstLayoutAlreadyUsesTheBoundedValues) {
    AppSettings settings = stillSettings();
    settings.gap = 60;
    settings.defaultWidth = -3;
    start(settings);

    // A quarter of 1920 between outer gaps of 12, with gaps of 48: 438 wide, 486 apart.
    EXPECT_EQ(columnFrames(), (std::vector<Rect>{Rect(12, 12, 438, 1056), Rect(498, 12, 438, 1056),
                                                 Rect(984, 12, 438, 1056)}));
    EXPECT_EQ(logLines("Setting gap is out of range (60); using 48").size(), 1u);
    EXPECT_EQ(logLines("Setting defaultWidth is out of range (-3); using 0.25").size(), 1u);

    // Handed over again unchanged (any other setting changing): nothing moves, nothing is said.
    settings.focusBorder = true;
    applySettings(settings);
    EXPECT_EQ(columnFrames()[1], Rect(498, 12, 438, 1056));
    EXPECT_EQ(logLines("Setting gap is out of range").size(), 1u);
}

TEST_F(SettingsRanges, ChangedSettingsAreBoundedTheSameWay) {
    start(stillSettings());
    EXPECT_EQ(columnFrames()[0], Rect(12, 12, 942, 1056));  // half of 1920 with gaps of 12

    AppSettings settings = stillSettings();
    settings.outerGap = -20;
    settings.defaultWidth = 4;
    applySettings(settings);
    // No outer gap; the existing columns keep their halves (a new default width is for new
    // columns only).
    EXPECT_EQ(columnFrames()[0], Rect(0, 0, 954, 1080));
    const SimWindow added =
        desktop.openWindow(desktop.launchApp({.name = "Term", .activate = true}),
                           {.title = "t", .frame = {100, 100, 500, 400}, .focus = true});
    time.runUntilIdle();
    EXPECT_EQ(placed(added.id()).width, 1920);
}

}  // namespace
}  // namespace brindlow::test
