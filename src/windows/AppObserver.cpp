#include "windows/AppObserver.h"

#include "platform/Log.h"
#include "windows/AX.h"

namespace brindlow {

namespace {
const Logger& log() {
    static const Logger logger = makeLogger("AppObserver");
    return logger;
}

constexpr std::string_view kWindowNotifications[] = {
    ax::elementDestroyedNotification,
    ax::windowMiniaturizedNotification,
    ax::windowDeminiaturizedNotification,
    ax::windowResizedNotification,
    ax::windowMovedNotification,
    ax::titleChangedNotification,
    ax::windowAwayNotification,
    ax::windowBackNotification,
    ax::windowMaximizedChangedNotification,
};
}  // namespace

std::shared_ptr<AppObserver> AppObserver::create(std::int32_t pid, AXElementRef appElement,
                                                 Handler handler, const Platform& platform) {
    return std::make_shared<AppObserver>(Tag{}, pid, std::move(appElement), std::move(handler),
                                         platform);
}

AppObserver::AppObserver(Tag, std::int32_t pid, AXElementRef appElement, Handler handler,
                         const Platform& platform)
    : pid_(pid),
      appElement_(std::move(appElement)),
      handler_(std::move(handler)),
      accessibility_(platform.accessibility),
      main_(platform.main),
      dragButtonDown_(platform.dragButtonDown) {}

std::optional<AppObserver::Event> AppObserver::eventForNotification(std::string_view name) {
    if (name == ax::windowCreatedNotification) return Event::windowCreated;
    if (name == ax::elementDestroyedNotification) return Event::windowDestroyed;
    if (name == ax::focusedWindowChangedNotification) return Event::focusedWindowChanged;
    if (name == ax::windowMiniaturizedNotification) return Event::minimized;
    if (name == ax::windowDeminiaturizedNotification) return Event::restored;
    if (name == ax::windowResizedNotification) return Event::resized;
    if (name == ax::windowMovedNotification) return Event::moved;
    if (name == ax::titleChangedNotification) return Event::titleChanged;
    if (name == ax::windowAwayNotification) return Event::away;
    if (name == ax::windowBackNotification) return Event::back;
    if (name == ax::windowMaximizedChangedNotification) return Event::maximizedChanged;
    return std::nullopt;
}

bool AppObserver::start() {
    if (isObserving()) return true;
    if (!accessibility_ || !appElement_) return false;
    std::weak_ptr<AppObserver> weak = weak_from_this();
    std::shared_ptr<AXObserver> observer;
    const AXError created = accessibility_->createObserver(
        pid_,
        [weak](const AXElementRef& element, const std::string& notification) {
            if (auto self = weak.lock()) self->deliver(element, notification);
        },
        observer);
    if (created != axerror::success || !observer) return false;
    for (const std::string_view name :
         {ax::windowCreatedNotification, ax::focusedWindowChangedNotification}) {
        const AXError code = observer->addNotification(appElement_, name);
        if (code != axerror::success && code != axerror::notificationAlreadyRegistered) {
            log().debug("Observe pid %d not ready: AXError %d", pid_, code);
            return false;
        }
    }
    {
        std::lock_guard lock(mutex_);
        observer_ = observer;
    }
    observer->scheduleOnMain();
    return true;
}

void AppObserver::watch(const AXElementRef& window) {
    std::shared_ptr<AXObserver> observer;
    {
        std::lock_guard lock(mutex_);
        observer = observer_;
    }
    if (!observer || !window) return;
    for (const std::string_view name : kWindowNotifications)
        observer->addNotification(window, name);
}

void AppObserver::stop() {
    std::shared_ptr<AXObserver> observer;
    {
        std::lock_guard lock(mutex_);
        observer.swap(observer_);
    }
    if (!observer) return;
    // The block owns the platform observer until its removal from the main
    // thread has run.
    if (main_) {
        main_->async([observer] { observer->unscheduleFromMain(); });
    } else {
        observer->unscheduleFromMain();
    }
}

bool AppObserver::isObserving() const {
    std::lock_guard lock(mutex_);
    return observer_ != nullptr;
}

void AppObserver::deliver(const AXElementRef& element, const std::string& notification) {
    // A stopped observer hands nothing on, even for notifications that were
    // already on their way.
    if (!isObserving()) return;
    const auto event = eventForNotification(notification);
    if (!event) return;
    if (*event == Event::moved && !(dragButtonDown_ && dragButtonDown_())) return;
    if (handler_) handler_(*event, element);
}

std::optional<std::vector<AXElementRef>> AppObserver::windows(const AXElementRef& appElement) {
    return AX::elementsAttribute(appElement, ax::windows);
}

}  // namespace brindlow
