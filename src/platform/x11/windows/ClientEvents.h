#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace brindlow {

// A change to one client window, as the X events tell it.
struct X11WindowEvent {
    enum class Kind {
        created,
        destroyed,
        focused,
        minimized,
        restored,
        resized,
        moved,
        titleChanged,
        away,              // left the current desktop
        back,              // on the current desktop again
        maximizedChanged,  // _NET_WM_STATE_MAXIMIZED_* came or went
    };
    Kind kind;
    xcb_window_t window;
    std::int32_t pid;
};

// A change to the set of running applications.
struct X11AppEvent {
    // deactivated: the active window became none; `pid` had it.
    enum class Kind { launched, terminated, activated, deactivated };
    Kind kind;
    std::int32_t pid;
};

// The desktop's subscribers: handed every change on the connection's thread; they hop to their
// own executor.
class ClientEvents {
  public:
    using WindowHandler = std::function<void(const X11WindowEvent&)>;
    using AppHandler = std::function<void(const X11AppEvent&)>;
    using ChangeHandler = std::function<void()>;

    std::uint64_t subscribeWindows(WindowHandler handler);
    std::uint64_t subscribeApps(AppHandler handler);
    // Monitors, panels' struts or the work area changed.
    std::uint64_t subscribeScreenChanges(ChangeHandler handler);
    // The window manager republished its stacking list.
    std::uint64_t subscribeStackingChanges(ChangeHandler handler);
    void unsubscribe(std::uint64_t id);

    void emit(const X11WindowEvent& event);
    void emit(const X11AppEvent& event);
    void emitScreensChanged();
    void emitStackingChanged();

  private:
    std::mutex handlersMutex_;
    std::uint64_t nextHandler_ = 1;
    std::map<std::uint64_t, WindowHandler> windowHandlers_;
    std::map<std::uint64_t, AppHandler> appHandlers_;
    std::map<std::uint64_t, ChangeHandler> screenHandlers_;
    std::map<std::uint64_t, ChangeHandler> stackingHandlers_;
};

}  // namespace brindlow
