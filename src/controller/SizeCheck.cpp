#include "controller/SizeCheck.h"

#include <cmath>

namespace brindlow {

SizeCheck::Verdict SizeCheck::judge(const Rect& live) const {
    const double size = sizeOf(live);
    const bool narrower = dimension == Dimension::width && size <= sent() - kNarrowerWidth;
    if (size <= sent() + kTolerance && !narrower) return Verdict::tookIt;
    if (std::fabs(size - observed) >= kTolerance) return Verdict::stillMoving;
    return askedAgain ? Verdict::refused : Verdict::askAgain;
}

}  // namespace brindlow
