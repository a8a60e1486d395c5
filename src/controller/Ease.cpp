#include "controller/Ease.h"

#include <algorithm>

namespace brindlow {

double Ease::fraction(double time) const {
    const double u = (time - start) / duration;
    return std::max(u, 0.0);
}

bool Ease::isFinished(double time) const {
    return (time - start) / duration >= 1.0;
}

double Ease::value(double time) const {
    const double s = std::min(fraction(time), 1.0);
    const double s2 = s * s;
    const double s3 = s2 * s;
    const double distance = to - from;
    const double scaledVelocity = velocity * duration;
    return from + distance * (3 * s2 - 2 * s3) + scaledVelocity * (s3 - 2 * s2 + s);
}

double Ease::velocityAt(double time) const {
    const double s = std::min(fraction(time), 1.0);
    const double s2 = s * s;
    const double distance = to - from;
    const double scaledVelocity = velocity * duration;
    return (distance * (6 * s - 6 * s2) + scaledVelocity * (3 * s2 - 4 * s + 1)) / duration;
}

}  // namespace brindlow
