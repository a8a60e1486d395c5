// The panels on a real display: window search, the overview, the shortcut sheet and the
// welcome window are opened with the command-line tool and driven with xdotool; the focus goes
// to the chosen window, or back to the one that had it. With BRINDLOW_SCREENSHOT_DIR set, each
// panel is photographed there.
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "AppProcess.h"
#include "support/TempFolder.h"
#include "x11/support/TrayHostStandIn.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

constexpr double kLimit = 15.0;

class PanelsEndToEnd : public X11Fixture {
  protected:
    void SetUp() override {
        X11Fixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        environment_ = {{"XDG_DATA_HOME", data_.path().string()}, {"BRINDLOW_LOG", "info"}};
        std::filesystem::create_directories(data_.path() / "Brindlow");
    }

    void TearDown() override {
        stopBrindlow(brindlow_, data_.path() / "brindlow.log", HasFailure());
        xterms_.clear();
    }

    void markFirstRunDone() {
        std::ofstream(data_.path() / "Brindlow" / "settings.json") << R"({"firstRunDone": true})";
    }

    xcb_window_t startXterm(const std::string& title) {
        auto process = std::make_unique<ChildProcess>(std::vector<std::string>{
            "xterm", "-title", title, "-xrm", "XTerm*allowTitleOps: false", "-e", "sleep", "600"});
        xcb_window_t found = XCB_WINDOW_NONE;
        const pid_t pid = process->pid();
        settle(
            [&] {
                for (xcb_window_t w : desktop().windowsOf(pid)) {
                    const auto s = desktop().read(w);
                    if (s && s->mapped && s->title == title) found = w;
                }
                return found != XCB_WINDOW_NONE;
            },
            kLimit);
        xterms_.push_back(std::move(process));
        return found;
    }

    ProcessRun tool(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {BRINDLOW_EXECUTABLE_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProcess(argv, environment_);
    }

    // Starts Brindlow and waits until it tiles `columns` windows.
    void startBrindlow(size_t columns) {
        brindlow_ =
            std::make_unique<ChildProcess>(std::vector<std::string>{BRINDLOW_EXECUTABLE_PATH},
                                           environment_, data_.path() / "brindlow.log");
        ASSERT_TRUE(settle(
            [&] {
                const ProcessRun run = tool({"list"});
                if (run.status != 0) return false;
                const auto json = nlohmann::json::parse(run.out, nullptr, false);
                size_t count = 0;
                if (!json.is_discarded())
                    for (const auto& display : json["displays"]) count += display["columns"].size();
                return count >= columns;
            },
            kLimit))
            << "Brindlow did not tile " << columns << " windows";
    }

    // The active window when it belongs to Brindlow itself.
    std::optional<xcb_window_t> brindlowWindowActive() {
        const auto active = desktop().activeWindow();
        if (!active) return std::nullopt;
        const auto pid = desktop().pidOf(*active);
        if (!pid || *pid != brindlow_->pid()) return std::nullopt;
        return active;
    }

    xcb_window_t waitForPanel() {
        std::optional<xcb_window_t> panel;
        EXPECT_TRUE(settle([&] { return (panel = brindlowWindowActive()).has_value(); }, kLimit))
            << "no Brindlow panel took the focus";
        return panel.value_or(XCB_WINDOW_NONE);
    }

    bool gone(xcb_window_t window) {
        const auto s = desktop().read(window);
        return !s || !s->mapped;
    }

    void xdotool(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_EQ(runProcess(argv).status, 0);
    }

    void screenshot(const std::string& name) {
        const char* folder = std::getenv("BRINDLOW_SCREENSHOT_DIR");
        if (!folder || !*folder) return;
        runProcess({"import", "-window", "root", std::string(folder) + "/" + name + ".png"});
    }

    // A tray for Brindlow, which would otherwise open its settings window over the xterms.
    TrayHostStandIn trayHost_;
    TempFolder data_;
    std::map<std::string, std::string> environment_;
    std::vector<std::unique_ptr<ChildProcess>> xterms_;
    std::unique_ptr<ChildProcess> brindlow_;
};

TEST_F(PanelsEndToEnd, SearchTypedIntoFocusesTheMatchingXtermAndCloses) {
    markFirstRunDone();
    startXterm("panels-alpha");
    const xcb_window_t target = startXterm("panels-bravo");
    startXterm("panels-charlie");
    ASSERT_NE(target, XCB_WINDOW_NONE);
    startBrindlow(3);
    ASSERT_FALSE(HasFatalFailure());

    ASSERT_EQ(tool({"search"}).status, 0);
    const xcb_window_t panel = waitForPanel();
    ASSERT_NE(panel, XCB_WINDOW_NONE);
    xdotool({"type", "--delay", "20", "brav"});
    screenshot("search");
    xdotool({"key", "Return"});
    EXPECT_TRUE(settle([&] { return gone(panel); }, kLimit)) << "the search stayed open";
    EXPECT_TRUE(settle([&] { return desktop().activeWindow() == target; }, kLimit))
        << "the chosen xterm did not get the focus";
}

TEST_F(PanelsEndToEnd, OverviewEscapeGivesTheFocusBackAndTheSheetOpensAndCloses) {
    markFirstRunDone();
    startXterm("panels-one");
    startXterm("panels-two");
    startBrindlow(2);
    ASSERT_FALSE(HasFatalFailure());
    std::optional<xcb_window_t> before;
    ASSERT_TRUE(settle([&] {
        before = desktop().activeWindow();
        return before && !brindlowWindowActive();
    }));

    ASSERT_EQ(tool({"overview"}).status, 0);
    const xcb_window_t overview = waitForPanel();
    screenshot("overview");
    xdotool({"key", "Escape"});
    EXPECT_TRUE(settle([&] { return gone(overview); }, kLimit)) << "the overview stayed open";
    EXPECT_TRUE(settle([&] { return desktop().activeWindow() == before; }, kLimit))
        << "the focus did not come back";

    ASSERT_EQ(tool({"shortcuts"}).status, 0);
    const xcb_window_t sheet = waitForPanel();
    screenshot("shortcuts");
    xdotool({"key", "Escape"});
    EXPECT_TRUE(settle([&] { return gone(sheet); }, kLimit)) << "the sheet stayed open";
    EXPECT_TRUE(settle([&] { return desktop().activeWindow() == before; }, kLimit));
}

TEST_F(PanelsEndToEnd, WelcomeWindowShowsUntilGetStarted) {
    startXterm("panels-welcome");
    startBrindlow(1);
    ASSERT_FALSE(HasFatalFailure());
    const xcb_window_t welcome = waitForPanel();
    const auto state = desktop().read(welcome);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->title, "Welcome to Brindlow");
    EXPECT_EQ(state->desktop, 0xFFFFFFFFu);
    screenshot("welcome");
    xdotool({"key", "Return"});
    EXPECT_TRUE(settle([&] { return gone(welcome); }, kLimit));
    std::ifstream file(data_.path() / "Brindlow" / "settings.json");
    const auto settings = nlohmann::json::parse(file, nullptr, false);
    ASSERT_FALSE(settings.is_discarded());
    EXPECT_EQ(settings.value("firstRunDone", false), true);
}

}  // namespace
}  // namespace brindlow::test
