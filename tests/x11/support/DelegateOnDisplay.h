#pragma once

// The application delegate in this process on the session's display, with its
// strip controller and stores in a temporary folder, and trayer as the tray
// host when a test asks for one. Helpers drive Qt's event loop and the pointer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/qt/AppDelegate.h"
#include "app/qt/LayoutsEnvironment.h"
#include "app/qt/QtMainQueue.h"
#include "controller/StripController.h"
#include "platform/SerialQueue.h"
#include "platform/ThreadDisplayLink.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/input/X11HotKeys.h"
#include "settings/FilePreferences.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"
#include "x11/e2e/AppProcess.h"

namespace brindlow::test {

// Processes Qt events until `done` holds; `limit` only bounds a hang. Between checks it sleeps
// until the next event (the delegate's snapshots and windows come as such), or until a tick for
// what only the server knows: spinning would take the processor from the programs waited for.
inline bool eventually(const std::function<bool()>& done, double limit = kLimit) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(limit));
    QTimer tick;
    tick.start(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline void clickAt(QPoint point) {
    EXPECT_TRUE(
        xdotool({"mousemove", std::to_string(point.x()), std::to_string(point.y()), "click", "1"}));
}

class DelegateOnDisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "DISPLAY is not set";
        setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
        setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
        // The real tray needs the X platform, whatever the test run chose for other Qt tests.
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        // An earlier test of the session may leave a tiny work area on the root,
        // and Qt squeezes menus into it; without one Qt uses the whole screen.
        runProcess({"xprop", "-root", "-remove", "_NET_WORKAREA"});
        static int argc = 1;
        static char name[] = "brindlow-x11-test";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        main.attach();
        x11 = X11Platform::open(main, FilePreferences::inStorageFolder(main));
        ASSERT_TRUE(x11);
        // As the application does: the hot keys' connection is read on the main thread.
        if (X11HotKeys* hotKeys = x11->hotKeys()) {
            hotKeyEvents =
                std::make_unique<QSocketNotifier>(hotKeys->fileDescriptor(), QSocketNotifier::Read);
            QObject::connect(hotKeyEvents.get(), &QSocketNotifier::activated,
                             [hotKeys] { hotKeys->processEvents(); });
        }
        const Platform platform = x11->platform();
        StripControllerEnvironment environment;
        environment.platform = platform;
        environment.stripQueue = std::make_shared<SerialQueue>(StripController::kQueueLabel);
        environment.makeDisplayLink = [] { return std::make_unique<ThreadDisplayLink>(60.0); };
        environment.storageFolder = folder.path();
        controller = std::make_unique<StripController>(std::move(environment));
        layouts = std::make_unique<LayoutsStore>(folder.path() / "layouts.json",
                                                 layoutsEnvironment(*controller, platform));
        settings = std::make_unique<SettingsStore>(folder.path() / "settings.json");
        // No welcome window: it would take the focus from the menu.
        settings->update([](AppSettings& s) { s.firstRunDone = true; });
    }

    void TearDown() override {
        if (delegate) delegate->applicationWillTerminate();
        delegate.reset();
        controller.reset();
        tray.reset();
        hotKeyEvents.reset();
        main.close();
        app.reset();
    }

    // Where the embedded icon's window really is, once the tray host has taken it in and shows
    // it: Qt knows only its place inside the host's socket, so X is asked for its parent, its map
    // state and its root position.
    std::optional<QPoint> iconCentre() {
        X11Connection& x = x11->connection();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->inherits("QSystemTrayIconSys")) continue;
            const auto icon = xcb_window_t(widget->winId());
            XcbReply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(x.xcb(), xcb_query_tree(x.xcb(), icon), nullptr));
            XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
                x.xcb(), xcb_get_window_attributes(x.xcb(), icon), nullptr));
            XcbReply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
                x.xcb(), xcb_translate_coordinates(x.xcb(), icon, x.root(), 0, 0), nullptr));
            if (!tree || tree->parent == x.root() || !attributes ||
                attributes->map_state != XCB_MAP_STATE_VIEWABLE || !at)
                return std::nullopt;
            return QPoint(at->dst_x + widget->width() / 2, at->dst_y + widget->height() / 2);
        }
        return std::nullopt;
    }

    void startTrayHost() {
        tray = std::make_unique<ChildProcess>(
            std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--height",
                                     "32", "--widthtype", "request", "--SetDockType", "true"});
        ASSERT_TRUE(tray->started());
        ASSERT_TRUE(eventually([] { return QSystemTrayIcon::isSystemTrayAvailable(); }))
            << "trayer did not take the tray selection";
    }

    void launch() {
        delegate = std::make_unique<AppDelegate>(main, x11->platform(), *controller, *settings,
                                                 *layouts, folder.path() / "brindlow.sock");
        ASSERT_EQ(delegate->applicationDidFinishLaunching(), AppDelegate::LaunchResult::running);
    }

    // A tray host, then the delegate, until its icon is embedded and the controller runs.
    void launchInTray() {
        startTrayHost();
        if (HasFatalFailure()) return;
        launch();
        if (HasFatalFailure()) return;
        ASSERT_NE(delegate->tray(), nullptr);
        ASSERT_TRUE(eventually([&] { return delegate->tray()->icon().geometry().isValid(); }))
            << "not embedded";
        ASSERT_TRUE(eventually([&] { return delegate->controllerStarted(); }));
    }

    TempFolder folder;
    std::unique_ptr<QApplication> app;
    QtMainQueue main;
    std::unique_ptr<X11Platform> x11;
    std::unique_ptr<QSocketNotifier> hotKeyEvents;
    std::unique_ptr<StripController> controller;
    std::unique_ptr<LayoutsStore> layouts;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<ChildProcess> tray;
    std::unique_ptr<AppDelegate> delegate;
};

}  // namespace brindlow::test
