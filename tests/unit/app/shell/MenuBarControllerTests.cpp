#include "app/MenuBarController.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/ManualExecutor.h"

namespace brindlow::test {
namespace {

ColumnSnapshot column(std::string app, bool badge = false) {
    ColumnSnapshot c;
    WindowSnapshot w;
    w.app = std::move(app);
    w.hasBadge = badge;
    c.windows.push_back(w);
    return c;
}

// One active display with `columns` columns, focus on `focused` (counted from 0).
StripSnapshot strip(int columns, std::optional<int> focused, bool paused = false,
                    bool badge = false) {
    DisplaySnapshot display;
    display.name = "Screen";
    display.isActive = true;
    display.focusedIndex = focused;
    for (int index = 0; index < columns; ++index)
        display.columns.push_back(column("App", badge && index == 0));
    StripSnapshot snapshot;
    snapshot.displays.push_back(display);
    snapshot.paused = paused;
    return snapshot;
}

class FakeShortcuts : public MenuShortcuts {
  public:
    std::optional<std::string> text(std::string_view name) const override {
        auto found = keys.find(std::string(name));
        if (found == keys.end()) return std::nullopt;
        return found->second;
    }
    void setSuspended(bool value) override { suspendedCalls.push_back(value); }

    std::map<std::string, std::string> keys;
    std::vector<bool> suspendedCalls;
};

class FakeStatusItem : public StatusItem {
  public:
    void setTitle(const std::string& text, bool disabled) override {
        title = text;
        appearsDisabled = disabled;
    }
    std::string title;
    bool appearsDisabled = false;
};

class MenuBarTest : public ::testing::Test {
  protected:
    MenuBarTest() {
        actions.permissionGranted = [this] { return granted; };
        actions.settings = [this] { return settings; };
        actions.performStripCommand = [this](Command c) { log.push_back("strip " + c.text()); };
        actions.performAppCommand = [this](Command c) { log.push_back("app " + c.text()); };
        actions.flipSetting = [this](bool AppSettings::*field) {
            settings.*field = !(settings.*field);
        };
        actions.openSettings = [this](SettingsTab tab) {
            log.push_back(tab == SettingsTab::general ? "settings general" : "settings layouts");
        };
        actions.quit = [this] { log.push_back("quit"); };
        actions.layouts = [this] { return layouts; };
        actions.restoreLayout = [this](const NamedLayout& l) {
            log.push_back("restore " + l.name);
        };
        actions.askLayoutName = [this] { log.push_back("ask"); };
    }

    MenuBarController& make() {
        controller = std::make_unique<MenuBarController>(main, actions, &shortcuts);
        return *controller;
    }

    static NamedLayout layout(std::string name) {
        NamedLayout l;
        l.name = std::move(name);
        return l;
    }

    VirtualTime time;
    ManualExecutor main{time, "main"};
    FakeShortcuts shortcuts;
    MenuBarActions actions;
    bool granted = true;
    AppSettings settings;
    std::vector<NamedLayout> layouts;
    std::vector<std::string> log;
    std::unique_ptr<MenuBarController> controller;
};

struct TitleCase {
    const char* name;
    StripSnapshot snapshot;
    bool showPosition;
    std::string title;
};

class TitleMatrix : public MenuBarTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(TitleMatrix, TitleAndLookFollowTheSnapshot) {
    settings.showPositionInMenuBar = GetParam().showPosition;
    MenuBarController& bar = make();
    bar.updateTitle();  // before install: no item to update, and no crash
    FakeStatusItem item;
    bar.setSnapshot(GetParam().snapshot);
    bar.install(item);
    EXPECT_EQ(item.title, GetParam().title);
    EXPECT_EQ(item.appearsDisabled, GetParam().snapshot.paused);
}

INSTANTIATE_TEST_SUITE_P(Titles, TitleMatrix,
                         ::testing::Values(TitleCase{"third_of_five", strip(5, 2), true, " 3/5"},
                                           TitleCase{"second_of_five_badge",
                                                     strip(5, 1, false, true), true, " 2/5 \u25CF"},
                                           TitleCase{"position_hidden", strip(5, 2), false, ""},
                                           TitleCase{"position_hidden_badge",
                                                     strip(5, 2, false, true), false, " \u25CF"},
                                           TitleCase{"paused", strip(5, 2, true), true, " \u2016"},
                                           TitleCase{"no_columns", strip(0, 0), true, ""},
                                           TitleCase{"no_focus", strip(3, std::nullopt), true, ""},
                                           TitleCase{"empty_snapshot", StripSnapshot{}, true, ""}),
                         [](const auto& row) { return std::string(row.param.name); });

// The permission comes first (see the menus below); with it, a paused strip says so.
TEST_F(MenuBarTest, APausedStripSaysSoInTheHeader) {
    make().setSnapshot(strip(2, 0, true));
    EXPECT_EQ(controller->headerText(), "Paused");
    EXPECT_FALSE(controller->rebuildMenu().front().enabled);  // a header, not an action
}

TEST_F(MenuBarTest, ItemsPresentOrAbsentByState) {
    MenuBarController& bar = make();
    bar.setSnapshot(strip(2, 0));
    const std::vector<std::string> running = {"Brindlow is tiling",
                                              "-",
                                              "Pause Brindlow",
                                              "Window Search…",
                                              "Overview",
                                              "Keyboard Shortcuts",
                                              "-",
                                              "Focus Border",
                                              "Dim Inactive Windows",
                                              "Layouts",
                                              "-",
                                              "Settings…",
                                              "-",
                                              "Quit Brindlow"};
    EXPECT_EQ(menuTitles(bar.rebuildMenu()), running);

    // Without the permission, and paused. (The Linux build has no updater, so no update item.)
    granted = false;
    MenuBarController& other = make();
    other.setSnapshot(strip(2, 0, true));
    const MenuModel menu = other.rebuildMenu();
    // The same menu but for the header, the permission item and Resume.
    std::vector<std::string> waiting = running;
    waiting[0] = "Window control unavailable";
    waiting[2] = "Resume Brindlow";
    waiting.insert(waiting.begin() + 1, "Getting Started…");
    EXPECT_EQ(menuTitles(menu), waiting);
    EXPECT_EQ(findMenuItem(menu, "Settings…")->shortcutText, "Ctrl+,");
    EXPECT_EQ(findMenuItem(menu, "Quit Brindlow")->shortcutText, "Ctrl+Q");
}

TEST_F(MenuBarTest, ActionsReachTheirTargetsAndCheckMarksFollowTheSettings) {
    settings.focusBorder = true;
    MenuBarController& bar = make();
    MenuModel menu = bar.rebuildMenu();
    EXPECT_EQ(findMenuItem(menu, "Focus Border")->checked, std::optional<bool>(true));
    EXPECT_EQ(findMenuItem(menu, "Dim Inactive Windows")->checked, std::optional<bool>(false));
    EXPECT_EQ(findMenuItem(menu, "Overview")->checked, std::nullopt);
    for (const char* title : {"Pause Brindlow", "Window Search…", "Overview", "Keyboard Shortcuts",
                              "Focus Border", "Dim Inactive Windows", "Settings…",
                              "Save Current Layout…", "Manage Layouts…", "Quit Brindlow"})
        findMenuItem(menu, title)->action();
    EXPECT_EQ(log, (std::vector<std::string>{"strip togglePause", "app search", "app overview",
                                             "app showShortcuts", "settings general", "ask",
                                             "settings layouts", "quit"}));
    menu = bar.rebuildMenu();
    EXPECT_EQ(findMenuItem(menu, "Focus Border")->checked, std::optional<bool>(false));
    EXPECT_EQ(findMenuItem(menu, "Dim Inactive Windows")->checked, std::optional<bool>(true));
}

TEST_F(MenuBarTest, LayoutsSubmenuWithNoneAndWithSavedLayouts) {
    MenuBarController& bar = make();
    EXPECT_EQ(menuTitles(findMenuItem(bar.rebuildMenu(), "Layouts")->submenu),
              (std::vector<std::string>{"Save Current Layout…", "-", "Manage Layouts…"}));

    layouts = {layout("Work"), layout("Home")};
    const MenuModel menu = bar.rebuildMenu();
    EXPECT_EQ(menuTitles(findMenuItem(menu, "Layouts")->submenu),
              (std::vector<std::string>{"Save Current Layout…", "-", "Work", "Home", "-",
                                        "Manage Layouts…"}));
    // Deleted while the menu is open: the item restores its own copy.
    layouts.clear();
    findMenuItem(menu, "Home")->action();
    EXPECT_EQ(log, std::vector<std::string>{"restore Home"});
}

TEST_F(MenuBarTest, ShortcutTextsAreReadAtEveryOpening) {
    shortcuts.keys = {{"pause", "Ctrl+Alt+P"}, {"focusBorder", "Ctrl+Alt+B"}};
    MenuBarController& bar = make();
    MenuModel menu = bar.rebuildMenu();
    EXPECT_EQ(findMenuItem(menu, "Pause Brindlow")->shortcutText, "Ctrl+Alt+P");
    EXPECT_EQ(findMenuItem(menu, "Focus Border")->shortcutText, "Ctrl+Alt+B");
    EXPECT_EQ(findMenuItem(menu, "Overview")->shortcutText, "");

    shortcuts.keys = {{"pause", "Ctrl+Shift+Super+P"}, {"overview", "Super+O"}};
    menu = bar.rebuildMenu();
    EXPECT_EQ(findMenuItem(menu, "Pause Brindlow")->shortcutText, "Ctrl+Shift+Super+P");
    EXPECT_EQ(findMenuItem(menu, "Focus Border")->shortcutText, "");
    EXPECT_EQ(findMenuItem(menu, "Overview")->shortcutText, "Super+O");
}

TEST_F(MenuBarTest, GlobalShortcutsAreQuietWhileTheMenuIsOpenAndComeBackWithoutAClose) {
    MenuBarController& bar = make();
    bar.menuWillOpen();
    EXPECT_TRUE(bar.shortcutsSuspended());
    bar.menuDidClose();
    EXPECT_FALSE(bar.shortcutsSuspended());
    EXPECT_EQ(shortcuts.suspendedCalls, (std::vector<bool>{true, false}));
    // The earlier opening's time-out is stale and changes nothing.
    time.advance(MenuBarController::kShortcutSafetyTimeout + 1);
    EXPECT_EQ(shortcuts.suspendedCalls.size(), 2u);

    // A menu that never reports closing: the time-out counts from the latest opening.
    bar.menuWillOpen();
    time.advance(20);
    bar.menuWillOpen();
    time.advance(MenuBarController::kShortcutSafetyTimeout - 1);
    EXPECT_TRUE(bar.shortcutsSuspended());
    time.advance(1);
    EXPECT_FALSE(bar.shortcutsSuspended());
    EXPECT_EQ(shortcuts.suspendedCalls.back(), false);

    // Torn down while open: the shortcuts come back too.
    bar.menuWillOpen();
    controller.reset();
    EXPECT_EQ(shortcuts.suspendedCalls.back(), false);
}

}  // namespace
}  // namespace brindlow::test
