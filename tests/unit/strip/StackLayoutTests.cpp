// How a stack shares its column's height: weights, minimum heights, the room below the band, and
// the gap bands a window that cannot shrink leaves behind.

#include <gtest/gtest.h>

#include "strip/LayoutEngine.h"

namespace brindlow {
namespace {

namespace LE = LayoutEngine;
using Heights = std::vector<double>;
using Slots = std::vector<LE::StackSlot>;
using Bands = std::vector<LE::StackBand>;

TEST(StackHeights, WeightsShareWhatTheMinimumsLeave) {
    EXPECT_EQ(LE::stackHeights(Heights{2, 1}, Heights{0, 0}, 900), (Heights{600, 300}));
    // 326.67 each rounds up; the last absorbs the difference.
    EXPECT_EQ(LE::stackHeights(Heights{1, 1, 1}, Heights{0, 0, 0}, 980), (Heights{327, 327, 326}));
    EXPECT_TRUE(LE::stackHeights(Heights{}, Heights{}, 500).empty());
    // Minimums are fixed and the rest is shared.
    EXPECT_EQ(LE::stackHeights(Heights{1, 1}, Heights{700, 0}, 990), (Heights{700, 290}));
    EXPECT_EQ(LE::stackHeights(Heights{1, 1, 1}, Heights{0, 0, 0}, 250), (Heights{100, 100, 100}));
    EXPECT_EQ(LE::stackHeights(Heights{1, 3}, Heights{0, 0}, 300), (Heights{100, 200}));
    EXPECT_EQ(LE::stackHeights(Heights{1, 1}, Heights{}, 600), (Heights{300, 300}));
    // Broken weights still give usable heights.
    EXPECT_EQ(LE::stackHeights(Heights{0, -5}, Heights{0, 0}, 400), (Heights{200, 200}));
    EXPECT_EQ(LE::stackHeights(Heights{std::nan(""), 1}, Heights{0, 0}, 400), (Heights{100, 300}));
    for (double h : LE::stackHeights(Heights{1, 1}, Heights{0, 0}, -500)) EXPECT_GE(h, 1);
}

TEST(StackFrames, EveryFrameAndGapBand) {
    using F = LE::StackFrames;
    // The last window ends at the bottom of the band.
    EXPECT_EQ(LE::stackFrames(Heights{1, 1, 1}, Heights{0, 0, 0}, 1, 50, 1000, 10, 0),
              (F{Slots{{50, 327}, {387, 327}, {724, 326}}, {}}));
    // The others keep sixty points when the active window needs more.
    EXPECT_EQ(LE::stackFrames(Heights{1, 1, 1}, Heights{2000, 0, 0}, 0, 0, 1000, 10, 0),
              (F{Slots{{0, 1000}, {870, 60}, {940, 60}}, Bands{{860, 0}}}));
    // The last window needs 5 points more than its slot: it grows up into the gap above it,
    // short of the slot above.
    EXPECT_EQ(LE::stackFrames(Heights{1, 1, 1}, Heights{2000, 0, 65}, 0, 0, 1000, 10, 0),
              (F{Slots{{0, 1000}, {870, 60}, {935, 65}}, Bands{{860, 0}, {930, 2}}}));
    // An unshrinkable middle window intrudes into both gaps.
    EXPECT_EQ(LE::stackFrames(Heights{1, 1, 1}, Heights{0, 900, 900}, 0, 0, 1000, 10, 0),
              (F{Slots{{0, 327}, {0, 900}, {100, 900}}, Bands{{327, 1}, {663, 1}}}));
    // A single window taller than the band is clamped into it, room below or not.
    EXPECT_EQ(LE::stackFrames(Heights{1}, Heights{1500}, 0, 20, 1000, 10, 500),
              (F{Slots{{20, 1000}}, {}}));
    EXPECT_EQ(LE::stackFrames(Heights{}, Heights{}, 0, 0, 1000, 10, 0), F{});
}

}  // namespace
}  // namespace brindlow
