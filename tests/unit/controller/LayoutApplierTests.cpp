// The layout applier on the sim desktop in virtual time: its owner is a handful of hooks that
// record what they are asked.
#include <gtest/gtest.h>

#include "controller/LayoutApplier.h"
#include "platform/ManualExecutor.h"
#include "platform/sim/SimDesktop.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

class LayoutApplierTest : public test::QuietLogTest {
  protected:
    VirtualTime time;
    SimDesktop desktop{time};
    std::shared_ptr<ManualExecutor> queue = std::make_shared<ManualExecutor>(time, "strip");
    test::TempFolder folder;
    StripControllerEnvironment env;
    StripControllerState state;
    std::unique_ptr<WindowMover> mover;
    std::unique_ptr<AsyncMover> asyncMover;
    std::unique_ptr<LayoutApplier> applier;
    SimApp editor;
    std::vector<std::pair<double, std::string>> learned;  // (time, display)

    void SetUp() override {
        test::QuietLogTest::SetUp();
        desktop.addDisplay({.name = "Main", .frame = {0, 0, 1920, 1080}, .uuid = "D"});
        editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
        env.platform = desktop.platform();
        env.stripQueue = queue;
        env.concurrentPerform = [](size_t count, const std::function<void(size_t)>& job) {
            for (size_t index = 0; index < count; ++index) job(index);
        };
        state.learnedHeights = LearnedHeights::load(folder.path());
        const DisplayInfo info = DisplayInfo::current(*env.platform.screens).at(0);
        state.displays.emplace("D", DisplayState(info));
        state.displayOrder = {"D"};
        mover = std::make_unique<WindowMover>(*env.platform.accessibility);
        asyncMover =
            std::make_unique<AsyncMover>(*mover, *env.platform.clock, env.platform.makeSerialQueue);
        LayoutApplier::Hooks hooks;
        hooks.geometry = [info](const std::string&) {
            return DisplayGeometry{info.visible, info.frame, {}};
        };
        hooks.minimumHeights = [this](const Strip& strip) {
            LayoutEngine::MinimumHeights heights;
            for (const WindowID id : strip.allWindowIDs())
                if (const auto own = state.records.get(id).minimumHeight) heights[id] = *own;
            return heights;
        };
        hooks.gapStrips = [](const std::vector<GapBand>&) { return std::vector<GapStrip>{}; };
        hooks.publishSnapshot = [](const SnapshotReason&) {};
        hooks.publishFocusFrames = [] {};
        hooks.windowsVanished = [](const std::string&, const std::vector<WindowID>&) {};
        hooks.sizesLearned = [this](const std::string& uuid) {
            learned.emplace_back(time.now(), uuid);
        };
        hooks.runAfter = [this](double seconds, std::function<void()> block) {
            queue->asyncAfter(seconds, std::move(block));
        };
        applier = std::make_unique<LayoutApplier>(state, env, *mover, *asyncMover, hooks);
    }

    DisplayState& display() { return state.displays.at("D"); }

    SimWindow open(const Rect& frame = {100, 100, 800, 600}) {
        const SimWindow window = desktop.openWindow(editor, {.title = "w", .frame = frame});
        state.windows[window.id()] =
            ManagedWindow{window.id(), window.pid(),   "org.example.editor", "Editor",
                          "w",         window.frame(), window.element(),     std::nullopt};
        return window;
    }

    // Two windows stacked in one column of half the width: each is sent 528 points of height.
    std::pair<SimWindow, SimWindow> openStack() {
        const SimWindow top = open();
        const SimWindow bottom = open();
        display().strip.insertWindow(top.id(), 0.5);
        display().strip.columns.at(0).windows.push_back(bottom.id());
        display().strip.columns.at(0).weights.push_back(1.0);
        return {top, bottom};
    }

    void land() {
        applier->apply("D", ApplyOptions::landing(display().strip.scrollOffset));
        time.runUntilIdle();
    }
};

// A window of a stack that stays 600 points tall after being sent 528: the catch-up pass 0.2 s
// after the change notes it, the first check 0.25 s later finds it unchanged and asks again, the
// next one 0.25 s after that learns 600 for the window and for its application.
TEST_F(LayoutApplierTest, AWindowThatKeepsRefusingItsHeightIsLearnedOnTheSecondCheck) {
    const auto [top, bottom] = openStack();
    bottom.setMinimumSize({100, 600});
    land();
    EXPECT_EQ(bottom.frame().height, 600);
    time.advance(0.69);
    EXPECT_TRUE(learned.empty());
    time.advance(0.02);
    ASSERT_EQ(learned.size(), 1u);
    EXPECT_EQ(learned[0].second, "D");
    EXPECT_EQ(state.records.get(bottom.id()).minimumHeight, 600);
    EXPECT_EQ(state.learnedHeights.heightFor("org.example.editor"), 600);
    EXPECT_FALSE(state.records.get(top.id()).minimumHeight);
}

// What stops the checks before they learn: the display starts to move, or the controller pauses.
enum class Interruption { animation, swipe, pause };

class SizeChecksStop : public LayoutApplierTest,
                       public testing::WithParamInterface<Interruption> {};

TEST_P(SizeChecksStop, WhenTheDisplayMovesOrTheControllerPauses) {
    const auto [top, bottom] = openStack();
    bottom.setMinimumSize({100, 600});
    land();
    time.advance(0.3);  // the catch-up pass ran and queued the first check
    switch (GetParam()) {
        case Interruption::animation:
            display().animator.animate(time.now(), std::nullopt);
            break;
        case Interruption::swipe:
            display().animator.beginSwipe(0);
            break;
        case Interruption::pause:
            state.paused = true;
            break;
    }
    time.advance(2.0);
    EXPECT_TRUE(learned.empty());
    EXPECT_FALSE(state.records.get(bottom.id()).minimumHeight);
    EXPECT_FALSE(state.learnedHeights.heightFor("org.example.editor"));
}

INSTANTIATE_TEST_SUITE_P(Interruptions, SizeChecksStop,
                         testing::Values(Interruption::animation, Interruption::swipe,
                                         Interruption::pause));

// The last field of the animation summary names the slowest application of the landing.
struct FinalResizeCase {
    const char* name;
    int windows;
    bool knownApplication;
    const char* text;
};

class FinalResize : public LayoutApplierTest,
                    public testing::WithParamInterface<FinalResizeCase> {};

TEST_P(FinalResize, NamesTheSlowestApplicationOfTheLanding) {
    const FinalResizeCase& c = GetParam();
    if (c.knownApplication) state.apps[editor.pid()] = AppRef{editor.pid(), "Editor", std::nullopt};
    for (int i = 0; i < c.windows; ++i) display().strip.insertWindow(open().id(), 0.5);
    land();
    EXPECT_EQ(applier->finalResizeText(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FinalResize,
    testing::Values(FinalResizeCase{"EmptyStrip", 0, true, "none"},
                    FinalResizeCase{"KnownApplication", 2, true, "0 ms (Editor)"},
                    FinalResizeCase{"UnknownApplication", 1, false, "0 ms (?)"}),
    [](const auto& named) { return std::string(named.param.name); });

}  // namespace
}  // namespace brindlow
