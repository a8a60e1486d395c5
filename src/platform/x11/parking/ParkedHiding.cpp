#include "platform/x11/parking/ParkedHiding.h"

#include <algorithm>

namespace brindlow {

namespace {
double widthOnScreen(const Rect& frame, const Rect& screen) {
    return std::max(0.0,
                    std::min(frame.maxX(), screen.maxX()) - std::max(frame.minX(), screen.minX()));
}
}  // namespace

bool ParkedHiding::isParked(const Rect& frame, const Rect& screen) {
    return widthOnScreen(frame, screen) < frame.width / 2;
}

bool ParkedHiding::wasClampedIntoView(const Rect& target, const Rect& accepted,
                                      const Rect& screen) {
    // Keeping a sliver on screen (openbox leaves a tenth) still parks it.
    return isParked(target, screen) && !isParked(accepted, screen);
}

ParkedHiding::Step ParkedHiding::plan(std::uint32_t window, const Rect& target,
                                      const Rect& screen) {
    std::lock_guard lock(mutex_);
    const auto found = hidden_.find(window);
    if (!isParked(target, screen)) return found == hidden_.end() ? Step::move : Step::moveThenShow;
    if (found != hidden_.end()) {
        found->second = target;
        return Step::stayHidden;
    }
    if (!clamps_) return Step::move;
    hidden_[window] = target;
    // A showing still on its way stays Brindlow's doing until the iconify arrives (`iconic`):
    // the window manager's answers to it may come first, and must not read as someone else
    // restoring the window.
    iconifying_.insert(window);
    return Step::hide;
}

void ParkedHiding::hiding(std::uint32_t window, const Rect& target) {
    std::lock_guard lock(mutex_);
    hidden_[window] = target;
    iconifying_.insert(window);
    clamps_ = true;
}

void ParkedHiding::hidden(std::uint32_t window, const Rect& target) {
    std::lock_guard lock(mutex_);
    hidden_[window] = target;
    showingOver(window);
    clamps_ = true;
}

bool ParkedHiding::isIconifying(std::uint32_t window) const {
    std::lock_guard lock(mutex_);
    return iconifying_.contains(window);
}

void ParkedHiding::iconic(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    iconifyArrived(window);
}

void ParkedHiding::iconifyArrived(std::uint32_t window) {
    iconifying_.erase(window);
    iconicAwaited_.erase(window);
    // A showing that the hiding overtook is over too: the window manager handled it first.
    showingOver(window);
}

void ParkedHiding::showingOver(std::uint32_t window) {
    showing_.erase(window);
    mapped_.erase(window);
}

ParkedHiding::Reading ParkedHiding::windowManagerShows(std::uint32_t window, bool normal) {
    std::lock_guard lock(mutex_);
    if (iconifying_.contains(window)) {
        // Still normal because the iconify has not been handled yet; iconic once it has.
        if (!normal) iconifyArrived(window);
        return Reading::parked;
    }
    if (const auto awaited = iconicAwaited_.find(window); awaited != iconicAwaited_.end()) {
        // Shown again before the iconify arrived: reading as shown until it does answers the
        // earlier showing the iconify overtook, and ending this one would leave it iconic.
        if (!normal) iconicAwaited_.erase(awaited);
        return Reading::parked;
    }
    if (!normal) return Reading::parked;
    if (showing_.contains(window)) {
        // Brindlow's own showing is answered. Hidden again meanwhile, its answers (a state, a
        // map, each read as normal) are no restoring by others: it ends with the iconify.
        if (hidden_.contains(window)) return Reading::parked;
        showingOver(window);
        return Reading::shownBack;
    }
    if (hidden_.erase(window) == 0) return Reading::unknown;
    return Reading::restoredByOthers;
}

std::optional<bool> ParkedHiding::shown(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    if (hidden_.erase(window) == 0) return std::nullopt;
    showing_.insert(window);
    const bool onItsWay = iconifying_.erase(window) > 0;
    if (onItsWay)
        iconicAwaited_.insert(window);
    else
        iconicAwaited_.erase(window);
    return onItsWay;
}

void ParkedHiding::iconifyHandled(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    iconicAwaited_.erase(window);
}

bool ParkedHiding::mapping(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    if (!showing_.contains(window) || hidden_.contains(window)) return false;
    mapping_[window] = false;
    return true;
}

bool ParkedHiding::mapSent(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    const auto found = mapping_.find(window);
    if (found == mapping_.end()) return false;
    const bool minimisedMeanwhile = found->second;
    mapping_.erase(found);
    if (!minimisedMeanwhile && showing_.contains(window)) mapped_.insert(window);
    return minimisedMeanwhile;
}

bool ParkedHiding::forget(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    hidden_.erase(window);
    iconifying_.erase(window);
    iconicAwaited_.erase(window);
    // A map still going out is answered by `mapSent`.
    if (const auto found = mapping_.find(window); found != mapping_.end()) found->second = true;
    const bool mapOut = mapped_.contains(window);
    showingOver(window);
    return mapOut;
}

void ParkedHiding::sending(std::uint32_t window, const Rect& target) {
    std::lock_guard lock(mutex_);
    lastSent_[window] = target;
}

bool ParkedHiding::isLastSent(std::uint32_t window, const Rect& target) const {
    std::lock_guard lock(mutex_);
    const auto found = lastSent_.find(window);
    return found != lastSent_.end() && found->second == target;
}

bool ParkedHiding::isHidden(std::uint32_t window) const {
    std::lock_guard lock(mutex_);
    return hidden_.contains(window);
}

void ParkedHiding::showingEnded(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    showingOver(window);
}

bool ParkedHiding::isShowing(std::uint32_t window) const {
    std::lock_guard lock(mutex_);
    return showing_.contains(window);
}

std::optional<Rect> ParkedHiding::frameOf(std::uint32_t window) const {
    std::lock_guard lock(mutex_);
    const auto found = hidden_.find(window);
    if (found == hidden_.end()) return std::nullopt;
    return found->second;
}

bool ParkedHiding::windowManagerClamps() const {
    std::lock_guard lock(mutex_);
    return clamps_;
}

}  // namespace brindlow
