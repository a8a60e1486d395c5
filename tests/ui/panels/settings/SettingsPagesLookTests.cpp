// What the settings pages show: a long layout list that scrolls with rows of one height, the
// border colour as a plain swatch with an unstyled colour dialog, symbols on the tabs and on the
// rows' remove buttons, and the swipe warning while a gesture daemon binds the same swipes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <fstream>

#include "panels/settings/qt/SettingsTabIcons.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/ManualExecutor.h"
#include "settings/JSONFiles.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

class SettingsPagesLook : public testing::Test {
  protected:
    std::unique_ptr<SettingsWindow> open(const AppSettings& settings = {}) {
        store.setSettings(settings);
        services.autostart = Autostart(folder.path() / "config", "/usr/bin/brindlow");
        services.executable = "/usr/bin/brindlow";
        services.compositing = [] { return true; };
        services.findSwipeConflict = [this](int fingers) -> std::optional<SwipeConflict> {
            ++conflictChecks;
            if (fingers != conflictFingers) return std::nullopt;
            return SwipeConflict{"touchegg", "/home/ada/.config/touchegg/touchegg.conf"};
        };
        services.openTrackpadSettings = [this](int fingers) { opened.push_back(fingers); };
        services.home = "/home/ada";
        auto window = std::make_unique<SettingsWindow>(store, services);
        window->resize(window->sizeHint());
        window->show();
        QApplication::processEvents();
        return window;
    }

    // The appearance page's colour button, with that page shown.
    static QPushButton* borderColourSwatch(SettingsWindow& window) {
        window.select(SettingsPageTab::appearance);
        QApplication::processEvents();
        return window.page(SettingsPageTab::appearance)
            ->findChild<QPushButton*>("focusBorderColor");
    }

    // A layouts store that loads `count` saved layouts from its file; layout i holds i windows.
    void saveLayouts(int count) {
        std::vector<NamedLayout> saved;
        for (int i = 1; i <= count; ++i) {
            NamedLayout layout{
                UUID::random(), "Layout " + std::to_string(i), Date{800000000.0 + i}, {}};
            layout.snapshot.displays.push_back({});
            for (int w = 0; w < i; ++w) {
                ColumnDescriptor column;
                column.windows = {{"org.example.App", ""}};
                layout.snapshot.displays.back().columns.push_back(column);
            }
            saved.push_back(layout);
        }
        writeJSON(saved, folder.path() / "layouts.json");
        LayoutsStore::Environment environment;
        environment.main = &main;
        layouts = std::make_unique<LayoutsStore>(folder.path() / "layouts.json", environment);
        services.layouts = layouts.get();
    }

    test::TempFolder folder;
    SettingsStore store{folder.path() / "settings.json"};
    SettingsServices services;
    VirtualTime time;
    ManualExecutor main{time, "main"};
    std::unique_ptr<LayoutsStore> layouts;
    int conflictFingers = 0;
    int conflictChecks = 0;
    std::vector<int> opened;
};

TEST_F(SettingsPagesLook, FortyFiveLayoutsScrollAndEveryRowKeepsItsHeight) {
    saveLayouts(45);
    auto window = open();
    window->select(SettingsPageTab::layouts);
    QApplication::processEvents();
    QWidget* page = window->page(SettingsPageTab::layouts);
    auto* scroll = page->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    QList<QWidget*> rows = page->findChildren<QWidget*>("layoutRow");
    ASSERT_EQ(rows.size(), 45);
    std::sort(rows.begin(), rows.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    for (int i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->height(), rows[i]->sizeHint().height()) << "row " << i;
        if (i > 0) {
            EXPECT_GT(rows[i]->y(), rows[i - 1]->geometry().bottom()) << "row " << i;
        }
    }
    // Each button is as tall as it wants to be, however many rows there are.
    for (auto* button : rows.back()->findChildren<QAbstractButton*>())
        EXPECT_GE(button->height(), button->sizeHint().height());
    QScrollBar* bar = scroll->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the list does not scroll";
    bar->setValue(bar->maximum());
    QApplication::processEvents();
    // The last row is in view at the bottom.
    const QPoint last = rows.back()->mapTo(scroll->viewport(), QPoint(0, 0));
    EXPECT_GE(last.y(), 0);
    EXPECT_LE(last.y() + rows.back()->height(), scroll->viewport()->height());
    // The save and import rows stay outside the list.
    EXPECT_FALSE(scroll->widget()->isAncestorOf(page->findChild<QWidget*>("newName")));
}

// The "Not taken" line under the width presets takes room only while it says something: hidden,
// the step slider follows the presets row as closely as that row follows the one above it.
TEST_F(SettingsPagesLook, TheHiddenNotTakenLineLeavesNoBlankRow) {
    auto window = open();
    window->select(SettingsPageTab::layout);
    QApplication::processEvents();
    QWidget* page = window->page(SettingsPageTab::layout);
    auto* presets = page->findChild<QLineEdit*>("presetText");
    auto* step = page->findChild<QWidget*>("Wider / narrower step");
    ASSERT_TRUE(presets && step);
    QWidget* presetRow = presets->parentWidget();
    const auto top = [page](QWidget* w) { return w->mapTo(page, QPoint(0, 0)).y(); };
    const auto rowAbove = [&](QWidget* row) {
        QWidget* above = nullptr;
        for (QWidget* sibling :
             row->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (sibling->isVisibleTo(page) && top(sibling) < top(row) &&
                (!above || top(sibling) > top(above)))
                above = sibling;
        return above;
    };
    QWidget* newWidthRow = rowAbove(presetRow);
    ASSERT_NE(newWidthRow, nullptr);
    const int spacing = top(presetRow) - (top(newWidthRow) + newWidthRow->height());
    EXPECT_EQ(top(step) - (top(presetRow) + presetRow->height()), spacing);

    // Something not taken: the line shows between them, and goes when the page shows again.
    presets->setText("abc");
    QTest::keyClick(presets, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_GT(top(step) - (top(presetRow) + presetRow->height()), spacing + 8);
    window->select(SettingsPageTab::general);
    window->select(SettingsPageTab::layout);
    QApplication::processEvents();
    EXPECT_EQ(top(step) - (top(presetRow) + presetRow->height()), spacing);
}

TEST_F(SettingsPagesLook, ALayoutCountsItsWindowsInWords) {
    saveLayouts(2);
    auto window = open();
    window->select(SettingsPageTab::layouts);
    QApplication::processEvents();
    QStringList counts;
    for (QWidget* row : window->page(SettingsPageTab::layouts)->findChildren<QWidget*>("layoutRow"))
        for (QLabel* label : row->findChildren<QLabel*>())
            if (label->text().contains(" · ")) counts << label->text().section(" · ", 0, 0);
    counts.sort();
    EXPECT_EQ(counts, (QStringList{"1 window", "2 windows"}));
}

TEST_F(SettingsPagesLook, DeletingALayoutIsAnIconWithATooltip) {
    saveLayouts(2);
    auto window = open();
    window->select(SettingsPageTab::layouts);
    QApplication::processEvents();
    QList<QToolButton*> deletes =
        window->page(SettingsPageTab::layouts)->findChildren<QToolButton*>("Delete");
    ASSERT_EQ(deletes.size(), 2);
    EXPECT_TRUE(deletes.front()->text().isEmpty());
    EXPECT_FALSE(deletes.front()->icon().isNull());
    EXPECT_EQ(deletes.front()->toolTip(), "Delete");
    deletes.front()->click();
    QApplication::processEvents();
    EXPECT_EQ(layouts->layouts().size(), 1u);
}

TEST_F(SettingsPagesLook, RemovingAnAppRuleIsAnIconWithATooltip) {
    AppSettings settings;
    settings.appRules = {{"XTerm", "XTerm", AppBehavior::tile, std::nullopt}};
    auto window = open(settings);
    window->select(SettingsPageTab::apps);
    QApplication::processEvents();
    auto* remove = window->page(SettingsPageTab::apps)->findChild<QToolButton*>("Remove");
    ASSERT_NE(remove, nullptr);
    EXPECT_TRUE(remove->text().isEmpty());
    EXPECT_FALSE(remove->icon().isNull());
    EXPECT_EQ(remove->toolTip(), "Remove");
    remove->click();
    QApplication::processEvents();
    EXPECT_TRUE(store.settings().appRules.empty());
}

TEST_F(SettingsPagesLook, EveryTabCarriesASymbol) {
    auto window = open();
    auto* tabs = window->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    ASSERT_GE(tabs->count(), 8);
    for (int i = 0; i < tabs->count(); ++i) {
        const QIcon icon = tabs->tabIcon(i);
        ASSERT_FALSE(icon.isNull()) << tabs->tabText(i).toStdString();
        // Something is drawn, whichever icon it is.
        const QImage image = icon.pixmap(16, 16).toImage();
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) ink += qAlpha(image.pixel(x, y)) > 64;
        EXPECT_GE(ink, 10) << tabs->tabText(i).toStdString();
    }
    // Without an icon theme the built-in drawings show, one different drawing per tab.
    std::set<QByteArray> drawings;
    for (SettingsPageTab tab : kSettingsPageTabs) {
        const QImage image = builtInSettingsTabIcon(tab).pixmap(32, 32).toImage();
        drawings.insert(
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(drawings.size(), kSettingsPageTabs.size());
}

TEST_F(SettingsPagesLook, TheDesktopsIconThemeIsPreferredWhereItHasTheSymbol) {
    // A theme holding only the keyboard symbol.
    const std::filesystem::path theme = folder.path() / "icons" / "plain";
    std::filesystem::create_directories(theme / "16x16" / "devices");
    std::ofstream(theme / "index.theme") << "[Icon Theme]\nName=plain\nDirectories=16x16/devices\n"
                                            "\n[16x16/devices]\nSize=16\nType=Fixed\n";
    QPixmap keyboard(16, 16);
    keyboard.fill(Qt::red);
    ASSERT_TRUE(keyboard.save(
        QString::fromStdString((theme / "16x16" / "devices" / "input-keyboard.png").string())));
    const QStringList paths = QIcon::themeSearchPaths();
    const QString name = QIcon::themeName();
    QIcon::setThemeSearchPaths({QString::fromStdString((folder.path() / "icons").string())});
    QIcon::setThemeName("plain");
    const QImage themed = settingsTabIcon(SettingsPageTab::shortcuts).pixmap(16, 16).toImage();
    const QImage fallback = settingsTabIcon(SettingsPageTab::general).pixmap(16, 16).toImage();
    QIcon::setThemeName(name);
    QIcon::setThemeSearchPaths(paths);
    EXPECT_EQ(themed.pixelColor(8, 8), QColor(Qt::red));
    EXPECT_EQ(fallback, builtInSettingsTabIcon(SettingsPageTab::general).pixmap(16, 16).toImage());
}

class BorderColourSwatch : public SettingsPagesLook,
                           public testing::WithParamInterface<const char*> {};

TEST_P(BorderColourSwatch, ShowsTheStoredColourItself) {
    AppSettings settings;
    settings.focusBorderColor = GetParam();
    auto window = open(settings);
    QPushButton* swatch = borderColourSwatch(*window);
    ASSERT_NE(swatch, nullptr);
    EXPECT_TRUE(swatch->styleSheet().isEmpty());
    const QImage image = swatch->grab().toImage();
    const QColor stored(QString::fromLatin1(GetParam()));
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), stored);
}

INSTANTIATE_TEST_SUITE_P(Colours, BorderColourSwatch,
                         testing::Values("#4C8DFF", "#000000", "#FFFFFF", "#E91E63"));

TEST_F(SettingsPagesLook, TheColourDialogOpensUnstyledAndLegible) {
    AppSettings settings;
    settings.focusBorderColor = "#000000";
    auto window = open(settings);
    QPushButton* swatch = borderColourSwatch(*window);
    ASSERT_NE(swatch, nullptr);
    bool seen = false;
    QString inherited;
    double light = 0;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        seen = true;
        for (QWidget* w = dialog; w; w = w->parentWidget()) inherited += w->styleSheet();
        const QImage image = dialog->grab().toImage();
        int bright = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) bright += qGray(image.pixel(x, y)) > 128;
        light = double(bright) / ((image.height() / 2) * (image.width() / 2));
        dialog->reject();
    });
    swatch->click();
    ASSERT_TRUE(seen) << "no colour dialog";
    EXPECT_TRUE(inherited.isEmpty()) << inherited.toStdString();
    // The dialog's own light background, not the stored black.
    EXPECT_GT(light, 0.4);
    EXPECT_EQ(store.settings().focusBorderColor, "#000000");
}

TEST_F(SettingsPagesLook, ASwipeDaemonBindingTheSameSwipesShowsTheWarningAndItsButton) {
    conflictFingers = 3;
    AppSettings settings;
    settings.gesturesEnabled = true;
    settings.gestureFingers = 3;
    auto window = open(settings);
    window->select(SettingsPageTab::motion);
    QApplication::processEvents();
    QWidget* page = window->page(SettingsPageTab::motion);
    auto* warning = page->findChild<QWidget*>("swipeConflict");
    auto* text = page->findChild<QLabel*>("swipeConflictText");
    auto* open = page->findChild<QPushButton*>("openTrackpadSettings");
    ASSERT_TRUE(warning && text && open);
    EXPECT_TRUE(warning->isVisible());
    EXPECT_TRUE(open->isVisible());
    EXPECT_EQ(text->text().toStdString(),
              "touchegg also uses three-finger sideways swipes, so both would happen. In its "
              "configuration (~/.config/touchegg/touchegg.conf), move those swipes to the other "
              "finger count or remove them.");
    EXPECT_EQ(open->text(), "Open touchegg.conf");
    open->click();
    EXPECT_EQ(opened, std::vector<int>{3});

    // Four fingers: the daemon binds only three, so the rows go at once.
    store.update([](AppSettings& s) { s.gestureFingers = 4; });
    QApplication::processEvents();
    EXPECT_FALSE(warning->isVisible());
    EXPECT_FALSE(open->isVisible());
    // The daemon's configuration changes: within the page's next check the rows are back.
    conflictFingers = 4;
    const int checks = conflictChecks;
    ASSERT_TRUE(QTest::qWaitFor([&] { return conflictChecks > checks; }, 5000));
    EXPECT_TRUE(warning->isVisible());
    EXPECT_NE(text->text().indexOf("four-finger"), -1);
    // Many-finger swipes off: no warning, whatever the daemon does.
    store.update([](AppSettings& s) { s.gesturesEnabled = false; });
    QApplication::processEvents();
    EXPECT_FALSE(warning->isVisible());
}

}  // namespace
}  // namespace brindlow
