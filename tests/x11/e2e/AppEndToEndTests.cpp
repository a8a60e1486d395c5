// The real executable on the session's display, driven by the real command-line
// tool: three xterms become three columns, commands move focus and columns,
// pause stops tiling, and SIGTERM puts every xterm back where it was.
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

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

struct Xterm {
    std::string title;
    std::unique_ptr<ChildProcess> process;
    xcb_window_t window = XCB_WINDOW_NONE;
    Rect original;
};

// One column of `brindlow list --titles`, reduced to what the tests look at.
struct ListedColumn {
    std::vector<std::string> titles;
    std::vector<bool> badges;
};

struct Listing {
    bool paused = false;
    int focused = 0;  // counted from 1; 0 for none
    std::vector<ListedColumn> columns;
};

class AppEndToEnd : public X11Fixture {
  protected:
    void SetUp() override {
        X11Fixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        environment_ = {{"XDG_DATA_HOME", data_.path().string()}, {"BRINDLOW_LOG", "info"}};
        // The welcome window would take the focus from the xterms.
        std::filesystem::create_directories(data_.path() / "Brindlow");
        std::ofstream(data_.path() / "Brindlow" / "settings.json") << R"({"firstRunDone": true})";
    }

    void TearDown() override {
        stopBrindlow(brindlow_, logFile(), HasFailure());
        xterms_.clear();
    }

    std::filesystem::path logFile() const { return data_.path() / "brindlow.log"; }

    // Waits until `done` holds: after each X round trip and X event, so that
    // what Brindlow did so far is visible; `limit` only bounds a hang.
    bool eventually(const std::function<bool()>& done, double limit = kLimit) {
        return settle(done, limit);
    }

    // Starts an xterm and waits until the window manager manages it and has
    // settled its frame, which is recorded as its original frame.
    void startXterm(const std::string& title) {
        Xterm xterm;
        xterm.title = title;
        xterm.process = std::make_unique<ChildProcess>(std::vector<std::string>{
            "xterm", "-title", title, "-xrm", "XTerm*allowTitleOps: false", "-e", "sleep", "600"});
        ASSERT_TRUE(xterm.process->started());
        const pid_t pid = xterm.process->pid();
        ASSERT_TRUE(eventually([&] {
            for (xcb_window_t window : desktop().windowsOf(pid)) {
                const auto snapshot = desktop().read(window);
                if (snapshot && snapshot->mapped && snapshot->title == title &&
                    (snapshot->extents.top > 0 || snapshot->extents.left > 0)) {
                    xterm.window = window;
                    return true;
                }
            }
            return false;
        })) << "xterm "
            << title << " was not managed";
        // The frame as it stands once two round trips in a row agree.
        Rect last = *frameOf(xterm.window);
        ASSERT_TRUE(eventually([&] {
            const Rect now = frameOf(xterm.window).value_or(Rect{});
            const bool same = now == last;
            last = now;
            return same;
        }));
        xterm.original = last;
        xterms_.push_back(std::move(xterm));
    }

    void startXterms(int count) {
        for (int i = 1; i <= count; ++i) {
            startXterm("e2e-xterm-" + std::to_string(i));
            if (HasFatalFailure()) return;
        }
    }

    std::optional<Rect> frameOf(xcb_window_t window) {
        const auto snapshot = desktop().read(window);
        if (!snapshot) return std::nullopt;
        return snapshot->outerFrame();
    }

    ProcessRun tool(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {BRINDLOW_EXECUTABLE_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProcess(argv, environment_);
    }

    // The listing restricted to this test's xterms (a stray window of another
    // test would add columns of its own).
    std::optional<Listing> list() {
        const ProcessRun run = tool({"list", "--titles"});
        if (run.status != 0) return std::nullopt;
        const auto json = nlohmann::json::parse(run.out, nullptr, false);
        if (json.is_discarded()) return std::nullopt;
        Listing listing;
        listing.paused = json.value("paused", false);
        for (const auto& display : json.at("displays")) {
            if (!display.value("active", false)) continue;
            const int focused = display.value("focused", 0);
            int index = 0;
            for (const auto& column : display.at("columns")) {
                ++index;
                ListedColumn listed;
                for (const auto& window : column.at("windows")) {
                    const std::string title = window.value("title", "");
                    if (title.rfind("e2e-xterm-", 0) != 0) continue;
                    listed.titles.push_back(title);
                    listed.badges.push_back(window.value("badge", false));
                }
                if (listed.titles.empty()) continue;
                listing.columns.push_back(listed);
                if (index == focused) listing.focused = int(listing.columns.size());
            }
        }
        return listing;
    }

    // Starts Brindlow and waits until it lists every xterm in a column of its own.
    void startBrindlow() {
        brindlow_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{BRINDLOW_EXECUTABLE_PATH}, environment_, logFile());
        ASSERT_TRUE(brindlow_->started());
        ASSERT_TRUE(eventually([&] {
            const auto listing = list();
            return listing && listing->columns.size() == xterms_.size();
        })) << "Brindlow did not list "
            << xterms_.size() << " columns";
    }

    const Xterm* xtermWithWindow(xcb_window_t window) const {
        for (const Xterm& xterm : xterms_)
            if (xterm.window == window) return &xterm;
        return nullptr;
    }

    const Xterm* xtermTitled(const std::string& title) const {
        for (const Xterm& xterm : xterms_)
            if (xterm.title == title) return &xterm;
        return nullptr;
    }

    // The titles of the columns' first windows, left to right.
    std::vector<std::string> columnOrder() {
        std::vector<std::string> order;
        if (const auto listing = list())
            for (const ListedColumn& column : listing->columns)
                order.push_back(column.titles.front());
        return order;
    }

    // The title of the focused column's window.
    std::optional<std::string> focusedTitle() {
        const auto listing = list();
        if (!listing || listing->focused == 0) return std::nullopt;
        return listing->columns[listing->focused - 1].titles.front();
    }

    bool allFramesAre(const std::map<xcb_window_t, Rect>& frames) {
        for (const auto& [window, frame] : frames)
            if (frameOf(window) != frame) return false;
        return true;
    }

    std::map<xcb_window_t, Rect> currentFrames() {
        std::map<xcb_window_t, Rect> frames;
        for (const Xterm& xterm : xterms_) frames[xterm.window] = frameOf(xterm.window).value();
        return frames;
    }

    std::map<xcb_window_t, Rect> originalFrames() const {
        std::map<xcb_window_t, Rect> frames;
        for (const Xterm& xterm : xterms_) frames[xterm.window] = xterm.original;
        return frames;
    }

    // Every xterm sits where the layout put it: the frames stopped changing
    // over two round trips in a row.
    std::map<xcb_window_t, Rect> settledFrames() {
        std::map<xcb_window_t, Rect> last = currentFrames();
        eventually([&] {
            const auto now = currentFrames();
            const bool same = now == last;
            last = now;
            return same;
        });
        return last;
    }

    // Sends the quit signal and expects a clean exit with every xterm back in place.
    void quitAndExpectWindowsBack(int quitSignal = SIGTERM) {
        brindlow_->signal(quitSignal);
        EXPECT_EQ(brindlow_->waitForExit(kLimit), 0);
        EXPECT_TRUE(eventually([&] { return allFramesAre(originalFrames()); }));
        for (const Xterm& xterm : xterms_) {
            EXPECT_EQ(frameOf(xterm.window), xterm.original) << xterm.title << " was not put back";
        }
    }

    // A tray for Brindlow, which would otherwise open its settings window over the xterms.
    TrayHostStandIn trayHost_;
    TempFolder data_;
    std::map<std::string, std::string> environment_;
    std::vector<Xterm> xterms_;
    std::unique_ptr<ChildProcess> brindlow_;
};

TEST_F(AppEndToEnd, TilesThreeXtermsAsThreeColumnsAndPutsThemBackOnSIGTERM) {
    startXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());

    const auto listing = list();
    ASSERT_TRUE(listing);
    EXPECT_FALSE(listing->paused);
    ASSERT_EQ(listing->columns.size(), 3u);
    for (const ListedColumn& column : listing->columns) EXPECT_EQ(column.titles.size(), 1u);

    // Tiled: every xterm left the place the window manager gave it, and the
    // first two columns (half a screen each) stand side by side at one height;
    // the third waits parked at the edge.
    ASSERT_TRUE(eventually([&] {
        for (const Xterm& xterm : xterms_)
            if (frameOf(xterm.window) == xterm.original) return false;
        return true;
    })) << "Brindlow did not move the xterms";
    const auto tiled = settledFrames();
    std::vector<Rect> byColumn;
    for (const ListedColumn& column : listing->columns)
        byColumn.push_back(tiled.at(xtermTitled(column.titles.front())->window));
    EXPECT_EQ(byColumn[1].y, byColumn[0].y);
    EXPECT_EQ(byColumn[1].height, byColumn[0].height);
    EXPECT_GE(byColumn[1].x, byColumn[0].maxX());

    quitAndExpectWindowsBack();
    EXPECT_FALSE(std::filesystem::exists(data_.path() / "Brindlow" / "brindlow.sock"));
}

TEST_F(AppEndToEnd, InterruptAndHangUpPutTheWindowsBackToo) {
    startXterms(2);
    ASSERT_FALSE(HasFatalFailure());
    for (int quitSignal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(quitSignal));
        startBrindlow();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(eventually([&] {
            for (const Xterm& xterm : xterms_)
                if (frameOf(xterm.window) == xterm.original) return false;
            return true;
        })) << "Brindlow did not move the xterms";
        settledFrames();
        quitAndExpectWindowsBack(quitSignal);
        EXPECT_FALSE(std::filesystem::exists(data_.path() / "Brindlow" / "brindlow.sock"));
    }
}

TEST_F(AppEndToEnd, WindowsGoBackAfterAKillNineARestartAndAQuit) {
    startXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    const auto tiled = settledFrames();
    ASSERT_NE(tiled, originalFrames());
    brindlow_->signal(SIGKILL);
    brindlow_->waitForExit(kLimit);
    // Nothing put them back: they stand where the strip left them.
    EXPECT_EQ(currentFrames(), tiled);

    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    settledFrames();
    quitAndExpectWindowsBack();
    EXPECT_FALSE(std::filesystem::exists(data_.path() / "Brindlow" / "original-frames.json"));
}

void xdotool(const std::vector<std::string>& args);

// True when every xterm with less than half of its frame on the 1920-wide
// screen lies below every xterm that is wholly on it.
bool parkedBelowVisible(X11Connection& connection, const std::map<xcb_window_t, Rect>& frames) {
    const std::vector<xcb_window_t> stacking =
        readWindowList(connection, connection.root(), connection.atom("_NET_CLIENT_LIST_STACKING"));
    int highestParked = -1;
    int lowestVisible = int(stacking.size());
    int parked = 0;
    for (int level = 0; level < int(stacking.size()); ++level) {
        const auto frame = frames.find(stacking[size_t(level)]);
        if (frame == frames.end()) continue;
        const Rect& r = frame->second;
        const double onScreen = std::max(0.0, std::min(r.maxX(), 1920.0) - std::max(r.x, 0.0));
        if (onScreen < r.width / 2) {
            highestParked = level;
            ++parked;
        } else if (r.x >= 0 && r.maxX() <= 1920) {
            lowestVisible = std::min(lowestVisible, level);
        }
    }
    return parked > 0 && highestParked < lowestVisible;
}

TEST_F(AppEndToEnd, ParkedWindowsStayBelowTheVisibleOnes) {
    startXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    EXPECT_TRUE(eventually([&] { return parkedBelowVisible(connection(), settledFrames()); }));

    // Raised by the user, a parked window goes under again after the next layout.
    const std::vector<std::string> order = columnOrder();
    xdotool({"windowraise", std::to_string(xtermTitled(order.back())->window)});
    ASSERT_EQ(tool({"focus-right"}).status, 0);
    EXPECT_TRUE(eventually([&] { return parkedBelowVisible(connection(), settledFrames()); }));
    quitAndExpectWindowsBack();
}

TEST_F(AppEndToEnd, FocusLeftAndMoveRightChangeTheActiveWindowAndTheFrames) {
    startXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());

    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_TRUE(eventually([&] { return list()->focused == 3; }));
    const std::string last = *focusedTitle();
    ASSERT_TRUE(eventually([&] { return desktop().activeWindow() == xtermTitled(last)->window; }))
        << "focus-last did not activate " << last;

    ASSERT_EQ(tool({"focus-left"}).status, 0);
    ASSERT_TRUE(eventually([&] { return list()->focused == 2; }));
    const std::string middle = *focusedTitle();
    EXPECT_NE(middle, last);
    const xcb_window_t middleWindow = xtermTitled(middle)->window;
    ASSERT_TRUE(eventually([&] { return desktop().activeWindow() == middleWindow; }))
        << "focus-left did not activate " << middle;

    const auto before = settledFrames();
    const xcb_window_t lastWindow = xtermTitled(last)->window;
    ASSERT_EQ(tool({"move-right"}).status, 0);
    // The focused column trades places with its right neighbour: the order in
    // the list changes, focus goes with it, and the two windows swap sides.
    ASSERT_TRUE(eventually([&] {
        const auto listing = list();
        return listing && listing->focused == 3 && listing->columns[2].titles.front() == middle &&
               listing->columns[1].titles.front() == last;
    }));
    ASSERT_TRUE(eventually([&] {
        const auto moved = frameOf(middleWindow);
        const auto other = frameOf(lastWindow);
        return moved && other && moved->x > other->x;
    })) << "move-right did not move the frames";
    const auto after = settledFrames();
    EXPECT_GT(after.at(middleWindow).x, before.at(middleWindow).x);
    EXPECT_LT(after.at(lastWindow).x, before.at(lastWindow).x);
    EXPECT_EQ(desktop().activeWindow(), middleWindow);

    quitAndExpectWindowsBack();
}

TEST_F(AppEndToEnd, PauseStopsTiling) {
    startXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(eventually([&] {
        for (const Xterm& xterm : xterms_)
            if (frameOf(xterm.window) == xterm.original) return false;
        return true;
    }));
    const auto tiled = settledFrames();

    ASSERT_EQ(tool({"pause"}).status, 0);
    ASSERT_TRUE(eventually([&] { return list()->paused; }));

    // Commands do nothing while paused.
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_EQ(tool({"move-right"}).status, 0);

    // A window that opens now is tracked but not tiled: it stays where the
    // window manager put it, and nothing else moves either.
    startXterm("e2e-xterm-4");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(eventually([&] { return list()->columns.size() == 4; }))
        << "the new xterm was not tracked while paused";
    const Xterm& fourth = xterms_.back();
    EXPECT_TRUE(list()->paused);
    EXPECT_EQ(frameOf(fourth.window), fourth.original);
    EXPECT_TRUE(allFramesAre(tiled));

    // Resuming tiles again, the new window included.
    ASSERT_EQ(tool({"pause"}).status, 0);
    EXPECT_TRUE(eventually([&] { return frameOf(fourth.window) != fourth.original; }))
        << "resuming did not tile the new xterm";
}

TEST_F(AppEndToEnd, NamedLayoutsAndTerminalBadgesFromTheCommandLine) {
    startXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> saved = columnOrder();
    ASSERT_EQ(saved.size(), 3u);

    const ProcessRun save = tool({"layout", "save", "Work"});
    EXPECT_EQ(save.status, 0);
    EXPECT_EQ(save.out, "Saved Work\n");
    // Stored once the strip controller has captured the arrangement.
    ASSERT_TRUE(eventually([&] { return tool({"layout", "list"}).out == "Work\n"; }));

    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_EQ(tool({"move-right"}).status, 0);
    ASSERT_TRUE(eventually([&] { return columnOrder() != saved; }));

    // Names match in any letter case.
    EXPECT_EQ(tool({"layout", "restore", "work"}).status, 0);
    EXPECT_TRUE(eventually([&] { return columnOrder() == saved; }));
    const ProcessRun missing = tool({"layout", "restore", "Nope"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "No layout named Nope\n");

    // A finished command in a terminal that is not focused badges its window.
    const auto listing = list();
    ASSERT_TRUE(listing);
    const int unfocused = listing->focused == 1 ? 2 : 1;
    const std::string title = listing->columns[unfocused - 1].titles.front();
    const ProcessRun notify =
        tool({"notify", "done", "--pid", std::to_string(xtermTitled(title)->process->pid()),
              "--cmd", "make", "--status", "0"});
    EXPECT_EQ(notify.status, 0);
    EXPECT_TRUE(eventually([&] {
        const auto now = list();
        if (!now) return false;
        for (const ListedColumn& column : now->columns)
            if (column.titles.front() == title) return bool(column.badges.front());
        return false;
    })) << title
        << " carries no badge";

    quitAndExpectWindowsBack();
}

TEST_F(AppEndToEnd, SecondInstanceFindsTheFirstAndLeavesItRunning) {
    startXterms(1);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"--anything"}}) {
        const ProcessRun second = tool(args);
        EXPECT_EQ(second.status, 1);
        EXPECT_NE(second.err.find("already running"), std::string::npos) << second.err;
    }
    // The first one still answers on its socket.
    const auto listing = list();
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->columns.size(), 1u);
    quitAndExpectWindowsBack();
}

TEST_F(AppEndToEnd, SecondInstanceWithAnotherStorageFolderIsRefusedOnTheSameDisplay) {
    startXterms(1);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    const std::map<xcb_window_t, Rect> tiled = settledFrames();

    TempFolder otherData;
    auto otherEnvironment = environment_;
    otherEnvironment["XDG_DATA_HOME"] = otherData.path().string();
    const ProcessRun second = runProcess({BRINDLOW_EXECUTABLE_PATH}, otherEnvironment);
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, "brindlow: Brindlow is already running on this display (process " +
                              std::to_string(brindlow_->pid()) + ").\n");
    EXPECT_FALSE(std::filesystem::exists(otherData.path() / "Brindlow"));
    EXPECT_EQ(currentFrames(), tiled);
    quitAndExpectWindowsBack();
}

TEST_F(AppEndToEnd, HelpAndVersionPrintWithoutTouchingAWindow) {
    startXterms(1);
    ASSERT_FALSE(HasFatalFailure());
    for (const std::string option : {"--help", "-h", "--version"}) {
        const ProcessRun run = tool({option});
        EXPECT_EQ(run.status, 0) << option;
        EXPECT_EQ(run.out.rfind(option == "--version" ? "0." : "Usage: brindlow <command>\n", 0),
                  0u)
            << run.out;
    }
    EXPECT_EQ(currentFrames(), originalFrames());
    // Nothing beside the settings the fixture wrote: no socket, session or lock.
    std::vector<std::string> stored;
    for (const auto& entry : std::filesystem::directory_iterator(data_.path() / "Brindlow"))
        stored.push_back(entry.path().filename().string());
    EXPECT_EQ(stored, std::vector<std::string>{"settings.json"});
}

TEST_F(AppEndToEnd, ClientsThatHangUpBeforeTheReplyDoNotEndTheApplication) {
    startXterms(1);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());

    const std::string socketPath = (data_.path() / "Brindlow" / "brindlow.sock").string();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size());
    const std::string request = R"({"args":["list","--titles"],"callerPID":1})"
                                "\n";
    for (int i = 0; i < 20; ++i) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(write(fd, request.data(), request.size()), ssize_t(request.size()));
        close(fd);  // gone before the reply is written
    }
    // Still alive and serving.
    EXPECT_TRUE(eventually([&] {
        const auto listing = list();
        return listing && listing->columns.size() == 1;
    }));
    EXPECT_FALSE(brindlow_->waitForExit(0).has_value());
    EXPECT_FALSE(brindlow_->hasExited());
    quitAndExpectWindowsBack();
}

TEST_F(AppEndToEnd, GlobalShortcutsMoveTheFocusAsTheToolDoes) {
    // "focusLeft" set by hand to Ctrl+Alt+Y; "focusRightAlt" keeps its default Ctrl+Alt+L.
    std::filesystem::create_directories(data_.path() / "Brindlow");
    std::ofstream(data_.path() / "Brindlow" / "preferences.json")
        << R"({"KeyboardShortcuts_focusLeft" : "{\"carbonKeyCode\":16,\"carbonModifiers\":6144}"})";
    startXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    const auto activeTitle = [&] {
        const Xterm* xterm = xtermWithWindow(desktop().activeWindow().value_or(XCB_WINDOW_NONE));
        return xterm ? xterm->title : std::string();
    };
    const auto column = [&](int index) { return list()->columns[index - 1].titles.front(); };

    ASSERT_EQ(tool({"focus-first"}).status, 0);
    ASSERT_TRUE(eventually([&] { return list()->focused == 1 && activeTitle() == column(1); }));
    ASSERT_EQ(runProcess({"xdotool", "key", "ctrl+alt+l"}).status, 0);
    ASSERT_TRUE(eventually([&] { return list()->focused == 2 && activeTitle() == column(2); }))
        << "Ctrl+Alt+L did not focus the second column";
    ASSERT_EQ(tool({"focus-right"}).status, 0);
    ASSERT_TRUE(eventually([&] { return list()->focused == 3 && activeTitle() == column(3); }));
    ASSERT_EQ(runProcess({"xdotool", "key", "ctrl+alt+y"}).status, 0);
    ASSERT_TRUE(eventually([&] { return list()->focused == 2 && activeTitle() == column(2); }))
        << "Ctrl+Alt+Y did not focus the second column";

    quitAndExpectWindowsBack();
    // The window manager holds Ctrl+Alt+Right: said once, on standard output and in the log.
    std::ifstream log(logFile());
    const std::string line = "Error registering hotkey Ctrl+Alt+→: -9878";
    int printed = 0;
    int logged = 0;
    for (std::string each; std::getline(log, each);) {
        printed += each == line;
        logged += each.ends_with("error com.vemto.brindlow:AppDelegate " + line);
        EXPECT_EQ(each.find("Ctrl+Alt+Y: -"), std::string::npos) << each;
    }
    EXPECT_EQ(printed, 1);
    EXPECT_EQ(logged, 1);
}

TEST_F(AppEndToEnd, ToolSaysWhenNothingRuns) {
    const ProcessRun run = tool({"focus-left"});
    EXPECT_EQ(run.status, 69);
    EXPECT_EQ(run.err, "brindlow: Brindlow is not running (nothing listens on " +
                           (data_.path() / "Brindlow" / "brindlow.sock").string() + ").\n");
}

// MARK: Pointer and scroll input

void writeSettings(const std::filesystem::path& data, const std::string& json) {
    std::filesystem::create_directories(data / "Brindlow");
    std::ofstream(data / "Brindlow" / "settings.json") << json;
}

void xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_EQ(runProcess(argv).status, 0);
}

class PointerInput : public AppEndToEnd, public ::testing::WithParamInterface<bool> {
  protected:
    // A column other than the focused one whose window is wholly on screen.
    const Xterm* visibleUnfocused() {
        const auto focused = focusedTitle();
        for (const Xterm& xterm : xterms_) {
            const Rect frame = frameOf(xterm.window).value_or(Rect{});
            if (xterm.title != focused && frame.x >= 0 && frame.maxX() <= 1920) return &xterm;
        }
        return nullptr;
    }
};

TEST_P(PointerInput, FocusFollowsTheMouseOnlyWhenSwitchedOn) {
    const bool followMouse = GetParam();
    writeSettings(data_.path(), followMouse ? R"({"focusFollowsMouse": true})"
                                            : R"({"focusFollowsMouse": false})");
    startXterms(3);
    startBrindlow();
    settledFrames();
    const auto before = focusedTitle();
    ASSERT_TRUE(before);
    const Xterm* target = visibleUnfocused();
    ASSERT_TRUE(target);
    const Rect frame = *frameOf(target->window);
    // The warp of an absolute move is no device motion; the relative step after it is.
    xdotool({"mousemove", std::to_string(int(frame.midX()) - 5), std::to_string(int(frame.midY())),
             "mousemove_relative", "5", "0"});
    if (followMouse) {
        EXPECT_TRUE(eventually([&] { return focusedTitle() == target->title; }));
    } else {
        // Nothing to wait for but time: four times the rest delay.
        EXPECT_FALSE(eventually([&] { return focusedTitle() != before; }, 0.6));
    }
    quitAndExpectWindowsBack();
}

INSTANTIATE_TEST_SUITE_P(Setting, PointerInput, ::testing::Bool());

// openbox moves the frame while the title bar is dragged and tells the client
// nothing until the button is released: the frame's own events must be followed.
class TitleBarDrag : public AppEndToEnd {
  protected:
    // Drags the window by its title bar 1,100 points to the right and drops it.
    void dragRight(xcb_window_t window) {
        const Rect start = *frameOf(window);
        ASSERT_GT(start.x, 0);
        const int titleBar = int(start.y) + desktop().read(window)->extents.top / 2;
        xdotool({"mousemove", std::to_string(int(start.x) + 60), std::to_string(titleBar),
                 "mousedown", "1"});
        const auto pressed = std::chrono::steady_clock::now();
        for (int step = 0; step < 11; ++step) xdotool({"mousemove_relative", "--", "100", "0"});
        ASSERT_TRUE(eventually([&] { return frameOf(window)->x >= start.x + 1000; }))
            << "openbox did not move the frame from " << start.x << "," << start.y << " "
            << start.width << "x" << start.height << " (now " << frameOf(window)->x << ","
            << frameOf(window)->y << ")";
        // A hand's drag lasts: moves within moments of Brindlow's own layout are
        // taken for its echo. Small steps, each seen by the server, while the
        // button stays down.
        for (int step = 1; std::chrono::steady_clock::now() - pressed < std::chrono::seconds(1);
             ++step) {
            xdotool({"mousemove_relative", "--", "1", "0"});
            eventually([&] { return frameOf(window)->x >= start.x + 1100 + step; }, 1);
        }
        xdotool({"mouseup", "1"});
    }
};

TEST_F(TitleBarDrag, AcrossItsNeighbourReordersTheColumns) {
    startXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    settledFrames();
    const std::vector<std::string> order = columnOrder();
    ASSERT_EQ(order.size(), 3u);
    const xcb_window_t dragged = xtermTitled(order[0])->window;
    dragRight(dragged);
    ASSERT_FALSE(HasFatalFailure());

    EXPECT_TRUE(eventually([&] {
        return columnOrder() == std::vector<std::string>{order[1], order[0], order[2]};
    })) << "the drop did not reorder the columns";
    // Laid out again: the dragged window sits right of its old neighbour.
    const xcb_window_t neighbour = xtermTitled(order[1])->window;
    EXPECT_TRUE(eventually([&] {
        const auto frames = settledFrames();
        return frames.at(neighbour).maxX() < frames.at(dragged).x;
    })) << "dragged at "
        << frameOf(dragged)->x << ", its neighbour at " << frameOf(neighbour)->x;
    quitAndExpectWindowsBack();
}

TEST_F(TitleBarDrag, OutOfAStackMakesAColumnOfItsOwn) {
    startXterms(3);
    ASSERT_FALSE(HasFatalFailure());
    startBrindlow();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    const std::vector<std::string> order = columnOrder();
    ASSERT_EQ(order.size(), 3u);
    ASSERT_EQ(tool({"focus-right"}).status, 0);
    ASSERT_EQ(tool({"stack-left"}).status, 0);
    ASSERT_TRUE(eventually([&] {
        const auto listing = list();
        return listing && listing->columns.size() == 2 &&
               listing->columns[0].titles == std::vector<std::string>{order[0], order[1]};
    })) << "stack-left did not stack the first two";
    // The stack is laid out: both windows share the first column's left edge.
    ASSERT_TRUE(eventually([&] {
        const auto frames = settledFrames();
        return frames.at(xtermTitled(order[0])->window).x ==
               frames.at(xtermTitled(order[1])->window).x;
    }));

    dragRight(xtermTitled(order[1])->window);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(eventually([&] {
        const auto listing = list();
        if (!listing || listing->columns.size() != 3) return false;
        return listing->columns[0].titles == std::vector<std::string>{order[0]} &&
               listing->columns[1].titles == std::vector<std::string>{order[2]} &&
               listing->columns[2].titles == std::vector<std::string>{order[1]};
    })) << "the drop did not take the window out of its stack";
    quitAndExpectWindowsBack();
}

// Two monitors side by side, 960 wide each: a window dropped on the right one
// joins that display's strip.
TEST_F(TitleBarDrag, OntoAnotherDisplayJoinsThatDisplaysStrip) {
    const int width = connection().screen()->width_in_pixels;
    const int height = connection().screen()->height_in_pixels;
    ASSERT_EQ(width, 1920);
    const std::string half = std::to_string(width / 2) + "x" + std::to_string(height);
    TestClientProcess monitors({"--monitors", half + "+0+0," + half + "+960+0"});
    ASSERT_TRUE(monitors.ready());
    // New windows open where the pointer is: on the left monitor.
    xdotool({"mousemove", "400", "500"});
    startXterms(2);
    ASSERT_FALSE(HasFatalFailure());
    brindlow_ = std::make_unique<ChildProcess>(std::vector<std::string>{BRINDLOW_EXECUTABLE_PATH},
                                               environment_, logFile());
    ASSERT_TRUE(brindlow_->started());
    // The display (index in the listing) whose strip holds the xterm titled so.
    const auto displayOf = [&](const std::string& title) -> std::optional<size_t> {
        const ProcessRun run = tool({"list", "--titles"});
        const auto json = nlohmann::json::parse(run.out, nullptr, false);
        if (run.status != 0 || json.is_discarded()) return std::nullopt;
        for (size_t d = 0; d < json.at("displays").size(); ++d)
            for (const auto& column : json.at("displays")[d].at("columns"))
                for (const auto& window : column.at("windows"))
                    if (window.value("title", "") == title) return d;
        return std::nullopt;
    };
    ASSERT_TRUE(eventually([&] {
        return displayOf(xterms_[0].title) && displayOf(xterms_[1].title);
    })) << "Brindlow did not list both xterms";
    settledFrames();
    // The xterm tiled wholly on the left monitor goes right.
    const Xterm* dragged = nullptr;
    for (const Xterm& xterm : xterms_) {
        const Rect frame = *frameOf(xterm.window);
        if (frame.x > 0 && frame.maxX() <= 960) dragged = &xterm;
    }
    ASSERT_TRUE(dragged) << "no xterm was tiled on the left monitor";
    const std::optional<size_t> home = displayOf(dragged->title);
    ASSERT_TRUE(home);

    dragRight(dragged->window);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(eventually([&] {
        const auto now = displayOf(dragged->title);
        return now && *now != *home;
    })) << "the drop did not move the window to the other display's strip";
    // Laid out on the right monitor's strip.
    EXPECT_TRUE(eventually([&] {
        const Rect frame = settledFrames().at(dragged->window);
        return frame.x >= 960 && frame.maxX() <= 1920;
    })) << "the window stands at "
        << frameOf(dragged->window)->x;
    quitAndExpectWindowsBack();
    monitors.command("quit");
}

TEST_F(AppEndToEnd, ControlAltScrollClicksScrollTheStrip) {
    writeSettings(data_.path(), R"({"twoFingerScroll": "withKeys"})");
    startXterms(3);
    startBrindlow();
    const auto before = settledFrames();
    xdotool({"mousemove", "960", "540", "keydown", "ctrl+alt", "click", "--repeat", "20", "--delay",
             "10", "7", "keyup", "ctrl+alt"});
    EXPECT_TRUE(eventually([&] {
        std::ifstream log(logFile());
        std::stringstream text;
        text << log.rdbuf();
        return text.str().find("Swipe settled on column") != std::string::npos;
    }));
    EXPECT_NE(settledFrames(), before);
    quitAndExpectWindowsBack();
}

}  // namespace
}  // namespace brindlow::test
