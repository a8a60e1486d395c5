#include "platform/x11/windows/X11Observer.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "platform/x11/windows/X11Accessibility.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

void X11MainDeliveries::post(Executor::Block block) {
    bool first = false;
    {
        std::lock_guard lock(mutex_);
        blocks_.push_back(std::move(block));
        first = !std::exchange(posted_, true);
    }
    if (first) main_.async([self = shared_from_this()] { self->run(); });
}

void X11MainDeliveries::run() {
    std::vector<Executor::Block> blocks;
    {
        std::lock_guard lock(mutex_);
        blocks.swap(blocks_);
        posted_ = false;
    }
    for (const Executor::Block& block : blocks) block();
}

struct X11Observer::State {
    std::shared_ptr<X11MainDeliveries> main;
    std::int32_t pid = 0;
    AXObserverCallback callback;

    std::mutex mutex;
    bool scheduled = false;
    std::set<std::string> appNotifications;
    std::map<xcb_window_t, std::set<std::string>> windowNotifications;
};

namespace {

std::string_view notificationFor(X11WindowEvent::Kind kind) {
    switch (kind) {
        case X11WindowEvent::Kind::created:
            return ax::windowCreatedNotification;
        case X11WindowEvent::Kind::destroyed:
            return ax::elementDestroyedNotification;
        case X11WindowEvent::Kind::focused:
            return ax::focusedWindowChangedNotification;
        case X11WindowEvent::Kind::minimized:
            return ax::windowMiniaturizedNotification;
        case X11WindowEvent::Kind::restored:
            return ax::windowDeminiaturizedNotification;
        case X11WindowEvent::Kind::resized:
            return ax::windowResizedNotification;
        case X11WindowEvent::Kind::moved:
            return ax::windowMovedNotification;
        case X11WindowEvent::Kind::titleChanged:
            return ax::titleChangedNotification;
        case X11WindowEvent::Kind::away:
            return ax::windowAwayNotification;
        case X11WindowEvent::Kind::back:
            return ax::windowBackNotification;
        case X11WindowEvent::Kind::maximizedChanged:
            return ax::windowMaximizedChangedNotification;
    }
    return {};
}

bool registeredOnApplication(X11WindowEvent::Kind kind) {
    return kind == X11WindowEvent::Kind::created || kind == X11WindowEvent::Kind::focused;
}

}  // namespace

std::shared_ptr<X11Observer> X11Observer::make(X11Desktop& desktop,
                                               std::shared_ptr<X11MainDeliveries> main,
                                               std::int32_t pid, AXObserverCallback callback) {
    auto state = std::make_shared<State>();
    state->main = std::move(main);
    state->pid = pid;
    state->callback = std::move(callback);
    return std::shared_ptr<X11Observer>(new X11Observer(desktop, std::move(state)));
}

X11Observer::X11Observer(X11Desktop& desktop, std::shared_ptr<State> shared)
    : desktop_(desktop), state_(std::move(shared)) {
    std::weak_ptr<State> weak = state_;
    subscription_ =
        desktop_.subscribers().subscribeWindows([weak, &desktop](const X11WindowEvent& event) {
            auto state = weak.lock();
            if (!state || event.pid != state->pid) return;
            const std::string name(notificationFor(event.kind));
            {
                std::lock_guard lock(state->mutex);
                if (registeredOnApplication(event.kind)) {
                    if (!state->appNotifications.count(name)) return;
                } else {
                    auto found = state->windowNotifications.find(event.window);
                    if (found == state->windowNotifications.end() || !found->second.count(name)) {
                        return;
                    }
                    // A destroyed window sends nothing more.
                    if (event.kind == X11WindowEvent::Kind::destroyed) {
                        state->windowNotifications.erase(found);
                    }
                }
            }
            AXElementRef element =
                std::make_shared<X11WindowElement>(desktop, event.window, event.pid);
            state->main->post([weak, element, name] {
                auto current = weak.lock();
                if (!current) return;
                {
                    std::lock_guard lock(current->mutex);
                    if (!current->scheduled) return;
                }
                current->callback(element, name);
            });
        });
}

X11Observer::~X11Observer() {
    desktop_.subscribers().unsubscribe(subscription_);
}

AXError X11Observer::addNotification(const AXElementRef& element, std::string_view notification) {
    if (!element) return axerror::illegalArgument;
    std::string name(notification);
    if (auto* window = dynamic_cast<X11WindowElement*>(element.get())) {
        if (!desktop_.registry().isClient(window->window())) return axerror::invalidElement;
        std::lock_guard lock(state_->mutex);
        bool inserted = state_->windowNotifications[window->window()].insert(name).second;
        return inserted ? axerror::success : axerror::notificationAlreadyRegistered;
    }
    std::int32_t pid = 0;
    element->pid(pid);
    // An application that has no managed window yet is not ready to be observed.
    if (pid != state_->pid || !desktop_.registry().application(pid)) return axerror::cannotComplete;
    if (name != ax::windowCreatedNotification && name != ax::focusedWindowChangedNotification) {
        return axerror::notificationUnsupported;
    }
    std::lock_guard lock(state_->mutex);
    return state_->appNotifications.insert(name).second ? axerror::success
                                                        : axerror::notificationAlreadyRegistered;
}

AXError X11Observer::removeNotification(const AXElementRef& element,
                                        std::string_view notification) {
    if (!element) return axerror::illegalArgument;
    std::string name(notification);
    std::lock_guard lock(state_->mutex);
    if (auto* window = dynamic_cast<X11WindowElement*>(element.get())) {
        auto found = state_->windowNotifications.find(window->window());
        if (found == state_->windowNotifications.end() || !found->second.erase(name)) {
            return axerror::notificationNotRegistered;
        }
        return axerror::success;
    }
    return state_->appNotifications.erase(name) ? axerror::success
                                                : axerror::notificationNotRegistered;
}

void X11Observer::scheduleOnMain() {
    std::lock_guard lock(state_->mutex);
    state_->scheduled = true;
}

void X11Observer::unscheduleFromMain() {
    std::lock_guard lock(state_->mutex);
    state_->scheduled = false;
}

}  // namespace brindlow
