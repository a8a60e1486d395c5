// The simulated desktop's displays and the screen-change notification.

#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/sim/SimElement.h"
#include "platform/sim/SimState.h"

namespace brindlow {

namespace {
std::string derivedUUID(std::uint32_t number) {
    char text[40];
    std::snprintf(text, sizeof text, "5151D000-0000-4000-8000-%012X", number);
    return text;
}
}  // namespace

// ---- displays ----

std::uint32_t SimDesktop::addDisplay(const SimDisplaySpec& spec) {
    SimDisplaySpec display = spec;
    std::uint32_t number = spec.number.value_or(1);
    if (!spec.number) {
        while (displays_.count(number)) ++number;
    }
    display.number = number;
    displays_[number] = display;
    displayOrder_.erase(std::remove(displayOrder_.begin(), displayOrder_.end(), number),
                        displayOrder_.end());
    displayOrder_.push_back(number);
    postScreensChanged();
    return number;
}

void SimDesktop::removeDisplay(std::uint32_t number) {
    if (displays_.erase(number) == 0) return;
    displayOrder_.erase(std::remove(displayOrder_.begin(), displayOrder_.end(), number),
                        displayOrder_.end());
    postScreensChanged();
}

void SimDesktop::setDisplayFrames(std::uint32_t number, const Rect& frame,
                                  const std::optional<Rect>& visible) {
    auto found = displays_.find(number);
    if (found == displays_.end()) return;
    found->second.frame = frame;
    found->second.visible = visible;
    postScreensChanged();
}

std::vector<ScreenInfo> SimDesktop::screens() const {
    std::vector<ScreenInfo> list;
    for (const std::uint32_t number : displayOrder_) {
        const SimDisplaySpec& spec = displays_.at(number);
        ScreenInfo screen;
        if (spec.hasNumber) screen.number = number;
        screen.name = spec.name;
        screen.frame = spec.frame;
        screen.visibleFrame = spec.visible.value_or(spec.frame);
        if (spec.hasUUID) screen.uuid = spec.uuid.value_or(derivedUUID(number));
        screen.refreshRate = spec.refreshRate;
        list.push_back(std::move(screen));
    }
    return list;
}

ObserverToken SimDesktop::addChangeObserver(std::function<void()> handler) {
    const ObserverToken token = nextToken_++;
    screenObservers_[token] = std::move(handler);
    return token;
}

void SimDesktop::removeChangeObserver(ObserverToken token) {
    screenObservers_.erase(token);
}

void SimDesktop::postScreensChanged() {
    std::weak_ptr<bool> alive = alive_;
    for (const auto& [token, handler] : screenObservers_) {
        const ObserverToken id = token;
        main_.async([this, alive, id] {
            if (!alive.lock()) return;
            auto found = screenObservers_.find(id);
            if (found != screenObservers_.end() && found->second) found->second();
        });
    }
}

}  // namespace brindlow
