#include <gtest/gtest.h>

#include "PanelFakes.h"
#include "panels/ShortcutsPanelController.h"

namespace brindlow::test {
namespace {

class FakeSheetView final : public ShortcutsSheetView {
  public:
    Size setContent(const ShortcutsSheetContent& content) override {
        contents.push_back(content);
        return size;
    }
    Size size{601, 400};
    std::vector<ShortcutsSheetContent> contents;
};

const std::string kDragLine =
    "Drag a title bar to move a window in the strip, or sideways out of its stack.";

TEST(ShortcutSheetHints, FollowTwoFingerScrollingAndGestures) {
    AppSettings s;
    EXPECT_EQ(shortcutSheetGestureHints(s),
              (std::vector<std::string>{"Two-finger swipe sideways scrolls the strip and the app "
                                        "under the pointer; hold Alt to "
                                        "scroll only the app.",
                                        kDragLine}));
    s.twoFingerScroll = TwoFingerScroll::off;
    EXPECT_EQ(shortcutSheetGestureHints(s), std::vector<std::string>{kDragLine});
    s.twoFingerScroll = TwoFingerScroll::withKeys;
    s.gesturesEnabled = true;
    s.gestureFingers = 4;
    EXPECT_EQ(shortcutSheetGestureHints(s),
              (std::vector<std::string>{
                  "Hold Ctrl+Alt and swipe two fingers sideways to scroll the strip.",
                  "4-finger swipe sideways scrolls the strip too.", kDragLine}));
}

class ShortcutSheet : public ::testing::Test {
  protected:
    ShortcutSheet() : controller(host, view, shortcuts, [this] { return settings; }) {
        shortcuts.texts = {{"shortcuts", "Ctrl+Alt+/"}};
        target.visible = {470, 0, 500, 900};  // middle at x = 720
    }

    FakePanelHost host;
    FakeSheetView view;
    FakeShortcuts shortcuts;
    AppSettings settings;
    DisplaySnapshot target;
    ShortcutsPanelController controller;
};

TEST_F(ShortcutSheet, OpensCentredWithRoundedOriginAndFadesIn) {
    controller.toggle(&target);
    EXPECT_TRUE(controller.isOpen());
    // 720 - 300.5 = 419.5, away from zero.
    EXPECT_EQ(host.shownFrames.back(), Rect(420, 250, 601, 400));
    ASSERT_EQ(host.fades.size(), 1u);
    EXPECT_EQ(host.fades.back(), std::make_pair(1.0, 0.15));
    EXPECT_EQ(view.contents.back().keys.at("Show all shortcuts"), "Ctrl+Alt+/");

    view.size = {100, 51};
    controller.toggle(&target);
    host.finishFade();
    controller.toggle(nullptr);  // no display: the main screen (1440 × 900)
    EXPECT_EQ(host.shownFrames.back(), Rect(670, 425, 100, 51));
}

TEST_F(ShortcutSheet, ClosingFadesOutThenOrdersOutUnlessOpenedAgain) {
    controller.toggle(&target);
    host.finishFade();
    controller.toggle(&target);
    EXPECT_FALSE(controller.isOpen());
    EXPECT_TRUE(host.visible);  // still fading
    EXPECT_EQ(host.fades.back(), std::make_pair(0.0, 0.12));
    host.finishFade();
    EXPECT_FALSE(host.visible);
    EXPECT_EQ(host.focusGivenBack.back(), true);

    controller.toggle(&target);
    host.finishFade();
    controller.toggle(&target);
    auto closing = std::move(host.pendingFade);
    controller.toggle(&target);  // opened again while the fade-out runs
    closing();
    EXPECT_TRUE(host.visible);
    EXPECT_TRUE(controller.isOpen());
}

TEST_F(ShortcutSheet, EscapeIsAlwaysConsumedAndContentIsOfTheMomentItOpened) {
    EXPECT_TRUE(controller.handleKey(PanelKey::escape));  // closed: nothing, still consumed
    controller.toggle(&target);
    shortcuts.texts.clear();
    EXPECT_FALSE(controller.handleKey(PanelKey::returnKey));
    EXPECT_EQ(view.contents.size(), 1u);
    EXPECT_TRUE(controller.handleKey(PanelKey::escape));
    host.finishFade();
    EXPECT_FALSE(host.visible);
    controller.toggle(&target);
    EXPECT_TRUE(view.contents.back().keys.empty());
    host.finishFade();
    controller.resignedKey();
    host.finishFade();
    EXPECT_EQ(host.focusGivenBack.back(), false);
}

// Another keyboard layout names the keys differently: an open sheet shows the new names, and
// stays centred where it opened when it needs another size.
TEST_F(ShortcutSheet, AnOpenSheetFollowsTheKeyNamesOfTheLayoutInUse) {
    controller.refresh();  // closed: nothing to show
    EXPECT_TRUE(view.contents.empty());
    controller.toggle(&target);
    host.finishFade();
    controller.refresh();  // the same names: nothing redrawn
    EXPECT_EQ(view.contents.size(), 1u);

    shortcuts.texts = {{"shortcuts", "Ctrl+Alt+-"}};
    controller.refresh();
    ASSERT_EQ(view.contents.size(), 2u);
    EXPECT_EQ(view.contents.back().keys.at("Show all shortcuts"), "Ctrl+Alt+-");
    EXPECT_EQ(host.shownFrames.size(), 1u);  // the same size: not placed again

    view.size = {640, 400};
    shortcuts.texts = {{"shortcuts", "Ctrl+Alt+\u00DF"}};
    controller.refresh();
    EXPECT_EQ(view.contents.back().keys.at("Show all shortcuts"), "Ctrl+Alt+\u00DF");
    EXPECT_EQ(host.shownFrames.back(), Rect(400, 250, 640, 400));
    EXPECT_TRUE(host.visible);

    controller.toggle(&target);
    host.finishFade();
    shortcuts.texts = {{"shortcuts", "Ctrl+Alt+/"}};
    controller.refresh();  // closed again: the next opening reads them
    EXPECT_EQ(view.contents.size(), 3u);
}

}  // namespace
}  // namespace brindlow::test
