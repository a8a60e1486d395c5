// Moving and resizing one client's frame, parking it where the window manager keeps windows in
// view, and full screen.
#include <xcb/xcb_ewmh.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/CoordinateLimits.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Events.h"
#include "platform/x11/windows/FrameWriter.h"
#include "platform/x11/windows/MoveResizeRequest.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

using namespace moveresize;

bool FrameWriter::fillsScreen(const X11WindowSnapshot& snapshot) const {
    // A full-screen window keeps filling its screen whatever is asked of it: KWin, fluxbox and
    // fvwm would move it off its display, jwm would take it out of full screen.
    return registry().hasWindowManager() && snapshot.hasState(x_.ewmh()->_NET_WM_STATE_FULLSCREEN);
}

AXError FrameWriter::moveResizeNow(xcb_window_t window, std::optional<Point> origin,
                                   std::optional<Size> size, double timeout,
                                   const std::optional<Rect>& parkingTarget) {
    auto s = registry().read(window);
    if (!s) return axerror::invalidElement;
    if (fillsScreen(*s)) return axerror::success;
    const Rect outer = s->outerFrame();

    Point target = outer.origin();
    if (origin) {
        auto representable = representablePoint(*origin);
        if (!representable) return axerror::illegalArgument;
        target = *representable;
    }
    std::optional<Size> client;
    Size frameSize = outer.size();
    if (size) {
        auto outerSize = representableSize(*size);
        if (!outerSize) return axerror::illegalArgument;
        frameSize = *outerSize;
        // Held to the client's own limits: the window manager may pass on any size.
        client = representableSize(s->hints.within(s->clientSizeFor(*outerSize)));
    }
    const auto whole = [](double v) { return std::lround(v); };
    const bool moves =
        origin && (whole(target.x) != whole(outer.x) || whole(target.y) != whole(outer.y));
    const bool resizes = client && (whole(client->width) != whole(s->clientFrame.width) ||
                                    whole(client->height) != whole(s->clientFrame.height));
    if (!moves && !resizes) return axerror::success;

    if (!registry().hasWindowManager()) {
        uint16_t mask = 0;
        std::vector<uint32_t> values;
        if (moves) {
            // Nothing frames it: the client goes where its visible part is to stand, less its
            // invisible margin.
            const Point corner = s->requestOrigin(target);
            mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
            values.push_back(uint32_t(int32_t(whole(corner.x))));
            values.push_back(uint32_t(int32_t(whole(corner.y))));
        }
        if (resizes) {
            mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
            values.push_back(uint32_t(whole(client->width)));
            values.push_back(uint32_t(whole(client->height)));
        }
        xcb_configure_window(x_.xcb(), window, mask, values.data());
        x_.sync();
        return readWindow(x_, window) ? axerror::success : axerror::invalidElement;
    }

    uint32_t flags = XCB_GRAVITY_NORTH_WEST | (kSourcePager << 12);
    if (moves) flags |= XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y;
    // A move carries the size the client keeps: fluxbox takes a missing size for the frame's
    // and grows the client by its decorations on every move.
    if (moves || resizes)
        flags |= XCB_EWMH_MOVERESIZE_WINDOW_WIDTH | XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT;
    const Size kept = resizes ? *client : s->clientFrame.size();
    // The request places the window manager's frame, the client's invisible margin included.
    const Point request = s->requestOrigin(target);
    const uint32_t x = moves ? uint32_t(int32_t(whole(request.x))) : 0;
    const uint32_t y = moves ? uint32_t(int32_t(whole(request.y))) : 0;
    const uint32_t w = uint32_t(whole(kept.width));
    const uint32_t h = uint32_t(whole(kept.height));
    const AXError sent = waits().fence(window, timeout, [&] {
        sendResizeFrom(int32_t(whole(outer.x)), Rect(target, frameSize), s->margin, window, flags,
                       int32_t(x), int32_t(y), w, h, parkingTarget);
    });
    // The window manager ended before carrying the request out: it goes straight to the window.
    if (!registry().hasWindowManager())
        return moveResizeNow(window, origin, size, timeout, parkingTarget);
    return sent;
}

void FrameWriter::sendMoveResize(xcb_window_t window, std::uint32_t flags, std::int32_t x,
                                 std::int32_t y, std::uint32_t width, std::uint32_t height,
                                 const std::optional<Rect>& parkingTarget) {
    std::lock_guard lock(sendMutex_);
    if (parkingTarget) d_.parked.sending(window, *parkingTarget);
    constexpr std::uint32_t kWidthAndHeight =
        XCB_EWMH_MOVERESIZE_WINDOW_WIDTH | XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT;
    if ((flags & kWidthAndHeight) == kWidthAndHeight)
        askedSizes_[window] = Size{double(width), double(height)};
    // `flags` holds the gravity (bits 0-7), which fields count (bits 8-11) and the source (bits
    // 12-15), as the message packs them; the library packs them again.
    xcb_ewmh_request_moveresize_window(x_.ewmh(), x_.screenNumber(), window,
                                       xcb_gravity_t(flags & 0xFF),
                                       xcb_ewmh_client_source_type_t((flags >> 12) & 0xF),
                                       xcb_ewmh_moveresize_window_opt_flags_t(flags & 0xF00),
                                       uint32_t(x), uint32_t(y), width, height);
}

bool FrameWriter::hasAskedSize(xcb_window_t window, Size client,
                               std::optional<Size> increments) const {
    std::lock_guard lock(sendMutex_);
    const auto found = askedSizes_.find(window);
    if (found == askedSizes_.end()) return false;
    const Size step = increments.value_or(Size{1, 1});
    const auto near = [](double size, double asked, double increment) {
        return std::abs(std::lround(size) - std::lround(asked)) <
               std::max(1L, std::lround(increment));
    };
    return near(client.width, found->second.width, step.width) &&
           near(client.height, found->second.height, step.height);
}

AXError FrameWriter::setFullScreen(xcb_window_t window, bool on, double timeout) {
    const xcb_atom_t fullScreen = x_.ewmh()->_NET_WM_STATE_FULLSCREEN;
    return changeState(
        window, {fullScreen, XCB_ATOM_NONE}, on, timeout,
        [&](const X11WindowSnapshot& now) { return now.hasState(fullScreen) == on; });
}

AXError FrameWriter::setMaximized(xcb_window_t window, bool on, double timeout) {
    const xcb_ewmh_connection_t& ewmh = *x_.ewmh();
    if (registry().read(window) && registry().hasWindowManager())
        registry().maximizeSending(window, on);
    return changeState(
        window, {ewmh._NET_WM_STATE_MAXIMIZED_VERT, ewmh._NET_WM_STATE_MAXIMIZED_HORZ}, on, timeout,
        [&](const X11WindowSnapshot& now) { return registry().maximized(now) == on; });
}

AXError FrameWriter::changeState(xcb_window_t window, std::pair<xcb_atom_t, xcb_atom_t> states,
                                 bool on, double timeout,
                                 const std::function<bool(const X11WindowSnapshot&)>& reached) {
    if (!registry().read(window)) return axerror::invalidElement;
    if (!registry().hasWindowManager()) return axerror::attributeUnsupported;
    const AXError sent = waits().fence(window, timeout, [&] {
        xcb_ewmh_request_change_wm_state(x_.ewmh(), x_.screenNumber(), window,
                                         on ? XCB_EWMH_WM_STATE_ADD : XCB_EWMH_WM_STATE_REMOVE,
                                         states.first, states.second,
                                         xcb_ewmh_client_source_type_t(kSourcePager));
    });
    if (sent != axerror::success) return sent;
    // Some window managers (KWin) give the window its new frame first and say so in its state
    // only after: the answer waits for the state, so that reading it back agrees.
    const auto done = [&] {
        const auto now = readWindow(x_, window);
        return !now || reached(*now);
    };
    const xcb_atom_t state = x_.ewmh()->_NET_WM_STATE;
    // Where the frame alone shows the maximised state, its configure is the answer.
    const bool byFrame = registry().showsMaximizedOnlyByFrame();
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
    for (auto left = timeout; left > 0;
         left = std::chrono::duration<double>(until - std::chrono::steady_clock::now()).count()) {
        const WindowManagerWait::Answer changed = waits().awaitWindowManager(
            [&](const xcb_generic_event_t& event) {
                if (byFrame && eventType(event) == XCB_CONFIGURE_NOTIFY)
                    return as<xcb_configure_notify_event_t>(event).window == window;
                if (eventType(event) != XCB_PROPERTY_NOTIFY) return false;
                auto& e = as<xcb_property_notify_event_t>(event);
                return e.window == window && e.atom == state;
            },
            left, [&] { return done(); });
        if (changed != WindowManagerWait::Answer::heard || done()) break;
    }
    return axerror::success;
}

void FrameWriter::sendResizeFrom(std::int32_t standsAtX, const Rect& frame,
                                 const FrameExtents& margin, xcb_window_t window,
                                 std::uint32_t flags, std::int32_t x, std::int32_t y,
                                 std::uint32_t width, std::uint32_t height,
                                 const std::optional<Rect>& parkingTarget) {
    const Rect screen = parking().rootFrame();
    const bool inPlace = (flags & kSizeFlags) && whole(frame.x) == standsAtX;
    const int out = !inPlace ? 0 : frame.maxX() > screen.maxX() ? 1 : frame.x < screen.x ? -1 : 0;
    if (out == 0) {
        sendMoveResize(window, flags, x, y, width, height, parkingTarget);
        return;
    }
    const std::uint32_t how = flags & ~(kPositionFlags | kSizeFlags);
    // The requests place the window manager's frame, the client's invisible margin included.
    const std::int32_t left = std::int32_t(whole(frame.x)) - margin.left;
    const std::int32_t top = std::int32_t(whole(frame.y)) - margin.top;
    sendMoveResize(window, how | kPositionFlags | kSizeFlags, left + out, top, width, height,
                   parkingTarget);
    // The size again: fluxbox takes a move without one for a frame's size and grows the client.
    sendMoveResize(window, how | kPositionFlags | kSizeFlags, left, top, width, height,
                   parkingTarget);
}

AXError FrameWriter::moveResizeAll(const std::vector<std::pair<xcb_window_t, Rect>>& targets,
                                   double timeout) {
    // The batch of setFrames, with its parking: a window parked by a batch is hidden the same way.
    for (const FrameWriteResult& result : setFrames(targets, timeout))
        if (result.error != axerror::success && result.error != axerror::invalidElement)
            return result.error;
    return axerror::success;
}

AXError FrameWriter::moveResize(xcb_window_t window, std::optional<Point> origin,
                                std::optional<Size> size, double timeout) {
    const auto s = registry().read(window);
    if (!s && registry().isWithdrawn(window))
        return withdrawn().putBackWithdrawn(window, origin, size).error;
    if (!s) return axerror::invalidElement;
    if (!registry().hasWindowManager()) {
        const AXError moved = moveResizeNow(window, origin, size, timeout);
        // Left iconic by a window manager that is gone: only its own map shows it now.
        const auto place = origin ? representablePoint(*origin) : std::nullopt;
        if (d_.parked.isHidden(window) && place &&
            !ParkedHiding::isParked(Rect(*place, s->outerFrame().size()), parking().rootFrame()))
            parking().showParked(window);
        return moved;
    }
    // Judged where the window can really go; what cannot be written is refused as before.
    const std::optional<Point> place = origin ? representablePoint(*origin) : std::nullopt;
    const std::optional<Size> extent = size ? representableSize(*size) : std::nullopt;
    if ((origin && !place) || (size && !extent))
        return moveResizeNow(window, origin, size, timeout);
    const Rect current = parking().parkedFrame(window).value_or(s->outerFrame());
    const Rect target(place.value_or(current.origin()), extent.value_or(current.size()));
    const Rect screen = parking().rootFrame();
    switch (d_.parked.plan(window, target, screen)) {
        case ParkedHiding::Step::hide:
            parking().hideParked({window});
            return axerror::success;
        case ParkedHiding::Step::stayHidden:
            return axerror::success;
        case ParkedHiding::Step::moveThenShow: {
            const AXError moved = moveResizeNow(window, origin, size, timeout, target);
            parking().showParked(window);
            return moved;
        }
        case ParkedHiding::Step::move:
            break;
    }
    const AXError moved = moveResizeNow(window, origin, size, timeout, target);
    if (moved != axerror::success || !ParkedHiding::isParked(target, screen) ||
        !registry().windowManagerTraits().keepsWindowsOnScreen)
        return moved;
    // A parked window the window manager pulled back into view goes out of sight instead;
    // judged only while no later move of the window went out meanwhile.
    // Asked once more first: a window manager that clamps does so again, one that was only
    // late (another move in flight) now puts it where asked. Only a window the window manager
    // showed when asked and still shows tells (it places a hidden one by rules of its own).
    const auto clamped = [&] {
        const auto after = readWindow(x_, window);
        return after && s->mapped && after->mapped && d_.parked.isLastSent(window, target) &&
               ParkedHiding::wasClampedIntoView(target, after->outerFrame(), screen);
    };
    if (!clamped()) return moved;
    if (moveResizeNow(window, target.origin(), target.size(), timeout, target) ==
            axerror::success &&
        clamped()) {
        d_.parked.hiding(window, target);
        parking().hideParked({window});
    }
    return moved;
}

}  // namespace brindlow
