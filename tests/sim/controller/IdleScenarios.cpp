#include <optional>
#include <string>

#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

// A desktop at rest: the controller's timers still tick, the strip queue sleeps unless a tick
// has something to do.
class Idle : public ControllerScenario {
  protected:
    SimApp editor;
    SimApp tray;
    SimWindow fixed;
    double started = 0;

    struct WakeUps {
        size_t main = 0;
        size_t strip = 0;
    };

    void SetUp() override {
        ControllerScenario::SetUp();
        addTwoDisplays();
        editor = desktop.launchApp(
            {.name = "Editor", .bundleID = "org.example.editor", .activate = true});
        desktop.openWindow(editor, {.title = "one", .frame = {100, 100, 700, 500}, .focus = true});
        desktop.openWindow(editor, {.title = "two", .frame = {200, 100, 700, 500}});
        // Windows that are not tiled are judged again by every pass that runs.
        fixed = desktop.openWindow(editor, {.title = "fixed", .sizeSettable = false});
        tray = desktop.launchApp({.name = "trayer", .bundleID = "trayer"});
        desktop.openWindow(tray, {.title = "panel", .subrole = "AXUnknown"});
        time.runUntilIdle();
        started = time.now();
        start(stillSettings());
    }

    // Wake-ups of the main thread and of the strip queue from now until `until` seconds after
    // the start.
    WakeUps wakeUpsUntil(double until) {
        const size_t main = desktop.mainExecutor().wakeUps();
        const size_t strip = stripQueue->wakeUps();
        time.advance(started + until - time.now());
        return {desktop.mainExecutor().wakeUps() - main, stripQueue->wakeUps() - strip};
    }
};

// From 3.5 s to 15.5 s the display timer is due at 4, 6, 8, 10, 12 and 14 s and the catch-up at
// 6, 9, 12 and 15 s: eight wake-ups of the main thread (the two timers meet at 6 and 12 s), and
// none of the strip queue, since the pass at 3 s found nothing to do and nothing changed since.
TEST_F(Idle, OnlyTheTimersWakeTheMainThreadAndTheStripQueueSleeps) {
    time.advance(started + 3.5 - time.now());
    const WakeUps idle = wakeUpsUntil(15.5);
    EXPECT_EQ(idle.main, 8u);
    EXPECT_EQ(idle.strip, 0u);
}

enum class Change { nothing, windowOpenedWithoutTelling, untiledWindowBecameResizable, command };

struct ChangeCase {
    std::string name;
    Change change = Change::nothing;
    bool passRuns = false;
};

class IdleChange : public Idle, public testing::WithParamInterface<ChangeCase> {
  protected:
    // Makes the change; a window the next pass should tile, if any.
    std::optional<WindowID> make(Change change) {
        switch (change) {
            case Change::nothing:
                return std::nullopt;
            case Change::windowOpenedWithoutTelling:
                return desktop
                    .openWindow(editor,
                                {.title = "quiet", .frame = {300, 100, 700, 500}, .notify = false})
                    .id();
            case Change::untiledWindowBecameResizable:
                fixed.setSizeSettable(true);
                return fixed.id();
            case Change::command:
                run(Command::Kind::focusRight);
                return std::nullopt;
        }
        return std::nullopt;
    }
};

// Whatever happens 6.5 s after the start, the catch-up pass at 9 s runs when something changed
// and not otherwise.
TEST_P(IdleChange, TheNextPassRunsOnlyWhenSomethingChanged) {
    time.advance(started + 6.5 - time.now());
    const std::optional<WindowID> missed = make(GetParam().change);
    time.advance(started + 8.5 - time.now());
    const WakeUps tick = wakeUpsUntil(9.1);
    EXPECT_EQ(tick.strip > 0, GetParam().passRuns);
    if (missed) {
        EXPECT_TRUE(managed(*missed));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IdleChange,
    testing::Values(
        ChangeCase{"Nothing", Change::nothing, false},
        ChangeCase{"AWindowOpenedWithoutTelling", Change::windowOpenedWithoutTelling, true},
        // No event says so: only the platform's change count tells.
        ChangeCase{"AnUntiledWindowBecameResizable", Change::untiledWindowBecameResizable, true},
        ChangeCase{"ACommand", Change::command, true}),
    [](const testing::TestParamInfo<ChangeCase>& row) { return row.param.name; });

}  // namespace
}  // namespace brindlow::test
