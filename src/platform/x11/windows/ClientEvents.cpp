// The desktop's subscribers.
#include "platform/x11/windows/ClientEvents.h"

namespace brindlow {

std::uint64_t ClientEvents::subscribeWindows(WindowHandler handler) {
    std::lock_guard lock(handlersMutex_);
    windowHandlers_.emplace(nextHandler_, std::move(handler));
    return nextHandler_++;
}

std::uint64_t ClientEvents::subscribeApps(AppHandler handler) {
    std::lock_guard lock(handlersMutex_);
    appHandlers_.emplace(nextHandler_, std::move(handler));
    return nextHandler_++;
}

std::uint64_t ClientEvents::subscribeScreenChanges(ChangeHandler handler) {
    std::lock_guard lock(handlersMutex_);
    screenHandlers_.emplace(nextHandler_, std::move(handler));
    return nextHandler_++;
}

std::uint64_t ClientEvents::subscribeStackingChanges(ChangeHandler handler) {
    std::lock_guard lock(handlersMutex_);
    stackingHandlers_.emplace(nextHandler_, std::move(handler));
    return nextHandler_++;
}

void ClientEvents::unsubscribe(std::uint64_t id) {
    std::lock_guard lock(handlersMutex_);
    windowHandlers_.erase(id);
    appHandlers_.erase(id);
    screenHandlers_.erase(id);
    stackingHandlers_.erase(id);
}

void ClientEvents::emit(const X11WindowEvent& event) {
    // Held while they run, so an unsubscribed handler has finished running.
    std::lock_guard lock(handlersMutex_);
    for (auto& [id, h] : windowHandlers_) h(event);
}

void ClientEvents::emit(const X11AppEvent& event) {
    // Held while they run, so an unsubscribed handler has finished running.
    std::lock_guard lock(handlersMutex_);
    for (auto& [id, h] : appHandlers_) h(event);
}

void ClientEvents::emitScreensChanged() {
    std::lock_guard lock(handlersMutex_);
    for (auto& [id, h] : screenHandlers_) h();
}

void ClientEvents::emitStackingChanged() {
    std::lock_guard lock(handlersMutex_);
    for (auto& [id, h] : stackingHandlers_) h();
}

}  // namespace brindlow
