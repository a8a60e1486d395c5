#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/qt/ApplicationShortcuts.h"
#include "app/qt/SaveLayoutPrompt.h"
#include "app/qt/TrayIcon.h"
#include "platform/ManualExecutor.h"

namespace brindlow::test {
namespace {

std::vector<QString> actionTexts(const QMenu& menu) {
    std::vector<QString> texts;
    for (const QAction* action : menu.actions())
        texts.push_back(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

TEST(TrayView, TheMenuModelBecomesAQtMenuWithKeysChecksAndASubmenu) {
    int ran = 0;
    MenuModel model = {MenuItem::header("Brindlow is tiling"), MenuItem::separator(),
                       MenuItem::command(
                           "Pause Brindlow", [&ran] { ++ran; }, "Ctrl+Alt+P")};
    MenuItem border = MenuItem::command("Focus Border", {});
    border.checked = true;
    model.push_back(border);
    MenuItem layouts = MenuItem::submenuNamed("Layouts");
    layouts.submenu = {MenuItem::command("Save Current Layout…", {}), MenuItem::separator(),
                       MenuItem::command("R&D", {})};
    model.push_back(layouts);

    QMenu menu;
    renderMenu(menu, model);
    renderMenu(menu, model);  // rebuilt, not appended
    const auto texts = actionTexts(menu);
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0], QStringLiteral("Brindlow is tiling"));
    EXPECT_EQ(texts[2], QStringLiteral("Pause Brindlow\tCtrl+Alt+P"));
    EXPECT_FALSE(menu.actions()[0]->isEnabled());
    EXPECT_TRUE(menu.actions()[3]->isCheckable() && menu.actions()[3]->isChecked());
    QMenu* inner = menu.actions()[4]->menu();
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(actionTexts(*inner),
              (std::vector<QString>{QStringLiteral("Save Current Layout…"), QStringLiteral("-"),
                                    QStringLiteral("R&&D")}));
    menu.actions()[2]->trigger();
    EXPECT_EQ(ran, 1);
}

TEST(TrayView, OpeningRebuildsTheMenuAndQuietsTheShortcutsUntilItCloses) {
    VirtualTime time;
    ManualExecutor main(time, "main");
    MenuBarActions actions;
    actions.permissionGranted = [] { return true; };
    MenuBarController controller(main, actions, nullptr);
    TrayIcon tray(controller);
    controller.install(tray);
    EXPECT_EQ(tray.icon().toolTip(), QStringLiteral("Brindlow"));

    StripSnapshot snapshot;
    snapshot.paused = true;
    controller.setSnapshot(snapshot);
    controller.updateTitle();
    EXPECT_EQ(tray.icon().toolTip(), QStringLiteral("Brindlow \u2016"));

    emit tray.menu().aboutToShow();
    EXPECT_TRUE(controller.shortcutsSuspended());
    EXPECT_EQ(actionTexts(tray.menu())[2], QStringLiteral("Resume Brindlow"));
    emit tray.menu().aboutToHide();
    EXPECT_FALSE(controller.shortcutsSuspended());
}

// A global shortcut typed while the menu is open starts with its modifiers: Alt (and Super) alone
// must not close the menu, or the shortcuts would come back before the rest of the keys arrive.
// The same holds in the Layouts submenu, where the pointer often rests.
class TrayMenuModifiers : public ::testing::TestWithParam<bool> {};

TEST_P(TrayMenuModifiers, AltOrSuperPressedInTheOpenMenuLeavesItOpenAndTheShortcutsQuiet) {
    const bool inLayouts = GetParam();
    VirtualTime time;
    ManualExecutor main(time, "main");
    MenuBarActions actions;
    actions.permissionGranted = [] { return true; };
    MenuBarController controller(main, actions, nullptr);
    TrayIcon tray(controller);
    controller.install(tray);

    tray.menu().popup(QPoint(10, 10));
    ASSERT_TRUE(tray.menu().isVisible());
    QMenu* typedInto = &tray.menu();
    if (inLayouts) {
        QAction* layouts = nullptr;
        for (QAction* action : tray.menu().actions())
            if (action->menu() && action->text() == QStringLiteral("Layouts")) layouts = action;
        ASSERT_NE(layouts, nullptr);
        tray.menu().setActiveAction(layouts);
        QTest::keyClick(&tray.menu(), Qt::Key_Right);
        typedInto = layouts->menu();
        ASSERT_TRUE(typedInto->isVisible());
    }
    for (const Qt::Key key : {Qt::Key_Alt, Qt::Key_Meta}) {
        QTest::keyPress(typedInto, key, Qt::ControlModifier);
        QTest::keyRelease(typedInto, key, Qt::ControlModifier);
        EXPECT_TRUE(typedInto->isVisible()) << key;
        EXPECT_TRUE(tray.menu().isVisible()) << key;
        EXPECT_TRUE(controller.shortcutsSuspended()) << key;
    }
    // Escape still closes them, and the shortcuts come back.
    if (inLayouts) QTest::keyClick(typedInto, Qt::Key_Escape);
    QTest::keyClick(&tray.menu(), Qt::Key_Escape);
    EXPECT_FALSE(tray.menu().isVisible());
    EXPECT_FALSE(controller.shortcutsSuspended());
}

INSTANTIATE_TEST_SUITE_P(Menus, TrayMenuModifiers, ::testing::Bool(), [](const auto& row) {
    return std::string(row.param ? "LayoutsSubmenu" : "TrayMenu");
});

TEST(SaveLayoutPromptView, AskGivesTheTypedNameOnSaveAndNothingOnCancel) {
    const auto answer = [](bool save) {
        QTimer::singleShot(0, [save] {
            auto* prompt = dynamic_cast<SaveLayoutPrompt*>(QApplication::activeModalWidget());
            if (!prompt) {
                ADD_FAILURE() << "no modal prompt";
                QApplication::exit();
                return;
            }
            // The name field has the keys from the start.
            EXPECT_TRUE(QTest::qWaitForWindowActive(prompt));
            EXPECT_EQ(QApplication::focusWidget(), &prompt->nameField());
            QTest::keyClicks(&prompt->nameField(), QStringLiteral("Home"));
            QTest::mouseClick(save ? &prompt->saveButton() : &prompt->cancelButton(),
                              Qt::LeftButton);
        });
        return SaveLayoutPrompt::ask();
    };
    EXPECT_EQ(answer(true), std::optional<std::string>("Home"));
    EXPECT_EQ(answer(false), std::nullopt);
}

}  // namespace
}  // namespace brindlow::test

namespace brindlow::test {
namespace {

TEST(SettingsShortcutKeys, CtrlCommaInAWindowOfOursOpensTheSettings) {
    int opened = 0;
    SettingsShortcut shortcut([&opened] { ++opened; });
    QLineEdit field;
    QTest::keyClick(&field, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(field.text().isEmpty());  // consumed
    QTest::keyClick(&field, Qt::Key_Comma, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&field, Qt::Key_Comma);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(field.text(), QStringLiteral(","));
}

TEST(QuitShortcutKeys, CtrlQInTheOpenTrayMenuQuitsAsItsItemSays) {
    VirtualTime time;
    ManualExecutor main(time, "main");
    int quits = 0;
    MenuBarActions actions;
    actions.permissionGranted = [] { return true; };
    actions.quit = [&quits] { ++quits; };
    MenuBarController controller(main, actions, nullptr);
    TrayIcon tray(controller);
    controller.install(tray);
    QuitShortcut shortcut(actions.quit);

    tray.menu().popup(QPoint(10, 10));
    ASSERT_TRUE(tray.menu().isVisible());
    EXPECT_EQ(actionTexts(tray.menu()).back(), QStringLiteral("Quit Brindlow\tCtrl+Q"));
    // Other keys with Q leave the menu open and quit nothing.
    QTest::keyClick(&tray.menu(), Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(tray.menu().isVisible());

    QTest::keyClick(&tray.menu(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(tray.menu().isVisible());

    // Outside a menu the keys are the field's own.
    QLineEdit field;
    QTest::keyClick(&field, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
}

}  // namespace
}  // namespace brindlow::test
