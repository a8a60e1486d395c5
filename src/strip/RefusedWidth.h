#pragma once

namespace brindlow {

// A width the column asked its window to take and the width the window kept instead. While the
// computed width stays within 1 point of `requested`, the column is laid out at `accepted`.
struct RefusedWidth {
    double requested = 0;
    double accepted = 0;

    friend bool operator==(const RefusedWidth&, const RefusedWidth&) = default;
};

}  // namespace brindlow
