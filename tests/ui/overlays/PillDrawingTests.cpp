// The pill's drawing, rendered offscreen: digits that keep their width, and the pin mark.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <cmath>

#include "overlays/IndicatorView.h"
#include "overlays/TabularDigits.h"

namespace brindlow::test {
namespace {

DisplaySnapshot displayOf(int columns, std::optional<int> focused, std::vector<bool> pins = {}) {
    DisplaySnapshot display;
    display.id = "A";
    for (int i = 0; i < columns; ++i) {
        ColumnSnapshot column;
        WindowSnapshot window;
        window.id = WindowID(100 + i);
        column.windows = {window};
        if (std::size_t(i) < pins.size() && pins[std::size_t(i)]) column.pin = Pin::left;
        display.columns.push_back(column);
    }
    display.focusedIndex = focused;
    return display;
}

QImage renderPill(const DisplaySnapshot& display) {
    IndicatorView view{[](std::int32_t) { return Image{}; }};
    view.setDisplay(display);
    QWidget* widget = view.widget();
    const QSize size(int(46 * display.columns.size() + 110), 58);
    widget->resize(size);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget->render(&image);
    return image;
}

// The rightmost column holding a pixel of the label (light text on the dark fill).
int labelRightEdge(const QImage& image, int from) {
    int right = -1;
    for (int x = from; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qRed(image.pixel(x, y)) > 90) right = x;
    return right;
}

// An installed family whose digits differ in width, so that the test can tell (the usual text
// fonts of a Debian system all have tabular digits; the URW dingbats font does not).
std::optional<QString> proportionalDigitFamily() {
    for (const QString& family : QFontDatabase::families()) {
        QFont font(family);
        font.setPixelSize(13);
        const QFontMetricsF metrics(font);
        if (std::abs(metrics.horizontalAdvance('1') - metrics.horizontalAdvance('8')) > 0.5)
            return family;
    }
    return std::nullopt;
}

class TabularDigitsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto family = proportionalDigitFamily();
        ASSERT_TRUE(family) << "no installed font with proportional digits";
        saved_ = QApplication::font();
        QFont font(*family);
        QApplication::setFont(font);
    }
    void TearDown() override { QApplication::setFont(saved_); }

  private:
    QFont saved_;
};

TEST_F(TabularDigitsTest, OneOfNineAndEightOfNineTakeTheSameWidthInThePill) {
    QFont font;
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    EXPECT_EQ(tabularWidth(font, "1 of 9"), tabularWidth(font, "8 of 9"));

    // Nine columns: the cells end at 55 + 9 × 46 = 469 when the label's width does not move them.
    const QImage one = renderPill(displayOf(9, 0));
    const QImage eight = renderPill(displayOf(9, 7));
    const int edge = labelRightEdge(one, 470);
    EXPECT_GT(edge, 480);
    EXPECT_EQ(edge, labelRightEdge(eight, 470));
}

TEST_F(TabularDigitsTest, TheSizeBarFiguresKeepTheirWidth) {
    TabularLabel label;
    label.setText("Screen 1111 pt");
    const QSize ones = label.sizeHint();
    label.setText("Screen 8888 pt");
    EXPECT_EQ(label.sizeHint(), ones);
    label.setText("Screen 88888 pt");
    EXPECT_GT(label.sizeHint().width(), ones.width());
}

int whitePixels(const QImage& image, QRect box) {
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (qRed(image.pixel(x, y)) > 200 && qBlue(image.pixel(x, y)) > 200) ++count;
    return count;
}

// Two columns of one window on a 202-point pill: the first icon group spans x 59 … 97 and
// y 10 … 48, so its pin box is 8 × 8 at (61, 42); the second column's would be at (107, 42).
TEST(PillPinTest, APinnedColumnShowsAPushpinAtTheGroupsLowerLeftCorner) {
    const QImage image = renderPill(displayOf(2, std::nullopt, {true, false}));
    EXPECT_GT(whitePixels(image, QRect(61, 42, 8, 8)), 12);
    EXPECT_EQ(whitePixels(image, QRect(107, 42, 8, 8)), 0);
    // The head to the upper right, the needle's point to the lower left, open corners between.
    EXPECT_GT(qRed(image.pixel(66, 44)), 200);
    EXPECT_GT(qRed(image.pixel(62, 48)), 150);
    EXPECT_LT(qRed(image.pixel(61, 42)), 120);
    EXPECT_LT(qRed(image.pixel(68, 49)), 120);
}

TEST(PillPinTest, TheIconThemesPinWhenItHasOne) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QDir(root.path()).mkpath("brindlow-test/apps");
    QFile index(root.path() + "/brindlow-test/index.theme");
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write(
        "[Icon Theme]\nName=Test\nDirectories=apps\n\n"
        "[apps]\nSize=16\nMinSize=1\nMaxSize=256\nType=Scalable\n");
    index.close();
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(QColor(255, 0, 0));
    ASSERT_TRUE(red.save(root.path() + "/brindlow-test/apps/pin.png"));
    const QStringList savedPaths = QIcon::themeSearchPaths();
    const QString savedTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths({root.path()});
    QIcon::setThemeName("brindlow-test");

    const QImage image = renderPill(displayOf(1, std::nullopt, {true}));
    QIcon::setThemeSearchPaths(savedPaths);
    QIcon::setThemeName(savedTheme);
    // One column on a 156-point pill: the group spans x 59 … 97, y 10 … 48; the pin box (61, 42).
    for (QPoint p : {QPoint(62, 43), QPoint(68, 49)}) {
        const QRgb pixel = image.pixel(p);
        EXPECT_GT(qRed(pixel), 200) << p.x() << "," << p.y();
        EXPECT_LT(qGreen(pixel), 60) << p.x() << "," << p.y();
    }
}

}  // namespace
}  // namespace brindlow::test
