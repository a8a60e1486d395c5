#include "controller/DisplayChoice.h"

#include <cmath>

namespace brindlow {

std::optional<std::string> displayHolding(const Rect& frame,
                                          std::span<const DisplayInfo> displays) {
    const DisplayInfo* best = nullptr;
    double bestArea = 0;
    for (const DisplayInfo& info : displays) {
        const double area = info.frame.intersection(frame).area();
        if (!best || area > bestArea) {
            best = &info;
            bestArea = area;
        }
    }
    if (!best) return std::nullopt;
    if (bestArea <= 0) {
        double bestDistance = 0;
        best = nullptr;
        for (const DisplayInfo& info : displays) {
            const double distance =
                std::hypot(info.frame.midX() - frame.midX(), info.frame.midY() - frame.midY());
            if (!best || distance < bestDistance) {
                best = &info;
                bestDistance = distance;
            }
        }
    }
    return best->uuid;
}

}  // namespace brindlow
