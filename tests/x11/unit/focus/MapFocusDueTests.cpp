#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/x11/focus/MapFocusDue.h"

namespace brindlow {
namespace {

using std::chrono::milliseconds;

// Window 0xb listed at t0, asked about `askedAfter` later.
struct DueCase {
    std::string name;
    std::function<void(MapFocusDue&, MapFocusDue::Clock::time_point t0)> since;
    milliseconds askedAfter;
    std::optional<milliseconds> awaited;
};

class MapFocusDueFor : public ::testing::TestWithParam<DueCase> {};

TEST_P(MapFocusDueFor, TheNewWindow) {
    const MapFocusDue::Clock::time_point t0{};
    MapFocusDue due;
    due.listed(0xb, t0);
    GetParam().since(due, t0);
    const auto left = due.awaitedFor(0xb, t0 + GetParam().askedAfter);
    if (!GetParam().awaited) {
        EXPECT_FALSE(left);
    } else {
        ASSERT_TRUE(left);
        EXPECT_EQ(std::chrono::duration_cast<milliseconds>(*left), *GetParam().awaited);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MapFocusDueFor,
    ::testing::Values(
        DueCase{"JustListed", [](MapFocusDue&, auto) {}, milliseconds(0), milliseconds(1000)},
        DueCase{"AMomentLater", [](MapFocusDue&, auto) {}, milliseconds(400), milliseconds(600)},
        // The window manager has had as long as it takes to focus a window it maps.
        DueCase{"ASecondLater", [](MapFocusDue&, auto) {}, milliseconds(1000), std::nullopt},
        DueCase{"FocusedSince", [](MapFocusDue& d, auto) { d.ended(0xb); }, milliseconds(40),
                std::nullopt},
        // Another window's focus is no answer for this one's map.
        DueCase{"AnotherFocusedSince", [](MapFocusDue& d, auto) { d.ended(0xc); }, milliseconds(40),
                milliseconds(960)},
        // The id came back for a window listed anew.
        DueCase{"ListedAgain",
                [](MapFocusDue& d, auto t0) {
                    d.ended(0xb);
                    d.listed(0xb, t0 + milliseconds(900));
                },
                milliseconds(1000), milliseconds(900)}),
    [](const auto& row) { return row.param.name; });

TEST(MapFocusDue, NothingIsAwaitedForAWindowNeverListed) {
    EXPECT_FALSE(MapFocusDue().awaitedFor(0xb, MapFocusDue::Clock::time_point{}));
}

}  // namespace
}  // namespace brindlow
