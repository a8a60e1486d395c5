#include "x11/support/X11TestSupport.h"

#include <signal.h>

#include <cstdlib>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/wm/X11WindowManagerTraits.h"

namespace brindlow::test {

void TestMainExecutor::async(Block block) {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
    changed_.notify_all();
}

bool TestMainExecutor::runUntil(const std::function<bool()>& done, double limit) {
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(limit));
    while (true) {
        if (done()) return true;
        Block block;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_until(lock, deadline, [&] { return !blocks_.empty(); })) {
                return done();
            }
            block = std::move(blocks_.front());
            blocks_.pop_front();
        }
        block();
    }
}

void TestMainExecutor::runPending() {
    while (true) {
        Block block;
        {
            std::lock_guard lock(mutex_);
            if (blocks_.empty()) return;
            block = std::move(blocks_.front());
            blocks_.pop_front();
        }
        block();
    }
}

namespace {

std::vector<std::string> testClientCommand(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), BRINDLOW_TESTCLIENT_PATH);
    return arguments;
}

}  // namespace

TestClientProcess::TestClientProcess(std::vector<std::string> arguments)
    : process_(testClientCommand(std::move(arguments)), {}, ChildProcess::CaptureOutput{}) {
    for (std::string line = readLine(); !line.empty(); line = readLine()) {
        if (line == "ready") {
            ready_ = true;
            break;
        }
        if (line.rfind("window ", 0) == 0)
            windows_.push_back(xcb_window_t(std::strtoul(line.c_str() + 7, nullptr, 16)));
        if (line.rfind("owner ", 0) == 0)
            owner_ = xcb_window_t(std::strtoul(line.c_str() + 6, nullptr, 16));
    }
}

TestClientProcess::~TestClientProcess() {
    process_.closeInput();  // the end of its input ends the client
    process_.waitForExit(10);
}

std::string TestClientProcess::readLine() {
    // A bound against a client that hangs; it answers in milliseconds.
    if (!process_.waitForOutput(
            [&](const std::string&) {
                return process_.out().find('\n', read_) != std::string::npos;
            },
            10))
        return {};
    const size_t newline = process_.out().find('\n', read_);
    std::string line = process_.out().substr(read_, newline - read_);
    read_ = newline + 1;
    return line;
}

bool TestClientProcess::command(const std::string& line) {
    return process_.writeInput(line + "\n") && readLine() == "ok";
}

bool TestClientProcess::waitForLine(const std::string& prefix) {
    passedOver_.clear();
    for (std::string line = readLine(); !line.empty(); line = readLine()) {
        if (line.rfind(prefix, 0) == 0) return true;
        passedOver_.push_back(line);
    }
    return false;
}

std::string TestClientProcess::linesPassedOver() const {
    std::string lines;
    for (const std::string& line : passedOver_) lines += (lines.empty() ? "" : " / ") + line;
    return lines;
}

void TestClientProcess::kill() {
    process_.signal(SIGKILL);
    process_.waitForExit(10);
}

bool windowManagerCaughtUp(X11Connection& x) {
    // A window of our own that nobody manages: asked to take another size, it is still
    // redirected to the window manager, which passes the request on after whatever it was
    // sent before. Every window manager does; not every one answers frame-extents requests.
    const xcb_window_t probe = xcb_generate_id(x.xcb());
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(x.xcb(), XCB_COPY_FROM_PARENT, probe, x.root(), -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &mask);
    const std::uint32_t asked[] = {2, 2};
    const bool answered = x.waitForEvent(
        [&](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != XCB_CONFIGURE_NOTIFY) return false;
            auto& e = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
            return e.window == probe && e.width == asked[0] && e.height == asked[1];
        },
        15.0,
        [&] {
            xcb_configure_window(x.xcb(), probe, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                                 asked);
            return false;
        });
    xcb_destroy_window(x.xcb(), probe);
    x.sync();  // and what it published meanwhile has been handled here
    return answered;
}

WindowManagerHeld::WindowManagerHeld(X11Connection& x) {
    xcb_window_t check = XCB_WINDOW_NONE;
    if (!xcb_ewmh_get_supporting_wm_check_reply(
            x.ewmh(), xcb_ewmh_get_supporting_wm_check(x.ewmh(), x.root()), &check, nullptr))
        return;
    std::optional<std::uint32_t> pid = readCardinal(x, check, x.ewmh()->_NET_WM_PID);
    if (!pid) pid = resourcePid(x, check);
    if (pid && kill(pid_t(*pid), SIGSTOP) == 0) pid_ = int(*pid);
}

void WindowManagerHeld::resume() {
    if (pid_) kill(pid_t(pid_), SIGCONT);
    pid_ = 0;
}

std::string sessionWindowManager() {
    const char* name = std::getenv("BRINDLOW_TEST_WM");
    return name && *name ? name : "openbox";
}

WindowManagerTraits runningWindowManagerTraits(X11Connection& x) {
    const auto check = windowManagerCheckWindow(x);
    return check ? detectWindowManagerTraits(x, *check) : WindowManagerTraits{};
}

std::vector<std::string> freshWindowManagerCommand() {
    const char* script = std::getenv("BRINDLOW_TEST_WM_START");
    if (script && *script) return {script};
    return {"sh", "-c", "openbox --replace >/dev/null 2>&1 &"};
}

bool sessionHasPanel() {
    const char* panel = std::getenv("BRINDLOW_TEST_WM_PANEL");
    return panel && std::string(panel) == "1";
}

}  // namespace brindlow::test
