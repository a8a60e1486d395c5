#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "controller/StripController.h"
#include "platform/Log.h"
#include "platform/ManualExecutor.h"
#include "platform/sim/ManualDisplayLink.h"
#include "platform/sim/SimDesktop.h"
#include "settings/JSONFiles.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

namespace brindlow::test {

// The sim desktop's platform, the given queue and folder, manual display links (the last one made
// is put in `link`) and jobs run one after another.
inline StripControllerEnvironment simEnvironment(SimDesktop& desktop,
                                                 std::shared_ptr<ManualExecutor> queue,
                                                 const std::filesystem::path& folder,
                                                 ManualDisplayLink*& link) {
    StripControllerEnvironment environment;
    environment.platform = desktop.platform();
    environment.stripQueue = std::move(queue);
    environment.makeDisplayLink = [&link]() -> std::unique_ptr<DisplayLink> {
        auto made = std::make_unique<ManualDisplayLink>();
        link = made.get();
        return made;
    };
    environment.storageFolder = folder;
    environment.concurrentPerform = [](size_t count, const std::function<void(size_t)>& job) {
        for (size_t index = 0; index < count; ++index) job(index);
    };
    return environment;
}

// Display frames every 1/60 s until the display clock stops (at most `limit` frames); how many.
inline int runDisplayFrames(VirtualTime& time, ManualDisplayLink* link, int limit = 600) {
    int frames = 0;
    for (; link && link->isRunning() && frames < limit; ++frames) {
        time.advance(1.0 / 60.0);
        link->tick(time.now());
        time.runUntilIdle();
    }
    return frames;
}

// A strip controller on the sim desktop, everything in one virtual time. Two displays side by
// side unless a test adds its own.
class ControllerScenario : public QuietLogTest {
  protected:
    static constexpr Rect kLeft{0, 0, 1920, 1080};
    static constexpr Rect kRight{1920, 0, 1920, 1080};

    VirtualTime time;
    SimDesktop desktop{time};
    TempFolder folder;
    std::shared_ptr<ManualExecutor> stripQueue =
        std::make_shared<ManualExecutor>(time, StripController::kQueueLabel);
    ManualDisplayLink* link = nullptr;
    std::unique_ptr<StripController> controller;
    std::vector<StripSnapshot> snapshots;
    std::vector<std::vector<FocusFrame>> focusFrames;
    std::vector<ToastMessage> messages;
    // Everything the callbacks received, in arrival order: 's' snapshot, 'f' focus frames.
    std::string arrivals;
    std::uint32_t left = 0;
    std::uint32_t right = 0;
    StripSnapshot latest_;

    void addTwoDisplays() {
        left = desktop.addDisplay({.name = "Left", .frame = kLeft, .uuid = "LEFT"});
        right = desktop.addDisplay({.name = "Right", .frame = kRight, .uuid = "RIGHT"});
    }

    StripControllerEnvironment environment() {
        return simEnvironment(desktop, stripQueue, folder.path(), link);
    }

    // Learned minimum heights by bundle identifier, as a controller made afterwards reads them.
    void writeLearnedHeights(const std::map<std::string, double>& heights) {
        nlohmann::json table = nlohmann::json::object();
        for (const auto& [app, height] : heights) table[app] = height;
        writeJSONValue(table, folder.path() / "minimum-heights.json");
    }

    // A saved column of these windows (bundle identifier, title), rows of equal weight, half the
    // width.
    static ColumnDescriptor savedColumn(std::vector<WindowDescriptor> windows) {
        ColumnDescriptor column;
        column.weights.assign(windows.size(), 1.0);
        column.windows = std::move(windows);
        column.widthFraction = 0.5;
        return column;
    }

    // The session the next start restores: these columns on the left display.
    void writeSession(std::vector<ColumnDescriptor> columns) {
        SessionSnapshot session;
        session.displays = {DisplayDescriptor{"LEFT", "Left", std::move(columns), 0}};
        writeJSON(session, folder.path() / "session.json");
    }

    void makeController() {
        controller = std::make_unique<StripController>(environment());
        controller->onSnapshot = [this](const StripSnapshot& snapshot) {
            snapshots.push_back(snapshot);
            latest_ = snapshot;
            arrivals += 's';
        };
        controller->onFocusFrames = [this](const std::vector<FocusFrame>& frames) {
            focusFrames.push_back(frames);
            arrivals += 'f';
        };
        controller->onMessage = [this](const ToastMessage& message) {
            messages.push_back(message);
        };
    }

    void start(AppSettings settings = {}) {
        if (!controller) makeController();
        controller->start(settings);
        time.runUntilIdle();
    }

    void applySettings(const AppSettings& settings) {
        controller->updateSettings(settings);
        time.runUntilIdle();
    }

    // Display frames every 1/60 s until the display clock stops (at most `limit` frames).
    int animate(int limit = 600) { return runDisplayFrames(time, link, limit); }

    static AppSettings stillSettings() {
        AppSettings settings;
        settings.animationsEnabled = false;
        return settings;
    }

    void run(Command command) {
        controller->perform(command);
        time.runUntilIdle();
    }

    // The latest picture the controller published (kept when a test clears `snapshots`).
    const StripSnapshot& latest() const { return latest_; }
    // A display of the latest picture; an empty one when the display has no strip.
    const DisplaySnapshot& display(const std::string& uuid = "LEFT") const {
        static const DisplaySnapshot none;
        for (const DisplaySnapshot& shown : latest_.displays)
            if (shown.id == uuid) return shown;
        return none;
    }
    bool hasStrip(const std::string& uuid) const { return !display(uuid).id.empty(); }
    std::optional<std::string> activeDisplay() const {
        for (const DisplaySnapshot& shown : latest_.displays)
            if (shown.isActive) return shown.id;
        return std::nullopt;
    }
    // The focused column's active window.
    std::optional<WindowID> focusedWindow(const std::string& uuid = "LEFT") const {
        const DisplaySnapshot& shown = display(uuid);
        if (!shown.focusedIndex || size_t(*shown.focusedIndex) >= shown.columns.size()) return {};
        return shown.columns[size_t(*shown.focusedIndex)].activeWindowID;
    }
    // Window ids column by column.
    std::vector<std::vector<WindowID>> columns(const std::string& uuid = "LEFT") const {
        std::vector<std::vector<WindowID>> result;
        for (const ColumnSnapshot& column : display(uuid).columns) {
            result.emplace_back();
            for (const WindowSnapshot& window : column.windows) result.back().push_back(window.id);
        }
        return result;
    }
    std::vector<WindowID> stripWindows(const std::string& uuid) const {
        std::vector<WindowID> ids;
        for (const auto& column : columns(uuid))
            ids.insert(ids.end(), column.begin(), column.end());
        return ids;
    }
    // Tiled on some display.
    bool managed(WindowID id) const {
        for (const WindowSnapshot& window : latest_.allWindows())
            if (window.id == id) return true;
        return false;
    }
    const WindowSnapshot& shownWindow(WindowID id) const {
        for (const DisplaySnapshot& shown : latest_.displays)
            for (const ColumnSnapshot& column : shown.columns)
                for (const WindowSnapshot& window : column.windows)
                    if (window.id == id) return window;
        throw std::runtime_error("window not in the latest snapshot");
    }

    // The frame the last layout gave the window.
    Rect placed(WindowID window) const { return shownWindow(window).frame; }

    std::set<WindowID> badged() const {
        std::set<WindowID> ids;
        for (const WindowSnapshot& window : latest_.allWindows())
            if (window.hasBadge) ids.insert(window.id);
        return ids;
    }
    // A command finished in a shell whose parent is the window's application, in a folder named
    // like the window's title: the window gets a badge (unless the user is looking at it).
    void giveBadge(WindowID id) {
        static constexpr std::int32_t kShell = 8888;
        const SimWindow window = desktop.window(id);
        desktop.setProcess(kShell, window.pid(), "zsh");
        controller->badge({kShell, "/home/me/" + window.title().value_or(""), "make", 0});
        time.runUntilIdle();
        EXPECT_TRUE(badged().contains(id)) << "no badge for window " << id;
    }

    static std::vector<std::string> logLines(const std::string& containing) {
        std::vector<std::string> lines;
        for (const LogRecord& record : LogSink::recent())
            if (record.message.find(containing) != std::string::npos)
                lines.push_back(record.message);
        return lines;
    }

    static bool inside(const Rect& frame, const Rect& area) {
        return frame.minX() >= area.minX() - 0.5 && frame.maxX() <= area.maxX() + 0.5 &&
               frame.minY() >= area.minY() - 0.5 && frame.maxY() <= area.maxY() + 0.5;
    }
};

// Two displays and five windows of one frontmost application, the first one focused; the
// controller is not started yet.
class FiveWindowScenario : public ControllerScenario {
  protected:
    SimApp editor;
    std::vector<SimWindow> windows;

    void SetUp() override {
        ControllerScenario::SetUp();
        addTwoDisplays();
        editor = desktop.launchApp(
            {.name = "Editor", .bundleID = "org.example.editor", .activate = true});
        for (int i = 0; i < 5; ++i)
            windows.push_back(desktop.openWindow(
                editor,
                {.title = "w" + std::to_string(i), .frame = {100.0 + 30 * i, 100, 900, 600}}));
        windows[0].focus();
        time.runUntilIdle();
    }

    // The pointer rests at `pointer` as the strip starts on w0; a jump to the third column starts
    // the scroll to w2, none of its frames run yet.
    void startAndJumpToW2(Point pointer) {
        desktop.setPointerLocation(pointer);
        start(AppSettings{});
        run(Command::jumpTo(3));
    }

    // The same, with the scroll landed and w2 focused. Call through ASSERT_NO_FATAL_FAILURE.
    void jumpToW2AndLand(Point pointer) {
        startAndJumpToW2(pointer);
        animate();
        ASSERT_TRUE(windows[2].isFocused());
    }

    // Runs the scroll a frame at a time until w1 stands under `pointer`, `eachFrame` before every
    // frame. Call through ASSERT_NO_FATAL_FAILURE.
    void scrollUntilW1Under(Point pointer, const std::function<void()>& eachFrame = nullptr) {
        for (int frame = 0; frame < 60 && !windows[1].frame().contains(pointer); ++frame) {
            if (eachFrame) eachFrame();
            ASSERT_GT(animate(1), 0) << "the scroll ended before w1 reached the pointer";
        }
        ASSERT_TRUE(windows[1].frame().contains(pointer));
    }
};

}  // namespace brindlow::test
