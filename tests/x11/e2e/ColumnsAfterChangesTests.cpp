// The real executable after the everyday changes that each window manager answers in its own way:
// a minimised column's neighbour closes the gap, a taller window in a stack pushes the lower one
// down, the active window follows every command, and a burst of commands ends with the columns in
// view one gap apart and the others out of sight. Xterms take widths and heights in steps of
// their character cells, so every gap below depends on the sizes Brindlow learns.
#include <cmath>

#include "AppOnDisplay.h"

namespace brindlow::test {
namespace {

constexpr double kGap = 12;  // the default gap between columns and between stacked windows

class ColumnsAfterChanges : public AppOnDisplay {
  protected:
    void SetUp() override {
        AppOnDisplay::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // The pointer rests at the screen's middle, over no window in particular, as a user's
        // hand left on the mouse does.
        ASSERT_TRUE(xdotool({"mousemove", "960", "540"}));
    }

    // The active display's columns as the xterms in them, top to bottom, and the focused one
    // (counted from 0; -1 for none).
    struct Columns {
        std::vector<std::vector<xcb_window_t>> windows;
        int focused = -1;
    };
    std::optional<Columns> columns() {
        const auto json = listing();
        if (!json) return std::nullopt;
        Columns result;
        for (const auto& display : json->at("displays")) {
            if (!display.value("active", false)) continue;
            int index = 0;
            for (const auto& column : display.at("columns")) {
                ++index;
                std::vector<xcb_window_t> windows;
                for (const auto& window : column.at("windows"))
                    if (const Xterm* xterm = xtermTitled(window.value("title", "")))
                        windows.push_back(xterm->window);
                if (windows.empty()) continue;
                if (index == display.value("focused", 0))
                    result.focused = int(result.windows.size());
                result.windows.push_back(windows);
            }
        }
        return result;
    }

    // The focused column's window (the first of a stack's unless `row` says) is the window
    // manager's active window.
    bool focusIsActive(size_t row = 0) {
        const auto listed = columns();
        if (!listed || listed->focused < 0) return false;
        const auto& column = listed->windows[size_t(listed->focused)];
        return row < column.size() && desktop().registry().activeWindow() == column[row];
    }

    bool run(const std::string& command) {
        std::vector<std::string> args;
        std::istringstream words(command);
        for (std::string word; words >> word;) args.push_back(word);
        return tool(args).status == 0;
    }

    // Shown: mapped and at least half of it on the 1920-wide screen. A parked column is either
    // out of sight (iconified where the window manager keeps windows on screen) or mostly off it.
    bool shown(xcb_window_t window, const Rect& frame) {
        const auto state = desktop().registry().read(window);
        if (!state || !state->mapped) return false;
        return std::min(frame.maxX(), 1920.0) - std::max(frame.x, 0.0) >= frame.width / 2;
    }

    // Every column in view stands wholly on the screen, one gap after the shown column before
    // it, and at least one column is parked. Says what it found otherwise.
    std::string restingFault() {
        const auto listed = columns();
        if (!listed) return "no listing";
        const auto frames = settledFrames();
        double previousEnd = -1;  // where the shown column before ends; -1: none
        int parked = 0;
        std::ostringstream fault;
        for (size_t index = 0; index < listed->windows.size(); ++index) {
            const xcb_window_t window = listed->windows[index].front();
            const Rect& frame = frames.at(window);
            if (!shown(window, frame)) {
                ++parked;
                previousEnd = -1;
                continue;
            }
            if (frame.x < 0 || frame.maxX() > 1920)
                fault << "column " << index + 1 << " stands at x " << frame.x << "; ";
            if (previousEnd >= 0 && frame.x - previousEnd != kGap)
                fault << "column " << index + 1 << " is " << frame.x - previousEnd
                      << " after its neighbour; ";
            previousEnd = frame.maxX();
        }
        if (parked == 0) fault << "no column is parked; ";
        return fault.str();
    }
};

// With the first two columns in view and the third parked at the right edge, the second one
// minimised leaves the strip and the third glides in one gap after the first.
TEST_F(ColumnsAfterChanges, AMinimisedColumnsNeighbourClosesTheGap) {
    startXterms(4);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusIsActive(); }));
    const auto listed = columns();
    ASSERT_TRUE(listed && listed->windows.size() == 4u);
    const xcb_window_t first = listed->windows[0].front();
    const xcb_window_t second = listed->windows[1].front();
    const xcb_window_t third = listed->windows[2].front();
    ASSERT_TRUE(settle([&] {
        const auto frames = settledFrames();
        return frames.at(first).x == kGap && !shown(third, frames.at(third));
    })) << "the first column did not land at the left edge with the third parked";

    // As a taskbar or the title bar's button does it (WM_CHANGE_STATE to iconic).
    ASSERT_TRUE(xdotool({"windowminimize", std::to_string(second)}));
    EXPECT_TRUE(settle([&] {
        const auto now = columns();
        return now && now->windows.size() == 3u;
    })) << "the minimised window is still listed";
    Rect closing;
    EXPECT_TRUE(settle([&] {
        const auto frames = settledFrames();
        closing = frames.at(third);
        return closing.x == frames.at(first).maxX() + kGap && shown(third, closing);
    })) << "the third column stands at x "
        << closing.x << ", the first ends at " << frameOf(first).value_or(Rect{}).maxX();
}

// In a stack of two, "taller" on the upper window makes it taller and the lower one moves down
// with it, one gap below, and the stack still ends where it did.
TEST_F(ColumnsAfterChanges, TallerPushesTheLowerWindowOfAStackDownByAsMuch) {
    startXterms(2);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusIsActive(); }));
    ASSERT_EQ(tool({"stack-left"}).status, 0);
    ASSERT_TRUE(settle([&] {
        const auto listed = columns();
        return listed && listed->windows.size() == 1u && listed->windows[0].size() == 2u;
    })) << "no stack of two";
    const auto stack = columns()->windows[0];
    ASSERT_EQ(tool({"focus-up"}).status, 0);
    ASSERT_TRUE(settle([&] { return focusIsActive(0); }));
    Rect upper, lower;
    const auto stacked = [&] {
        const auto frames = settledFrames();
        upper = frames.at(stack[0]);
        lower = frames.at(stack[1]);
        // An xterm takes heights in steps of its lines (13 points in the default font): the
        // upper one may end up to a line short of its share, never over the lower one.
        const double between = lower.y - upper.maxY();
        return between >= kGap && between < kGap + 13;
    };
    ASSERT_TRUE(settle(stacked)) << "stacked " << upper.maxY() << " and " << lower.y;
    const double before = upper.height;
    // The bottom of the usable area less the outer gap (above a window manager's own taskbar),
    // give or take a line of the lower xterm.
    const double bottom = lower.maxY();

    ASSERT_EQ(tool({"taller"}).status, 0);
    // Once the glide has landed, the lower window ends where the stack did.
    EXPECT_TRUE(settle([&] {
        return stacked() && upper.height > before + 50 && std::fabs(lower.maxY() - bottom) < 13;
    })) << "upper window "
        << upper.height << " high (was " << before << "), lower at y " << lower.y << " to "
        << lower.maxY() << ", the upper ends at " << upper.maxY();
}

// After each command the window of the focused column is the window manager's active window.
TEST_F(ColumnsAfterChanges, AfterEachCommandTheStripsFocusIsTheActiveWindow) {
    startXterms(4);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    for (const char* command :
         {"focus-first", "focus-right", "focus-right", "focus-last", "focus-left", "jump 2",
          "move-right", "cycle-width", "focus-first", "center", "focus-right"}) {
        ASSERT_TRUE(run(command)) << command;
        EXPECT_TRUE(settle([&] {
            settledFrames();
            return focusIsActive();
        })) << "after "
            << command << " the active window is not the focused column's";
    }
}

// Twenty-five commands sent as fast as the tool runs: once the strip rests, the columns in view
// stand one gap apart and the others are parked out of view, with the focus on the active window.
TEST_F(ColumnsAfterChanges, AfterABurstOfCommandsTheColumnsRestOneGapApart) {
    startXterms(5);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> burst = {
        "focus-right", "jump 4",      "focus-left",  "move-right",  "focus-first",
        "focus-right", "focus-right", "jump 2",      "focus-last",  "focus-left",
        "move-left",   "focus-right", "focus-first", "jump 3",      "focus-right",
        "focus-left",  "focus-left",  "move-right",  "focus-right", "jump 4",
        "focus-first", "focus-right", "focus-left",  "focus-right", "jump 2"};
    for (const std::string& command : burst) ASSERT_TRUE(run(command)) << command;
    std::string fault;
    EXPECT_TRUE(settle([&] {
        fault = restingFault();
        return fault.empty() && focusIsActive();
    })) << fault;
}

}  // namespace
}  // namespace brindlow::test
