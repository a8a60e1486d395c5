// Putting back a window its application withdrew. No window manager manages it, so no request
// to one moves it: the window's own geometry is what a window manager reads when the window is
// mapped again, and that is configured directly, as its application could.
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/CoordinateLimits.h"
#include "platform/Log.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Events.h"
#include "platform/x11/windows/WithdrawnWindows.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

// How long the window manager's estimate of the decorations is awaited; one that does not answer
// leaves the extents on the window as they stand.
constexpr double kExtentsWait = 0.2;

const Logger& withdrawnLog() {
    static const Logger logger = makeLogger("Withdrawn");
    return logger;
}

std::string describe(const Rect& frame) {
    char text[96];
    std::snprintf(text, sizeof text, "%ld,%ld %ldx%ld", std::lround(frame.x), std::lround(frame.y),
                  std::lround(frame.width), std::lround(frame.height));
    return text;
}

// The position and size in WM_NORMAL_HINTS follow the window's, where its application gives
// them: some window managers place a window by them rather than by its geometry.
void followInNormalHints(X11Connection& x, xcb_window_t window, const xcb_rectangle_t& geometry,
                         std::uint16_t configured) {
    xcb_size_hints_t hints{};
    if (!xcb_icccm_get_wm_normal_hints_reply(
            x.xcb(), xcb_icccm_get_wm_normal_hints(x.xcb(), window), &hints, nullptr))
        return;
    bool changed = false;
    if ((configured & XCB_CONFIG_WINDOW_X) &&
        (hints.flags & (XCB_ICCCM_SIZE_HINT_US_POSITION | XCB_ICCCM_SIZE_HINT_P_POSITION))) {
        changed = hints.x != geometry.x || hints.y != geometry.y;
        hints.x = geometry.x;
        hints.y = geometry.y;
    }
    if ((configured & XCB_CONFIG_WINDOW_WIDTH) &&
        (hints.flags & (XCB_ICCCM_SIZE_HINT_US_SIZE | XCB_ICCCM_SIZE_HINT_P_SIZE))) {
        changed = changed || hints.width != geometry.width || hints.height != geometry.height;
        hints.width = geometry.width;
        hints.height = geometry.height;
    }
    if (changed) xcb_icccm_set_wm_normal_hints(x.xcb(), window, &hints);
}

}  // namespace

FrameWriteResult WithdrawnWindows::putBackWithdrawn(xcb_window_t window,
                                                    std::optional<Point> origin,
                                                    std::optional<Size> size) {
    FrameWriteResult result;
    // The decorations it will get are the window manager's to tell: once it let the window go,
    // the frame extents on it are gone or stale, and a fresh estimate is what it answers.
    bool estimated = false;
    if (registry().hasWindowManager()) {
        const xcb_atom_t extents = x_.ewmh()->_NET_FRAME_EXTENTS;
        estimated = waits().awaitWindowManager(
                        [&](const xcb_generic_event_t& event) {
                            if (eventType(event) != XCB_PROPERTY_NOTIFY) return false;
                            const auto& e = as<xcb_property_notify_event_t>(event);
                            return e.window == window && e.atom == extents;
                        },
                        kExtentsWait,
                        [&] {
                            xcb_ewmh_request_frame_extents(x_.ewmh(), x_.screenNumber(), window);
                            return false;
                        }) == WindowManagerWait::Answer::heard;
    }
    const std::optional<X11WindowFrame> now = registry().readClientFrames({window}).front();
    if (!now) {
        result.error = axerror::invalidElement;
        return result;
    }
    // One that leaves the request unanswered (KWin) and took its extents away had them before.
    FrameExtents ext = now->extents;
    if (registry().hasWindowManager() && !estimated && ext.left == 0 && ext.right == 0 &&
        ext.top == 0 && ext.bottom == 0) {
        std::lock_guard lock(d_.mutex);
        if (const auto seen = d_.decorations.find(window); seen != d_.decorations.end())
            ext = seen->second;
    }
    // What shows of it: the decorations less the client's own invisible margin.
    const FrameExtents& margin = now->margin;
    const Size decorations{double(ext.left + ext.right - margin.left - margin.right),
                           double(ext.top + ext.bottom - margin.top - margin.bottom)};
    const auto grown = [&](const Rect& client) {
        return Rect(client.x + margin.left, client.y + margin.top, client.width + decorations.width,
                    client.height + decorations.height);
    };
    result.before = now->outerFrame();

    const std::optional<Point> place = origin ? representablePoint(*origin) : std::nullopt;
    const std::optional<Size> outer = size ? representableSize(*size) : std::nullopt;
    const std::optional<Size> client =
        outer ? representableSize(now->hints.within(
                    Size{outer->width - decorations.width, outer->height - decorations.height}))
              : std::nullopt;
    if ((origin && !place) || (size && !client)) {
        result.error = axerror::illegalArgument;
        return result;
    }
    // With the usual north-west gravity, the window's position is where its frame's corner goes
    // (the client's invisible margin included).
    const Rect target(now->requestOrigin(place.value_or(now->outerFrame().origin())),
                      client.value_or(now->clientFrame.size()));
    const xcb_rectangle_t geometry{
        std::int16_t(std::lround(target.x)), std::int16_t(std::lround(target.y)),
        std::uint16_t(std::lround(target.width)), std::uint16_t(std::lround(target.height))};
    std::uint16_t mask = 0;
    std::vector<std::uint32_t> values;
    if (place) {
        mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
        values.push_back(std::uint32_t(geometry.x));
        values.push_back(std::uint32_t(geometry.y));
    }
    if (client) {
        mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
        values.push_back(geometry.width);
        values.push_back(geometry.height);
    }
    result.after = grown(target);
    if (mask == 0) return result;
    xcb_configure_window(x_.xcb(), window, mask, values.data());
    followInNormalHints(x_, window, geometry, mask);
    x_.sync();
    result.written = true;
    withdrawnLog().info(
        "Withdrawn window 0x%x put back to %{public}s: it takes that frame when shown again",
        window, describe(*result.after));
    return result;
}

void WithdrawnWindows::rememberDecorations(xcb_window_t window, const FrameExtents& extents) {
    if (extents.left == 0 && extents.right == 0 && extents.top == 0 && extents.bottom == 0) return;
    std::lock_guard lock(d_.mutex);
    d_.decorations[window] = extents;
}

}  // namespace brindlow
