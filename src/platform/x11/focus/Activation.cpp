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

bool Activation::handFocusBack(xcb_window_t window) {
    return sendHandBack(window, kSourcePager, readActiveWindow(x_).value_or(XCB_WINDOW_NONE));
}

bool Activation::returnFocus(xcb_window_t window, xcb_window_t from) {
    return sendHandBack(window, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER, from);
}

bool Activation::sendHandBack(xcb_window_t window, std::uint32_t source, xcb_window_t from) {
    if (!stillShownToUser(window)) return false;
    // A minimise the window manager has not carried out yet: the user's last word on the window.
    const std::optional<CrossedMinimise::Judged> judged =
        crossedMinimise_.judge(window, std::nullopt, false);
    if (!judged) {
        focusLog().info("Focus not handed back to 0x%x: minimised by the user meanwhile", window);
        return false;
    }
    // Known as ours when it comes back, after a minimise that went out before it, or not.
    crossedMinimise_.sent(*judged);
    xcb_ewmh_request_change_active_window(x_.ewmh(), x_.screenNumber(), window,
                                          xcb_ewmh_client_source_type_t(source), XCB_CURRENT_TIME,
                                          from);
    x_.flush();
    return true;
}

void Activation::minimiseHeard(xcb_window_t window, bool shown) {
    crossedMinimise_.minimiseAsked(window, shown);
}

void Activation::minimiseSent(xcb_window_t window) {
    crossedMinimise_.minimiseSent(window);
}

void Activation::minimiseTold(xcb_window_t window) {
    crossedMinimise_.minimiseTold(window);
}

void Activation::windowGone(xcb_window_t window) {
    crossedMinimise_.forget(window);
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
                             const std::optional<AXStep>& step) {
    if (!registry().read(window)) return axerror::invalidElement;
    const std::optional<std::uint64_t> raise =
        step ? std::optional<std::uint64_t>(step->request) : std::nullopt;
    std::optional<std::uint64_t> heard = step ? step->minimisesHeard : std::nullopt;
    bool again = false;
    {
        std::lock_guard lock(d_.mutex);
        again = lastActivation_.furtherStep(window, raise);
        // A step for another window than the raise's first (its application's focused one): the
        // raise was asked knowing of none of that window's minimises.
        if (heard && lastActivation_.forAnotherWindow(window, raise)) heard = 0;
    }
    // Still the active window as the window manager says it now (not as last heard).
    if (again && readActiveWindow(x_) == window) return axerror::success;
    // A further step goes out after the first was answered, maybe after the user minimised the
    // window or sent it to another desktop: the window manager would show it again.
    if (again && !stillShownToUser(window)) return axerror::success;
    const AXError result = activateNow(window, timeout, heard);
    if (result == axerror::success) {
        std::lock_guard lock(d_.mutex);
        lastActivation_.sent(window, raise);
    }
    return result;
}

AXError Activation::activateNow(xcb_window_t window, double timeout,
                                std::optional<std::uint64_t> heard) {
    if (!registry().read(window)) return axerror::invalidElement;
    if (!registry().hasWindowManager()) {
        uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(x_.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(x_.xcb(), XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        x_.sync();
        return readWindow(x_, window) ? axerror::success : axerror::invalidElement;
    }
    // Someone's minimise of the window that the window manager has not shown carried out yet:
    // once it has handled every request sent before, the window shows whether it did. X has no
    // answer for a minimise refused; a window still shown then was not minimised.
    if (crossedMinimise_.untold(window)) {
        const AXError handled = waits().fence(window, timeout, [] {});
        if (handled == axerror::invalidElement) return handled;
        const std::optional<X11WindowSnapshot> shown = registry().read(window);
        if (handled == axerror::success && shown && !registry().minimized(*shown))
            crossedMinimise_.leftShown(window);
    }
    const std::optional<X11WindowSnapshot> snapshot = registry().read(window);
    if (!snapshot) return axerror::invalidElement;
    // Sent now, it would show again a window minimised since it was asked.
    const std::optional<CrossedMinimise::Judged> judged =
        crossedMinimise_.judge(window, heard, registry().minimized(*snapshot));
    if (!judged) {
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
    focusLog().debug("Activation of 0x%x sent (0x%x active)", window, current);
    AXError result = waits().fence(window, timeout, [&] {
        crossedMinimise_.sent(*judged);
        xcb_ewmh_request_change_active_window(x_.ewmh(), x_.screenNumber(), window,
                                              xcb_ewmh_client_source_type_t(kSourcePager),
                                              XCB_CURRENT_TIME, current);
    });
    // The window manager ended before it could: the window is raised and focused directly.
    if (!registry().hasWindowManager()) return activateNow(window, timeout, heard);
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
