#include "platform/x11/focus/FocusOnMapHold.h"

#include <xcb/xcb_ewmh.h>

#include <vector>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow {

FocusOnMapHold::FocusOnMapHold(X11Connection& connection) : x_(connection) {}

void FocusOnMapHold::hold(xcb_window_t window) {
    const xcb_atom_t timeAtom = x_.ewmh()->_NET_WM_USER_TIME;
    std::optional<Held> held;
    {
        std::lock_guard lock(mutex_);
        if (const auto found = held_.find(window); found != held_.end()) held = found->second;
    }
    if (!held) {
        // Both asked in one round trip; a client that keeps its user time on a window of its
        // own (as toolkits do) is read once more there.
        const auto values =
            readCardinalsOfEach(x_, {window}, {x_.ewmh()->_NET_WM_USER_TIME_WINDOW, timeAtom});
        held = Held{window, std::nullopt};
        if (!values[0][0].empty() && values[0][0][0] != XCB_WINDOW_NONE) {
            held->timeWindow = values[0][0][0];
            held->time = readCardinal(x_, held->timeWindow, timeAtom);
        } else if (!values[0][1].empty()) {
            held->time = values[0][1][0];
        }
        std::lock_guard lock(mutex_);
        held_.emplace(window, *held);
    }
    const std::uint32_t never = 0;
    xcb_change_property(x_.xcb(), XCB_PROP_MODE_REPLACE, held->timeWindow, timeAtom,
                        XCB_ATOM_CARDINAL, 32, 1, &never);
}

void FocusOnMapHold::release(xcb_window_t window) {
    Held held;
    {
        std::lock_guard lock(mutex_);
        const auto found = held_.find(window);
        if (found == held_.end()) return;
        held = found->second;
        held_.erase(found);
    }
    const xcb_atom_t timeAtom = x_.ewmh()->_NET_WM_USER_TIME;
    if (readCardinal(x_, held.timeWindow, timeAtom) != std::uint32_t(0)) return;
    if (held.time) {
        xcb_change_property(x_.xcb(), XCB_PROP_MODE_REPLACE, held.timeWindow, timeAtom,
                            XCB_ATOM_CARDINAL, 32, 1, &*held.time);
    } else {
        xcb_delete_property(x_.xcb(), held.timeWindow, timeAtom);
    }
    x_.flush();
}

void FocusOnMapHold::releaseAll() {
    std::vector<xcb_window_t> windows;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : held_) windows.push_back(entry.first);
    }
    for (const xcb_window_t window : windows) release(window);
}

}  // namespace brindlow
