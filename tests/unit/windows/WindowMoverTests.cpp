#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/sim/SimFixture.h"
#include "windows/AX.h"
#include "windows/WindowMover.h"

namespace brindlow {
namespace {

using Writes = std::vector<std::string>;
using namespace std::string_literals;

struct WindowMoverTest : ::testing::Test, test::SimFixture {
    WindowMover mover{desktop};
    SimApp app = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
    SimWindow window = desktop.openWindow(app, {.title = "notes", .frame = {100, 100, 800, 600}});

    ManagedWindow managed(const SimWindow& w) const {
        return ManagedWindow{w.id(),    w.pid(),     "org.example.editor", "Editor",    "notes",
                             w.frame(), w.element(), std::nullopt,         std::nullopt};
    }
};

TEST(WindowMoverText, DescribesRectanglesTruncatedAndComparesWithinOneAndAHalfPoints) {
    EXPECT_EQ(WindowMover::describe(Rect(10.7, -3.2, 800.9, 600)), "x:10 y:-3 800\u00D7600");
    EXPECT_TRUE(WindowMover::framesMatch(Rect(0, 0, 100, 100), Rect(1.49, -1.49, 101.49, 98.51)));
    EXPECT_FALSE(WindowMover::framesMatch(Rect(0, 0, 100, 100), Rect(1.5, 0, 100, 100)));
    EXPECT_FALSE(WindowMover::framesMatch(Rect(0, 0, 100, 100), Rect(0, 0, 100, 101.5)));
}

TEST_F(WindowMoverTest, WritesOnlyWhatChangesByAPointOrMore) {
    MoveResult result = mover.move(managed(window), {100.9, 99.1, 800.5, 600.9}, false);
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(result.frame, Rect(100, 100, 800, 600));
    EXPECT_TRUE(window.writes().empty());

    result = mover.move(managed(window), {300, 100, 800, 600}, false);
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(window.writes(), (Writes{"AXPosition"}));
    EXPECT_EQ(window.frame(), Rect(300, 100, 800, 600));

    window.clearWrites();
    result = mover.move(managed(window), {0, 0, 500, 600}, false);
    EXPECT_EQ(window.writes(), (Writes{"AXSize", "AXPosition", "AXSize"}));
    EXPECT_EQ(result.frame, Rect(0, 0, 500, 600));
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(linesOf("WindowMover").back(), "Move <private> to x:0 y:0 500\u00D7600");
}

TEST_F(WindowMoverTest, ResendReadsWhatTheApplicationAccepted) {
    window.setMinimumSize({600, 400});
    MoveResult result = mover.move(managed(window), {0, 0, 300, 300}, true);
    EXPECT_EQ(result.frame, Rect(0, 0, 600, 400));
    EXPECT_EQ(linesOf("WindowMover").back(),
              "Move <private>: requested x:0 y:0 300\u00D7300 accepted x:0 y:0 600\u00D7400");

    window.setGeometryReadable(false, true);
    result = mover.move(managed(window), {700, 700, 600, 400}, true);
    EXPECT_EQ(result.frame, Rect(700, 700, 600, 400));
    EXPECT_NE(linesOf("WindowMover").back().find("accepted unreadable"), std::string::npos);
}

TEST_F(WindowMoverTest, AWindowThatVanishesMidMoveIsGoneWithOneErrorLine) {
    window.vanishAfterWrites(1);
    const MoveResult result = mover.move(managed(window), {0, 0, 400, 300}, false);
    EXPECT_TRUE(result.gone);
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(result.errors, (std::vector<AXError>{-25202, -25202}));
    EXPECT_EQ(entriesOf("WindowMover").size(), 2u);
    EXPECT_EQ(entriesOf("WindowMover").back(),
              std::pair(LogLevel::error, "Move <private> failed: AXError -25202, AXError -25202"s));

    const MoveResult closed = mover.move(managed(window), {50, 0, 400, 300}, false);
    EXPECT_TRUE(closed.gone);
}

TEST_F(WindowMoverTest, CoordinatesAreFiniteAndClampedBeforeTheyReachThePlatform) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    MoveResult result = mover.move(managed(window), {nan, 0, 800, 600}, false);
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(result.errors, (std::vector<AXError>{-25200}));
    EXPECT_TRUE(window.writes().empty());
    EXPECT_EQ(window.frame(), Rect(100, 100, 800, 600));

    result = mover.move(managed(window), {1e12, -1e12, 1e9, -5}, false);
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(window.frame(), Rect(32767, -32768, 32767, 1));
    EXPECT_EQ(result.frame, window.frame());
    for (const SimCall& call : desktop.calls()) {
        if (const Point* p = std::get_if<Point>(&call.value)) {
            EXPECT_TRUE(std::isfinite(p->x) && std::isfinite(p->y));
        }
    }
}

// The sim's service with a batch write on top: each element gets position and size, then is
// read back; every batch is recorded.
struct BatchingAccessibility : Accessibility {
    explicit BatchingAccessibility(Accessibility& service) : inner(service) {}
    bool isProcessTrusted(bool prompt) override { return inner.isProcessTrusted(prompt); }
    AXElementRef applicationElement(std::int32_t pid) override {
        return inner.applicationElement(pid);
    }
    AXError createObserver(std::int32_t pid, AXObserverCallback callback,
                           std::shared_ptr<AXObserver>& observer) override {
        return inner.createObserver(pid, std::move(callback), observer);
    }
    std::optional<std::vector<FrameWriteResult>> setFrames(std::span<const FrameWrite> writes,
                                                           double) override {
        batches.emplace_back();
        std::vector<FrameWriteResult> results;
        for (const FrameWrite& write : writes) {
            batches.back().push_back(write.frame);
            FrameWriteResult result;
            result.before = AX::frame(write.element);
            result.error = write.element->setAttributeValue(ax::position, write.frame.origin());
            if (result.error == axerror::success) {
                result.error = write.element->setAttributeValue(ax::size, write.frame.size());
            }
            result.after = AX::frame(write.element);
            result.written = true;
            results.push_back(result);
        }
        return results;
    }
    Accessibility& inner;
    std::vector<std::vector<Rect>> batches;
};

TEST_F(WindowMoverTest, MoveAllSendsOneBatchAndReportsEachWindowAsMoveDoes) {
    BatchingAccessibility batching(*platform.accessibility);
    const WindowMover batchMover(batching);
    SimWindow other = desktop.openWindow(app, {.title = "todo", .frame = {0, 100, 400, 600}});
    SimWindow small = desktop.openWindow(app, {.title = "log", .frame = {0, 0, 300, 300}});
    small.setMinimumSize({350, 300});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::pair<ManagedWindow, Rect>> moves = {
        {managed(window), {0, 0, 500, 600}},
        {managed(other), {900.4, 100, 400, 600}},
        {managed(small), {10, 10, 300, 300}},
        {managed(window), {nan, 0, 1, 1}}};
    other.setFrame({900, 100, 400, 600});  // the application moved it since it was recorded

    const auto results = batchMover.moveAll(moves, true);
    ASSERT_EQ(batching.batches.size(), 1u);
    EXPECT_EQ(batching.batches[0].size(), 3u) << "the window without a finite target stays out";
    ASSERT_EQ(results.size(), 4u);
    EXPECT_TRUE(results[0].changed);
    EXPECT_EQ(results[0].frame, Rect(0, 0, 500, 600));
    EXPECT_FALSE(results[1].changed);
    EXPECT_EQ(results[1].frame, Rect(900, 100, 400, 600));
    EXPECT_EQ(results[2].frame, Rect(10, 10, 350, 300)) << "what the window accepted";
    EXPECT_EQ(linesOf("WindowMover").back(),
              "Move <private>: requested x:10 y:10 300\u00D7300 accepted x:10 y:10 350\u00D7300");
    EXPECT_EQ(results[3].errors, (std::vector<AXError>{-25200}));

    // Without a read-back, windows already at their target are not sent at all.
    using Moves = std::vector<std::pair<ManagedWindow, Rect>>;
    const auto recorded = batchMover.moveAll(Moves{{managed(other), {901, 100, 400, 600}}}, false);
    EXPECT_EQ(batching.batches.size(), 1u);
    EXPECT_FALSE(recorded[0].changed);
    other.vanishAfterWrites(0);
    EXPECT_TRUE(batchMover.moveAll(Moves{{managed(other), {0, 0, 400, 600}}}, false)[0].gone);
    // A service without batches gets the same writes one window at a time.
    window.clearWrites();
    const auto single = mover.moveAll(Moves{{managed(window), {30, 0, 500, 600}}}, false);
    EXPECT_EQ(window.writes(), (Writes{"AXPosition"}));
    EXPECT_EQ(single[0].frame, Rect(30, 0, 500, 600));
}

TEST_F(WindowMoverTest, SettleSendsAgainOnlyWhenTheApplicationPutTheWindowElsewhere) {
    ManagedWindow w = managed(window);
    const Rect target{0, 0, 800, 600};
    mover.move(w, target, false);
    window.clearWrites();
    // Near the target, or still near the recorded frame: left alone.
    window.setFrame({1, 1.4, 800, 600});
    MoveResult result = mover.settle(w, target);
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(result.frame, Rect(1, 1.4, 800, 600));
    window.setFrame({101, 100.5, 800, 600});
    EXPECT_FALSE(mover.settle(w, target).changed);
    EXPECT_TRUE(window.writes().empty());

    window.setFrame({40, 40, 800, 600});
    result = mover.settle(w, target);
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(window.frame(), target);
    const auto lines = linesOf("WindowMover");
    EXPECT_EQ(lines[lines.size() - 2],
              "Settle Editor: app moved it to x:40 y:40 800\u00D7600, sending again");
}

TEST_F(WindowMoverTest, RaiseCollectsEveryCodeAndStillRunsEachStep) {
    SimWindow other = desktop.openWindow(app, {});
    app.failWrites("AXFrontmost", axerror::cannotComplete);
    mover.raise(managed(window));
    EXPECT_EQ(desktop.onScreenWindows().front().number, window.number());
    EXPECT_TRUE(window.isFocused());
    EXPECT_EQ(entriesOf("WindowMover"),
              (Entries{{LogLevel::error, "Raise <private> failed: AXError -25204"}}));

    LogSink::clear();
    other.failWrites("AXMain", axerror::failure).failAction("AXRaise", axerror::actionUnsupported);
    mover.raise(managed(other));
    EXPECT_EQ(linesOf("WindowMover").back(),
              "Raise <private> failed: AXError -25200, AXError -25206, AXError -25204");

    LogSink::clear();
    app.failWrites("AXFrontmost", axerror::success);
    mover.raise(managed(window));
    EXPECT_EQ(entriesOf("WindowMover"), (Entries{{LogLevel::info, "Raise <private>"}}));
}

// What the user does to the window while a raise of ours is going out, right after its first
// step, and the line the raise ends with.
struct UserActsMidRaise {
    const char* name;
    std::function<void(const SimWindow&)> act;
    const char* line;
};

class RaiseStepsCheckedAsTheyGoOut : public WindowMoverTest,
                                     public ::testing::WithParamInterface<UserActsMidRaise> {};

// The steps still to come would show the window again (or switch to its desktop): none goes out.
TEST_P(RaiseStepsCheckedAsTheyGoOut, NoStepAfterTheUserMinimisedOrMovedTheWindow) {
    bool acted = false;
    window.onWrite([&](const SimWindow& written, const std::string& attribute) {
        if (attribute != "AXMain" || acted) return;
        acted = true;
        GetParam().act(written);
    });
    const size_t before = desktop.calls().size();
    mover.raise(managed(window));
    std::vector<std::string> sent;
    for (size_t i = before; i < desktop.calls().size(); ++i)
        if (desktop.calls()[i].kind != SimCall::Kind::read) sent.push_back(desktop.calls()[i].name);
    EXPECT_EQ(sent, (Writes{"AXMain"}));
    EXPECT_EQ(linesOf("WindowMover").back(), GetParam().line);

    // Asked again while the window is still away from the user, nothing goes out at all.
    const size_t again = desktop.calls().size();
    mover.raise(managed(window));
    for (size_t i = again; i < desktop.calls().size(); ++i)
        EXPECT_EQ(desktop.calls()[i].kind, SimCall::Kind::read) << desktop.calls()[i].name;
}

INSTANTIATE_TEST_SUITE_P(
    UserActions, RaiseStepsCheckedAsTheyGoOut,
    ::testing::Values(UserActsMidRaise{"Minimised", [](const SimWindow& w) { w.minimize(); },
                                       "Raise <private> stopped: minimized"},
                      UserActsMidRaise{"SentToAnotherDesktop",
                                       [](const SimWindow& w) { w.setAway(); },
                                       "Raise <private> stopped: on another desktop"}),
    [](const auto& row) { return std::string(row.param.name); });

// A window element that keeps the steps it is asked for, and passes them on to the window.
class StepsKept final : public AXElement {
  public:
    explicit StepsKept(AXElementRef window) : window_(std::move(window)) {}
    std::vector<AXStep> steps;

    AXError copyAttributeValue(std::string_view attribute, AXValue& value) const override {
        return window_->copyAttributeValue(attribute, value);
    }
    AXError setAttributeValue(std::string_view attribute, const AXValue& value) override {
        return window_->setAttributeValue(attribute, value);
    }
    AXError isAttributeSettable(std::string_view attribute, bool& settable) const override {
        return window_->isAttributeSettable(attribute, settable);
    }
    AXError performAction(std::string_view action) override {
        return window_->performAction(action);
    }
    AXError setAttributeValueAsStepOf(const AXStep& step, std::string_view attribute,
                                      const AXValue& value) override {
        steps.push_back(step);
        return window_->setAttributeValue(attribute, value);
    }
    AXError performActionAsStepOf(const AXStep& step, std::string_view action) override {
        steps.push_back(step);
        return window_->performAction(action);
    }
    AXError setMessagingTimeout(double seconds) override {
        return window_->setMessagingTimeout(seconds);
    }
    AXError pid(std::int32_t& pid) const override { return window_->pid(pid); }
    std::uint32_t identity() const override { return window_->identity(); }

  private:
    AXElementRef window_;
};

// Each step of a raise carries the raise's number and how many minimises of the window the strip
// had heard when it asked: the platform undoes no minimise beyond them.
TEST_F(WindowMoverTest, EachStepOfARaiseSaysWhichRaiseAndWhichMinimisesItKnewOf) {
    const auto kept = std::make_shared<StepsKept>(window.element());
    ManagedWindow asked = managed(window);
    asked.element = kept;
    asked.minimisesHeard = 2;
    mover.raise(asked);
    asked.minimisesHeard = 3;
    mover.raise(asked);
    ASSERT_EQ(kept->steps.size(), 4u);
    EXPECT_EQ(kept->steps[0].request, kept->steps[1].request);
    EXPECT_NE(kept->steps[1].request, kept->steps[2].request);
    EXPECT_EQ(kept->steps[2].request, kept->steps[3].request);
    const std::vector<std::optional<std::uint64_t>> heard = {
        kept->steps[0].minimisesHeard, kept->steps[1].minimisesHeard, kept->steps[2].minimisesHeard,
        kept->steps[3].minimisesHeard};
    EXPECT_EQ(heard, (std::vector<std::optional<std::uint64_t>>{2, 2, 3, 3}));
}

TEST_F(WindowMoverTest, ApplicationElementsWaitOneSecondForARaiseAndHalfASecondForTheSwitch) {
    window.setLatency(0);  // the window answers at once, its application slowly
    app.setLatency(1.2);
    double start = time.now();
    mover.raise(managed(window));
    EXPECT_NEAR(time.now() - start, 1.0, 1e-9);
    EXPECT_EQ(linesOf("WindowMover").back(), "Raise <private> failed: AXError -25204");

    app.setEnhancedUserInterface(true).setLatency(0.7);
    start = time.now();
    LogSink::clear();
    EXPECT_FALSE(mover.disableEnhancedUI(app.pid()));
    EXPECT_NEAR(time.now() - start, 0.5, 1e-9);
    EXPECT_EQ(app.enhancedUserInterface(), true);
    EXPECT_TRUE(linesOf("WindowMover").empty());
}

TEST_F(WindowMoverTest, FullScreenAndEnhancedInterfaceSwitches) {
    desktop.addDisplay({.frame = {0, 0, 1920, 1080}});
    EXPECT_TRUE(mover.setFullScreen(managed(window), true));
    EXPECT_TRUE(window.isFullScreen());
    EXPECT_EQ(window.frame(), Rect(0, 0, 1920, 1080));
    EXPECT_EQ(linesOf("WindowMover").back(), "Full screen on for <private>");
    window.failWrites("AXFullScreen", axerror::cannotComplete);
    EXPECT_FALSE(mover.setFullScreen(managed(window), false));
    EXPECT_EQ(linesOf("WindowMover").back(),
              "Full screen off failed for <private>: AXError -25204");

    LogSink::clear();
    EXPECT_FALSE(mover.disableEnhancedUI(app.pid()));  // no such attribute
    EXPECT_TRUE(linesOf("WindowMover").empty());
    app.setEnhancedUserInterface(true);
    EXPECT_TRUE(mover.disableEnhancedUI(app.pid()));
    EXPECT_EQ(app.enhancedUserInterface(), false);
    EXPECT_EQ(linesOf("WindowMover").back(),
              "Enhanced accessibility off for pid " + std::to_string(app.pid()) + ": AXError 0");
    EXPECT_EQ(mover.enableEnhancedUI(app.pid()), axerror::success);
    EXPECT_EQ(app.enhancedUserInterface(), true);
}

}  // namespace
}  // namespace brindlow
