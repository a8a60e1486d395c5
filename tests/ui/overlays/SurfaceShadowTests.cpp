// The drop shadow under a surface's content, drawn only where a compositor blends.
#include "platform/x11/overlay/SurfaceShadow.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace brindlow::test {
namespace {

// A 16 × 16 opaque disc, like a badge dot.
QImage disc() {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawEllipse(QRectF(0, 0, 16, 16));
    return image;
}

TEST(SurfaceShadowTest, ASoftShadowFallsBelowTheContentAndNothingUnderIt) {
    const QImage shadow = SurfaceShadow::render(disc());
    ASSERT_EQ(shadow.size(), QSize(40, 40));  // 12 more on every side
    const auto alphaAt = [&](int x, int y) { return qAlpha(shadow.pixel(x, y)); };
    // The content spans 12 … 28; the shadow is strongest just below it and weaker above it.
    EXPECT_GT(alphaAt(20, 29), 60);
    EXPECT_GT(alphaAt(20, 29), alphaAt(20, 10) + 30);
    EXPECT_GT(alphaAt(20, 33), 0);
    // Black, fading out before the window's edge, and not under the content.
    EXPECT_EQ(qRed(shadow.pixel(20, 29)), 0);
    EXPECT_EQ(alphaAt(0, 0), 0);
    EXPECT_LT(alphaAt(20, 39), 8);
    EXPECT_EQ(alphaAt(20, 20), 0);
}

}  // namespace
}  // namespace brindlow::test
