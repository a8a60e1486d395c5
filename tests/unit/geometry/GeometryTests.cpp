#include <gtest/gtest.h>

#include <cmath>

#include "geometry/Geometry.h"
#include "geometry/Rounding.h"

using namespace brindlow;

TEST(Rounding, HalvesGoAwayFromZero) {
    EXPECT_EQ(roundHalfAway(2.5), 3);
    EXPECT_EQ(roundHalfAway(-2.5), -3);
    EXPECT_EQ(roundHalfAway(2.49), 2);
    EXPECT_EQ(roundHalfAway(-0.4), 0);
    EXPECT_DOUBLE_EQ(roundHalfAway(0.125, 2), 0.13);
    EXPECT_DOUBLE_EQ(roundHalfAway(-0.125, 2), -0.13);
    EXPECT_DOUBLE_EQ(roundHalfAway(1.0 / 3.0, 2), 0.33);
    // 1.005 is stored just below 1.005: its scaled value 100.49999... rounds down.
    EXPECT_DOUBLE_EQ(roundHalfAway(1.005, 2), 1.0);
}

// The fast path must agree with the library's rounding at its edges: the largest double below
// one half, halves near 2^52, the sign of zero, and values it hands over (huge, infinite, NaN).
TEST(Rounding, AgreesWithTheLibraryAtTheEdges) {
    const double values[] = {
        0.49999999999999994, -0.49999999999999994, -0.3,  -0.0,    0.5, -0.5, 4503599627370495.5,
        -4503599627370495.5, 4503599627370497.0,   1e300, INFINITY};
    for (const double value : values) {
        EXPECT_EQ(roundHalfAway(value), std::round(value)) << value;
        EXPECT_EQ(std::signbit(roundHalfAway(value)), std::signbit(std::round(value))) << value;
    }
    EXPECT_TRUE(std::isnan(roundHalfAway(NAN)));
}

TEST(Rect, EdgesOfNegativeSizesAreStandardized) {
    const Rect r(100, 50, -40, -20);
    EXPECT_EQ(r.minX(), 60);
    EXPECT_EQ(r.maxX(), 100);
    EXPECT_EQ(r.minY(), 30);
    EXPECT_EQ(r.maxY(), 50);
}

TEST(Rect, ContainsIsHalfOpen) {
    const Rect r(0, 0, 100, 50);
    EXPECT_TRUE(r.contains(Point{0, 0}));
    EXPECT_TRUE(r.contains(Point{99.9, 49.9}));
    EXPECT_FALSE(r.contains(Point{100, 10}));
    EXPECT_FALSE(r.contains(Point{10, 50}));
    EXPECT_TRUE(r.contains(Rect(0, 0, 100, 50)));
    EXPECT_FALSE(r.contains(Rect(1, 0, 100, 50)));
    EXPECT_FALSE(Rect().contains(Point{0, 0}));
}

TEST(Rect, IntersectsNeedsPositiveArea) {
    const Rect a(0, 0, 100, 100);
    EXPECT_FALSE(a.intersects(Rect(100, 0, 50, 50)));  // touching edge
    EXPECT_FALSE(a.intersects(Rect(50, 50, 0, 10)));   // empty
    EXPECT_TRUE(a.intersects(Rect(99, 99, 5, 5)));
    EXPECT_EQ(a.intersection(Rect(50, 60, 100, 100)), Rect(50, 60, 50, 40));
    EXPECT_EQ(a.intersection(Rect(200, 0, 10, 10)), Rect());
}

TEST(Rect, InsetAndIntegral) {
    EXPECT_EQ(Rect(0, 0, 100, 50).insetBy(10, 5), Rect(10, 5, 80, 40));
    EXPECT_EQ(Rect(0, 0, 100, 50).insetBy(-2, -2), Rect(-2, -2, 104, 54));
    EXPECT_EQ(Rect(0.5, 1.2, 10.2, 3.1).integral(), Rect(0, 1, 11, 4));
    EXPECT_EQ(Rect(-0.5, -1.5, 1, 1).integral(), Rect(-1, -2, 2, 2));
}
