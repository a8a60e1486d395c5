// The overlays' pixels, rendered offscreen: relations between regions, not font-exact sizes.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <functional>

#include "overlays/IndicatorView.h"
#include "overlays/OverlayContents.h"
#include "overlays/TabularDigits.h"
#include "overlays/ToastView.h"

namespace brindlow::test {
namespace {

QImage render(QWidget& widget, QSize size) {
    widget.resize(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool isBlue(QRgb pixel) {
    return qAlpha(pixel) > 200 && qBlue(pixel) > 200 && qRed(pixel) < 120;
}

TEST(BorderViewTest, AStrokeOfTheWidthJustInsideTheEdgeWithRoundedCornersAndNothingFilled) {
    BorderContent border;
    border.setStroke(3, kBorderFallbackColor);
    const QImage image = render(*border.widget(), QSize(806, 606));
    // The 3-point stroke covers x 0…3 on the left edge at mid-height.
    EXPECT_TRUE(isBlue(image.pixel(1, 303)));
    EXPECT_EQ(qAlpha(image.pixel(4, 303)), 0);
    EXPECT_EQ(qAlpha(image.pixel(403, 303)), 0);
    EXPECT_TRUE(isBlue(image.pixel(403, 604)));
    // Radius 11.5: the very corner stays clear.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(805, 605)), 0);

    EXPECT_FALSE(border.setStroke(3, kBorderFallbackColor));
    EXPECT_TRUE(border.setStroke(8, Color{1, 0, 0, 1}));
    const QImage wide = render(*border.widget(), QSize(806, 606));
    EXPECT_GT(qRed(wide.pixel(7, 303)), 200);
    EXPECT_EQ(qAlpha(wide.pixel(9, 303)), 0);
}

TEST(DotViewTest, ARedDiscInsideAWhiteRing) {
    DotContent dot;
    const QImage image = render(*dot.widget(), QSize(16, 16));
    const QRgb centre = image.pixel(8, 8);
    EXPECT_GT(qRed(centre), 230);
    EXPECT_LT(qGreen(centre), 90);
    const QRgb ring = image.pixel(8, 1);
    EXPECT_GT(qGreen(ring), 200);
    EXPECT_GT(qBlue(ring), 200);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
}

class ToastViewTest : public ::testing::Test {
  protected:
    QImage show(const ToastMessage& message) {
        view.setMessage(message);
        const Size size = view.fittingSize();
        return render(*view.widget(), QSize(int(size.width), int(size.height)));
    }
    ToastView view;
};

TEST_F(ToastViewTest, TitleAndDetailArePlainTextAndTheHeightFitsTheContent) {
    show({"<b>Editor</b>", "short", std::nullopt, std::nullopt});
    const Size small = view.fittingSize();
    EXPECT_EQ(small.width, 380);
    bool literal = false;
    for (QLabel* label : view.widget()->findChildren<QLabel*>()) {
        if (label->text() == "<b>Editor</b>") literal = label->textFormat() == Qt::PlainText;
    }
    EXPECT_TRUE(literal);

    show({"Editor", std::string(400, 'x') + " words that wrap over several lines of the toast",
          std::nullopt, std::nullopt});
    EXPECT_GT(view.fittingSize().height, small.height);
}

TEST_F(ToastViewTest, TheSizeBarShowsOnlyWhenTheScreenHasLessThanNeeded) {
    show({"Too wide", "detail", 1000, 1000});
    const double without = view.fittingSize().height;
    const QImage image = show({"Too wide", "detail", 2000, 1000});
    EXPECT_GT(view.fittingSize().height, without);
    QStringList texts;
    for (QLabel* label : view.widget()->findChildren<QLabel*>()) {
        if (label->isVisibleTo(view.widget())) texts << label->text();
    }
    // The figures are drawn with steady digits by a label of our own.
    for (QWidget* child : view.widget()->findChildren<QWidget*>()) {
        auto* label = dynamic_cast<TabularLabel*>(child);
        if (label && label->isVisibleTo(view.widget())) texts << label->text();
    }
    EXPECT_TRUE(texts.contains("Screen 1000 pt"));
    EXPECT_TRUE(texts.contains("Needed 2000 pt"));

    // Along the bar: grey on the left half, orange on the right half.
    int orangeLeft = 0, orangeRight = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 70; x < 366; ++x) {
            const QRgb p = image.pixel(x, y);
            const bool orange =
                qRed(p) > 200 && qGreen(p) > 110 && qGreen(p) < 180 && qBlue(p) < 60;
            if (orange && x < 200) ++orangeLeft;
            if (orange && x > 240) ++orangeRight;
        }
    }
    EXPECT_GT(orangeRight, 100);
    EXPECT_LT(orangeLeft, orangeRight / 4);
}

// How much of a white page comes through at `at` compared with a black one: nothing blurs behind
// our windows, so whatever busy text lies below must not show through the material.
int showThrough(QWidget& widget, QSize size, QPoint at) {
    widget.resize(size);
    const auto over = [&](Qt::GlobalColor page) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(page);
        widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image.pixel(at);
    };
    const QRgb white = over(Qt::white);
    const QRgb black = over(Qt::black);
    return std::max(
        {qRed(white) - qRed(black), qGreen(white) - qGreen(black), qBlue(white) - qBlue(black)});
}

struct MaterialRow {
    const char* name;
    std::function<int()> measure;
};
void PrintTo(const MaterialRow& row, std::ostream* out) {
    *out << row.name;
}

class OverlayMaterial : public ::testing::TestWithParam<MaterialRow> {};

// As opaque as the panels' material: 4 of 255 come through (alpha 251), not the 30 or 25 of a
// frosted look that nothing blurs.
TEST_P(OverlayMaterial, LetsAsLittleThroughAsThePanels) {
    EXPECT_EQ(GetParam().measure(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Overlays, OverlayMaterial,
    ::testing::Values(MaterialRow{"IndicatorPill",
                                  [] {
                                      IndicatorView view{[](std::int32_t) { return Image{}; }};
                                      DisplaySnapshot display;
                                      display.columns.resize(2);
                                      display.columns[0].windows.resize(1);
                                      display.columns[1].windows.resize(1);
                                      view.setDisplay(display);
                                      // Left of the first cell (x 55), clear of the rounded
                                      // corners.
                                      return showThrough(*view.widget(), QSize(202, 58),
                                                         QPoint(20, 29));
                                  }},
                      MaterialRow{
                          "Toast",
                          [] {
                              ToastView view;
                              view.setMessage({"Too wide", "detail", std::nullopt, std::nullopt});
                              const int height = int(view.fittingSize().height);
                              // Left of the symbol (x 14), inside the 1-point edge line.
                              return showThrough(*view.widget(), QSize(380, height),
                                                 QPoint(7, height / 2));
                          }}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
