// Activation: one request to the window manager per raise, however many of its steps ask.
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>

#include "platform/Log.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Events.h"
#include "platform/x11/focus/Activation.h"
#include "platform/x11/focus/MappedBackFocus.h"
#include "platform/x11/windows/MoveResizeRequest.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

using moveresize::kSourcePager;

const Logger& focusLog() {
    static const Logger logger = makeLogger("Focus");
    return logger;
}

}  // namespace

void Activation::handFocusTo(xcb_window_t window) {
    std::lock_guard lock(d_.mutex);
    d_.focusHandedTo = window;
    // Brindlow's own choice as much as a raise of the strip's: never handed back.
    lastActivation_.sent(window, std::nullopt);
}

void Activation::focusHandOverEnded(bool taken) {
    std::optional<xcb_window_t> hideNow;
    {
        std::lock_guard lock(d_.mutex);
        if (!taken && d_.focusHandedTo && d_.hideWhenInactive == d_.focusHandedTo &&
            d_.active != d_.focusHandedTo) {
            d_.hideWhenInactive.reset();
            hideNow = d_.focusHandedTo;
        }
        d_.focusHandedTo.reset();
    }
    if (hideNow && d_.parked.isHidden(*hideNow)) parking().hideParked({*hideNow});
}

bool Activation::focusedByShowing(xcb_window_t active, std::optional<xcb_window_t> former) {
    if (!d_.shownFromParking || d_.shownFromParking->window != active) return false;
    // The first focus of the window since the map is the only one that can answer it.
    const ShownFromParking shown = *d_.shownFromParking;
    d_.shownFromParking.reset();
    const MappedBackFocus seen{
        .windowManagerFocusesMappedBack = d_.traits.focusesMappedBack,
        .focusedAtMap = shown.focused,
        .former = former,
        .formerKnown = former && d_.known.count(*former) > 0,
        // The activation may have come before the map.
        .activatedByBrindlow = activating_ == active || lastActivation_.lastWindow() == active,
        .sinceMap = std::chrono::steady_clock::now() - shown.time,
    };
    return seen.answersTheMap();
}

bool Activation::stillShownToUser(xcb_window_t window) {
    const std::optional<X11WindowSnapshot> snapshot = registry().read(window);
    return snapshot && !registry().minimized(*snapshot) && !registry().away(*snapshot);
}

void Activation::minimiseHeard(xcb_window_t window) {
    crossedMinimise_.minimiseHeard(window, std::chrono::steady_clock::now());
}

void Activation::minimiseSent(xcb_window_t window) {
    crossedMinimise_.minimiseSent(window);
}

void Activation::activationHeard(xcb_window_t window) {
    if (!crossedMinimise_.heard(window)) return;
    focusLog().info(
        "Window 0x%x minimised again: our activation reached the window manager "
        "after the user's minimise",
        window);
    // The user's minimise carried out once more: heard back as someone else's, as it was.
    const std::uint32_t iconic = XCB_ICCCM_WM_STATE_ICONIC;
    xcb_ewmh_send_client_message(x_.xcb(), window, x_.root(), x_.atom("WM_CHANGE_STATE"), 1,
                                 &iconic);
    x_.flush();
}

AXError Activation::activate(xcb_window_t window, double timeout,
                             std::optional<std::uint64_t> raise) {
    if (!registry().read(window)) return axerror::invalidElement;
    const auto now = std::chrono::steady_clock::now();
    bool again = false;
    {
        std::lock_guard lock(d_.mutex);
        again = lastActivation_.furtherStep(window, raise);
    }
    // Still the active window as the window manager says it now (not as last heard).
    if (again && readActiveWindow(x_) == window) return axerror::success;
    // A further step goes out after the first was answered, maybe after the user minimised the
    // window or sent it to another desktop: the window manager would show it again.
    if (again && !stillShownToUser(window)) return axerror::success;
    const AXError result = activateNow(window, timeout, now);
    if (result == axerror::success) {
        std::lock_guard lock(d_.mutex);
        lastActivation_.sent(window, raise);
    }
    return result;
}

AXError Activation::activateNow(xcb_window_t window, double timeout,
                                std::chrono::steady_clock::time_point asked) {
    if (!registry().read(window)) return axerror::invalidElement;
    if (!registry().hasWindowManager()) {
        uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(x_.xcb(), XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        x_.sync();
        return readWindow(x_, window) ? axerror::success : axerror::invalidElement;
    }
    // The user minimised the window since this was asked: sent now, it would show it again.
    if (crossedMinimise_.undoes(window, asked)) {
        focusLog().info("Activation of 0x%x not sent: minimised by the user since it was asked",
                        window);
        return axerror::success;
    }
    const xcb_window_t current = registry().activeWindow().value_or(XCB_WINDOW_NONE);
    {
        std::lock_guard lock(d_.mutex);
        activating_ = window;
    }
    // Whatever the answer, the request is no longer under way once this returns.
    struct Done {
        Activation& activation;
        ~Done() {
            std::lock_guard lock(activation.d_.mutex);
            activation.activating_.reset();
        }
    } done{*this};
    AXError result = waits().fence(window, timeout, [&] {
        crossedMinimise_.sent(window, asked);
        xcb_ewmh_request_change_active_window(x_.ewmh(), x_.screenNumber(), window,
                                              xcb_ewmh_client_source_type_t(kSourcePager),
                                              XCB_CURRENT_TIME, current);
    });
    // The window manager ended before it could: the window is raised and focused directly.
    if (!registry().hasWindowManager()) return activateNow(window, timeout, asked);
    if (result != axerror::success) return result;
    // The window manager publishes the active window once the focus has moved,
    // a little after it handled the request. A window that takes no focus
    // stays raised; that is success too.
    const xcb_atom_t activeAtom = x_.ewmh()->_NET_ACTIVE_WINDOW;
    waits().awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            if (eventType(event) != XCB_PROPERTY_NOTIFY) return false;
            auto& e = as<xcb_property_notify_event_t>(event);
            return e.window == x_.root() && e.atom == activeAtom &&
                   registry().activeWindow() == window;
        },
        std::min(timeout, 0.5), [&] { return registry().activeWindow() == window; });
    return axerror::success;
}

}  // namespace brindlow
