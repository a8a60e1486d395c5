#include "ControllerScenario.h"

namespace brindlow::test {
namespace {

class ReviewDisplays : public ControllerScenario {
  protected:
    SimApp tall;
    std::vector<SimWindow> windows;

    void SetUp() override {
        ControllerScenario::SetUp();
        addTwoDisplays();
        tall = desktop.launchApp({.name = "Tall", .bundleID = "org.example.tall"});
        for (int i = 0; i < 4; ++i)
            windows.push_back(desktop.openWindow(tall, {.title = "t" + std::to_string(i),
                                                        .frame = {100.0 + 40 * i, 100, 600, 500}}));
        time.runUntilIdle();
        start(stillSettings());
        snapshots.clear();
    }
};

TEST_F(ReviewDisplays, EveryStackWithoutRoomIsSplitNotOnlyTheFirst) {
    std::optional<ToastMessage> refusal;
    controller->queue().async([&] {
        StripController::State& s = controller->mutableState();
        s.appMinimumHeights["org.example.tall"] = 700;
        Strip& strip = s.displays.at("LEFT").strip;
        Column upper = Column::single(windows[0].id(), 0.5);
        upper.windows = {windows[0].id(), windows[1].id()};
        upper.weights = {1.0, 1.0};
        Column lower = Column::single(windows[2].id(), 0.5);
        lower.windows = {windows[2].id(), windows[3].id()};
        lower.weights = {1.0, 1.0};
        strip.columns = {upper, lower};
        strip.focusedIndex = 0;
        refusal = controller->unstackColumnsWithoutRoom("LEFT");
    });
    time.runUntilIdle();
    ASSERT_TRUE(refusal.has_value());
    const Strip& strip = state().displays.at("LEFT").strip;
    ASSERT_EQ(strip.columns.size(), 4u);
    for (const Column& column : strip.columns) EXPECT_EQ(column.windows.size(), 1u);
    EXPECT_EQ(strip.columns[1].windows.front(), windows[1].id());
    EXPECT_EQ(strip.columns[3].windows.front(), windows[3].id());
    EXPECT_EQ(logLines("Unstacked Tall: no room for a real gap").size(), 2u);
}

TEST_F(ReviewDisplays, WhenTheLastDisplayInUseGoesItsWindowsMoveOntoAConnectedOne) {
    AppSettings settings = stillSettings();
    settings.disabledDisplays = {"RIGHT"};
    applySettings(settings);
    desktop.removeDisplay(left);
    time.runUntilIdle();
    ASSERT_TRUE(state().displayOrder.empty());
    for (const SimWindow& window : windows) {
        EXPECT_TRUE(state().windows.contains(window.id()));  // known, in no strip
        EXPECT_TRUE(inside(window.frame(), kRight)) << window.frame();
    }

    settings.disabledDisplays.clear();
    applySettings(settings);
    EXPECT_EQ(stripWindows("RIGHT").size(), windows.size());
}

}  // namespace
}  // namespace brindlow::test
