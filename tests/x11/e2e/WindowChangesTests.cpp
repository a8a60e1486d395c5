// The real executable beside windows that change without a drag: mapped maximised, maximised by
// the user while tiled, resizing themselves, going full screen by themselves. Each ends in its
// column, never maximised over the others.
#include <xcb/xcb_ewmh.h>

#include <iterator>

#include "AppOnDisplay.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow::test {
namespace {

constexpr Rect kSecondColumn{966, 12, 942, 1056};  // half the screen, after the first column
constexpr double kScreenWidth = 1920;

class WindowChanges : public AppOnDisplay {
  protected:
    std::string logged() const {
        std::ifstream log(logFile());
        return std::string{std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()};
    }

    // The active display's columns by the title of their first window, and their widths.
    struct Column {
        std::string title;
        double width = 0;
    };
    std::vector<Column> columns() {
        std::vector<Column> result;
        const auto json = listing();
        if (!json) return result;
        for (const auto& display : json->at("displays")) {
            if (!display.value("active", false)) continue;
            for (const auto& column : display.at("columns"))
                result.push_back(
                    {column.at("windows").at(0).value("title", ""), column.value("width", 0.0)});
        }
        return result;
    }
    // The column (counted from 1) whose first window has this title; 0 when none.
    int columnOf(const std::string& title) {
        const std::vector<Column> all = columns();
        for (size_t index = 0; index < all.size(); ++index)
            if (all[index].title == title) return int(index + 1);
        return 0;
    }
    double widthOf(const std::string& title) {
        for (const Column& column : columns())
            if (column.title == title) return column.width;
        return 0;
    }

    // Beside a window manager that lists no maximised state (fvwm), a maximised window shows
    // only by its frame as wide as the screen and taller than any tiled window (a terminal's is
    // short of the screen's height by less than a line).
    bool maximised(xcb_window_t window) {
        const auto snapshot = desktop().registry().read(window);
        if (!snapshot) return false;
        if (!desktop().registry().windowManagerTraits().publishesMaximized) {
            const Rect frame = snapshot->outerFrame();
            return frame.width == kScreenWidth && frame.height > kSecondColumn.height;
        }
        const xcb_ewmh_connection_t& ewmh = *connection().ewmh();
        return snapshot->hasState(ewmh._NET_WM_STATE_MAXIMIZED_VERT) ||
               snapshot->hasState(ewmh._NET_WM_STATE_MAXIMIZED_HORZ);
    }

    // The maximise a title bar's button or a pager (wmctrl) asks the window manager for.
    void askMaximise(xcb_window_t window) {
        const xcb_ewmh_connection_t* ewmh = connection().ewmh();
        xcb_ewmh_request_change_wm_state(connection().ewmh(), connection().screenNumber(), window,
                                         XCB_EWMH_WM_STATE_ADD, ewmh->_NET_WM_STATE_MAXIMIZED_VERT,
                                         ewmh->_NET_WM_STATE_MAXIMIZED_HORZ,
                                         XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        connection().flush();
    }

    // Two terminals in columns of half the screen each, and the second one's maximise asked for
    // as the user does.
    void maximiseTheSecondOfTwo() {
        startXterms(2);
        startBrindlow();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(settle([&] { return widthOf(xterms_[1].title) == 0.5; }));
        askMaximise(xterms_[1].window);
    }
    // Maximised again, a full-width column is back at half the width, its window not maximised.
    void expectHalfTheWidthBack(const Xterm& xterm) {
        EXPECT_TRUE(settle([&] {
            const auto frame = frameOf(xterm.window);
            return widthOf(xterm.title) == 0.5 && !maximised(xterm.window) && frame &&
                   frame->width <= 942;
        })) << "width "
            << widthOf(xterm.title) << ", frame " << frameOf(xterm.window).value_or(Rect{});
    }

    std::unique_ptr<TestClientProcess> startClient(const std::vector<std::string>& arguments) {
        auto client = std::make_unique<TestClientProcess>(arguments);
        EXPECT_TRUE(client->ready());
        return client;
    }
};

// A window that maps maximised (an application restoring its last state) is tiled at its column's
// width, no longer maximised; the maximised width is not learned as one it needs.
TEST_F(WindowChanges, AWindowThatMapsMaximisedTakesItsColumn) {
    startXterm("e2e-xterm-1");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    const auto big =
        startClient({"--title", "e2e-big", "--states", "maximized-vert,maximized-horz"});
    ASSERT_TRUE(settle([&] { return columnOf("e2e-big") > 0; }));
    EXPECT_TRUE(settle([&] {
        return !maximised(big->window()) && frameOf(big->window()) == kSecondColumn;
    })) << "maximised "
        << maximised(big->window()) << ", frame " << frameOf(big->window()).value_or(Rect{});
    EXPECT_EQ(logged().find("needs 1920 points"), std::string::npos);
}

// Maximised before the start, a window is tiled out of that state, and the quit gives it back:
// also after a kill, which puts nothing back, by the next run's quit (it finds the window no longer
// maximised).
class MaximisedBeforeTheStart : public WindowChanges, public ::testing::WithParamInterface<bool> {};

TEST_P(MaximisedBeforeTheStart, IsMaximisedAgainByTheQuit) {
    const bool killedFirst = GetParam();
    const auto big =
        startClient({"--title", "e2e-big", "--states", "maximized-vert,maximized-horz"});
    ASSERT_TRUE(settle([&] { return maximised(big->window()); }));
    startXterm("e2e-xterm-1");
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(settle([&] {
        const auto frame = frameOf(big->window());
        return !maximised(big->window()) && frame && frame->width == 942;
    })) << "frame "
        << frameOf(big->window()).value_or(Rect{});
    if (killedFirst) {
        brindlow_->signal(SIGKILL);
        brindlow_->waitForExit(kLimit);
        startBrindlow();
        ASSERT_FALSE(HasFatalFailure());
    }
    brindlow_->signal(SIGTERM);
    ASSERT_TRUE(brindlow_->waitForExit(kLimit));
    EXPECT_TRUE(settle([&] { return maximised(big->window()); }));
}

INSTANTIATE_TEST_SUITE_P(Quit, MaximisedBeforeTheStart, ::testing::Values(false, true),
                         [](const auto& row) { return row.param ? "AfterAKill" : "AtOnce"; });

// Maximised by the user while tiled, a window's column goes full width and the window is not left
// maximised; maximised again, the column takes its width back.
TEST_F(WindowChanges, AMaximiseWhileTiledIsTheFullWidthAndAgainTakesItBack) {
    ASSERT_NO_FATAL_FAILURE(maximiseTheSecondOfTwo());
    const Xterm& second = xterms_[1];
    EXPECT_TRUE(settle([&] {
        const auto frame = frameOf(second.window);
        return widthOf(second.title) == 1.0 && !maximised(second.window) && frame &&
               frame->x == 0 && frame->width >= 1900;
    })) << "width "
        << widthOf(second.title) << ", maximised " << maximised(second.window) << ", frame "
        << frameOf(second.window).value_or(Rect{});
    askMaximise(second.window);
    expectHalfTheWidthBack(second);
    EXPECT_EQ(logged().find("User resized"), std::string::npos);
}

// A maximise asked for of a full-width column that has settled (where the window manager shows
// the maximised state only by the frame, one that does not change) takes the full width back.
TEST_F(WindowChanges, AMaximiseOfASettledFullWidthColumnTakesItsWidthBack) {
    ASSERT_NO_FATAL_FAILURE(maximiseTheSecondOfTwo());
    const Xterm& second = xterms_[1];
    // Laid out at the full width (the whole screen, as the maximised window stood): the glide
    // there has ended.
    ASSERT_TRUE(settle([&] {
        const std::string text = logged();
        const size_t full = text.find("maximised: full width");
        return widthOf(second.title) == 1.0 && full != std::string::npos &&
               text.find("Animation:", full) != std::string::npos;
    }));
    settledFrames();
    askMaximise(second.window);
    expectHalfTheWidthBack(second);
}

// Without gaps a full-width column fills the screen as a maximised window would: it stays full
// width, taken for no maximise of the user's.
TEST_F(WindowChanges, AFullWidthColumnWithoutGapsIsNoMaximise) {
    startXterm("e2e-xterm-1");
    startBrindlow({{"gap", 0}, {"outerGap", 0}});
    ASSERT_FALSE(HasFatalFailure());
    const Xterm& only = xterms_[0];
    ASSERT_TRUE(settle([&] { return widthOf(only.title) == 0.5; }));
    ASSERT_EQ(tool({"full-width"}).status, 0);
    EXPECT_TRUE(settle([&] {
        const auto frame = frameOf(only.window);
        // A terminal takes whole cells: short of the screen by less than one.
        return widthOf(only.title) == 1.0 && frame && frame->x == 0 && frame->width >= 1900;
    })) << "width "
        << widthOf(only.title) << ", frame " << frameOf(only.window).value_or(Rect{});
    // Still so a moment later: a maximise heard would take the full width back.
    settledFrames();
    EXPECT_EQ(widthOf(only.title), 1.0);
    EXPECT_EQ(logged().find("full width taken back"), std::string::npos);
}

// A window that resizes itself while tiled (an application switching its layout) goes back into
// its column at once.
TEST_F(WindowChanges, AWindowThatResizesItselfGoesBackIntoItsColumn) {
    // The settle pass after a move sends back a window found elsewhere: the window resizes itself
    // once that pass is over, as an application does whenever it likes.
    // The first column's window takes any width: a terminal's width learned after that pass would
    // move the second column by a few points.
    setenv("BRINDLOW_APP_LOG", "debug", 1);
    const auto first = startClient({"--title", "e2e-first"});
    startBrindlow();
    unsetenv("BRINDLOW_APP_LOG");
    ASSERT_FALSE(HasFatalFailure());
    const auto self = startClient({"--title", "e2e-self"});
    ASSERT_TRUE(settle([&] {
        const std::string text = logged();
        const size_t placed = text.rfind("requested x:966 y:12 942×1056");
        return placed != std::string::npos &&
               text.find("Settle pass on", placed) != std::string::npos;
    }));
    ASSERT_EQ(frameOf(self->window()), kSecondColumn);
    ASSERT_TRUE(self->command("resize 642x505"));
    EXPECT_TRUE(settle([&] {
        return logged().find("resized itself to") != std::string::npos &&
               frameOf(self->window()) == kSecondColumn;
    })) << "frame "
        << frameOf(self->window()).value_or(Rect{});
}

// A window that asks for full screen by itself (its own F11) and leaves it comes back to its
// column, not after the column focused meanwhile.
TEST_F(WindowChanges, AWindowLeavingFullScreenItAskedForComesBackToItsColumn) {
    startXterms(2);
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_TRUE(settle(
        [&] { return listing().value_or("").dump().find("\"focused\":1") != std::string::npos; }));
    const auto full = startClient({"--title", "e2e-full"});
    ASSERT_TRUE(settle([&] { return columnOf("e2e-full") == 2; }));
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_TRUE(full->command("state add fullscreen"));
    ASSERT_TRUE(settle([&] { return columnOf("e2e-full") == 0; }));
    ASSERT_TRUE(full->command("state remove fullscreen"));
    EXPECT_TRUE(settle([&] { return columnOf("e2e-full") == 2; }))
        << "back at column " << columnOf("e2e-full");
}

}  // namespace
}  // namespace brindlow::test
