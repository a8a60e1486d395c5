// Thousands of random commands, window events, display changes, drags and gestures on the sim
// desktop, with the strip invariants checked after every step. The seed is printed on failure;
// BRINDLOW_RANDOM_SEED replays one, BRINDLOW_RANDOM_STEPS runs longer.
#include <cstdlib>
#include <random>
#include <sstream>

#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

std::uint64_t envNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    return std::strtoull(text, nullptr, 10);
}

class RandomizedController : public ControllerScenario {
  protected:
    std::mt19937_64 random;
    std::vector<SimApp> apps;
    bool rightConnected = true;
    AppSettings current;

    int pick(int count) { return int(std::uniform_int_distribution<int>(0, count - 1)(random)); }
    double between(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    }
    bool chance(double p) { return between(0, 1) < p; }

    std::vector<SimWindow> liveWindows() {
        std::vector<SimWindow> result;
        for (const SimApp& app : apps)
            if (app.isRunning())
                for (const SimWindow& window : app.windows())
                    if (window.exists()) result.push_back(window);
        return result;
    }

    Rect randomFrame() {
        const double x = between(-200, rightConnected ? 3600 : 1700);
        return Rect(std::round(x), std::round(between(0, 700)), std::round(between(200, 1400)),
                    std::round(between(150, 900)));
    }

    void openWindow() {
        const SimApp& app = apps[size_t(pick(int(apps.size())))];
        if (!app.isRunning()) return;
        desktop.openWindow(app, {.title = "t" + std::to_string(pick(1000)),
                                 .frame = randomFrame(),
                                 .focus = chance(0.5)});
        time.advance(0.2);
    }

    // One random step; `what` says which, for the failure message.
    void step(std::string& what) {
        std::vector<SimWindow> windows = liveWindows();
        const auto anyWindow = [&]() -> std::optional<SimWindow> {
            if (windows.empty()) return std::nullopt;
            return windows[size_t(pick(int(windows.size())))];
        };
        switch (pick(20)) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
            case 5: {
                // Half the commands build and shape stacks, which the others mostly take apart.
                static const std::vector<Command::Kind> stacking = {
                    Command::Kind::stackLeft, Command::Kind::stackRight,
                    Command::Kind::growStack, Command::Kind::toggleTabbed,
                    Command::Kind::taller,    Command::Kind::focusUp,
                    Command::Kind::moveDown};
                const auto& kinds = Command::allKinds();
                const Command::Kind kind = chance(0.5)
                                               ? stacking[size_t(pick(int(stacking.size())))]
                                               : kinds[size_t(pick(int(kinds.size())))];
                const Command command =
                    kind == Command::Kind::jump ? Command::jumpTo(1 + pick(8)) : Command(kind);
                what = "command " + command.text();
                controller->perform(command);
                break;
            }
            case 6:
                what = "open window";
                openWindow();
                break;
            case 7:
                if (auto window = anyWindow(); window && windows.size() > 3) {
                    what = "close window";
                    window->close();
                }
                break;
            case 8:
                if (auto window = anyWindow()) {
                    what = "minimize or restore";
                    window->minimize(!window->isMinimized());
                }
                break;
            case 9:
                if (auto window = anyWindow()) {
                    what = "drag";
                    time.advance(0.7);
                    desktop.setLeftMouseButtonDown(true);
                    window->setFrame(chance(0.5) ? randomFrame()
                                                 : window->frame().offsetBy(between(-900, 900),
                                                                            between(-50, 50)));
                    time.advance(between(0.1, 0.6));
                    desktop.setLeftMouseButtonDown(false);
                    time.advance(0.3);
                }
                break;
            case 10:
                if (auto window = anyWindow()) {
                    what = "application moves its window";
                    window->setFrame(randomFrame());
                }
                break;
            case 11: {
                what = "swipe";
                controller->gestureBegan(Point{between(0, 3800), between(0, 1000)});
                for (int i = 0, n = pick(4); i < n; ++i)
                    controller->gestureChanged(between(-2000, 2000), GestureUnit::points);
                if (chance(0.1)) controller->perform(Command::Kind::togglePause);
                if (chance(0.9))
                    controller->gestureEnded(
                        between(-4000, 4000),
                        chance(0.5) ? GestureUnit::points : GestureUnit::trackpadWidth);
                break;
            }
            case 12:
                what = "display change";
                if (rightConnected) {
                    desktop.removeDisplay(right);
                } else {
                    right = desktop.addDisplay({.name = "Right", .frame = kRight, .uuid = "RIGHT"});
                }
                rightConnected = !rightConnected;
                controller->screensMayHaveChanged();
                break;
            case 13:
                what = "settings";
                current.animationsEnabled = chance(0.5);
                current.disabledDisplays =
                    chance(0.2) ? std::vector<std::string>{"RIGHT"} : std::vector<std::string>{};
                current.centerMode = CenterMode(pick(3));
                current.focusCrossesDisplays = chance(0.8);
                current.gap = double(pick(3) * 8);
                controller->updateSettings(current);
                break;
            case 14:
                if (auto window = anyWindow()) {
                    what = "jump";
                    controller->jump(window->id());
                }
                break;
            case 15:
                what = "reorder";
                controller->reorderColumn(chance(0.5) ? "LEFT" : "RIGHT", pick(6) - 1, pick(8) - 1);
                break;
            case 16:
                what = "focus at a point";
                controller->focusWindow(Point{between(0, 3800), between(0, 1000)});
                break;
            case 17:
                if (auto window = anyWindow()) {
                    what = "user focuses a window";
                    desktop.app(window->pid()).activate();
                    window->focus();
                }
                break;
            case 18:
                what = "restore the captured arrangement";
                controller->captureSnapshot([this](SessionSnapshot snapshot) {
                    controller->restoreLayout(std::move(snapshot), nullptr);
                });
                break;
            default:
                what = "time passes";
                time.advance(between(0, 3));
                break;
        }
        time.runUntilIdle();
        // Pauses stay short, so most steps act on a running controller.
        if (state().paused && chance(0.3)) controller->perform(Command::Kind::togglePause);
        time.runUntilIdle();
        animate(120);
    }

    // The invariants of every strip and of the controller's tables.
    std::string violations() const {
        std::ostringstream out;
        const StripController::State& s = state();
        std::set<std::string> ordered(s.displayOrder.begin(), s.displayOrder.end());
        std::set<std::string> keys;
        for (const auto& [uuid, display] : s.displays) keys.insert(uuid);
        if (ordered != keys || ordered.size() != s.displayOrder.size())
            out << "display order does not list the displays; ";
        if (!s.displayOrder.empty() && (!s.activeUUID || !s.displays.contains(*s.activeUUID)))
            out << "active display not in use; ";
        std::map<WindowID, int> seen;
        for (const auto& [uuid, display] : s.displays) {
            const Strip& strip = display.strip;
            if (strip.columns.empty() != !strip.focusedIndex)
                out << uuid << ": focus without columns or columns without focus; ";
            if (strip.focusedIndex &&
                (*strip.focusedIndex < 0 || size_t(*strip.focusedIndex) >= strip.columns.size()))
                out << uuid << ": focused index out of range; ";
            const int left = strip.leftPinnedCount();
            const int rightCount = strip.rightPinnedCount();
            for (size_t c = 0; c < strip.columns.size(); ++c) {
                const Column& column = strip.columns[c];
                if (column.windows.empty() || column.windows.size() > 3)
                    out << uuid << ": column " << c << " holds " << column.windows.size() << "; ";
                if (column.weights.size() != column.windows.size())
                    out << uuid << ": weights out of step; ";
                if (column.activeIndex < 0 || size_t(column.activeIndex) >= column.windows.size())
                    out << uuid << ": active row out of range; ";
                if (!std::isfinite(column.widthFraction) || column.widthFraction <= 0)
                    out << uuid << ": width " << column.widthFraction << "; ";
                const bool inLeft = int(c) < left;
                const bool inRight = int(c) >= int(strip.columns.size()) - rightCount;
                if (column.pin == Pin::left && !inLeft) out << uuid << ": stray left pin; ";
                if (column.pin == Pin::right && !inRight) out << uuid << ": stray right pin; ";
                for (const WindowID id : column.windows) {
                    ++seen[id];
                    if (!s.windows.contains(id)) out << uuid << ": unmanaged window in strip; ";
                }
            }
        }
        for (const auto& [id, count] : seen)
            if (count != 1) out << "window in " << count << " columns; ";
        if (!s.displayOrder.empty())
            for (const auto& [id, window] : s.windows)
                if (!seen.contains(id)) out << "managed window in no column; ";
        return out.str();
    }
};

TEST_F(RandomizedController, StripInvariantsHoldAfterEveryStep) {
    const std::uint64_t seed = envNumber("BRINDLOW_RANDOM_SEED", std::random_device{}());
    const std::uint64_t steps = envNumber("BRINDLOW_RANDOM_STEPS", 2500);
    random.seed(seed);
    SCOPED_TRACE("seed " + std::to_string(seed) + " (BRINDLOW_RANDOM_SEED replays it)");

    addTwoDisplays();
    apps.push_back(
        desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor", .activate = true}));
    apps.push_back(desktop.launchApp({.name = "Term", .bundleID = "org.example.term"}));
    apps.push_back(desktop.launchApp({.name = "Plain"}));
    for (int i = 0; i < 6; ++i) openWindow();
    current.animationsEnabled = false;
    start(current);

    for (std::uint64_t i = 0; i < steps; ++i) {
        std::string what = "nothing";
        step(what);
        const std::string problems = violations();
        ASSERT_TRUE(problems.empty()) << "step " << i << " (" << what << "): " << problems;
    }
}

}  // namespace
}  // namespace brindlow::test
