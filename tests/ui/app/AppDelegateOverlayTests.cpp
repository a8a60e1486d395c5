// The delegate's fan-out to the overlays: focus frames to the focus border with the stored
// settings, snapshots to the badge dots; without surfaces no overlay is made.
#include <gtest/gtest.h>

#include "app/qt/AppDelegate.h"
#include "app/qt/QtMainQueue.h"
#include "controller/StripController.h"
#include "overlays/BadgeOverlayController.h"
#include "overlays/FocusOverlayController.h"
#include "platform/ManualExecutor.h"
#include "platform/ManualUiScheduler.h"
#include "platform/sim/ManualDisplayLink.h"
#include "platform/sim/SimDesktop.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"
#include "support/overlays/FakeSurfaces.h"

namespace brindlow::test {
namespace {

class AppDelegateOverlayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogSink::setStderrEnabled(false);
        main.attach();
        StripControllerEnvironment environment;
        environment.platform = desktop.platform();
        environment.stripQueue =
            std::make_shared<ManualExecutor>(time, StripController::kQueueLabel);
        environment.makeDisplayLink = [] { return std::make_unique<ManualDisplayLink>(); };
        environment.storageFolder = folder.path();
        controller = std::make_unique<StripController>(std::move(environment));
        LayoutsStore::Environment layoutsEnvironment;
        layoutsEnvironment.main = &main;
        layouts = std::make_unique<LayoutsStore>(folder.path() / "layouts.json",
                                                 std::move(layoutsEnvironment));
    }

    std::unique_ptr<AppDelegate> makeDelegate(bool withSurfaces) {
        Platform platform = desktop.platform();
        if (withSurfaces) {
            platform.surfaces = &surfaces;
            platform.uiScheduler = &scheduler;
        }
        return std::make_unique<AppDelegate>(main, platform, *controller, settings, *layouts,
                                             folder.path() / "brindlow.sock");
    }

    TempFolder folder;
    VirtualTime time;
    SimDesktop desktop{time};
    QtMainQueue main;
    SettingsStore settings{folder.path() / "settings.json"};
    std::unique_ptr<StripController> controller;
    std::unique_ptr<LayoutsStore> layouts;
    FakeSurfaceFactory surfaces;
    ManualUiScheduler scheduler;
};

TEST_F(AppDelegateOverlayTest, FocusFramesAndSnapshotsReachTheOverlaysWithTheCurrentSettings) {
    AppSettings on = settings.settings();
    on.focusBorder = true;
    settings.setSettings(on);
    auto delegate = makeDelegate(true);
    ASSERT_NE(delegate->focusOverlay(), nullptr);
    ASSERT_NE(delegate->badgeOverlay(), nullptr);
    ASSERT_NE(delegate->toast(), nullptr);
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);

    controller->onFocusFrames(
        {FocusFrame{"D1", Rect(0, 0, 1920, 1080), Rect(10, 10, 800, 600), 42u, false}});
    const Surface* border = delegate->focusOverlay()->border("D1");
    ASSERT_NE(border, nullptr);
    EXPECT_EQ(border->frame(), Rect(7, 7, 806, 606));

    StripSnapshot snapshot;
    DisplaySnapshot display;
    display.frame = Rect(0, 0, 1920, 1080);
    ColumnSnapshot column;
    WindowSnapshot badged;
    badged.id = 9;
    badged.hasBadge = true;
    badged.frame = Rect(10, 10, 800, 600);
    column.windows = {badged};
    display.columns = {column};
    snapshot.displays = {display};
    controller->onSnapshot(snapshot);
    EXPECT_EQ(delegate->badgeOverlay()->dotCount(), 1u);
    EXPECT_EQ(delegate->snapshot(), snapshot);
}

TEST_F(AppDelegateOverlayTest, WithoutSurfacesNoOverlayIsMadeAndFramesAreIgnored) {
    auto delegate = makeDelegate(false);
    EXPECT_EQ(delegate->focusOverlay(), nullptr);
    EXPECT_EQ(delegate->toast(), nullptr);
    ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    controller->onFocusFrames({FocusFrame{"D1", Rect(), Rect(10, 10, 80, 60), 42u, false}});
    controller->onMessage(ToastMessage{"a", "b", std::nullopt, std::nullopt});
    EXPECT_TRUE(surfaces.made.empty());
}

}  // namespace
}  // namespace brindlow::test
