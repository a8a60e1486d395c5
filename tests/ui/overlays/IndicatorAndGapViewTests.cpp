// The pill's clicks and drags with real mouse events, and a gap cover's slice of the picture,
// rendered offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <QToolTip>
#include <QWidget>

#include "overlays/GapView.h"
#include "overlays/IndicatorView.h"

namespace brindlow::test {
namespace {

class IndicatorViewTest : public ::testing::Test {
  protected:
    IndicatorViewTest() {
        DisplaySnapshot display;
        display.id = "A";
        for (WindowID id : {11, 12, 13}) {
            ColumnSnapshot column;
            WindowSnapshot window;
            window.id = id;
            column.windows = {window};
            display.columns.push_back(column);
        }
        view.setDisplay(display);
        IndicatorPresentation::Handlers handlers;
        handlers.jump = [this](WindowID w) { jumps.push_back(w); };
        handlers.reorder = [this](int from, int to) { reorders.emplace_back(from, to); };
        view.setHandlers(handlers);
        widget = view.widget();
        widget->resize(248, 58);  // three cells, no label: cells from x 55.5
    }
    // The centre of cell i.
    static QPoint cell(int i) { return QPoint(int(55.5 + 46 * i + 23), 29); }

    IndicatorView view{[](std::int32_t) { return Image{}; }};
    QWidget* widget = nullptr;
    std::vector<WindowID> jumps;
    std::vector<std::pair<int, int>> reorders;
};

// Real mouse events reach the gesture rules (their thresholds and slot rounding are the
// controller's unit tests): a click jumps, a drag reorders.
TEST_F(IndicatorViewTest, AClickJumpsAndADragReorders) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, cell(1));
    QTest::mousePress(widget, Qt::LeftButton, {}, cell(0));
    QTest::mouseMove(widget, cell(0) + QPoint(30, 0));
    QTest::mouseMove(widget, cell(0) + QPoint(69, 0));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, cell(0) + QPoint(69, 0));
    EXPECT_EQ(jumps, std::vector<WindowID>{12});
    EXPECT_EQ(reorders, (std::vector<std::pair<int, int>>{{0, 2}}));
}

// The pill lives in a borderless top-level window that never takes the focus, as its surface
// makes it; another window has the keys. Resting the pointer on an icon still shows the column's
// windows, one "App — title" line each, as text.
TEST(IndicatorViewTooltip, RestingOnAnIconShowsItsWindowsThoughThePillNeverHasTheFocus) {
    DisplaySnapshot display;
    display.id = "A";
    ColumnSnapshot column;
    for (auto [id, title] :
         {std::pair<WindowID, const char*>{11, "notes <draft> of e2e-xterm-2"}, {12, "~"}}) {
        WindowSnapshot window;
        window.id = id;
        window.app = "XTerm";
        window.title = title;
        column.windows.push_back(window);
    }
    display.columns = {column};
    IndicatorView view{[](std::int32_t) { return Image{}; }};
    view.setDisplay(display);

    QWidget surface(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                                 Qt::WindowDoesNotAcceptFocus);
    surface.setAttribute(Qt::WA_ShowWithoutActivating);
    QWidget* pill = view.widget();
    pill->setParent(&surface);
    surface.setGeometry(100, 100, 156, 58);  // one column: the cell spans x 55 … 101
    pill->setGeometry(0, 0, 156, 58);
    surface.show();
    QWidget focused;
    focused.setGeometry(400, 400, 100, 100);
    focused.show();
    QApplication::setActiveWindow(&focused);
    ASSERT_FALSE(surface.isActiveWindow());

    QTest::mouseMove(pill, QPoint(78, 29));
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 3000));
    EXPECT_EQ(QToolTip::text().toStdString(),
              "<p style='white-space:pre'>XTerm \u2014 notes &lt;draft&gt; of e2e-xterm-2<br>XTerm "
              "\u2014 ~</p>");
    // One line per window (two lines and the margins), however the words would wrap.
    const int lineHeight = QFontMetrics(QToolTip::font()).height();
    QWidget* tip = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible()) tip = w;
    ASSERT_NE(tip, nullptr);
    EXPECT_LE(tip->height(), 2 * lineHeight + 10);
    QToolTip::hideText();
    pill->setParent(nullptr);  // the view owns its widget
}

// Each application's icon is asked for once while it is shown, and forgotten when its windows
// leave the display: a process id that comes back is asked for again.
TEST(IndicatorViewIcons, KeepsOnlyTheIconsOfApplicationsOnTheDisplay) {
    std::vector<std::int32_t> asked;
    IndicatorView view{[&](std::int32_t pid) {
        asked.push_back(pid);
        Image icon;
        icon.width = icon.height = 1;
        icon.argb = {0xFF0000FFu};
        return icon;
    }};
    const auto displayOf = [](std::vector<std::int32_t> pids) {
        DisplaySnapshot display;
        display.id = "A";
        for (std::int32_t pid : pids) {
            ColumnSnapshot column;
            WindowSnapshot window;
            window.id = WindowID(pid * 10);
            window.pid = pid;
            column.windows = {window};
            display.columns.push_back(column);
        }
        return display;
    };
    QWidget* widget = view.widget();
    widget->resize(248, 58);
    for (int round = 0; round < 3; ++round) {
        view.setDisplay(displayOf({100, 200 + round}));
        (void)widget->grab();  // paints every cell
    }
    EXPECT_EQ(view.cachedIconCount(), 2u);
    view.setDisplay(displayOf({}));
    EXPECT_EQ(view.cachedIconCount(), 0u);
    view.setDisplay(displayOf({100}));
    (void)widget->grab();
    EXPECT_EQ(asked, (std::vector<std::int32_t>{100, 200, 201, 202, 100}));
}

TEST(GapViewTest, ACoverShowsItsSliceOfThePictureAndFrostWithoutOne) {
    // A 40 × 20 picture: left half red, right half blue, on a 40 × 20 screen at x 100.
    auto picture = std::make_shared<Image>();
    picture->width = 40;
    picture->height = 20;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) picture->argb.push_back(x < 20 ? 0xFFFF0000u : 0xFF0000FFu);
    GapView view;
    view.show(picture, Rect(100, 0, 40, 20), Rect(115, 0, 10, 20));
    QWidget* widget = view.widget();
    widget->resize(10, 20);
    QImage image(10, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget->render(&image);
    // The slice covers picture columns 15 … 24: red up to 19, blue from 20.
    EXPECT_EQ(image.pixel(2, 10), 0xFFFF0000u);
    EXPECT_EQ(image.pixel(7, 10), 0xFF0000FFu);

    view.show(nullptr, Rect(100, 0, 40, 20), Rect(115, 0, 10, 20));
    image.fill(Qt::transparent);
    widget->render(&image);
    const QRgb frost = image.pixel(5, 10);
    EXPECT_GT(qAlpha(frost), 150);
    EXPECT_LT(qRed(frost), 80);
}

}  // namespace
}  // namespace brindlow::test
