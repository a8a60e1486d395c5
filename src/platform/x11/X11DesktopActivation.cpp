// Activation: one request to the window manager per raise, however many of its steps ask.
#include <xcb/xcb_ewmh.h>

#include "platform/x11/X11Desktop.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Events.h"

namespace brindlow {

namespace {

constexpr std::uint32_t kSourcePager = 2;  // "source indication": a pager or assistive tool
// Asks for the same window this soon after the last one, while it is still active, are the
// further steps of one raise (main window, raise, application frontmost).
constexpr double kOneRaise = 1.0;
}  // namespace

AXError X11Desktop::activate(xcb_window_t window, double timeout) {
    if (!read(window)) return axerror::invalidElement;
    const auto now = std::chrono::steady_clock::now();
    bool again = false;
    {
        std::lock_guard lock(mutex_);
        again = lastActivation_ && lastActivation_->first == window &&
                now - lastActivation_->second < std::chrono::duration<double>(kOneRaise);
    }
    // Still the active window as the window manager says it now (not as last heard).
    if (again && readActiveWindow(x_) == window) return axerror::success;
    const AXError result = activateNow(window, timeout);
    if (result == axerror::success) {
        std::lock_guard lock(mutex_);
        lastActivation_ = std::pair(window, std::chrono::steady_clock::now());
    }
    return result;
}

AXError X11Desktop::activateNow(xcb_window_t window, double timeout) {
    if (!read(window)) return axerror::invalidElement;
    if (!hasWindowManager()) {
        uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(x_.xcb(), XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        x_.sync();
        return readWindow(x_, window) ? axerror::success : axerror::invalidElement;
    }
    const xcb_window_t current = activeWindow().value_or(XCB_WINDOW_NONE);
    {
        std::lock_guard lock(mutex_);
        activating_ = window;
    }
    // Whatever the answer, the request is no longer under way once this returns.
    struct Done {
        X11Desktop& desktop;
        ~Done() {
            std::lock_guard lock(desktop.mutex_);
            desktop.activating_.reset();
        }
    } done{*this};
    AXError result = fence(window, timeout, [&] {
        xcb_ewmh_request_change_active_window(x_.ewmh(), x_.screenNumber(), window,
                                              xcb_ewmh_client_source_type_t(kSourcePager),
                                              XCB_CURRENT_TIME, current);
    });
    // The window manager ended before it could: the window is raised and focused directly.
    if (!hasWindowManager()) return activateNow(window, timeout);
    if (result != axerror::success) return result;
    // The window manager publishes the active window once the focus has moved,
    // a little after it handled the request. A window that takes no focus
    // stays raised; that is success too.
    const xcb_atom_t activeAtom = x_.ewmh()->_NET_ACTIVE_WINDOW;
    awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            if (eventType(event) != XCB_PROPERTY_NOTIFY) return false;
            auto& e = as<xcb_property_notify_event_t>(event);
            return e.window == x_.root() && e.atom == activeAtom && activeWindow() == window;
        },
        std::min(timeout, 0.5), [&] { return activeWindow() == window; });
    return axerror::success;
}

}  // namespace brindlow
