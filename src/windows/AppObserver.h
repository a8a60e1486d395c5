#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/Executor.h"
#include "platform/Platform.h"

namespace brindlow {

// One application's window notifications turned into events for a handler.
// Always held by shared_ptr (create()); the platform registrations hold it only
// weakly, so a notification that arrives after the last owner let go reaches
// nothing. Logs under "AppObserver".
class AppObserver : public std::enable_shared_from_this<AppObserver> {
  public:
    enum class Event {
        windowCreated,
        windowDestroyed,
        focusedWindowChanged,
        minimized,
        restored,
        resized,
        moved,  // only while the left mouse button is down
        titleChanged,
        away,              // on another virtual desktop now
        back,              // on the current desktop again
        maximizedChanged,  // maximised, or given back its own size
    };
    // Called on the main executor with the event and the element it names.
    using Handler = std::function<void(Event, const AXElementRef&)>;

    // The application element should carry a 1.0 s messaging time-out.
    // Needs platform.accessibility, platform.main and platform.dragButtonDown.
    static std::shared_ptr<AppObserver> create(std::int32_t pid, AXElementRef appElement,
                                               Handler handler, const Platform& platform);

    std::int32_t pid() const { return pid_; }
    const AXElementRef& appElement() const { return appElement_; }

    // Installs the observer; false when the application is not ready yet (try
    // again later). True at once when already installed.
    bool start();
    // Registers a window's own notifications; nothing unless installed.
    void watch(const AXElementRef& window);
    // Removes the observer: events stop at once and the platform observer is
    // unscheduled on the main executor, kept alive until that has run. A second
    // call does nothing.
    void stop();
    bool isObserving() const;

    // The application's "AXWindows", or nothing when unreadable.
    static std::optional<std::vector<AXElementRef>> windows(const AXElementRef& appElement);
    // The event of a notification name; nothing for names outside the table.
    // "AXWindowMoved" maps to `moved` regardless of the mouse button.
    static std::optional<Event> eventForNotification(std::string_view notification);

    struct Tag {};
    AppObserver(Tag, std::int32_t pid, AXElementRef appElement, Handler handler,
                const Platform& platform);

  private:
    void deliver(const AXElementRef& element, const std::string& notification);

    const std::int32_t pid_;
    const AXElementRef appElement_;
    const Handler handler_;
    Accessibility* accessibility_;
    Executor* main_;
    std::function<bool()> dragButtonDown_;
    mutable std::mutex mutex_;
    std::shared_ptr<AXObserver> observer_;
};

}  // namespace brindlow
