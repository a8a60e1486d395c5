#include "platform/x11/ParkedHiding.h"

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
    // A showing still on its way stays Brindlow's doing: the window manager's answer to it may
    // come before the iconify goes out, and must not read as someone else restoring the window.
    return Step::hide;
}

void ParkedHiding::hidden(std::uint32_t window, const Rect& target) {
    std::lock_guard lock(mutex_);
    hidden_[window] = target;
    showing_.erase(window);
    clamps_ = true;
}

void ParkedHiding::shown(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    if (hidden_.erase(window) > 0) showing_.insert(window);
}

void ParkedHiding::forget(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    hidden_.erase(window);
    showing_.erase(window);
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
    showing_.erase(window);
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
