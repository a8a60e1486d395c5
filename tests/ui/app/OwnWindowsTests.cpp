#include "app/qt/OwnWindows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

namespace brindlow::test {
namespace {

// Our framed windows are watched and measured (the dim leaves them out); overlays and menus,
// which the window manager never frames, are not.
TEST(OwnWindows, FramedWindowsAreWatchedAndMeasuredOverlaysAreNot) {
    int changes = 0;
    OwnWindowWatch watch([&changes] { ++changes; });
    QWidget overlay(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    overlay.setGeometry(0, 0, 100, 100);
    overlay.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(ownWindowFrames().empty());

    QWidget settings;
    settings.setGeometry(400, 200, 720, 560);
    settings.show();
    settings.move(420, 220);
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 1) << "changes in one pass are told once";
    ASSERT_EQ(ownWindowFrames().size(), 1u);
    EXPECT_EQ(ownWindowFrames().front().origin(), Point(420, 220));

    settings.hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(ownWindowFrames().empty());
}

}  // namespace
}  // namespace brindlow::test
