#include "controller/StripControllerState.h"

#include <algorithm>

namespace brindlow {

std::optional<std::string> StripControllerState::swipedDisplay() const {
    for (const auto& [uuid, display] : displays)
        if (display.animator.isSwiped()) return uuid;
    return std::nullopt;
}

bool StripControllerState::anyDisplayAnimating() const {
    return std::any_of(displays.begin(), displays.end(),
                       [](const auto& entry) { return entry.second.animator.isAnimating(); });
}

DisplayState* StripControllerState::display(const std::string& uuid) {
    const auto found = displays.find(uuid);
    return found == displays.end() ? nullptr : &found->second;
}

const DisplayState* StripControllerState::display(const std::string& uuid) const {
    const auto found = displays.find(uuid);
    return found == displays.end() ? nullptr : &found->second;
}

std::optional<std::pair<std::string, StripLocation>> StripControllerState::locate(
    WindowID id) const {
    for (const std::string& uuid : displayOrder) {
        const DisplayState* found = display(uuid);
        if (!found) continue;
        if (const std::optional<StripLocation> location = found->strip.locate(id))
            return std::make_pair(uuid, *location);
    }
    return std::nullopt;
}

std::string StripControllerState::displayName(const std::string& uuid) const {
    const DisplayState* found = display(uuid);
    return found ? found->info.name : "?";
}

}  // namespace brindlow
