// The tray menu of the delegate in this process, opened with a real click on its icon in trayer:
// Ctrl+Q pressed through XTest while it is open quits, as the Quit item beside the keys says; a
// global shortcut pressed while it is open does nothing.
#include <gtest/gtest.h>

// The XKB header names a member "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/qt/TrayIcon.h"
#include "input/KeyboardShortcuts/Registry.h"
#include "x11/support/DelegateOnDisplay.h"

namespace brindlow::test {
namespace {

class TrayMenuKeysX11Test : public DelegateOnDisplayTest {
  protected:
    QMenu& openMenu() {
        QMenu& menu = delegate->tray()->menu();
        // A click that lands before the host has finished embedding the icon is lost: again if
        // need be.
        for (int attempt = 0; attempt < 5 && !menu.isVisible(); ++attempt) {
            if (const std::optional<QPoint> centre = iconCentre()) clickAt(*centre);
            eventually([&] { return menu.isVisible(); }, 2.0);
        }
        return menu;
    }
};

// Counts the key presses the menu receives, by key.
class PressesSeen final : public QObject {
  public:
    explicit PressesSeen(QMenu& menu) { menu.installEventFilter(this); }
    int count(int key) const { return int(std::count(keys_.begin(), keys_.end(), key)); }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            keys_.push_back(static_cast<QKeyEvent*>(event)->key());
        return false;
    }

  private:
    std::vector<int> keys_;
};

// Ctrl+Alt+Q pauses tiling. Pressed while the menu is open, its Alt does not close the menu (which
// would give the shortcuts back before the Q came): the Q goes to the menu, nothing pauses.
TEST_F(TrayMenuKeysX11Test, AGlobalShortcutPressedWhileTheMenuIsOpenLeavesItOpenAndDoesNothing) {
    launchInTray();
    if (HasFatalFailure()) return;
    QMenu& menu = openMenu();
    ASSERT_TRUE(menu.isVisible()) << "the menu did not open";
    KeyboardShortcuts::Registry* registry = delegate->shortcuts();
    ASSERT_NE(registry, nullptr);
    PressesSeen seen(menu);

    ASSERT_TRUE(xdotool({"keydown", "ctrl+alt"}));
    ASSERT_TRUE(eventually([&] { return seen.count(Qt::Key_Alt) == 1; })) << "Alt never came";
    EXPECT_TRUE(menu.isVisible()) << "Alt closed the menu";
    EXPECT_FALSE(registry->isEnabled());
    xdotool({"key", "q"});
    EXPECT_TRUE(eventually([&] { return seen.count(Qt::Key_Q) == 1; }))
        << "the Q went elsewhere: to the global shortcut";
    xdotool({"keyup", "ctrl+alt"});
    EXPECT_TRUE(menu.isVisible());
    xdotool({"key", "Escape"});
    ASSERT_TRUE(eventually([&] { return !menu.isVisible(); }));
    EXPECT_TRUE(registry->isEnabled());
    EXPECT_FALSE(delegate->snapshot().paused);
}

TEST_F(TrayMenuKeysX11Test, CtrlQWhileTheMenuIsOpenQuitsTheApplication) {
    settings->update([](AppSettings& s) { s.firstRunDone = true; });
    launchInTray();
    if (HasFatalFailure()) return;
    QMenu& menu = openMenu();
    ASSERT_TRUE(menu.isVisible()) << "the menu did not open";

    // The keys go out once the loop runs; the quit ends the loop with 0. The second timer only
    // bounds a hang.
    QTimer::singleShot(0, [] { xdotool({"key", "ctrl+q"}); });
    QTimer::singleShot(int(kLimit * 1000), [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QApplication::exec(), 0) << "Ctrl+Q did not quit";
    EXPECT_FALSE(menu.isVisible());
}

// The keys the menu shows read as the keyboard types them: in the layout the user switched to and,
// of several, in the group in use. The server's layout is put back to "us" afterwards.
TEST_F(TrayMenuKeysX11Test, KeyTextsFollowTheLayoutAndItsGroup) {
    struct UsAgain {
        ~UsAgain() { EXPECT_EQ(std::system("setxkbmap us"), 0); }
    } usAgain;
    settings->update([](AppSettings& s) { s.firstRunDone = true; });
    launchInTray();
    if (HasFatalFailure()) return;
    MenuShortcuts& keys = *delegate->menuShortcuts();
    const auto reads = [&](const char* slot, const char* text) {
        return eventually([&] { return keys.text(slot) == std::optional<std::string>(text); });
    };
    EXPECT_TRUE(reads("pause", "Ctrl+Alt+Q"));
    // French: the key of the US "q" types "a".
    ASSERT_EQ(std::system("setxkbmap fr"), 0);
    EXPECT_TRUE(reads("pause", "Ctrl+Alt+A")) << keys.text("pause").value_or("none");
    // US and German: the US texts until the German group is locked, then the German ones.
    ASSERT_EQ(std::system("setxkbmap -layout us,de"), 0);
    EXPECT_TRUE(reads("shortcuts", "Ctrl+Alt+/"));
    xcb_connection_t* c = x11->connection().xcb();
    std::free(xcb_xkb_use_extension_reply(c, xcb_xkb_use_extension(c, 1, 0), nullptr));
    xcb_xkb_latch_lock_state(c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, 1, 0, 0, 0);
    x11->connection().sync();
    EXPECT_TRUE(reads("shortcuts", "Ctrl+Alt+-")) << keys.text("shortcuts").value_or("none");
}

}  // namespace
}  // namespace brindlow::test
