#include "app/qt/FocusKeeper.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>

#include "support/QtEvents.h"
#include "ui/app/ReportingDesktop.h"

namespace brindlow::test {
namespace {

constexpr std::uint32_t kPrevious = 501;
constexpr std::uint32_t kOther = 502;
// Stands for the kept window in the tables.
constexpr std::uint32_t kOurs = 0;

// The settings window shown without the focus, with the window that had it before.
class FocusKeeperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.setGeometry(200, 100, 400, 300);
        window.setAttribute(Qt::WA_ShowWithoutActivating);
        desktop.active = focusedOnMap ? ours() : kPrevious;
        window.show();
        keeper = new FocusKeeper(window, desktop, kPrevious);
        ASSERT_TRUE(runEventsUntil([&] { return window.windowHandle()->isExposed(); }));
    }

    std::uint32_t ours() { return std::uint32_t(window.winId()); }

    // The window manager names each in turn; each is heard before the next.
    void reportAll(const std::vector<std::uint32_t>& names) {
        for (const std::uint32_t name : names) {
            desktop.report(name == kOurs ? ours() : name);
            QCoreApplication::processEvents();
        }
    }

    // Whether the window manager names the window active as it maps it.
    bool focusedOnMap = false;
    ReportingDesktop desktop;
    QWidget window;
    FocusKeeper* keeper = nullptr;  // the window owns it
};

// Raised as soon as the window manager has mapped it: a window that takes no focus may be put
// under the active one.
TEST_F(FocusKeeperTest, RaisesTheWindowOnceTheWindowManagerHasMappedIt) {
    EXPECT_EQ(desktop.raised, std::vector<std::uint32_t>{ours()});
    EXPECT_TRUE(desktop.askedBack.empty());
}

class FocusKeeperFocusedOnMapTest : public FocusKeeperTest {
  protected:
    void SetUp() override {
        focusedOnMap = true;
        FocusKeeperTest::SetUp();
    }
};

// Given the focus as it was mapped: raised once the focus is back, since handing it back raises
// the window that had it over ours.
TEST_F(FocusKeeperFocusedOnMapTest, RaisesTheWindowOnceTheFocusIsBack) {
    reportAll({kOurs});
    EXPECT_EQ(desktop.askedBack, std::vector<std::uint32_t>{kPrevious});
    EXPECT_TRUE(desktop.raised.empty());
    reportAll({kPrevious});
    EXPECT_EQ(desktop.raised, std::vector<std::uint32_t>{ours()});
    reportAll({kOurs, kPrevious});
    EXPECT_EQ(desktop.raised.size(), 1u) << "raised once";
}

// Minimised or closed since: nothing to wait for.
TEST_F(FocusKeeperFocusedOnMapTest, RaisesTheWindowAtOnceWhenTheFocusCannotGoBack) {
    desktop.previousShown = false;
    reportAll({kOurs});
    EXPECT_EQ(desktop.raised, std::vector<std::uint32_t>{ours()});
}

TEST_F(FocusKeeperTest, StopsListeningWhenItGoes) {
    ASSERT_TRUE(desktop.watcher);
    delete keeper;
    EXPECT_FALSE(desktop.watcher);
}

struct ActiveRow {
    const char* name;
    std::vector<std::uint32_t> named;  // by the window manager, in order
    bool previousShown;
    std::vector<std::uint32_t> askedBack;
};

class FocusKeeperActiveTest : public FocusKeeperTest,
                              public ::testing::WithParamInterface<ActiveRow> {};

TEST_P(FocusKeeperActiveTest, HandsTheFocusBackOnlyWhenTheWindowManagerNamesOurWindow) {
    desktop.previousShown = GetParam().previousShown;
    reportAll(GetParam().named);
    EXPECT_EQ(desktop.askedBack, GetParam().askedBack);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FocusKeeperActiveTest,
    ::testing::Values(
        // Told only by the active window: the toolkit hears no focus change.
        ActiveRow{"OursSilently", {kOurs}, true, {kPrevious}},
        ActiveRow{
            "OursAgainAfterTheHandBack", {kOurs, kPrevious, kOurs}, true, {kPrevious, kPrevious}},
        ActiveRow{"ThePreviousOne", {kPrevious}, true, {}},
        // The user's choice: ours later on is the user's too.
        ActiveRow{"AnotherThenOurs", {kOther, kOurs}, true, {}},
        // Minimised or closed since: asked once, refused, and left so.
        ActiveRow{"OursWhileThePreviousIsGone", {kOurs, kOurs}, false, {kPrevious}}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
