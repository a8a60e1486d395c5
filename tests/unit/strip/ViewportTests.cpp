#include <gtest/gtest.h>

#include "strip/Viewport.h"
#include "unit/strip/StripBuilders.h"

namespace brindlow {
namespace {

using test::column;
using test::left;

Strip scrolled(Strip strip, double offset) {
    strip.scrollOffset = offset;
    return strip;
}

// Four half-width columns in a viewport 1000 wide, no gaps: they start at 0, 500, 1000 and 1500.
Strip halves(std::optional<int> focused, double offset = 0) {
    return scrolled(test::strip({column({1}), column({2}), column({3}), column({4})}, focused),
                    offset);
}

struct MaxCase {
    const char* name;
    Strip strip;
    double gap;
    double outerGap;
    double expected;
};

class ViewportMaxOffset : public testing::TestWithParam<MaxCase> {};

TEST_P(ViewportMaxOffset, IsTheUnpinnedRunPastTheViewport) {
    const MaxCase& c = GetParam();
    EXPECT_DOUBLE_EQ(Viewport::maxOffset(c.strip, 1000, c.gap, c.outerGap), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewportMaxOffset,
    testing::Values(MaxCase{"FourHalves", halves(0), 0, 0, 1000},
                    MaxCase{"OneHalfFits", test::strip({column({1})}, 0), 0, 0, 0},
                    MaxCase{"Empty", Strip{}, 0, 0, 0},
                    // Halves of 1000 less both outer gaps and one gap are 485 wide, from 10,
                    // 505, 1000 and 1495: the run ends at 1980, plus the outer gap.
                    MaxCase{"Gaps", halves(0), 10, 10, 990},
                    MaxCase{"NegativeGapsCountAsNone", halves(0), -5, -5, 1000},
                    MaxCase{"OnlyPinned", test::strip({left({1}), left({2})}, 0), 0, 0, 0}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

struct ClampCase {
    const char* name;
    Strip strip;
    CenterMode mode;
    double expected;
};

class ViewportClamp : public testing::TestWithParam<ClampCase> {};

TEST_P(ViewportClamp, BringsTheFocusedColumnIntoView) {
    const ClampCase& c = GetParam();
    EXPECT_DOUBLE_EQ(Viewport::clampedOffset(c.strip, 1000, 0, 0, c.mode), c.expected);
}

Strip fullWidthThird(double offset) {
    Strip result = halves(2, offset);
    result.columns[2].isFullWidth = true;
    return result;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewportClamp,
    testing::Values(
        ClampCase{"NoFocusScrollsHome", halves(std::nullopt, 700), CenterMode::never, 0},
        ClampCase{"VisibleStays", halves(1, 300), CenterMode::never, 300},
        ClampCase{"RightOverflowShowsItsRightEdge", halves(3, 0), CenterMode::never, 1000},
        ClampCase{"LeftOverflowShowsItsLeftEdge", halves(0, 400), CenterMode::never, 0},
        ClampCase{"AlwaysCentres", halves(1, 0), CenterMode::always, 250},
        ClampCase{"AlwaysCentresWithinRange", halves(3, 0), CenterMode::always, 1000},
        ClampCase{"OnOverflowKeepsAVisibleColumn", halves(1, 0), CenterMode::onOverflow, 0},
        ClampCase{"OnOverflowCentresWhenItMoves", halves(2, 0), CenterMode::onOverflow, 750},
        ClampCase{"FullWidthAlignsItsLeftEdge", fullWidthThird(0), CenterMode::always, 1000},
        ClampCase{"PinnedFocusOnlyClamps",
                  scrolled(test::strip({left({1}), column({2}), column({3})}, 0), 900),
                  CenterMode::always, 0},
        ClampCase{"FocusOutOfRangeOnlyClamps", halves(7, 1400), CenterMode::never, 1000}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

struct CentreCase {
    const char* name;
    Strip strip;
    std::optional<double> expected;
};

class ViewportCentre : public testing::TestWithParam<CentreCase> {};

TEST_P(ViewportCentre, PutsTheFocusedColumnMidViewportWithinRange) {
    const CentreCase& c = GetParam();
    EXPECT_EQ(Viewport::centredOffset(c.strip, 1000, 0, 0), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewportCentre,
    testing::Values(CentreCase{"Third", halves(2), 750}, CentreCase{"First", halves(0), 0},
                    CentreCase{"Last", halves(3), 1000},
                    CentreCase{"FullWidthLeftEdge", fullWidthThird(0), 1000},
                    CentreCase{"NoFocus", halves(std::nullopt), std::nullopt},
                    CentreCase{"PinnedKeepsTheOffsetClamped",
                               scrolled(test::strip({left({1}), column({2}, {}, 0.3)}, 0), 400),
                               0}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

}  // namespace
}  // namespace brindlow
