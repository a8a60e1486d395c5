#include "strip/CenterMode.h"

namespace brindlow {

std::string_view toText(CenterMode mode) {
    switch (mode) {
        case CenterMode::never:
            return "never";
        case CenterMode::always:
            return "always";
        case CenterMode::onOverflow:
            return "onOverflow";
    }
    return "never";
}

std::optional<CenterMode> centerModeFromText(std::string_view text) {
    for (CenterMode mode : allCenterModes) {
        if (toText(mode) == text) return mode;
    }
    return std::nullopt;
}

}  // namespace brindlow
