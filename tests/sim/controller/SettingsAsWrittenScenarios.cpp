#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class SettingsAsWritten : public ControllerScenario {
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

// A hand-edited file with an outer gap of 50 and gaps of 30, beyond the page's sliders: the very
// first layout uses them as written, and nothing is logged.
TEST_F(SettingsAsWritten, TheFirstLayoutUsesTheValuesAsWritten) {
    AppSettings settings = stillSettings();
    settings.outerGap = 50;
    settings.gap = 30;
    settings.defaultWidth = 0.3;
    start(settings);

    // 0.3 of (1920 − 100 + 30) less a gap: 525 wide, 555 apart, 50 from the edges.
    EXPECT_EQ(columnFrames(), (std::vector<Rect>{Rect(50, 50, 525, 980), Rect(605, 50, 525, 980),
                                                 Rect(1160, 50, 525, 980)}));
    EXPECT_TRUE(logLines("Setting ").empty());
}

// A default width of 0.04 opens columns 0.04 wide; a width of -3 means nothing and is held at
// the default once, with one line in the log.
TEST_F(SettingsAsWritten, ANarrowWidthIsUsedAndANegativeOneIsHeld) {
    start(stillSettings());
    AppSettings settings = stillSettings();
    settings.defaultWidth = 0.04;
    settings.presetWidths = {0.04, 0.06};
    applySettings(settings);
    const SimApp term = desktop.launchApp({.name = "Term", .activate = true});
    const SimWindow narrow =
        desktop.openWindow(term, {.title = "t", .frame = {100, 100, 500, 400}, .focus = true});
    time.advance(1);
    // 0.04 of (1920 − 24 + 12) less a gap of 12: 64.
    EXPECT_EQ(placed(narrow.id()).width, 64);

    settings.defaultWidth = -3;
    applySettings(settings);
    applySettings(settings);
    const SimWindow half =
        desktop.openWindow(term, {.title = "u", .frame = {100, 100, 500, 400}, .focus = true});
    time.advance(1);
    EXPECT_EQ(placed(half.id()).width, 942);
    EXPECT_EQ(logLines("Setting defaultWidth cannot be used as written (-3); using 0.5").size(),
              1u);
}

// Edges of 1000 on a display 1920 wide leave no room for a column: held at 12.
TEST_F(SettingsAsWritten, GapsThatLeaveNoRoomAreHeld) {
    AppSettings settings = stillSettings();
    settings.outerGap = 1000;
    start(settings);
    EXPECT_EQ(columnFrames()[0], Rect(12, 12, 942, 1056));
    EXPECT_EQ(logLines("Setting outerGap cannot be used as written (1000); using 12").size(), 1u);
}

}  // namespace
}  // namespace brindlow::test
