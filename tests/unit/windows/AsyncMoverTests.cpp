#include <gtest/gtest.h>

#include <utility>

#include "support/sim/SimFixture.h"
#include "windows/AsyncMover.h"
#include "windows/AsyncRaiser.h"

namespace brindlow {
namespace {

using Writes = std::vector<std::string>;

struct AsyncMoverTest : ::testing::Test, test::SimFixture {
    WindowMover windowMover{desktop};
    std::map<std::string, std::shared_ptr<ManualExecutor>> queues;
    ExecutorFactory factory = [this](const std::string& label) -> std::shared_ptr<Executor> {
        auto queue = std::make_shared<ManualExecutor>(time, label);
        queues[label] = queue;
        return queue;
    };
    AsyncMover mover{windowMover, time.clock(), factory};
    SimApp app = desktop.launchApp({.name = "Editor"});
    SimWindow a = desktop.openWindow(app, {.title = "a", .frame = {0, 0, 800, 600}});
    SimWindow b = desktop.openWindow(app, {.title = "b", .frame = {800, 0, 800, 600}});

    ManagedWindow managed(const SimWindow& w, Rect frame) const {
        return ManagedWindow{w.id(), w.pid(),     std::nullopt, "Editor",    w.title().value_or(""),
                             frame,  w.element(), std::nullopt, std::nullopt};
    }
    ManagedWindow managed(const SimWindow& w) const { return managed(w, w.frame()); }
    size_t raises(WindowID id) const {
        size_t count = 0;
        for (const SimCall& call : desktop.calls()) {
            count += call.kind == SimCall::Kind::action && call.window == id;
        }
        return count;
    }
};

TEST_F(AsyncMoverTest, OneQueuePerApplicationAndTheNewestTargetWins) {
    const SimApp other = desktop.launchApp({.name = "Other"});
    const SimWindow c = desktop.openWindow(other, {});
    mover.move(managed(a), {10, 0, 800, 600});
    mover.move(managed(a), {20, 0, 800, 600});
    mover.move(managed(c), {30, 0, 800, 600});
    EXPECT_TRUE(a.writes().empty());  // nothing runs on the caller's queue
    EXPECT_EQ(mover.queueCount(), 2u);
    EXPECT_TRUE(queues.count(AsyncMover::queueLabel(app.pid())));
    EXPECT_EQ(AsyncMover::queueLabel(42), "com.vemto.brindlow.move.42");
    time.runUntilIdle();
    EXPECT_EQ(a.writes(), (Writes{"AXPosition"}));
    EXPECT_EQ(a.frame(), Rect(20, 0, 800, 600));
    EXPECT_EQ(c.frame().x, 30);
    EXPECT_EQ(mover.sent(a.id()), a.frame());

    // The next target starts from what was sent, not from the stale record.
    mover.move(managed(a, {0, 0, 800, 600}), {20.5, 0, 800, 600});
    time.runUntilIdle();
    EXPECT_EQ(a.writes().size(), 1u);

    // What is kept as sent is the frame the window took: here clamped to what X can carry.
    mover.move(managed(a), {40000, 0, 800, 600});
    time.runUntilIdle();
    EXPECT_EQ(mover.sent(a.id()), Rect(32767, 0, 800, 600));
}

TEST_F(AsyncMoverTest, ARequestDuringADrainJoinsItsNextRound) {
    const std::string label = AsyncMover::queueLabel(app.pid());
    bool requested = false;
    size_t queuedDuringDrain = 99;
    a.onWrite([&](const SimWindow&, const std::string&) {
        if (requested) return;
        requested = true;
        mover.move(managed(b), {900, 0, 800, 600});
        queuedDuringDrain = queues[label]->pendingCount();
    });
    mover.move(managed(a), {10, 0, 800, 600});
    time.runUntilIdle();
    EXPECT_EQ(queuedDuringDrain, 0u);  // no second drain was scheduled
    EXPECT_EQ(b.frame().x, 900);
}

TEST_F(AsyncMoverTest, WithBatchWritesAFrameGoesOutTogetherAndOnlyTheNewestFollows) {
    desktop.setBatchWrites(true);
    const SimApp other = desktop.launchApp({.name = "Other"});
    const SimWindow c = desktop.openWindow(other, {.frame = {1600, 0, 800, 600}});
    mover.moveFrame({{managed(a), {10, 0, 800, 600}}, {managed(c), {1610, 0, 800, 600}}});
    // A second frame before the first went out is merged into it: one batch, newest targets.
    mover.moveFrame({{managed(a), {20, 0, 800, 600}}, {managed(c), {1620, 0, 800, 600}}});
    EXPECT_EQ(mover.queueCount(), 0u);  // no queue per application
    ASSERT_TRUE(queues.count("com.vemto.brindlow.move.frames"));
    EXPECT_EQ(queues["com.vemto.brindlow.move.frames"]->pendingCount(), 1u);

    // While that batch is on its way, two more frames come: only the newest follows it.
    int batches = 0;
    a.onWrite([&](const SimWindow&, const std::string&) {
        if (++batches > 1) return;
        mover.moveFrame({{managed(a), {30, 0, 800, 600}}});
        mover.moveFrame({{managed(a), {40, 0, 800, 600}}, {managed(b), {840, 0, 800, 600}}});
    });
    time.runUntilIdle();
    EXPECT_EQ(a.frame().x, 40);
    EXPECT_EQ(b.frame().x, 840);
    EXPECT_EQ(c.frame().x, 1620);
    EXPECT_EQ(a.writes(), (Writes{"AXPosition", "AXPosition"}));  // 20, then 40
    EXPECT_EQ(c.writes(), (Writes{"AXPosition"}));
    EXPECT_EQ(mover.sent(a.id()), Rect(40, 0, 800, 600));
    EXPECT_EQ(queues["com.vemto.brindlow.move.frames"]->pendingCount(), 0u);
}

TEST_F(AsyncMoverTest, WithBatchWritesTheBatchTimeIsEveryApplicationsLag) {
    desktop.setBatchWrites(true);
    const SimApp other = desktop.launchApp({.name = "Other"});
    const SimWindow c = desktop.openWindow(other, {.frame = {1600, 0, 800, 600}});
    // Two reads before, one write, two reads after: 50 ms, which the quick window waits too.
    a.setLatency(0.01);
    mover.moveFrame({{managed(a), {10, 0, 800, 600}}, {managed(c), {1610, 0, 800, 600}}});
    time.runUntilIdle();
    EXPECT_NEAR(mover.lag(app.pid()), 0.05, 1e-9);
    EXPECT_NEAR(mover.lag(other.pid()), 0.05, 1e-9);
    // An application that quit leaves no lag behind, though it had no queue of its own.
    mover.retire(other.pid());
    EXPECT_EQ(mover.lag(other.pid()), 0);
    // A slow batch with two windows of one application: one line for it.
    a.setLatency(0.04);
    mover.moveFrame({{managed(a), {30, 0, 800, 600}}, {managed(b), {830, 0, 800, 600}}});
    time.runUntilIdle();
    EXPECT_EQ(linesOf("AsyncMover").size(), 1u);
    // A window whose last move failed is written whole, on its own.
    a.failWrites("AXPosition", axerror::cannotComplete);
    mover.moveFrame({{managed(a), {20, 0, 800, 600}}});
    time.runUntilIdle();
    EXPECT_EQ(mover.sent(a.id()), std::nullopt);
    a.clearFailures();
    a.clearWrites();
    mover.moveFrame({{managed(a), {20, 0, 800, 600}}});
    time.runUntilIdle();
    EXPECT_EQ(a.writes(), (Writes{"AXSize", "AXPosition", "AXSize"}));
    EXPECT_EQ(a.frame().x, 20);
}

TEST_F(AsyncMoverTest, SlowMovesAreLoggedAndSmoothedPerKind) {
    a.setLatency(0.04);  // three writes: 120 ms is not slow
    mover.move(managed(a), {0, 0, 700, 600});
    time.runUntilIdle();
    EXPECT_TRUE(linesOf("AsyncMover").empty());
    EXPECT_NEAR(mover.resizeLag(app.pid()), 0.12, 1e-9);
    EXPECT_EQ(mover.lag(app.pid()), 0);

    a.setLatency(0.2 / 3);
    mover.move(managed(a), {0, 0, 600, 600});
    time.runUntilIdle();
    EXPECT_EQ(entriesOf("AsyncMover"), (Entries{{LogLevel::defaultLevel,
                                                 "Slow move 200 ms (Editor): x:0 y:0 700\u00D7600 "
                                                 "-> x:0 y:0 600\u00D7600, resized"}}));
    EXPECT_NEAR(mover.resizeLag(app.pid()), 0.144, 1e-9);  // 200 ms smoothed into 120 ms
    EXPECT_NEAR(mover.slowest().seconds, 0.2, 1e-9);
    EXPECT_EQ(mover.slowest().app, "Editor");

    a.setLatency(0.1);
    mover.move(managed(a), {50, 0, 600, 600});
    time.runUntilIdle();
    EXPECT_NEAR(mover.lag(app.pid()), 0.1, 1e-9);

    // An application that quit leaves no lag behind for the next one with its pid.
    mover.retire(app.pid());
    EXPECT_EQ(mover.lag(app.pid()), 0);
    EXPECT_EQ(mover.resizeLag(app.pid()), 0);
}

TEST_F(AsyncMoverTest, AFailedMoveIsWrittenAgainEvenWhenTheRecordAlreadyHoldsTheTarget) {
    // The controller records a handed-over target as the window's frame at
    // once; after a failed write that record says nothing about where the
    // window is, so the same target must still be written.
    std::vector<MoveResult> results;
    mover.setResultHandler(
        [&](const ManagedWindow&, const Rect&, const MoveResult& r) { results.push_back(r); });
    const Rect target{10, 0, 700, 600};
    a.failWrites("AXPosition", axerror::cannotComplete);
    mover.move(managed(a), target);
    time.runUntilIdle();
    EXPECT_EQ(a.frame(), Rect(0, 0, 700, 600));  // the size went through, the position not
    EXPECT_EQ(mover.sent(a.id()), std::nullopt);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].errors, (std::vector<AXError>{-25204}));

    a.clearFailures();
    a.clearWrites();
    mover.move(managed(a, target), target);
    time.runUntilIdle();
    EXPECT_EQ(a.frame(), target);
    EXPECT_EQ(a.writes(), (Writes{"AXSize", "AXPosition", "AXSize"}));
    EXPECT_EQ(mover.sent(a.id()), target);

    // Once a move succeeded, an unchanged target is left alone again.
    a.clearWrites();
    mover.move(managed(a, target), target);
    time.runUntilIdle();
    EXPECT_TRUE(a.writes().empty());

    // Forgetting the window forgets a failure too.
    a.failWrites("AXPosition", axerror::cannotComplete);
    mover.move(managed(a, target), {20, 0, 700, 600});
    time.runUntilIdle();
    a.clearFailures();
    a.clearWrites();
    mover.forget(a.id());
    mover.move(managed(a, target), target);
    time.runUntilIdle();
    EXPECT_TRUE(a.writes().empty());
}

TEST_F(AsyncMoverTest, ForgettingAWindowDropsItsPendingTargetAndFlushWaits) {
    mover.move(managed(a), {10, 0, 800, 600});
    mover.move(managed(b), {900, 0, 800, 600});
    mover.forget(a.id());
    mover.flush();
    EXPECT_EQ(a.frame().x, 0);
    EXPECT_EQ(b.frame().x, 900);

    mover.move(managed(a), {10, 0, 800, 600});
    time.runUntilIdle();
    mover.forgetSent(a.id());
    EXPECT_EQ(mover.sent(a.id()), std::nullopt);
    // A vanished window's target is forgotten too.
    b.vanishAfterWrites(0);
    mover.move(managed(b), {0, 500, 800, 600});
    time.runUntilIdle();
    EXPECT_EQ(mover.sent(b.id()), std::nullopt);
}

TEST_F(AsyncMoverTest, AWindowForgottenWhileItsMoveRunsStaysForgotten) {
    // The window is dropped (say, minimised) while its move is under way; when
    // it comes back, its next move must start from its new record, not from
    // the target of the move that was running when it was forgotten.
    a.onWrite([&](const SimWindow&, const std::string&) { mover.forget(a.id()); });
    a.failWrites("AXSize", axerror::cannotComplete);
    mover.move(managed(a), {10, 0, 700, 600});
    time.runUntilIdle();
    EXPECT_EQ(mover.sent(a.id()), std::nullopt);

    a.onWrite(nullptr);
    a.clearFailures();
    a.setFrame({10, 0, 800, 600});  // the application put it back meanwhile
    a.clearWrites();
    mover.move(managed(a), {10, 0, 800, 600});
    time.runUntilIdle();
    EXPECT_TRUE(a.writes().empty());  // no failure is remembered
    EXPECT_EQ(mover.sent(a.id()), Rect(10, 0, 800, 600));

    // The same for a move that succeeds: its target is not remembered as sent.
    b.onWrite([&](const SimWindow&, const std::string&) { mover.forget(b.id()); });
    mover.move(managed(b), {800, 0, 700, 600});
    time.runUntilIdle();
    EXPECT_EQ(mover.sent(b.id()), std::nullopt);
    b.onWrite(nullptr);
    b.setFrame({800, 0, 800, 600});
    mover.move(managed(b), {800, 0, 700, 600});
    time.runUntilIdle();
    EXPECT_EQ(b.frame(), Rect(800, 0, 700, 600));
}

// Windows of short-lived applications come and go by the thousand: once each is forgotten and
// its application retired, the mover keeps nothing about any of them.
TEST_F(AsyncMoverTest, WindowsThatAreForgottenLeaveNothingBehind) {
    for (int i = 0; i < 1000; ++i) {
        const SimApp shortLived = desktop.launchApp({.name = "Short"});
        const SimWindow w = desktop.openWindow(shortLived, {.frame = {0, 0, 800, 600}});
        mover.move(managed(w), {10, 0, 800, 600});
        if (i % 2) mover.forget(w.id());  // before its move ran
        time.runUntilIdle();
        mover.forget(w.id());
        mover.retire(shortLived.pid());
    }
    EXPECT_EQ(mover.keptWindowCount(), 0u);
    EXPECT_EQ(mover.queueCount(), 0u);
    // One forgotten while its move runs is forgotten, and still nothing stays.
    a.onWrite([&](const SimWindow&, const std::string&) { mover.forget(a.id()); });
    mover.move(managed(a), {10, 0, 800, 600});
    time.runUntilIdle();
    EXPECT_EQ(mover.sent(a.id()), std::nullopt);
    EXPECT_EQ(mover.keptWindowCount(), 0u);
}

TEST_F(AsyncMoverTest, TheRaiserPerformsOnlyTheNewestRequestAfterTheRunningOne) {
    AsyncRaiser raiser(windowMover, factory);
    int raised = 0;
    raiser.setOnRaised([&](WindowID) { ++raised; });
    std::vector<bool> replaced;
    const SimWindow c = desktop.openWindow(app, {});
    const SimWindow d = desktop.openWindow(app, {});
    bool requested = false;
    a.onWrite([&](const SimWindow&, const std::string& attribute) {
        if (attribute != "AXMain" || requested) return;
        requested = true;
        // Each later request takes the place of the one before, which thus never happens.
        replaced.push_back(raiser.raise(managed(b)));
        replaced.push_back(raiser.raise(managed(c)));
        replaced.push_back(raiser.raise(managed(d)));
    });
    replaced.push_back(raiser.raise(managed(a)));
    EXPECT_TRUE(queues.count("com.vemto.brindlow.raise"));
    time.runUntilIdle();
    EXPECT_EQ(raised, 2);
    EXPECT_EQ(replaced, (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(raises(a.id()), 1u);
    EXPECT_EQ(raises(b.id()), 0u);
    EXPECT_EQ(raises(c.id()), 0u);
    EXPECT_EQ(raises(d.id()), 1u);
    EXPECT_EQ(desktop.onScreenWindows().front().number, d.number());

    // Idle again: the next request starts a new worker.
    raiser.raise(managed(b));
    time.runUntilIdle();
    EXPECT_EQ(raised, 3);
}

TEST_F(AsyncMoverTest, AWindowOfOursTakingTheFocusDropsTheRaisesAskedForBefore) {
    AsyncRaiser raiser(windowMover, factory);
    const std::uint64_t before = raiser.yields();
    raiser.raise(managed(a));
    raiser.yieldFocus();
    EXPECT_EQ(raiser.yields(), before + 1);
    // Queued before the yield, asked for before it but requested after: neither is performed.
    EXPECT_EQ(raiser.raiseAskedAt(managed(b), before), std::nullopt);
    time.runUntilIdle();
    EXPECT_EQ(raises(a.id()), 0u);
    EXPECT_EQ(raises(b.id()), 0u);

    // Asked for since: performed.
    EXPECT_EQ(raiser.raiseAskedAt(managed(b), before + 1), std::optional<bool>(false));
    time.runUntilIdle();
    EXPECT_EQ(raises(b.id()), 1u);
}

TEST_F(AsyncMoverTest, ARaiseNotYetPerformedCanBeDroppedOnce) {
    AsyncRaiser raiser(windowMover, factory);
    raiser.raise(managed(a));
    EXPECT_TRUE(raiser.dropPending());
    EXPECT_FALSE(raiser.dropPending());
    time.runUntilIdle();
    EXPECT_EQ(raises(a.id()), 0u);
    // Performed already: nothing left to drop.
    raiser.raise(managed(b));
    time.runUntilIdle();
    EXPECT_FALSE(raiser.dropPending());
    EXPECT_EQ(raises(b.id()), 1u);
}

// A window of ours takes the focus while a raise runs (here during its first step): the steps
// still to come, each of which may focus the window, are not taken.
TEST_F(AsyncMoverTest, AWindowOfOursTakingTheFocusStopsTheRaiseUnderWay) {
    AsyncRaiser raiser(windowMover, factory);
    a.onWrite([&](const SimWindow&, const std::string& attribute) {
        if (attribute == "AXMain") raiser.yieldFocus();
    });
    raiser.raise(managed(a));
    time.runUntilIdle();
    EXPECT_EQ(raises(a.id()), 0u);

    // Asked for since: every step is taken.
    raiser.raise(managed(b));
    time.runUntilIdle();
    EXPECT_EQ(raises(b.id()), 1u);
}

// Somebody else moves the focus while a raise runs (here during its first step): the steps still
// to come, each of which may take the focus from their choice, are not taken.
TEST_F(AsyncMoverTest, SomebodyElseMovingTheFocusStopsTheRaiseUnderWay) {
    AsyncRaiser raiser(windowMover, factory);
    bool moved = false;
    a.onWrite([&](const SimWindow&, const std::string& attribute) {
        if (attribute != "AXMain" || std::exchange(moved, true)) return;
        b.focus();
        EXPECT_FALSE(raiser.dropPending());
    });
    raiser.raise(managed(a));
    time.runUntilIdle();
    EXPECT_EQ(raises(a.id()), 0u);
    EXPECT_TRUE(b.isFocused());
    EXPECT_EQ(linesOf("WindowMover").back(),
              "Raise <private> stopped: the focus went elsewhere since it was asked for");

    // Asked for since: every step is taken.
    raiser.raise(managed(a));
    time.runUntilIdle();
    EXPECT_EQ(raises(a.id()), 1u);
}

// A raise of a window the user minimised since it was asked for sends nothing, and says so
// instead of reporting a raise: no answer will come for it.
TEST_F(AsyncMoverTest, ARaiseOfWhichNoStepWentOutIsReportedAsNotSent) {
    AsyncRaiser raiser(windowMover, factory);
    std::vector<WindowID> raised;
    std::vector<WindowID> notSent;
    raiser.setOnRaised([&](WindowID id) { raised.push_back(id); });
    raiser.setOnNotSent([&](WindowID id) { notSent.push_back(id); });
    a.minimize();
    raiser.raise(managed(a));
    time.runUntilIdle();
    raiser.raise(managed(b));
    time.runUntilIdle();
    EXPECT_EQ(raises(a.id()), 0u);
    EXPECT_EQ(raised, (std::vector<WindowID>{b.id()}));
    EXPECT_EQ(notSent, (std::vector<WindowID>{a.id()}));
}

TEST_F(AsyncMoverTest, ACancelledRaiseIsNeverPerformed) {
    AsyncRaiser raiser(windowMover, factory);
    raiser.raise(managed(a));
    raiser.cancelPending();
    time.runUntilIdle();
    EXPECT_EQ(raises(a.id()), 0u);

    raiser.raise(managed(b));
    time.runUntilIdle();
    EXPECT_EQ(raises(b.id()), 1u);
}

}  // namespace
}  // namespace brindlow
