#pragma once

#include <cmath>
#include <sstream>
#include <string>

#include "strip/Strip.h"

namespace brindlow::test {

// Every broken invariant of one strip, as text (empty when sound): pin blocks contiguous, stacks
// of one to three windows with a weight each, rows, focus and widths in range.
inline std::string brokenInvariants(const Strip& s) {
    std::ostringstream problems;
    const int n = static_cast<int>(s.columns.size());
    const int left = s.leftPinnedCount();
    const int right = s.rightPinnedCount();
    if (left + right > n) problems << "pin blocks overlap; ";
    for (int c = 0; c < n; ++c) {
        const Column& column = s.columns[static_cast<std::size_t>(c)];
        const int rows = static_cast<int>(column.windows.size());
        if (c >= left && c < n - right && column.pin)
            problems << "pin outside its block " << c << "; ";
        if (rows == 0) problems << "empty column " << c << "; ";
        if (rows > 3) problems << "stack of " << rows << " in column " << c << "; ";
        if (column.weights.size() != column.windows.size())
            problems << "weights out of step in column " << c << "; ";
        if (column.activeIndex < 0 || column.activeIndex >= rows)
            problems << "active row " << column.activeIndex << " in column " << c << "; ";
        if (!std::isfinite(column.widthFraction) || column.widthFraction <= 0)
            problems << "width " << column.widthFraction << " in column " << c << "; ";
    }
    if (s.focusedIndex && (*s.focusedIndex < 0 || *s.focusedIndex >= n))
        problems << "focus " << *s.focusedIndex << " of " << n << "; ";
    if (n > 0 && !s.focusedIndex) problems << "columns without focus; ";
    if (n == 0 && s.focusedIndex) problems << "focus without columns; ";
    return problems.str();
}

}  // namespace brindlow::test
