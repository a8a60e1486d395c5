#pragma once

// What every _NET_MOVERESIZE_WINDOW and _NET_ACTIVE_WINDOW request of ours says of itself.
#include <xcb/xcb_ewmh.h>

#include <cmath>
#include <cstdint>

namespace brindlow::moveresize {

constexpr std::uint32_t kSourcePager = 2;  // "source indication": a pager or assistive tool
constexpr std::uint32_t kPositionFlags =
    XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y;
constexpr std::uint32_t kSizeFlags =
    XCB_EWMH_MOVERESIZE_WINDOW_WIDTH | XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT;

// Points to whole pixels, as the requests carry them.
inline long whole(double value) {
    return std::lround(value);
}

}  // namespace brindlow::moveresize
