// The keys the welcome window took at a first start go back, as it closes with them, to the window
// that had them before: not when the user minimised that window while the welcome window was up,
// nor when that minimise is still on its way to the window manager.
#include <gtest/gtest.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <QApplication>
#include <ostream>
#include <string>

#include "app/qt/AppDelegate.h"
#include "app/qt/TrayIcon.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "x11/support/DelegateOnDisplay.h"
#include "x11/support/X11TestSupport.h"

namespace brindlow::test {
namespace {

enum class Minimise { none, carriedOut, onItsWay };

struct KeysBackCase {
    const char* name;
    Minimise minimise;
};

void PrintTo(const KeysBackCase& row, std::ostream* out) {
    *out << row.name;
}

class WelcomeKeysBack : public DelegateOnDisplayTest,
                        public ::testing::WithParamInterface<KeysBackCase> {};

TEST_P(WelcomeKeysBack, NeverShowTheWindowTheUserMinimised) {
    TestClientProcess client({"--title", "typing"});
    ASSERT_TRUE(client.ready());
    const xcb_window_t typing = client.window();
    X11Connection& x = x11->connection();
    const auto active = [&x] { return readActiveWindow(x); };
    const auto iconic = [&] {
        const auto snapshot = readWindow(x, typing);
        return snapshot && snapshot->wmState == XCB_ICCCM_WM_STATE_ICONIC;
    };
    ASSERT_TRUE(eventually([&] {
        const auto clients = readWindowList(x, x.root(), x.atom("_NET_CLIENT_LIST"));
        return std::find(clients.begin(), clients.end(), typing) != clients.end();
    }));
    // Some window managers (xfwm4) do not focus a new window by themselves: the user clicks it.
    if (active() != typing) xdotool({"windowactivate", std::to_string(typing)});
    ASSERT_TRUE(eventually([&] { return active() == typing; }));
    // A first start beside a tray host: the welcome window takes the keys, and no settings
    // window follows it.
    settings->update([](AppSettings& s) { s.firstRunDone = false; });
    launchInTray();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(eventually([&] { return QApplication::activeWindow() != nullptr; }))
        << "the welcome window did not take the focus";
    const auto iconify = [&] {
        // As xdotool's windowminimize does.
        const std::uint32_t state = XCB_ICCCM_WM_STATE_ICONIC;
        xcb_ewmh_send_client_message(x.xcb(), typing, x.root(), x.atom("WM_CHANGE_STATE"), 1,
                                     &state);
        x.sync();
    };
    switch (GetParam().minimise) {
        case Minimise::none:
            delegate->finishFirstRun();
            break;
        case Minimise::carriedOut:
            iconify();
            ASSERT_TRUE(eventually(iconic)) << "not minimised";
            ASSERT_NE(QApplication::activeWindow(), nullptr) << "the welcome window lost the keys";
            delegate->finishFirstRun();
            break;
        case Minimise::onItsWay: {
            WindowManagerHeld manager(x);
            if (!manager.held()) GTEST_SKIP() << "the window manager's process is not known";
            iconify();
            // Read shown still: the window manager has handled nothing yet.
            delegate->finishFirstRun();
            x.sync();
            break;
        }
    }
    ASSERT_TRUE(windowManagerCaughtUp(x));
    const bool minimised = GetParam().minimise != Minimise::none;
    if (!minimised) {
        EXPECT_TRUE(eventually([&] { return active() == typing; })) << "the keys did not go back";
    } else {
        EXPECT_TRUE(eventually(iconic)) << "not minimised";
    }
    // Whatever of ours came after is handled too.
    QCoreApplication::processEvents();
    ASSERT_TRUE(windowManagerCaughtUp(x));
    EXPECT_EQ(iconic(), minimised);
}

INSTANTIATE_TEST_SUITE_P(
    FirstStart, WelcomeKeysBack,
    ::testing::Values(KeysBackCase{"WithNothingInTheirWay", Minimise::none},
                      KeysBackCase{"AfterTheUsersMinimise", Minimise::carriedOut},
                      KeysBackCase{"AfterTheUsersMinimiseOnItsWay", Minimise::onItsWay}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
