// A window its application withdrew (unmapped) while Brindlow had it tiled, and that stays
// withdrawn through the quit: no window manager manages it then, yet it is put back, so that it
// comes back at its own size when shown again, and at its own place where the window manager
// places a window by its geometry.
#include <signal.h>

#include <set>

#include "AppOnDisplay.h"

namespace brindlow::test {
namespace {

struct WithdrawnCase {
    const char* name;
    std::vector<std::string> xtermOptions;  // how the withdrawn xterm is started
    // The window managers that place this window by its own position when it is shown again
    // (the others place it by rules of their own, and only its size tells).
    std::set<std::string> placedByItsPosition;
};

class WithdrawnAtTheQuit : public AppOnDisplay,
                           public ::testing::WithParamInterface<WithdrawnCase> {
  protected:
    bool listed(const std::string& title) {
        const auto json = listing();
        return json && json->dump().find('"' + title + '"') != std::string::npos;
    }
};

TEST_P(WithdrawnAtTheQuit, IsPutBackAndComesBackAtItsOwnFrame) {
    startXterm("withdrawn-kept");
    startXterm("withdrawn-away", GetParam().xtermOptions);
    ASSERT_FALSE(HasFatalFailure());
    const Xterm& kept = xterms_.front();
    const Xterm& withdrawn = xterms_.back();
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    // With the first focused, both columns stand in view, half a screen each: neither is at
    // its own frame any more.
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_TRUE(settle([&] {
        const auto frames = settledFrames();
        return frames.at(kept.window) != kept.original &&
               frames.at(withdrawn.window) != withdrawn.original &&
               frames.at(withdrawn.window).width > withdrawn.original.width;
    })) << "Brindlow did not tile the xterms";

    const std::string window = std::to_string(withdrawn.window);
    ASSERT_TRUE(xdotool({"windowunmap", window}));
    ASSERT_TRUE(settle([&] { return !listed(withdrawn.title) && listed(kept.title); }))
        << "the withdrawn window is still listed";
    brindlow_->signal(SIGTERM);
    EXPECT_EQ(brindlow_->waitForExit(kLimit), 0);

    ASSERT_TRUE(xdotool({"windowmap", window}));
    const bool placed = GetParam().placedByItsPosition.contains(sessionWindowManager());
    const auto back = [&] {
        const auto frame = frameOf(withdrawn.window);
        return frame && frame->size() == withdrawn.original.size() &&
               (!placed || frame->origin() == withdrawn.original.origin()) &&
               frameOf(kept.window) == kept.original;
    };
    EXPECT_TRUE(settle(back));
    // Read once more: a window manager that took it on again and still moves it would show here.
    settledFrames();
    EXPECT_EQ(frameOf(kept.window), kept.original) << "the xterm that stayed was not put back";
    const auto frame = frameOf(withdrawn.window);
    ASSERT_TRUE(frame) << "the window manager did not take on the window shown again";
    EXPECT_EQ(frame->size(), withdrawn.original.size()) << "shown again at " << *frame;
    if (placed) {
        EXPECT_EQ(frame->origin(), withdrawn.original.origin()) << "shown again at " << *frame;
    }
}

INSTANTIATE_TEST_SUITE_P(
    , WithdrawnAtTheQuit,
    ::testing::Values(
        // Placed by the window manager at first: it places the window by its own rule again.
        WithdrawnCase{"PlacedByTheWindowManager", {}, {}},
        // Placed by the user (a position the application hands on): every window manager
        // keeps to it.
        WithdrawnCase{"PlacedByTheUser",
                      {"-geometry", "+200+150"},
                      {"openbox", "xfwm4", "metacity", "icewm", "kwin_x11", "marco", "fluxbox",
                       "jwm", "fvwm"}}),
    [](const ::testing::TestParamInfo<WithdrawnCase>& shown) {
        return std::string(shown.param.name);
    });

}  // namespace
}  // namespace brindlow::test
