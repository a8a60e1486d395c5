#include "overlays/WindowPresenter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

namespace brindlow::test {
namespace {

TEST(WindowPresenterTest, ShowingTwiceKeepsOneWindowAndClosingOnlyHidesIt) {
    WindowPresenter presenter;
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    int made = 0;
    auto content = [&made] {
        ++made;
        auto label = std::make_unique<QLabel>("Settings");
        label->setFixedSize(400, 300);
        return std::unique_ptr<QWidget>(std::move(label));
    };
    presenter.show("settings", "Brindlow Settings", content);
    QWidget* window = presenter.window("settings");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Brindlow Settings");
    EXPECT_EQ(window->size(), QSize(400, 300));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    window->move(window->pos() + QPoint(37, 21));
    const QPoint moved = window->pos();
    presenter.close("settings");
    EXPECT_FALSE(window->isVisible());
    presenter.close("nothing");

    window->setWindowState(Qt::WindowMinimized);
    presenter.show("settings", "Brindlow Settings", content);
    EXPECT_EQ(presenter.window("settings"), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(window->pos(), moved);
    EXPECT_EQ(made, 1);
}

std::unique_ptr<QWidget> fixedContent(QSize size) {
    auto label = std::make_unique<QLabel>("Welcome");
    label->setFixedSize(size);
    return label;
}

TEST(WindowPresenterTest, ContentTallerThanTheScreenScrollsInAWindowThatFits) {
    WindowPresenter presenter;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const int tall = available.height() + 350;
    presenter.show("firstRun", "Welcome to Brindlow", [&] { return fixedContent({400, tall}); });
    QWidget* window = presenter.window("firstRun");
    ASSERT_NE(window, nullptr);

    EXPECT_LE(window->height(), available.height() - 48);
    EXPECT_GE(window->y(), available.top());
    EXPECT_GE(window->width(), 400);
    auto* scroll = window->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->verticalScrollBar()->maximum(), tall - scroll->viewport()->height());
    presenter.close("firstRun");
}

TEST(WindowPresenterTest, ContentThatFitsIsShownWithoutScrolling) {
    WindowPresenter presenter;
    presenter.show("settings", "Brindlow Settings", [] { return fixedContent({400, 300}); });
    QWidget* window = presenter.window("settings");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->findChild<QScrollArea*>(), nullptr);
    EXPECT_EQ(window->size(), QSize(400, 300));
    presenter.close("settings");
}

TEST(WindowPresenterTest, CtrlWClosesTheWindow) {
    WindowPresenter presenter;
    presenter.show("settings", "Brindlow Settings", [] { return fixedContent({400, 300}); });
    QWidget* window = presenter.window("settings");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace brindlow::test
