#include "controller/SizeCheck.h"

#include <cmath>

namespace brindlow {

SizeCheck::Verdict SizeCheck::judge(const Rect& live) const {
    const double size = sizeOf(live);
    if (size <= sent() + kTolerance && size > sent() - kSmaller) return Verdict::tookIt;
    if (std::fabs(size - observed) >= kTolerance) return Verdict::stillMoving;
    return askedAgain ? Verdict::refused : Verdict::askAgain;
}

}  // namespace brindlow
