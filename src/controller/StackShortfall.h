#pragma once

#include <vector>

#include "controller/WindowRecords.h"
#include "strip/Strip.h"
#include "strip/StripLayout.h"

namespace brindlow {

// A stacked window that takes less height than its row (whole character rows) would leave more
// than a gap between it and the window below. Each such window whose row is again the height it
// took less of is given the height it takes, and the window below starts one gap under it and
// grows by the difference, as the next column moves closer to a narrower one. Top to bottom, so a
// row that was given more height is judged at that height. The last row has no neighbour below
// and keeps its row. Stacks whose rows do not follow one another with one gap between them
// (windows that cannot fit and overlap) are left as they are.
void giveStackShortfalls(std::vector<Placement>& placements, const Strip& strip,
                         const WindowRecords& records, double gap);

}  // namespace brindlow
