// The tray picture at the sizes trays hand over, checked pixel by pixel: digits that stand apart
// and reach a readable height, a pause sign, a red badge dot, the glyph's three columns.
#include "app/qt/StatusIcon.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <algorithm>

namespace brindlow::test {
namespace {

bool ink(QRgb p) {
    return qAlpha(p) > 200 && qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
}
bool red(QRgb p) {
    return qAlpha(p) > 200 && qRed(p) > 200 && qGreen(p) < 110 && qBlue(p) < 110;
}
bool blue(QRgb p) {
    return qAlpha(p) > 200 && qBlue(p) > 200 && qRed(p) < 140;
}

// Runs of pixels that match, along row `y` between columns `from` and `to` (exclusive).
int runs(const QImage& image, int y, bool (*match)(QRgb), int from = 0, int to = -1) {
    if (to < 0) to = image.width();
    int count = 0;
    bool inside = false;
    for (int x = from; x < to; ++x) {
        const bool hit = match(image.pixel(x, y));
        if (hit && !inside) ++count;
        inside = hit;
    }
    return count;
}

int count(const QImage& image, const QRect& area, bool (*match)(QRgb)) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += match(image.pixel(x, y)) ? 1 : 0;
    return n;
}

// The rows, from `top` down, that hold ink.
std::pair<int, int> inkRows(const QImage& image, int top) {
    int first = -1, last = -1;
    for (int y = top; y < image.height(); ++y)
        if (runs(image, y, ink) > 0) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

StatusIconState position(const char* text, bool badge = false) {
    return {QString::fromLatin1(text), false, badge};
}

class StatusIconAtSize : public ::testing::TestWithParam<int> {
  protected:
    int side() const { return GetParam(); }
    // Below the glyph's band, where the digits are.
    int digitsTop() const { return side() >= 20 ? side() * 2 / 5 : 0; }

    void save(const QImage& image, const char* name) const {
        if (const char* folder = std::getenv("BRINDLOW_SAVE_ICONS"))
            image.save(QStringLiteral("%1/%2-%3.png").arg(folder).arg(name).arg(side()));
    }
};

TEST_P(StatusIconAtSize, ThePositionReadsInDigitsThatStandApartOnTheDarkPlate) {
    const QImage icon = statusIconImage(position("3/4"), side());
    save(icon, "position");
    ASSERT_EQ(icon.size(), QSize(side(), side()));
    const auto [top, bottom] = inkRows(icon, digitsTop());
    ASSERT_GE(top, 0);
    // Digits at least two fifths of the icon high: 7 pixels at 16, 10 at 24.
    EXPECT_GE(bottom - top + 1, side() * 2 / 5) << top << ".." << bottom;
    // Somewhere across the digits, "3", "/" and "4" are separate strokes, not one smudge.
    int most = 0;
    for (int y = top; y <= bottom; ++y) most = std::max(most, runs(icon, y, ink));
    EXPECT_GE(most, 3);
    // Light on dark: the plate beside the digits is near black and opaque.
    const QRgb plate = icon.pixel(1, (top + bottom) / 2);
    EXPECT_EQ(qAlpha(plate), 255);
    EXPECT_LT(qGray(plate), 60);

    // Another first digit changes the left part of the picture only.
    const QImage other = statusIconImage(position("8/4"), side());
    const QRect left(0, top, side() / 3, bottom - top + 1);
    EXPECT_NE(icon.copy(left), other.copy(left));
}

TEST_P(StatusIconAtSize, ABadgeIsARedDotInTheTopRightCornerOfEveryState) {
    const int s = side();
    const QRect topRight(s / 2, 0, s - s / 2, s / 2);
    const QRect rest(0, s / 2, s, s - s / 2);
    for (const StatusIconState& state :
         {StatusIconState{}, position("3/4"), StatusIconState{QString(), true, false}}) {
        const QImage plain = statusIconImage(state, s);
        StatusIconState marked = state;
        marked.badge = true;
        const QImage badged = statusIconImage(marked, s);
        save(badged, state.paused ? "paused-badge" : state.position.isEmpty() ? "badge" : "both");
        EXPECT_EQ(count(plain, plain.rect(), red), 0);
        // A dot of about 10 pixels at 24: over a tenth of the corner's quarter.
        EXPECT_GE(count(badged, topRight, red), s * s / 40);
        EXPECT_EQ(count(badged, rest, red), 0);
    }
}

TEST_P(StatusIconAtSize, PausedIsTwoBarsOnALighterPlate) {
    const int s = side();
    const QImage paused = statusIconImage(StatusIconState{QString(), true, false}, s);
    const QImage tiling = statusIconImage(StatusIconState{}, s);
    save(paused, "paused");
    EXPECT_EQ(runs(paused, s / 2, ink), 2);
    EXPECT_EQ(count(paused, paused.rect(), blue), 0);
    EXPECT_GT(qGray(paused.pixel(2, s / 2)), qGray(tiling.pixel(2, s / 2)) + 40);
}

TEST_P(StatusIconAtSize, TheGlyphIsThreeColumnsWithTheMiddleOneBlue) {
    const int s = side();
    const QImage glyph = statusIconImage(StatusIconState{}, s);
    save(glyph, "glyph");
    EXPECT_EQ(glyph, appIconImage(s));
    EXPECT_EQ(runs(glyph, s / 2, ink), 2);
    EXPECT_EQ(runs(glyph, s / 2, blue), 1);
    // The blue one between the two light ones.
    int firstInk = -1, firstBlue = -1, lastInk = -1;
    for (int x = 0; x < s; ++x) {
        const QRgb p = glyph.pixel(x, s / 2);
        if (ink(p)) {
            if (firstInk < 0) firstInk = x;
            lastInk = x;
        }
        if (blue(p) && firstBlue < 0) firstBlue = x;
    }
    EXPECT_LT(firstInk, firstBlue);
    EXPECT_LT(firstBlue, lastInk);
}

TEST_P(StatusIconAtSize, TheTrayIconIsDrawnAtTheSizeTheTrayAsksFor) {
    const int s = side();
    const QIcon icon = statusIcon(position("3/4"));
    const QImage drawn = statusIconImage(position("3/4"), s);
    EXPECT_EQ(icon.pixmap(QSize(s, s)).toImage().convertToFormat(drawn.format()), drawn);
    // A cell taller than wide (trayer's 24 × 28): the square, centred.
    const QImage cell = icon.pixmap(QSize(s, s + 4)).toImage().convertToFormat(drawn.format());
    ASSERT_EQ(cell.size(), QSize(s, s + 4));
    EXPECT_EQ(cell.copy(0, 2, s, s), drawn);
    EXPECT_EQ(qAlpha(cell.pixel(s / 2, 0)), 0);
}

INSTANTIATE_TEST_SUITE_P(TraySizes, StatusIconAtSize, ::testing::Values(16, 22, 24, 32),
                         [](const auto& row) { return std::to_string(row.param) + "px"; });

struct TitleCase {
    const char* title;
    bool disabled;
    StatusIconState state;
};

class StatusTitles : public ::testing::TestWithParam<TitleCase> {};

TEST_P(StatusTitles, TheTitleSaysWhatTheIconShows) {
    const TitleCase& c = GetParam();
    EXPECT_EQ(statusIconState(QString::fromUtf8(c.title), c.disabled), c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, StatusTitles,
    ::testing::Values(TitleCase{"", false, {}}, TitleCase{" 3/5", false, {"3/5", false, false}},
                      TitleCase{" 12/15 \u25CF", false, {"12/15", false, true}},
                      TitleCase{" \u2016", true, {QString(), true, false}},
                      TitleCase{" \u2016 \u25CF", true, {QString(), true, true}},
                      TitleCase{" \u25CF", false, {QString(), false, true}}));

}  // namespace
}  // namespace brindlow::test
