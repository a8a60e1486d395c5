#include <gtest/gtest.h>

#include "platform/WindowManagerTraits.h"

using namespace brindlow;

namespace {

struct Row {
    const char* published;  // the name on the window manager's check window
    const char* name;
    FocusModel focus;
    bool keepsOnScreen;
    bool restack;
    bool identicalRestackLowers;
    bool mappedBackFocused;
    bool movesLate;
    int resizeButton;  // held with the modifier, or alone on a frame for fvwm
    DragButtons::Modifier modifier = DragButtons::Modifier::alt;
    bool stackingTopFirst = false;
    bool publishesMaximized = true;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.published;
}

class KnownWindowManagers : public testing::TestWithParam<Row> {};

}  // namespace

TEST_P(KnownWindowManagers, HaveTheirStockTraits) {
    const Row& row = GetParam();
    const std::optional<WindowManagerTraits> traits = WindowManagerTraits::forName(row.published);
    ASSERT_TRUE(traits);
    EXPECT_TRUE(traits->known);
    EXPECT_EQ(traits->name, row.name);
    EXPECT_EQ(traits->focusModel, row.focus);
    EXPECT_EQ(traits->keepsWindowsOnScreen, row.keepsOnScreen);
    EXPECT_EQ(traits->honoursRestack, row.restack);
    EXPECT_EQ(traits->lowersOnIdenticalRestack, row.identicalRestackLowers);
    EXPECT_EQ(traits->focusesMappedBack, row.mappedBackFocused);
    EXPECT_EQ(traits->movesFrameLate, row.movesLate);
    EXPECT_TRUE(traits->drag.holds(1));
    EXPECT_TRUE(traits->drag.holds(row.resizeButton));
    EXPECT_EQ(traits->drag.modifier, row.modifier);
    EXPECT_EQ(traits->listsStackingTopFirst, row.stackingTopFirst);
    EXPECT_EQ(traits->publishesMaximized, row.publishesMaximized);
    EXPECT_EQ(traits->followsPointer(), row.focus == FocusModel::followsPointer);
}

INSTANTIATE_TEST_SUITE_P(
    Nine, KnownWindowManagers,
    testing::Values(
        Row{"Openbox", "Openbox", FocusModel::click, false, true, false, true, false, 3},
        Row{"Xfwm4", "Xfwm4", FocusModel::click, false, false, false, true, false, 3},
        Row{"KWin", "KWin", FocusModel::click, false, true, true, false, false, 3,
            DragButtons::Modifier::super},
        Row{"Metacity", "Metacity", FocusModel::click, true, true, false, false, false, 2,
            DragButtons::Modifier::super},
        Row{"Metacity (Marco)", "Marco", FocusModel::click, true, false, false, false, false, 3},
        Row{"IceWM 3.3.1 (Linux 6.1.0/x86_64)", "IceWM", FocusModel::click, true, true, false, true,
            false, 3},
        Row{"Fluxbox", "Fluxbox", FocusModel::click, false, false, false, true, false, 3},
        Row{"JWM", "JWM", FocusModel::followsPointer, false, true, false, true, false, 3,
            DragButtons::Modifier::alt, true},
        Row{"FVWM", "FVWM", FocusModel::followsPointer, false, false, false, false, true, 1,
            DragButtons::Modifier::none, false, false}));

TEST(WindowManagerTraits, AnotherWindowManagerLeavesEveryHandlerToJudgeByWhatItSees) {
    EXPECT_FALSE(WindowManagerTraits::forName("Ratpoison"));
    const WindowManagerTraits traits = WindowManagerTraits::unknownWindowManager("Ratpoison");
    EXPECT_FALSE(traits.known);
    EXPECT_TRUE(traits.followsPointer());
    EXPECT_TRUE(traits.keepsWindowsOnScreen);
    EXPECT_TRUE(traits.focusesMappedBack);
    EXPECT_EQ(traits.describe(),
              "Ratpoison: not one of the known window managers; its habits are judged as seen");
}

TEST(WindowManagerTraits, DescribeSaysEveryTraitOnOneLine) {
    WindowManagerTraits traits = *WindowManagerTraits::forName("Openbox");
    traits.focusModelSource = "/etc/xdg/openbox/rc.xml";
    EXPECT_EQ(traits.describe(),
              "Openbox: click to focus (/etc/xdg/openbox/rc.xml); keeps windows on screen: no; "
              "honours restack: yes; frames translucent windows after an outputs change: yes; "
              "focuses windows mapped back: yes; moves frames late: no; focuses new windows: yes; "
              "holds the selection: yes; moves and resizes with Alt + button 1/3");
    EXPECT_EQ(WindowManagerTraits{}.describe(), "no window manager");
}

TEST(WindowManagerTraits, DescribeSaysWhereMaximisedWindowsShowOnlyByTheirFrame) {
    const std::string line = WindowManagerTraits::forName("FVWM")->describe();
    EXPECT_NE(line.find("; shows maximised windows by their frame only"), std::string::npos)
        << line;
}
