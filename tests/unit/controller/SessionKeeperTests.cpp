#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "controller/SessionKeeper.h"

namespace brindlow {
namespace {

// A strip of four single-window columns (windows 1 to 4). A column with a window the controller
// does not know (yet) is left out of the saved session; the focus stays with its column, moves to
// the next saved one when its own column is left out, and to the last saved one when none follows.
struct CaptureCase {
    const char* name;
    std::set<WindowID> unknown;
    std::optional<int> focused;
    size_t savedColumns;
    std::optional<std::int64_t> savedFocus;
};

class SessionKeeperCapture : public testing::TestWithParam<CaptureCase> {};

TEST_P(SessionKeeperCapture, LeavesOutColumnsWithUnknownWindows) {
    const CaptureCase& c = GetParam();
    StripControllerState state;
    DisplayInfo info;
    info.uuid = "LEFT";
    info.name = "Left";
    DisplayState display(info);
    for (WindowID id = 1; id <= 4; ++id) {
        display.strip.columns.push_back(Column::single(id, 0.5));
        if (!c.unknown.contains(id)) {
            ManagedWindow& window = state.windows[id];
            window.id = id;
            window.bundleID = "org.example.editor";
            window.appName = "Editor";
            window.title = "w" + std::to_string(id);
        }
    }
    display.strip.focusedIndex = c.focused;
    state.displays.emplace("LEFT", std::move(display));
    state.displayOrder = {"LEFT"};
    const SessionKeeper keeper(state, "unused", {});

    const SessionSnapshot session = keeper.capture();
    ASSERT_EQ(session.displays.size(), 1u);
    EXPECT_EQ(session.displays[0].name, "Left");
    EXPECT_EQ(session.displays[0].columns.size(), c.savedColumns);
    EXPECT_EQ(session.displays[0].focusedIndex, c.savedFocus);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionKeeperCapture,
    testing::Values(CaptureCase{"AllKnown", {}, 2, 4, 2},
                    CaptureCase{"LeftOutBeforeTheFocus", {1}, 2, 3, 1},
                    CaptureCase{"FocusedLeftOutTheNextTakesIt", {3}, 2, 3, 2},
                    CaptureCase{"FocusedAndAllAfterLeftOut", {3, 4}, 2, 2, 1},
                    CaptureCase{"NoFocus", {2}, std::nullopt, 3, std::nullopt}),
    [](const testing::TestParamInfo<CaptureCase>& row) { return row.param.name; });

}  // namespace
}  // namespace brindlow
