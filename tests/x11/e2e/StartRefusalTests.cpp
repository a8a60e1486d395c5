// Starts the real executable refuses before it touches the display: an option neither Brindlow nor
// the toolkit takes, and a Wayland session whose X server is XWayland. Each says why, on standard
// error only, and exits; a Wayland session's own nested X server is tiled as any other.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>

#include "AppOnDisplay.h"

namespace brindlow::test {
namespace {

const std::map<std::string, std::string> kWaylandSession = {{"XDG_SESSION_TYPE", "wayland"},
                                                            {"WAYLAND_DISPLAY", "wayland-0"}};

class StartRefusal : public AppOnDisplay {
  protected:
    // Its status and output; a start that goes on instead is asked to quit (status -1).
    ProcessRun start(const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& extra = {}) {
        std::map<std::string, std::string> all = environment();
        all.insert(extra.begin(), extra.end());
        std::vector<std::string> argv = {BRINDLOW_EXECUTABLE_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        ChildProcess child(argv, all, ChildProcess::CaptureOutput{});
        std::optional<int> status = child.waitForExit(kLimit);
        if (!child.hasExited()) {
            ADD_FAILURE() << "still running after " << kLimit << " s";
            child.signal(SIGTERM);
            child.waitForExit(kLimit);
            status.reset();
        }
        child.readOutputToEnd(kLimit);
        return {status.value_or(-1), child.out(), child.err()};
    }
    static std::string display() { return std::getenv("DISPLAY"); }
};

TEST_F(StartRefusal, AnUnknownOptionIsAUsageErrorAndStartsNothing) {
    const ProcessRun run = start({"--frobnicate"});
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(
        run.err.rfind("brindlow: unknown option '--frobnicate'\n\nUsage: brindlow <command>\n", 0),
        0u)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(stored("")));
}

// XWayland names its monitors after itself; a monitor of that name stands in for it here.
TEST_F(StartRefusal, AWaylandSessionOnItsXWaylandServerIsSaidAndLeft) {
    ASSERT_EQ(
        runProcess({"xrandr", "--setmonitor", "XWAYLAND0", "1920/508x1080/286+0+0", "none"}).status,
        0);
    const ProcessRun run = start({}, kWaylandSession);
    runProcess({"xrandr", "--delmonitor", "XWAYLAND0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "brindlow: this is a Wayland session, and " + display() +
                           " is its XWayland server: Brindlow could reach only the windows of "
                           "X11 applications there, and arrange none of the others. Brindlow "
                           "needs an X11 session: choose one (\"Xorg\", \"X11\") at the login "
                           "screen.\n");
    EXPECT_FALSE(std::filesystem::exists(stored("")));
}

TEST_F(StartRefusal, AnXServerOfItsOwnInAWaylandSessionIsTiled) {
    std::map<std::string, std::string> all = environment();
    all.insert(kWaylandSession.begin(), kWaylandSession.end());
    brindlow_ = std::make_unique<ChildProcess>(std::vector<std::string>{BRINDLOW_EXECUTABLE_PATH},
                                               all, logFile());
    EXPECT_TRUE(settle([&] { return tool({"list"}).status == 0; })) << "Brindlow did not start";
    brindlow_->signal(SIGTERM);
    EXPECT_EQ(brindlow_->waitForExit(kLimit), 0);
}

}  // namespace
}  // namespace brindlow::test
