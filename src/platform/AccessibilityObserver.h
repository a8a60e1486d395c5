#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/AccessibilityTypes.h"

namespace brindlow {

// Called on the main executor with the element the notification names (for
// "AXWindowCreated" and "AXFocusedWindowChanged": the window) and the
// notification's name.
using AXObserverCallback =
    std::function<void(const AXElementRef& element, const std::string& notification)>;

// One application's notification source. Registrations name an element and a
// notification; nothing is delivered until the observer is scheduled on the
// main executor, and nothing after it was unscheduled (a callback already
// queued but not yet run is dropped too). The back end keeps the callback
// alive as long as the observer object lives.
class AXObserver {
  public:
    virtual ~AXObserver() = default;

    // notificationAlreadyRegistered when the pair is registered already.
    virtual AXError addNotification(const AXElementRef& element, std::string_view notification) = 0;
    virtual AXError removeNotification(const AXElementRef& element,
                                       std::string_view notification) = 0;
    // Stands for adding / removing the observer's run-loop source on the main
    // thread. Call both on the main executor.
    virtual void scheduleOnMain() = 0;
    virtual void unscheduleFromMain() = 0;
};

}  // namespace brindlow
