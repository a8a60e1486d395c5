// Every text the settings window, the welcome window, the shortcut guide and the shortcut table
// show is true on Linux: none names a facility of another desktop system. The texts are read
// from the real widgets in each state they can be in, not from the sources.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <set>

#include "../../../unit/input/FakeHotKeys.h"
#include "input/Hotkey.h"
#include "input/KeyboardShortcuts/HotKeyCenter.h"
#include "input/SwipeConflicts.h"
#include "panels/FirstRunModel.h"
#include "panels/ShortcutGuide.h"
#include "panels/qt/FirstRunView.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/ManualExecutor.h"
#include "platform/Preferences.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

// Names of another system's facilities, matched as whole words.
const std::vector<QString>& denied() {
    static const std::vector<QString> words = {"macOS",
                                               "Mac",
                                               "Accessibility",
                                               "menu bar",
                                               "menu-bar",
                                               "Spaces",
                                               "Dock",
                                               "System Settings",
                                               "System Preferences",
                                               "Privacy",
                                               "Mission Control",
                                               "Finder",
                                               "Safari",
                                               "Launchpad",
                                               "Command",
                                               "Option",
                                               "Cmd",
                                               "sheets",
                                               "Application Support",
                                               "More Gestures",
                                               "full-screen applications",
                                               "\u2318",
                                               "\u2325",
                                               "\u2303"};
    return words;
}

std::vector<QString> deniedIn(const QString& text) {
    std::vector<QString> found;
    for (const QString& word : denied()) {
        const QRegularExpression pattern("(^|\\W)" + QRegularExpression::escape(word) + "($|\\W)");
        if (pattern.match(text).hasMatch()) found.push_back(word);
    }
    return found;
}

// Every text a widget tree shows or tells: labels, buttons, tooltips, choices, titles,
// placeholders.
void collect(QWidget& root, std::set<QString>& texts) {
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* w : widgets) {
        texts.insert(w->toolTip());
        texts.insert(w->windowTitle());
        if (auto* label = qobject_cast<QLabel*>(w)) texts.insert(label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w)) texts.insert(button->text());
        if (auto* group = qobject_cast<QGroupBox*>(w)) texts.insert(group->title());
        if (auto* field = qobject_cast<QLineEdit*>(w)) texts.insert(field->placeholderText());
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i) texts.insert(combo->itemText(i));
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i) texts.insert(tabs->tabText(i));
    }
    texts.erase(QString());
}

class NoWindowManagers final : public WindowManagerSource {
  public:
    std::optional<std::string> windowManagerName() const override { return "Openbox"; }
    std::vector<std::string> processNames() const override { return {"i3"}; }
};

class Keys final : public ShortcutSource {
  public:
    bool any = true;
    std::optional<std::string> keyText(std::string_view) const override {
        return any ? std::optional<std::string>("Ctrl+Alt+/") : std::nullopt;
    }
};

TEST(LinuxWording, TheDenyListCatchesWhatItShould) {
    EXPECT_EQ(deniedIn("The menu bar icon has the rest."), std::vector<QString>{"menu bar"});
    EXPECT_EQ(deniedIn("Full screen (macOS) / back"), std::vector<QString>{"macOS"});
    EXPECT_TRUE(deniedIn("Options and commands of the Docker image").empty());
}

TEST(LinuxWording, NoShownTextNamesAnotherSystemsFacilities) {
    std::set<QString> texts;

    // The settings window with every page filled: shortcuts, rules, layouts, the swipe warning.
    test::TempFolder folder;
    SettingsStore store{folder.path() / "settings.json"};
    AppSettings settings;
    settings.gesturesEnabled = true;
    settings.appRules = {{"XTerm", "XTerm", AppBehavior::tile, 0.5}};
    store.setSettings(settings);
    test::FakeHotKeys system;
    KeyboardShortcuts::HotKeyCenter center{system, [](const std::string&) {}};
    MemoryPreferences preferences;
    KeyboardShortcuts::Registry registry{preferences, center};
    Hotkey::registerAll(registry, [](const Command&) {});
    VirtualTime time;
    ManualExecutor main{time, "main"};
    LayoutsStore::Environment environment;
    environment.main = &main;
    LayoutsStore layouts(folder.path() / "layouts.json", environment);
    SettingsServices services;
    services.autostart = Autostart(folder.path() / "config", "/usr/bin/brindlow");
    services.executable = "/usr/bin/brindlow";
    services.compositing = [] { return false; };
    services.shortcuts = &registry;
    services.hotKeys = &system;
    services.layouts = &layouts;
    services.displays = [] {
        return std::vector<DisplayInfo>{{1, "uuid-a", "Left", {0, 0, 1512, 982}, {}}};
    };
    services.findSwipeConflict = [](int) {
        return std::optional<SwipeConflict>({"fusuma", "/home/ada/.config/fusuma/config.yml"});
    };
    services.home = "/home/ada";
    SettingsWindow window(store, services);
    window.show();
    for (const SettingsPageTab tab : kSettingsPageTabs) {
        window.select(tab);
        QApplication::processEvents();
        collect(window, texts);
    }

    // The welcome window in each state its texts follow.
    NoWindowManagers windowManagers;
    Keys keys;
    for (const bool trusted : {true, false}) {
        for (const bool anyKeys : {true, false}) {
            keys.any = anyKeys;
            FirstRunModel model([trusted] { return trusted; }, &windowManagers, keys);
            model.refresh();
            for (const TwoFingerScroll scroll :
                 {TwoFingerScroll::always, TwoFingerScroll::withKeys, TwoFingerScroll::off}) {
                for (const bool on : {true, false}) {
                    AppSettings shown;
                    shown.twoFingerScroll = scroll;
                    shown.gesturesEnabled = on;
                    shown.focusFollowsMouse = on;
                    FirstRunView view(model, [shown] { return shown; }, {});
                    collect(view, texts);
                }
            }
        }
    }

    // The shortcut table and the guide.
    for (const Hotkey& hotkey : Hotkey::all()) texts.insert(QString::fromStdString(hotkey.title));
    for (const auto* rows : {&ShortcutGuide::moveAround(), &ShortcutGuide::stacks(),
                             &ShortcutGuide::sizeAndPlace(), &ShortcutGuide::appRows()})
        for (const ShortcutGuide::Row& row : *rows)
            texts.insert(QString::fromStdString(row.action));

    ASSERT_GT(texts.size(), 150u);
    for (const QString& text : texts)
        EXPECT_TRUE(deniedIn(text).empty())
            << "\"" << text.toStdString() << "\" names " << deniedIn(text).front().toStdString();
}

}  // namespace
}  // namespace brindlow
