#pragma once

// The real executable on the session's display, its data in a temporary folder, beside xterms the
// test starts; the command-line tool and the listing to drive and read it.
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/TempFolder.h"
#include "x11/e2e/AppProcess.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {

struct Xterm {
    std::string title;
    std::unique_ptr<ChildProcess> process;
    xcb_window_t window = XCB_WINDOW_NONE;
    Rect original;  // where the window manager put it
};

class AppOnDisplay : public X11Fixture {
  protected:
    // Holds the tray selection, as a tray host does, for as long as the test's connection lives:
    // Brindlow finds a tray and opens no settings window over the test's windows.
    void SetUp() override {
        X11Fixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        xcb_connection_t* c = connection().xcb();
        const xcb_window_t owner = xcb_generate_id(c);
        xcb_create_window(c, 0, owner, connection().root(), -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const std::string tray = "_NET_SYSTEM_TRAY_S" + std::to_string(connection().screenNumber());
        xcb_set_selection_owner(c, owner, connection().atom(tray), XCB_CURRENT_TIME);
        connection().sync();
    }

    // Asks Brindlow to quit if it still runs, and prints its log when the test failed. The
    // pointer goes back where it stood before movePointer().
    void TearDown() override {
        if (brindlow_ && !brindlow_->hasExited()) {
            brindlow_->signal(SIGTERM);
            brindlow_->waitForExit(5.0);
        }
        if (HasFailure()) std::cerr << "---- brindlow log ----\n" << condensedLog() << "----\n";
        brindlow_.reset();
        xterms_.clear();
        if (pointerBeforeMove_)
            xdotool({"mousemove", std::to_string(int(pointerBeforeMove_->x)),
                     std::to_string(int(pointerBeforeMove_->y))});
    }

    std::filesystem::path logFile() const { return data_.path() / "brindlow.log"; }
    std::string logged() const {
        std::ifstream log(logFile());
        return std::string{std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()};
    }

    // Rests the pointer at `x`, `y`; where it stood before the test's first move is where it
    // goes back when the test ends.
    bool movePointer(int x, int y) {
        if (!pointerBeforeMove_ && platform_.pointer)
            if (const auto pointer = platform_.pointer()) pointerBeforeMove_ = pointer->location;
        return xdotool({"mousemove", std::to_string(x), std::to_string(y)});
    }

    // The log with each run of lines that differ only in their time stamp (the tests' listings)
    // told once, so that a failure's output keeps what happened around them.
    std::string condensedLog() const {
        std::ifstream log(logFile());
        std::string out, line, lastMessage;
        int repeats = 0;
        const auto flushRepeats = [&] {
            if (repeats > 0)
                out += "  (the line above " + std::to_string(repeats) + " more times)\n";
            repeats = 0;
        };
        constexpr size_t kStampLength = 24;  // "2026-12-08 09:45:52.599 "
        while (std::getline(log, line)) {
            const std::string message =
                line.size() > kStampLength ? line.substr(kStampLength) : line;
            if (message == lastMessage) {
                ++repeats;
                continue;
            }
            flushRepeats();
            lastMessage = message;
            out += line + '\n';
        }
        flushRepeats();
        return out;
    }
    std::filesystem::path stored(const std::string& name) const {
        return data_.path() / "Brindlow" / name;
    }
    std::map<std::string, std::string> environment() const {
        // BRINDLOW_APP_LOG=debug shows every window event the app heard in a failure's log.
        const char* level = std::getenv("BRINDLOW_APP_LOG");
        return {{"XDG_DATA_HOME", data_.path().string()}, {"BRINDLOW_LOG", level ? level : "info"}};
    }

    // The name of the first connected output.
    static std::string firstOutput() {
        std::istringstream lines(runProcess({"xrandr"}).out);
        for (std::string line; std::getline(lines, line);) {
            const size_t space = line.find(' ');
            if (space != std::string::npos && line.compare(space, 11, " connected ") == 0)
                return line.substr(0, space);
        }
        return {};
    }

    std::optional<Rect> frameOf(xcb_window_t window) {
        const auto snapshot = desktop().registry().read(window);
        if (!snapshot) return std::nullopt;
        return snapshot->outerFrame();
    }

    // Starts an xterm and waits until the window manager manages it and its frame stays the same
    // over two round trips; that frame is its original. `options` go before the command.
    const Xterm& startXterm(const std::string& title,
                            const std::vector<std::string>& options = {}) {
        Xterm& xterm = xterms_.emplace_back();
        xterm.title = title;
        std::vector<std::string> argv{"xterm", "-title", title, "-xrm",
                                      "XTerm*allowTitleOps: false"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.insert(argv.end(), {"-e", "sleep", "600"});
        xterm.process = std::make_unique<ChildProcess>(argv);
        EXPECT_TRUE(settle([&] {
            for (xcb_window_t window : desktop().registry().windowsOf(xterm.process->pid())) {
                const auto snapshot = desktop().registry().read(window);
                if (snapshot && snapshot->mapped && snapshot->title == title &&
                    (snapshot->extents.top > 0 || snapshot->extents.left > 0))
                    xterm.window = window;
            }
            return xterm.window != XCB_WINDOW_NONE;
        })) << "xterm "
            << title << " was not managed";
        if (xterm.window != XCB_WINDOW_NONE) xterm.original = settledFrames().at(xterm.window);
        return xterm;
    }

    void startXterms(int count) {
        for (int i = 1; i <= count; ++i) startXterm("e2e-xterm-" + std::to_string(i));
    }

    const Xterm* xtermTitled(const std::string& title) const {
        for (const Xterm& xterm : xterms_)
            if (xterm.title == title) return &xterm;
        return nullptr;
    }

    std::map<xcb_window_t, Rect> currentFrames() {
        std::map<xcb_window_t, Rect> frames;
        for (const Xterm& xterm : xterms_)
            if (xterm.window != XCB_WINDOW_NONE)
                frames[xterm.window] = frameOf(xterm.window).value_or(Rect{});
        return frames;
    }

    // The xterms' frames once they stopped changing over two round trips in a row.
    std::map<xcb_window_t, Rect> settledFrames() {
        std::map<xcb_window_t, Rect> last = currentFrames();
        settle([&] {
            const auto now = currentFrames();
            const bool same = now == last;
            last = now;
            return same;
        });
        return last;
    }

    ProcessRun tool(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {BRINDLOW_EXECUTABLE_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProcess(argv, environment());
    }

    // `brindlow list --titles` as JSON; none while nothing answers.
    std::optional<nlohmann::json> listing() {
        const ProcessRun run = tool({"list", "--titles"});
        auto json = nlohmann::json::parse(run.out, nullptr, false);
        if (run.status != 0 || json.is_discarded()) return std::nullopt;
        return json;
    }

    // The active display's columns as listed, left to right, and which of them is focused
    // (counted from 1; 0 for none).
    struct ListedColumns {
        std::vector<nlohmann::json> columns;
        int focused = 0;
    };
    ListedColumns activeColumns() {
        ListedColumns result;
        const auto json = listing();
        if (!json) return result;
        for (const auto& display : json->at("displays")) {
            if (!display.value("active", false)) continue;
            result.focused = display.value("focused", 0);
            for (const auto& column : display.at("columns")) result.columns.push_back(column);
        }
        return result;
    }

    // `holds` holds over a run of `rounds` round trips to Brindlow, each a listing: long enough
    // for any request of Brindlow's still under way to have reached the window manager.
    bool keeps(const std::function<bool()>& holds, int rounds = 8) {
        int inARow = 0;
        return settle([&] {
            inARow = holds() && listing() ? inARow + 1 : 0;
            return inARow >= rounds;
        });
    }

    // Starts `count` xterms, then Brindlow with `settings`, until it lists them all.
    void startTiledXterms(int count, nlohmann::json settings = nlohmann::json::object()) {
        startXterms(count);
        startBrindlow(std::move(settings));
    }

    // Writes the settings (the welcome window, which would take the focus, is done unless they
    // say otherwise), starts Brindlow and waits until it lists every xterm.
    void startBrindlow(nlohmann::json settings = nlohmann::json::object()) {
        settings.emplace("firstRunDone", true);
        std::filesystem::create_directories(data_.path() / "Brindlow");
        std::ofstream(stored("settings.json")) << settings.dump();
        brindlow_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{BRINDLOW_EXECUTABLE_PATH}, environment(), logFile());
        ASSERT_TRUE(settle([&] {
            const auto json = listing();
            if (!json) return false;
            const std::string text = json->dump();
            for (const Xterm& xterm : xterms_)
                if (text.find('"' + xterm.title + '"') == std::string::npos) return false;
            return true;
        })) << "Brindlow did not list "
            << xterms_.size() << " xterms";
    }

    TempFolder data_;
    std::vector<Xterm> xterms_;
    std::unique_ptr<ChildProcess> brindlow_;
    std::optional<Point> pointerBeforeMove_;
};

}  // namespace brindlow::test
