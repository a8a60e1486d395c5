// Batch moves: every window of one layout change in one go, with one wait for the window
// manager instead of one per window and request.
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/CoordinateLimits.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/windows/FrameWriter.h"
#include "platform/x11/windows/MoveResizeRequest.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

using namespace moveresize;

// One window's request: what changes and to what (client size, without decorations).
struct Request {
    std::size_t index = 0;
    xcb_window_t window = XCB_WINDOW_NONE;
    std::uint32_t flags = 0;
    std::int32_t x = 0, y = 0;
    std::uint32_t width = 0, height = 0;
    Rect target;  // the frame asked for as it is to show, decorations included
    FrameExtents extents;
    FrameExtents margin;         // the client's invisible margin
    std::int32_t standsAtX = 0;  // the frame's left edge when the batch began
};

}  // namespace

std::vector<FrameWriteResult> FrameWriter::setFrames(
    const std::vector<std::pair<xcb_window_t, Rect>>& targets, double timeout) {
    // A window manager that ends meanwhile leaves what it was sent undone.
    const bool viaWindowManager = registry().hasWindowManager();
    std::vector<FrameWriteResult> results(targets.size());
    std::vector<xcb_window_t> windows;
    windows.reserve(targets.size());
    for (const auto& target : targets) windows.push_back(target.first);
    const auto before = registry().readClientFrames(windows);

    const Rect screen = parking().rootFrame();
    std::vector<Request> requests;
    std::vector<xcb_window_t> toHide, toShow;
    // Whether the window manager showed each window when it was sent and at the last read-back.
    std::vector<bool> shownBefore(targets.size(), false), shownAfter(targets.size(), false);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        FrameWriteResult& result = results[i];
        if (before[i] && !registry().isClient(windows[i]) && registry().isWithdrawn(windows[i])) {
            result = withdrawn().putBackWithdrawn(windows[i], targets[i].second.origin(),
                                                  targets[i].second.size());
            continue;
        }
        if (!before[i] || !registry().isClient(windows[i])) {
            result.error = axerror::invalidElement;
            continue;
        }
        const X11WindowFrame& now = *before[i];
        shownBefore[i] = now.viewable;
        result.before = parking().parkedFrame(windows[i]).value_or(now.outerFrame());
        result.after = result.before;
        // As fillsScreen(), from the state read with the frame: a full read of every window on
        // every frame would cost a round trip each.
        if (now.fullScreen && registry().hasWindowManager()) continue;
        const Rect& frame = targets[i].second;
        const auto origin = representablePoint(frame.origin());
        const auto outerSize = representableSize(frame.size());
        if (!origin || !outerSize) {
            result.error = axerror::illegalArgument;
            continue;
        }
        if (registry().hasWindowManager() && registry().minimizedByOthers(windows[i]) &&
            ParkedHiding::isParked(Rect(*origin, *outerSize), screen)) {
            // Minimised by the user while frames were on their way: it is out of sight already,
            // and iconifying it for parking would make it Brindlow's own and lose the minimise.
            result.after = Rect(*origin, *outerSize);
            result.written = true;
            continue;
        }
        if (registry().hasWindowManager()) {
            // Beside a window manager that would pull a parked window into view, an iconified
            // window stands for it; it is moved and mapped again once it is in view.
            switch (d_.parked.plan(windows[i], Rect(*origin, *outerSize), screen)) {
                case ParkedHiding::Step::hide:
                    toHide.push_back(windows[i]);
                    [[fallthrough]];
                case ParkedHiding::Step::stayHidden:
                    result.after = Rect(*origin, *outerSize);
                    result.written = true;
                    continue;
                case ParkedHiding::Step::moveThenShow:
                    toShow.push_back(windows[i]);
                    break;
                case ParkedHiding::Step::move:
                    break;
            }
        } else if (d_.parked.isHidden(windows[i]) &&
                   !ParkedHiding::isParked(Rect(*origin, *outerSize), screen)) {
            // Left iconic by a window manager that is gone: only its own map shows it now.
            toShow.push_back(windows[i]);
        }
        // Held to the client's own limits: the window manager may pass on any size.
        const auto client = representableSize(now.hints.within(now.clientSizeFor(*outerSize)));
        if (!client) {
            result.error = axerror::illegalArgument;
            continue;
        }
        // The request places the window manager's frame, the client's invisible margin included.
        const Point place = now.requestOrigin(*origin);
        Request request{i,
                        windows[i],
                        0,
                        std::int32_t(whole(place.x)),
                        std::int32_t(whole(place.y)),
                        std::uint32_t(whole(client->width)),
                        std::uint32_t(whole(client->height)),
                        Rect(*origin, *outerSize),
                        now.extents,
                        now.margin};
        const Rect real = now.outerFrame();  // `before` may be a parked window's stand-in
        request.standsAtX = std::int32_t(whole(real.x));
        if (whole(origin->x) != whole(real.x) || whole(origin->y) != whole(real.y)) {
            request.flags |= kPositionFlags;
        }
        if (long(request.width) != whole(now.clientFrame.width) ||
            long(request.height) != whole(now.clientFrame.height)) {
            request.flags |= kSizeFlags;
        }
        if (request.flags == 0) continue;
        result.written = true;
        requests.push_back(request);
    }

    // Sends the requests (only `mask` of each), waits for the window manager, reads back.
    const auto round = [&](const std::vector<Request>& batch, std::uint32_t mask) {
        std::vector<xcb_window_t> sent;
        for (const Request& request : batch) sent.push_back(request.window);
        std::vector<bool> gone(sent.size(), false);
        AXError waited = axerror::success;
        if (!registry().hasWindowManager()) {
            for (const Request& request : batch) {
                const std::uint32_t flags = request.flags & mask;
                std::uint16_t valueMask = 0;
                std::vector<std::uint32_t> values;
                if (flags & kPositionFlags) {
                    valueMask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
                    values.push_back(std::uint32_t(request.x));
                    values.push_back(std::uint32_t(request.y));
                }
                if (flags & kSizeFlags) {
                    valueMask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
                    values.push_back(request.width);
                    values.push_back(request.height);
                }
                xcb_configure_window(x_.xcb(), request.window, valueMask, values.data());
            }
            x_.sync();
        } else {
            // Where each window's frame stands, and what size its client has, once the window
            // manager has carried out its request. A window sent out of sight has none: the
            // window manager may hold it at the edge, where it already stands. Its request goes
            // first, so the signs of the later ones tell that it was handled too.
            std::vector<std::optional<WindowManagerWait::FrameSign>> signs;
            for (const Request& request : batch) {
                if (ParkedHiding::isParked(request.target, screen)) {
                    signs.emplace_back();
                    continue;
                }
                WindowManagerWait::FrameSign sign{
                    request.x, request.y, request.x + std::int32_t(whole(request.extents.left)),
                    request.y + std::int32_t(whole(request.extents.top)), std::nullopt};
                if (request.flags & mask & kSizeFlags)
                    sign.clientSize = {request.width, request.height};
                signs.push_back(sign);
            }
            waited = waits().fenceAll(
                sent, timeout,
                [&] {
                    std::vector<const Request*> inOrder;
                    for (std::size_t k = 0; k < batch.size(); ++k)
                        if (!signs[k]) inOrder.push_back(&batch[k]);
                    for (std::size_t k = 0; k < batch.size(); ++k)
                        if (signs[k]) inOrder.push_back(&batch[k]);
                    for (const Request* sending : inOrder) {
                        const Request& request = *sending;
                        std::uint32_t flags = request.flags & mask;
                        // A window manager asked for a new size alone may keep the window on the
                        // screen (openbox does): a parked window's size goes with its place.
                        if ((flags & kSizeFlags) && ParkedHiding::isParked(request.target, screen))
                            flags |= kPositionFlags;
                        // And a move carries the size the client keeps: fluxbox takes a missing
                        // size for the frame's and grows the client by its decorations.
                        if (flags & kPositionFlags) flags |= kSizeFlags;
                        sendResizeFrom(request.standsAtX, request.target, request.margin,
                                       request.window,
                                       XCB_GRAVITY_NORTH_WEST | (kSourcePager << 12) | flags,
                                       (flags & kPositionFlags) ? request.x : 0,
                                       (flags & kPositionFlags) ? request.y : 0,
                                       (flags & kSizeFlags) ? request.width : 0,
                                       (flags & kSizeFlags) ? request.height : 0, request.target);
                    }
                },
                gone, &signs);
        }
        std::vector<std::optional<X11WindowFrame>> after = registry().readClientFrames(sent);
        if (registry().hasWindowManager() && registry().windowManagerTraits().movesFrameLate &&
            waits().lateMovesTrusted()) {
            std::vector<std::size_t> late;
            std::vector<xcb_window_t> lateWindows;
            std::vector<Point> places;
            for (std::size_t k = 0; k < batch.size(); ++k) {
                const Request& request = batch[k];
                if (gone[k] || !after[k] || !(request.flags & mask & kPositionFlags) ||
                    ParkedHiding::isParked(request.target, screen))
                    continue;
                const Rect outer = after[k]->outerFrame();
                const Point asked = request.target.origin();
                if (whole(outer.x) == whole(asked.x) && whole(outer.y) == whole(asked.y)) continue;
                late.push_back(k);
                lateWindows.push_back(request.window);
                places.push_back(asked);
            }
            if (!late.empty()) {
                const auto moved = waits().awaitLateMoves(
                    lateWindows, places, std::min(timeout, WindowManagerWait::kFrameSignsWait));
                for (std::size_t j = 0; j < late.size(); ++j) after[late[j]] = moved[j];
            }
        }
        std::vector<Request> differing;
        for (std::size_t k = 0; k < batch.size(); ++k) {
            FrameWriteResult& result = results[batch[k].index];
            // Withdrawn while the request was on its way: no window manager moves it any more.
            if (!gone[k] && after[k] && !registry().isClient(sent[k]) &&
                registry().isWithdrawn(sent[k])) {
                const Rect& target = batch[k].target;
                result = withdrawn().putBackWithdrawn(sent[k], target.origin(), target.size());
                continue;
            }
            if (gone[k] || !after[k] || !registry().isClient(sent[k])) {
                result.error = axerror::invalidElement;
                result.after.reset();
                continue;
            }
            result.after = after[k]->outerFrame();
            shownAfter[batch[k].index] = after[k]->viewable;
            if (waited != axerror::success) result.error = waited;
            const Rect& client = after[k]->clientFrame;
            if ((batch[k].flags & kSizeFlags) && (whole(client.width) != long(batch[k].width) ||
                                                  whole(client.height) != long(batch[k].height))) {
                differing.push_back(batch[k]);
            }
        }
        return differing;
    };

    if (!requests.empty()) {
        // Some applications clamp the size to the old position: the size goes once more to the
        // windows whose read-back shows that, and to no other.
        const std::vector<Request> again = round(requests, ~0u);
        if (!again.empty()) round(again, kSizeFlags);
    }
    // Only beside a window manager that keeps windows on screen: one that keeps a sliver of a
    // window in view (openbox, xfwm4) is not pulling it back.
    if (registry().hasWindowManager() && registry().windowManagerTraits().keepsWindowsOnScreen) {
        // A parked window the window manager pulled back into view goes out of sight instead.
        // Judged only on an answered request no later move of the window followed, and asked
        // once more first: a window manager that clamps does so again, one that was only late
        // (another move in flight) now puts it where asked. Only a window the window manager
        // showed when asked and still shows tells: one it hides (on another desktop, during a
        // desktop switch) it places by rules of its own, which say nothing about parking.
        const auto targetOf = [&](const Request& request) {
            const Rect& asked = targets[request.index].second;
            return Rect(representablePoint(asked.origin()).value_or(Point{}),
                        representableSize(asked.size()).value_or(Size{}));
        };
        const auto clamped = [&](const Request& request) {
            const FrameWriteResult& result = results[request.index];
            const Rect target = targetOf(request);
            return result.after && result.error == axerror::success && shownBefore[request.index] &&
                   shownAfter[request.index] && d_.parked.isLastSent(request.window, target) &&
                   std::find(toShow.begin(), toShow.end(), request.window) == toShow.end() &&
                   ParkedHiding::wasClampedIntoView(target, *result.after, screen);
        };
        std::vector<Request> suspects;
        for (const Request& request : requests)
            if (clamped(request)) suspects.push_back(request);
        if (!suspects.empty()) round(suspects, ~0u);
        for (const Request& request : suspects) {
            if (!clamped(request)) continue;
            const Rect target = targetOf(request);
            d_.parked.hiding(request.window, target);
            toHide.push_back(request.window);
            results[request.index].after = target;
        }
    }
    parking().hideParked(toHide);
    for (const xcb_window_t window : toShow) parking().showParked(window);
    // Its end cut every wait short: the batch goes again, straight to the windows.
    if (viaWindowManager && !registry().hasWindowManager()) return setFrames(targets, timeout);
    return results;
}

}  // namespace brindlow
