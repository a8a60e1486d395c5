#include "platform/x11/windows/X11Desktop.h"

#include <xcb/randr.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Events.h"
#include "platform/x11/windows/MoveResizeRequest.h"

namespace brindlow {

X11Desktop::X11Desktop(X11Connection& connection) : x_(connection) {
    parts_.events = &events_;
    parts_.registry = &registry_;
    parts_.waits = &waits_;
    parts_.frames = &frames_;
    parts_.stacking = &stacking_;
    parts_.withdrawn = &withdrawn_;
    parts_.activation = &activation_;
    parts_.focusReturn = &focusReturn_;
    parts_.parking = &parking_;
    parts_.desktops = &desktops_;
    if (x_.randrEventBase() >= 0) {
        xcb_randr_select_input(x_.xcb(), x_.root(),
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    }
    wmStateAtom_ = x_.atom("WM_STATE");
    changeStateAtom_ = x_.atom("WM_CHANGE_STATE");
    marginAtom_ = x_.atom("_GTK_FRAME_EXTENTS");
    minimisesTold_ = events_.subscribeWindows([this](const X11WindowEvent& event) {
        if (event.kind == X11WindowEvent::Kind::minimized) activation_.minimiseTold(event.window);
        if (event.kind == X11WindowEvent::Kind::destroyed) activation_.windowGone(event.window);
    });
    listener_ = x_.addListener([this](const xcb_generic_event_t& event) { onEvent(event); });
    registry_.refreshClients();
    registry_.refreshActive();
}

X11Desktop::~X11Desktop() {
    x_.removeListener(listener_);
    events_.unsubscribe(minimisesTold_);
    parking_.releaseFocusHolds();
    waits_.destroyProbes();
    focusReturn_.destroyMarkers();
    x_.flush();
}

void X11Desktop::onEvent(const xcb_generic_event_t& event) {
    ++eventCount_;
    const uint8_t type = eventType(event);
    const int randr = x_.randrEventBase();
    if (randr >= 0 &&
        (type == randr + XCB_RANDR_SCREEN_CHANGE_NOTIFY || type == randr + XCB_RANDR_NOTIFY)) {
        subscribers().emitScreensChanged();
        return;
    }
    switch (type) {
        case XCB_PROPERTY_NOTIFY: {
            auto& e = as<xcb_property_notify_event_t>(event);
            const xcb_ewmh_connection_t& ewmh = *x_.ewmh();
            if (e.window == x_.root()) {
                if (e.atom == ewmh._NET_CLIENT_LIST || e.atom == ewmh._NET_SUPPORTING_WM_CHECK) {
                    registry().refreshClients();
                    subscribers().emitScreensChanged();  // a panel may have come or gone
                } else if (e.atom == ewmh._NET_ACTIVE_WINDOW) {
                    registry().refreshActive();
                } else if (e.atom == ewmh._NET_CURRENT_DESKTOP) {
                    registry().refreshAllMinimized();
                } else if (e.atom == ewmh._NET_WORKAREA) {
                    subscribers().emitScreensChanged();
                } else if (e.atom == ewmh._NET_CLIENT_LIST_STACKING) {
                    events_.emitStackingChanged();
                }
                return;
            }
            if (e.atom == wmStateAtom_ && !registry().isClient(e.window)) {
                // Listed before the window manager marked it as managed.
                registry().refreshClients();
            } else if (e.atom == wmStateAtom_) {
                parking().restoredByOthers(e.window);
                registry().refreshWindow(e.window, false);
            } else if (e.atom == ewmh._NET_WM_NAME || e.atom == XCB_ATOM_WM_NAME) {
                registry().refreshWindow(e.window, true);
            } else if (e.atom == ewmh._NET_WM_STATE) {
                parking().restoredByOthers(e.window);
                registry().refreshWindow(e.window, false);
            } else if (e.atom == ewmh._NET_WM_DESKTOP || e.atom == ewmh._NET_FRAME_EXTENTS ||
                       e.atom == marginAtom_) {
                // A client with decorations of its own drops its invisible margin when maximised
                // or tiled, and takes it back after: the frame the user sees changes with it.
                registry().refreshWindow(e.window, false);
            } else if (e.atom == ewmh._NET_WM_STRUT || e.atom == ewmh._NET_WM_STRUT_PARTIAL) {
                subscribers().emitScreensChanged();
            }
            return;
        }
        case XCB_CONFIGURE_NOTIFY: {
            auto& e = as<xcb_configure_notify_event_t>(event);
            if (e.window == x_.root()) {
                subscribers().emitScreensChanged();
            } else if (e.event == e.window) {
                // The window manager tells a framed client of a move with a made-up event; the
                // move shows on the frame, which the root hears, so one read does for both. A
                // real one is a size change inside the frame, which may come after the frame's.
                const bool synthetic = (event.response_type & 0x80) != 0;
                if (!synthetic || !registry().isFramed(e.window))
                    registry().refreshGeometry(e.window);
            } else if (e.event == x_.root()) {
                // A reparenting window manager moves the frame; while the user
                // drags it by its title bar the client hears nothing until the
                // button is released, so the frame's own event tells the move.
                if (const auto client = registry().clientFramedBy(e.window))
                    registry().frameConfigured(*client, Rect(e.x, e.y, e.width + 2 * e.border_width,
                                                             e.height + 2 * e.border_width));
            }
            return;
        }
        case XCB_REPARENT_NOTIFY: {
            auto& e = as<xcb_reparent_notify_event_t>(event);
            if (e.event != e.window || !registry().isClient(e.window)) return;
            const xcb_window_t topLevel = topLevelAncestor(x_, e.window).value_or(e.window);
            std::lock_guard lock(records_.mutex);
            if (auto found = records_.known.find(e.window); found != records_.known.end()) {
                found->second.topLevel = topLevel;
                found->second.topLevelFrame.reset();  // a new frame is measured anew
            }
            return;
        }
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY: {
            // Both carry `event` and `window` in the same places.
            auto& e = as<xcb_map_notify_event_t>(event);
            if (e.event == x_.root()) {
                // A client is viewable once its frame is mapped too, often after the client.
                bool awaited = false;
                if (type == XCB_MAP_NOTIFY) {
                    std::lock_guard lock(records_.mutex);
                    awaited = !records_.awaitingShow.empty();
                }
                if (!registry().hasWindowManager() || awaited) {
                    registry().refreshClients();
                    if (awaited) subscribers().emitScreensChanged();  // a panel listed unshown
                }
            } else {
                if (type == XCB_MAP_NOTIFY && e.event == e.window) {
                    bool awaited = false;
                    {
                        std::lock_guard lock(records_.mutex);
                        awaited = records_.awaitingShow.erase(e.window) > 0;
                    }
                    if (awaited) {
                        registry().refreshClients();
                        subscribers().emitScreensChanged();  // a panel listed before it showed
                        return;
                    }
                    parking().restoredByOthers(e.window);
                }
                registry().refreshWindow(e.window, false);
            }
            return;
        }
        case XCB_CLIENT_MESSAGE: {
            // Requests to the window manager reach the root's listeners too.
            auto& e = as<xcb_client_message_event_t>(event);
            if (e.format == 32 && e.type == changeStateAtom_ &&
                e.data.data32[0] == XCB_ICCCM_WM_STATE_ICONIC && registry().isClient(e.window))
                desktops().iconifyRequested(e.window);
            if (e.format == 32 && e.type == x_.ewmh()->_NET_WM_DESKTOP &&
                registry().isClient(e.window))
                desktops().desktopRequested(e.window, e.data.data32[0]);
            if (e.format == 32 && e.type == x_.ewmh()->_NET_ACTIVE_WINDOW &&
                e.data.data32[0] == moveresize::kSourcePager &&
                e.data.data32[1] == XCB_CURRENT_TIME)
                activation().activationHeard(e.window);
            if (e.format == 32 && e.type == x_.ewmh()->_NET_WM_STATE)
                registry().maximizeRequested(e.window, e.data.data32[0],
                                             {e.data.data32[1], e.data.data32[2]});
            focusReturn_.handBackHeard(e);
            return;
        }
        case XCB_DESTROY_NOTIFY: {
            auto& e = as<xcb_destroy_notify_event_t>(event);
            // The refresh reports the destruction and ends an application left without windows.
            if (registry().isClient(e.window) || registry().isWithdrawn(e.window)) {
                registry().refreshClients(e.window);
            } else if (e.window == registry().checkWindowNow()) {
                registry().refreshClients();
            } else if (e.event == x_.root() && !registry().hasWindowManager()) {
                registry().refreshClients();
            }
            return;
        }
        default:
            return;
    }
}

}  // namespace brindlow
