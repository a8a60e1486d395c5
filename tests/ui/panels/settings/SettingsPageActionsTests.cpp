// Each settings page's actions, clicked as the user clicks them, and what each one changed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "panels/settings/qt/SettingsControls.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/ManualExecutor.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

class SettingsPageActions : public testing::Test {
  protected:
    std::unique_ptr<SettingsWindow> open(const AppSettings& settings = {}) {
        store.setSettings(settings);
        services.autostart = Autostart(folder.path() / "config", "/usr/bin/brindlow");
        services.executable = "/usr/bin/brindlow";
        services.compositing = [] { return true; };
        services.findSwipeConflict = [](int) { return std::nullopt; };
        LayoutsStore::Environment environment;
        environment.main = &main;
        environment.capture = [](std::function<void(SessionSnapshot)> done) {
            SessionSnapshot snapshot;
            snapshot.displays.push_back({});
            done(snapshot);
        };
        layouts = std::make_unique<LayoutsStore>(folder.path() / "layouts.json", environment);
        services.layouts = layouts.get();
        services.runningApplications = [] {
            return std::vector<RunningApplication>{
                {.pid = 40, .localizedName = "Editor", .bundleID = "org.example.editor"}};
        };
        auto window = std::make_unique<SettingsWindow>(store, services);
        window->show();
        QApplication::processEvents();
        return window;
    }

    QWidget* show(SettingsWindow& window, SettingsPageTab tab) {
        window.select(tab);
        QApplication::processEvents();
        return window.page(tab);
    }

    static QPushButton* button(QWidget* page, const QString& text) {
        for (auto* each : page->findChildren<QPushButton*>())
            if (each->text() == text) return each;
        return nullptr;
    }

    test::TempFolder folder;
    SettingsStore store{folder.path() / "settings.json"};
    SettingsServices services;
    VirtualTime time;
    ManualExecutor main{time, "main"};
    std::unique_ptr<LayoutsStore> layouts;
};

TEST_F(SettingsPageActions, GeneralPageShowsTheErrorOfAFailedLoginChangeUntilOneWorks) {
    // A plain file where the config folder should be: the autostart entry cannot be made.
    std::ofstream(folder.path() / "config") << "in the way";
    auto window = open();
    QWidget* page = show(*window, SettingsPageTab::general);
    auto* login = page->findChild<QCheckBox*>("launchAtLogin");
    auto* error = page->findChild<QLabel*>("loginError");
    ASSERT_TRUE(login && error);
    EXPECT_FALSE(error->isVisibleTo(page));
    login->click();
    EXPECT_TRUE(error->isVisibleTo(page));
    EXPECT_TRUE(error->text().startsWith("Could not change this: ")) << error->text().toStdString();
    EXPECT_FALSE(login->isChecked());

    // Out of the way, the next try works: the error goes with it.
    std::filesystem::remove(folder.path() / "config");
    login->click();
    EXPECT_TRUE(login->isChecked());
    EXPECT_FALSE(error->isVisibleTo(page));
}

TEST_F(SettingsPageActions, LayoutPageLoadsThePresetsWhenShownAndSaysWhatItDidNotTake) {
    AppSettings settings;
    settings.presetWidths = {0.4, 0.8};
    auto window = open(settings);
    QWidget* page = show(*window, SettingsPageTab::layout);
    auto* presets = page->findChild<QLineEdit*>("presetText");
    auto* notTaken = page->findChild<QLabel*>("presetsNotTaken");
    ASSERT_TRUE(presets && notTaken);
    EXPECT_EQ(presets->text(), "40, 80");

    presets->setText("30, abc, 90");
    button(page, "Apply")->click();
    EXPECT_EQ(store.settings().presetWidths, (std::vector<double>{0.3, 0.9}));
    EXPECT_EQ(presets->text(), "30, 90");
    EXPECT_TRUE(notTaken->isVisibleTo(page));
    EXPECT_EQ(notTaken->text(), "Not taken: abc (not a number).");

    presets->setText("abc, 200, 0");
    QTest::keyClick(presets, Qt::Key_Return);
    EXPECT_EQ(store.settings().presetWidths, (std::vector<double>{0.3, 0.9}));
    EXPECT_EQ(presets->text(), "30, 90");
    EXPECT_EQ(notTaken->text(),
              "Not taken: abc (not a number), 200 (more than 100), 0 (5 or less). The presets "
              "stay as they were.");

    // Every piece taken: no line, and the field keeps what was typed until the page shows again.
    presets->setText("75 25");
    button(page, "Apply")->click();
    EXPECT_FALSE(notTaken->isVisibleTo(page));
    EXPECT_EQ(presets->text(), "75 25");
    show(*window, SettingsPageTab::general);
    store.update([](AppSettings& s) { s.presetWidths = {0.5}; });
    show(*window, SettingsPageTab::layout);
    EXPECT_EQ(presets->text(), "50");
}

// Values written by hand beyond the sliders' ends: the slider stands at its end and the number
// beside it is the one written; a width none of the picker's choices shows as written.
TEST_F(SettingsPageActions, LayoutPageShowsWrittenValuesBeyondItsSliders) {
    AppSettings settings;
    settings.outerGap = 50;
    settings.defaultWidth = 0.04;
    settings.widthStep = 0.9;
    auto window = open(settings);
    QWidget* page = show(*window, SettingsPageTab::layout);
    auto* edges = static_cast<ValueSlider*>(page->findChild<QWidget*>("At screen edges"));
    ASSERT_NE(edges, nullptr);
    EXPECT_EQ(edges->slider()->value(), edges->slider()->maximum());
    EXPECT_EQ(edges->valueText(), "50");
    auto* step = static_cast<ValueSlider*>(page->findChild<QWidget*>("Wider / narrower step"));
    EXPECT_EQ(step->valueText(), "90%");
    auto* newWidth = page->findChild<QComboBox*>();
    EXPECT_EQ(newWidth->currentIndex(), -1);
    EXPECT_EQ(newWidth->placeholderText(), "4%");
    EXPECT_EQ(store.settings(), settings);
}

TEST_F(SettingsPageActions, MotionPageRestoresTheAnimationDefaults) {
    AppSettings settings;
    settings.springStiffness = 900;
    settings.springDamping = 10;
    settings.gestureFingers = 5;
    auto window = open(settings);
    QWidget* page = show(*window, SettingsPageTab::motion);
    const QList<QComboBox*> pickers = page->findChildren<QComboBox*>();
    const auto fingers = std::find_if(pickers.begin(), pickers.end(),
                                      [](QComboBox* picker) { return picker->count() == 2; });
    ASSERT_NE(fingers, pickers.end());
    EXPECT_EQ((*fingers)->currentIndex(), -1);
    EXPECT_EQ((*fingers)->placeholderText(), "5");
    button(page, "Restore defaults")->click();
    EXPECT_EQ(store.settings().springStiffness, 300);
    EXPECT_EQ(store.settings().springDamping, 35);
    auto* speed = static_cast<ValueSlider*>(page->findChild<QWidget*>("Speed"));
    EXPECT_EQ(speed->valueText(), QString::fromStdString(durationText(300)));
}

TEST_F(SettingsPageActions, AppearancePageStoresThePickedColour) {
    auto window = open();
    QWidget* page = show(*window, SettingsPageTab::appearance);
    auto* swatch = page->findChild<QPushButton*>("focusBorderColor");
    ASSERT_NE(swatch, nullptr);
    bool picked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        picked = true;
        dialog->setCurrentColor(QColor(0x12, 0xAB, 0xEF));
        dialog->accept();
    });
    swatch->click();
    ASSERT_TRUE(picked) << "no colour dialog";
    EXPECT_EQ(store.settings().focusBorderColor, "#12ABEF");
    EXPECT_EQ(swatch->toolTip(), "#12ABEF");
}

TEST_F(SettingsPageActions, AppsPageAddsARuleForTheChosenApp) {
    auto window = open();
    QWidget* page = show(*window, SettingsPageTab::apps);
    auto* add = page->findChild<QPushButton*>("addApp");
    ASSERT_TRUE(add && add->menu());
    emit add->menu()->aboutToShow();
    const QList<QAction*> offered = add->menu()->actions();
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered[0]->text(), "Editor");
    offered[0]->trigger();
    ASSERT_EQ(store.settings().appRules.size(), 1u);
    EXPECT_EQ(store.settings().appRules[0],
              (AppRule{"org.example.editor", "Editor", AppBehavior::tile, std::nullopt}));
    // The app has its rule now: it is offered no more.
    emit add->menu()->aboutToShow();
    EXPECT_TRUE(add->menu()->actions().isEmpty());
}

// Each choice of an app rule's width picker, as the user picks it, and the width stored.
struct RuleWidthRow {
    int choice;
    std::optional<double> stored;
};
void PrintTo(const RuleWidthRow& row, std::ostream* out) {
    *out << "choice " << row.choice;
}
class AppRuleWidth : public SettingsPageActions,
                     public testing::WithParamInterface<RuleWidthRow> {};

TEST_P(AppRuleWidth, IsStoredAsPicked) {
    AppSettings settings;
    settings.appRules = {{"org.example.editor", "Editor", AppBehavior::tile, 0.75}};
    auto window = open(settings);
    QWidget* page = show(*window, SettingsPageTab::apps);
    QComboBox* width = nullptr;
    for (auto* picker : page->findChildren<QComboBox*>())
        if (picker->count() == 7) width = picker;
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->itemText(0), "Default width");
    width->setCurrentIndex(GetParam().choice);
    emit width->activated(GetParam().choice);
    ASSERT_EQ(store.settings().appRules.size(), 1u);
    EXPECT_EQ(store.settings().appRules[0].defaultWidth, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Choices, AppRuleWidth,
                         testing::Values(RuleWidthRow{0, std::nullopt}, RuleWidthRow{1, 0.25},
                                         RuleWidthRow{2, 1.0 / 3.0}, RuleWidthRow{3, 0.5},
                                         RuleWidthRow{6, 1.0}),
                         [](const auto& row) {
                             return "Choice" + std::to_string(row.param.choice);
                         });

// The fingers picker is for the many-finger swipes: it can be changed only while they are on.
class FingersPicker : public SettingsPageActions, public testing::WithParamInterface<bool> {};

TEST_P(FingersPicker, IsEnabledOnlyWhileManyFingerSwipesAreOn) {
    AppSettings settings;
    settings.gesturesEnabled = GetParam();
    auto window = open(settings);
    QWidget* page = show(*window, SettingsPageTab::motion);
    QComboBox* fingers = nullptr;
    for (auto* picker : page->findChildren<QComboBox*>())
        if (picker->count() == 2 && picker->itemText(0) == "Three") fingers = picker;
    ASSERT_NE(fingers, nullptr);
    EXPECT_EQ(fingers->isEnabled(), GetParam());
    // Switched the other way on the page, the picker follows.
    QCheckBox* swipes = nullptr;
    for (auto* box : page->findChildren<QCheckBox*>())
        if (box->text() == "Swipe sideways with more fingers to scroll the strip") swipes = box;
    ASSERT_NE(swipes, nullptr);
    swipes->click();
    EXPECT_EQ(store.settings().gesturesEnabled, !GetParam());
    EXPECT_EQ(fingers->isEnabled(), !GetParam());
}

INSTANTIATE_TEST_SUITE_P(Swipes, FingersPicker, testing::Bool(),
                         [](const auto& row) { return std::string(row.param ? "On" : "Off"); });

TEST_F(SettingsPageActions, LayoutsPageSavesTheCurrentLayoutUnderTheTypedName) {
    auto window = open();
    QWidget* page = show(*window, SettingsPageTab::layouts);
    auto* name = page->findChild<QLineEdit*>("newName");
    QPushButton* save = button(page, "Save Current Layout");
    ASSERT_TRUE(name && save);
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClicks(name, "  Work ");
    ASSERT_TRUE(save->isEnabled());
    save->click();
    time.runUntilIdle();
    ASSERT_EQ(layouts->layouts().size(), 1u);
    EXPECT_EQ(layouts->layouts()[0].name, "Work");
    EXPECT_TRUE(name->text().isEmpty());
}

TEST_F(SettingsPageActions, TerminalPageCopiesEachCommand) {
    auto window = open();
    QWidget* page = show(*window, SettingsPageTab::terminal);
    const QList<QLabel*> commands = page->findChildren<QLabel*>("command");
    ASSERT_EQ(commands.size(), 3);
    QList<QPushButton*> copies;
    for (auto* each : page->findChildren<QPushButton*>())
        if (each->text() == "Copy") copies.push_back(each);
    ASSERT_EQ(copies.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QApplication::clipboard()->clear();
        copies[i]->click();
        EXPECT_EQ(QApplication::clipboard()->text(), commands[i]->text()) << i;
    }
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), kBashHookLine);
}

// Installed (or linked before), the tool is on PATH: linking it again would fail, or link the
// installed program onto itself; the page names it instead and offers only the hooks.
TEST_F(SettingsPageActions, TerminalPageOffersNoLinkOnceTheToolIsOnPath) {
    services.toolOnPath = "/usr/bin/brindlow";
    auto window = open();
    QWidget* page = show(*window, SettingsPageTab::terminal);
    const QList<QLabel*> commands = page->findChildren<QLabel*>("command");
    ASSERT_EQ(commands.size(), 2);
    EXPECT_EQ(commands[0]->text().toStdString(), kZshHookLine);
    bool named = false;
    for (auto* label : page->findChildren<QLabel*>()) {
        EXPECT_FALSE(label->text().contains("ln -s")) << label->text().toStdString();
        named = named || label->text() ==
                             "The command-line tool is installed: brindlow on your "
                             "PATH is /usr/bin/brindlow.";
    }
    EXPECT_TRUE(named);
}

}  // namespace
}  // namespace brindlow
