#include "app/qt/OwnWindows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "panels/qt/PanelWindow.h"
#include "platform/PanelDesktop.h"

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

// A desktop where a compositor runs: panels draw their shadow in a margin of their window.
class CompositedDesktop final : public PanelDesktop {
  public:
    std::optional<std::uint32_t> activeWindow() override { return std::nullopt; }
    std::optional<std::uint32_t> keyboardFocus() override { return std::nullopt; }
    void activate(std::uint32_t) override {}
    bool activateAndWait(std::uint32_t, double) override { return true; }
    void raiseWithoutFocus(std::uint32_t) override {}
    void preparePanel(std::uint32_t, bool) override {}
    bool compositorRunning() override { return true; }
    std::optional<std::string> windowManagerName() override { return std::nullopt; }
    std::vector<std::string> processNames() override { return {}; }
};

// A panel with its shadow is measured by what it draws: the dim reaches its drawn edge, not the
// transparent margin the shadow falls in.
TEST(OwnWindows, APanelIsMeasuredByItsDrawnEdgeNotItsShadowMargin) {
    CompositedDesktop desktop;
    PanelWindow panel(&desktop);
    panel.setContent(new QWidget);
    panel.setRoundedContent(12);
    panel.show(Rect(400, 200, 600, 400));
    QCoreApplication::processEvents();
    ASSERT_EQ(ownWindowFrames().size(), 1u);
    EXPECT_EQ(ownWindowFrames().front(), Rect(400, 200, 600, 400));
    panel.orderOut(false);
}

}  // namespace
}  // namespace brindlow::test
