#include "overlays/WindowPresenter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
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

}  // namespace
}  // namespace brindlow::test
