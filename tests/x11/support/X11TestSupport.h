#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Executor.h"
#include "platform/WindowManagerTraits.h"
#include "x11/e2e/AppProcess.h"

namespace brindlow {
class X11Connection;
}

namespace brindlow::test {

// The main thread of a test: blocks queue up here and run when the test
// waits, on the test's own thread.
class TestMainExecutor final : public Executor {
  public:
    void async(Block block) override;
    void asyncAfter(double, Block block) override { async(std::move(block)); }
    void sync(Block block) override { block(); }
    bool isCurrent() const override { return true; }
    const std::string& label() const override { return label_; }

    // Runs queued blocks until `done` holds or `limit` seconds pass (a bound
    // against hangs: it returns as soon as `done` holds).
    bool runUntil(const std::function<bool()>& done, double limit = 10.0);
    // Runs the blocks queued so far, and those they queue, without waiting.
    void runPending();

  private:
    std::string label_ = "com.vemto.brindlow.main";
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block> blocks_;
};

// A brindlow-testclient process that reads commands from its standard input.
class TestClientProcess {
  public:
    explicit TestClientProcess(std::vector<std::string> arguments);
    ~TestClientProcess();

    bool ready() const { return ready_; }
    int pid() const { return process_.pid(); }
    const std::vector<xcb_window_t>& windows() const { return windows_; }
    xcb_window_t window() const {
        return windows_.empty() ? xcb_window_t(XCB_WINDOW_NONE) : windows_.front();
    }
    xcb_window_t owner() const { return owner_; }

    // Sends one command line and waits for the client's "ok".
    bool command(const std::string& line);
    // Waits for a line the client prints by itself that starts with `prefix`.
    bool waitForLine(const std::string& prefix);
    // The lines the last waitForLine read without finding its prefix, so a failure can say
    // what the client printed instead.
    std::string linesPassedOver() const;
    // Ends the process at once, without closing its windows.
    void kill();

  private:
    std::string readLine();

    ChildProcess process_;
    size_t read_ = 0;  // how much of its output readLine has taken
    std::vector<std::string> passedOver_;
    bool ready_ = false;
    std::vector<xcb_window_t> windows_;
    xcb_window_t owner_ = XCB_WINDOW_NONE;
};

// Returns once the window manager has handled everything sent to it before (false when it does not
// answer): the size request of a window it does not manage goes through it.
bool windowManagerCaughtUp(X11Connection& x);

// The window manager's process, stopped until this goes: requests reach the server, which passes
// them on in order, and the window manager handles none of them before it goes on. So a test
// forces the order in which the window manager gets the user's request and one of ours.
class WindowManagerHeld {
  public:
    explicit WindowManagerHeld(X11Connection& x);
    ~WindowManagerHeld() { resume(); }
    WindowManagerHeld(const WindowManagerHeld&) = delete;
    WindowManagerHeld& operator=(const WindowManagerHeld&) = delete;

    // False when the window manager's process is not known (nothing was stopped).
    bool held() const { return pid_ != 0; }
    void resume();

  private:
    int pid_ = 0;
};

// The window manager scripts/x11-session started ("openbox" when it does not say).
std::string sessionWindowManager();
// A command that starts that window manager afresh in the background, taking over from a running
// one where it can (openbox when no session said how).
std::vector<std::string> freshWindowManagerCommand();
// Whether that window manager shows its own panel (x11-session --panel).
bool sessionHasPanel();
// What the running window manager does, as Brindlow decides it (no window manager's traits when
// none runs).
WindowManagerTraits runningWindowManagerTraits(X11Connection& x);

}  // namespace brindlow::test

// Skips the test where the running window manager does not hold the WM_Sn selection: no other
// window manager can take over from it.
#define BRINDLOW_SKIP_UNLESS_REPLACEABLE(connection)                                        \
    do {                                                                                    \
        const auto traits_ = ::brindlow::test::runningWindowManagerTraits(connection);      \
        if (!traits_.holdsSelection)                                                        \
            GTEST_SKIP() << "beside " << traits_.name                                       \
                         << ": it does not hold the window manager selection, so no other " \
                            "window manager can take over from it";                         \
    } while (false)

// Skips the test beside the window managers named after the reason, saying why: for tests whose
// subject one window manager does not offer or handle as the others do.
#define BRINDLOW_SKIP_BESIDE(reason, ...)                                                   \
    do {                                                                                    \
        const std::string session_ = ::brindlow::test::sessionWindowManager();              \
        for (const char* name_ : std::initializer_list<const char*>{__VA_ARGS__})           \
            if (session_ == name_) GTEST_SKIP() << "beside " << session_ << ": " << reason; \
    } while (false)
