// The X server dies under a running Brindlow: it must leave in order and in time, every time.
// Each round runs a display of its own (never the session's), with a window manager and one
// tiled window, so that there is an original frame to keep for the next start.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/TempFolder.h"
#include "x11/e2e/AppProcess.h"

namespace brindlow::test {
namespace {

constexpr int kRounds = 10;
constexpr double kExitLimit = 2.0;
constexpr int kDisplayLostStatus = 74;

std::string textOf(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// One throwaway display: Xvfb (it picks a free number and writes it once it accepts clients),
// openbox, and a test client window that openbox manages.
class PrivateDisplay {
  public:
    explicit PrivateDisplay(const std::filesystem::path& folder) {
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"sh", "-c",
                                     "exec Xvfb -displayfd 1 -screen 0 1280x720x24 -nolisten tcp "
                                     "+extension RANDR 2>/dev/null"},
            std::map<std::string, std::string>{}, ChildProcess::CaptureOutput{});
        if (!server_->waitForOutput(
                [](const std::string& out) { return out.find('\n') != std::string::npos; }, kLimit))
            return;
        display_ = ":" + server_->out().substr(0, server_->out().find('\n'));
        std::filesystem::create_directories(folder / "config");
        environment_ = {{"DISPLAY", display_},
                        {"XDG_CONFIG_HOME", (folder / "config").string()},
                        {"XDG_DATA_HOME", folder.string()},
                        {"BRINDLOW_LOG", "info"}};
        windowManager_ = std::make_unique<ChildProcess>(std::vector<std::string>{"openbox"},
                                                        environment_, folder / "openbox.log");
        // Openbox drops windows mapped while it starts; the probe maps until one is managed.
        const ProcessRun probe = runProcess({BRINDLOW_TESTCLIENT_PATH, "--probe"}, environment_);
        if (probe.status != 0) return;
        client_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{BRINDLOW_TESTCLIENT_PATH, "--title", "display-loss"},
            environment_, ChildProcess::CaptureOutput{});
        ready_ =
            client_->waitForOutput([](const std::string& out) { return !out.empty(); }, kLimit);
    }

    bool ready() const { return ready_; }
    const std::map<std::string, std::string>& environment() const { return environment_; }
    void kill(int signal) { server_->signal(signal); }

  private:
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> windowManager_;
    std::unique_ptr<ChildProcess> client_;
    std::string display_;
    std::map<std::string, std::string> environment_;
    bool ready_ = false;
};

// One round: a private display with a tiled window and Brindlow running on it, its data in a
// folder of its own.
class DisplayLossRound {
  public:
    DisplayLossRound() : display_(data_.path()) {
        if (!display_.ready()) return;
        std::filesystem::create_directories(storage());
        std::ofstream(storage() / "settings.json") << R"({"firstRunDone": true})";
        brindlow_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{BRINDLOW_EXECUTABLE_PATH}, display_.environment(), log());
    }

    // Whether Brindlow answers on its socket, tiles the window and keeps its original frame.
    bool waitUntilTiled() {
        if (!brindlow_) return false;
        const auto tiled = [&] {
            const ProcessRun list =
                runProcess({BRINDLOW_EXECUTABLE_PATH, "list", "--titles"}, display_.environment());
            return list.status == 0 && list.out.find("display-loss") != std::string::npos &&
                   std::filesystem::exists(storage() / "original-frames.json");
        };
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(int(kLimit));
        while (!brindlow_->hasExited() && std::chrono::steady_clock::now() < until)
            if (tiled()) return true;  // each try is a round trip to Brindlow
        return false;
    }

    PrivateDisplay& display() { return display_; }
    ChildProcess& brindlow() { return *brindlow_; }
    std::filesystem::path storage() const { return data_.path() / "Brindlow"; }
    std::filesystem::path log() const { return data_.path() / "brindlow.log"; }

    // Waits for Brindlow's exit: its status, and the seconds it took from `from`.
    std::pair<std::optional<int>, double> exitSince(std::chrono::steady_clock::time_point from) {
        const std::optional<int> status = brindlow_->waitForExit(kExitLimit);
        return {status,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count()};
    }

  private:
    TempFolder data_;
    PrivateDisplay display_;
    std::unique_ptr<ChildProcess> brindlow_;
};

TEST(DisplayLoss, ServerKilledUnderBrindlowEndsItInOrderWithinTwoSecondsEveryTime) {
    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        DisplayLossRound run;
        ASSERT_TRUE(run.display().ready()) << "the private display did not start";
        ASSERT_TRUE(run.waitUntilTiled()) << textOf(run.log());
        ASSERT_TRUE(std::filesystem::exists(run.storage() / "brindlow.sock"));

        // Odd rounds kill the server outright; even ones let it close its connections itself.
        run.display().kill(round % 2 ? SIGKILL : SIGTERM);
        const auto [status, seconds] = run.exitSince(std::chrono::steady_clock::now());
        ASSERT_TRUE(run.brindlow().hasExited()) << "still running " << kExitLimit << " s later\n"
                                                << textOf(run.log());
        EXPECT_EQ(status, std::optional<int>(kDisplayLostStatus)) << textOf(run.log());
        EXPECT_LE(seconds, kExitLimit);
        EXPECT_FALSE(std::filesystem::exists(run.storage() / "brindlow.sock"));
        EXPECT_TRUE(std::filesystem::exists(run.storage() / "original-frames.json"));
        EXPECT_NE(textOf(run.log()).find("Lost the connection to the X display"),
                  std::string::npos);
        if (HasFailure()) return;
    }
}

// The session ends: Brindlow is told to quit and the server goes at the same moment. Whichever
// wins, it ends in time: a clean quit (0) or the display-loss exit (74), the socket gone.
TEST(DisplayLoss, ServerGoingWhileBrindlowQuitsStillEndsItWithinTwoSeconds) {
    for (int round = 1; round <= kRounds / 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        DisplayLossRound run;
        ASSERT_TRUE(run.display().ready()) << "the private display did not start";
        ASSERT_TRUE(run.waitUntilTiled()) << textOf(run.log());

        const auto quit = std::chrono::steady_clock::now();
        run.brindlow().signal(SIGTERM);
        run.display().kill(SIGKILL);
        const auto [status, seconds] = run.exitSince(quit);
        ASSERT_TRUE(run.brindlow().hasExited()) << "still running " << kExitLimit << " s later\n"
                                                << textOf(run.log());
        EXPECT_TRUE(status == 0 || status == kDisplayLostStatus) << textOf(run.log());
        EXPECT_LE(seconds, kExitLimit);
        EXPECT_FALSE(std::filesystem::exists(run.storage() / "brindlow.sock"));
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace brindlow::test
