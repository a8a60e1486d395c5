// Batch moves: every window of one layout change in one go, with one wait for the window
// manager instead of one per window and request.
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "platform/CoordinateLimits.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Events.h"

namespace brindlow {

namespace {

constexpr std::uint32_t kSourcePager = 2;  // "source indication": a pager or assistive tool
constexpr std::uint32_t kPositionFlags =
    XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y;
constexpr std::uint32_t kSizeFlags =
    XCB_EWMH_MOVERESIZE_WINDOW_WIDTH | XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT;

// How long the windows of a batch may take to show their requests carried out before the
// window manager is asked outright.
constexpr double kFrameSignsWait = 0.04;
// Batches in a row whose signs did not all come before the window manager is no longer trusted
// to show them.
constexpr int kSignMissesTrusted = 3;
// Late moves in a row that never came before the window manager is no longer waited for.
constexpr int kLateMovesTrusted = 3;

long whole(double value) {
    return std::lround(value);
}

// One window's request: what changes and to what (client size, without decorations).
struct Request {
    std::size_t index = 0;
    xcb_window_t window = XCB_WINDOW_NONE;
    std::uint32_t flags = 0;
    std::int32_t x = 0, y = 0;
    std::uint32_t width = 0, height = 0;
    Rect target;  // the frame asked for, decorations included
    FrameExtents extents;
    std::int32_t standsAtX = 0;  // the frame's left edge when the batch began
};

std::ptrdiff_t indexOf(const std::vector<xcb_window_t>& windows, xcb_window_t window) {
    const auto found = std::find(windows.begin(), windows.end(), window);
    return found == windows.end() ? -1 : found - windows.begin();
}

// Ends a wait once every window not yet gone is destroyed, marking each in `gone` as it goes.
std::function<bool(const xcb_generic_event_t&)> untilAllDestroyed(
    const std::vector<xcb_window_t>& windows, std::vector<bool>& gone) {
    auto remaining =
        std::make_shared<std::size_t>(std::size_t(std::count(gone.begin(), gone.end(), false)));
    return [&windows, &gone, remaining](const xcb_generic_event_t& event) {
        if (eventType(event) != XCB_DESTROY_NOTIFY) return false;
        const auto index = indexOf(windows, as<xcb_destroy_notify_event_t>(event).window);
        if (index >= 0 && !gone[std::size_t(index)]) {
            gone[std::size_t(index)] = true;
            --*remaining;
        }
        return *remaining == 0;
    };
}

}  // namespace

std::vector<FrameWriteResult> X11Desktop::setFrames(
    const std::vector<std::pair<xcb_window_t, Rect>>& targets, double timeout) {
    // A window manager that ends meanwhile leaves what it was sent undone.
    const bool viaWindowManager = hasWindowManager();
    std::vector<FrameWriteResult> results(targets.size());
    std::vector<xcb_window_t> windows;
    windows.reserve(targets.size());
    for (const auto& target : targets) windows.push_back(target.first);
    const auto before = readClientFrames(windows);

    const Rect screen = rootFrame();
    std::vector<Request> requests;
    std::vector<xcb_window_t> toHide, toShow;
    // Whether the window manager showed each window when it was sent and at the last read-back.
    std::vector<bool> shownBefore(targets.size(), false), shownAfter(targets.size(), false);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        FrameWriteResult& result = results[i];
        if (before[i] && !isClient(windows[i]) && isWithdrawn(windows[i])) {
            result =
                putBackWithdrawn(windows[i], targets[i].second.origin(), targets[i].second.size());
            continue;
        }
        if (!before[i] || !isClient(windows[i])) {
            result.error = axerror::invalidElement;
            continue;
        }
        const X11WindowFrame& now = *before[i];
        shownBefore[i] = now.viewable;
        result.before = parkedFrame(windows[i]).value_or(now.outerFrame());
        result.after = result.before;
        // As fillsScreen(), from the state read with the frame: a full read of every window on
        // every frame would cost a round trip each.
        if (now.fullScreen && hasWindowManager()) continue;
        const Rect& frame = targets[i].second;
        const auto origin = representablePoint(frame.origin());
        const auto outerSize = representableSize(frame.size());
        if (!origin || !outerSize) {
            result.error = axerror::illegalArgument;
            continue;
        }
        if (hasWindowManager() && minimizedByOthers(windows[i]) &&
            ParkedHiding::isParked(Rect(*origin, *outerSize), screen)) {
            // Minimised by the user while frames were on their way: it is out of sight already,
            // and iconifying it for parking would make it Brindlow's own and lose the minimise.
            result.after = Rect(*origin, *outerSize);
            result.written = true;
            continue;
        }
        if (hasWindowManager()) {
            // Beside a window manager that would pull a parked window into view, an iconified
            // window stands for it; it is moved and mapped again once it is in view.
            switch (parking_.plan(windows[i], Rect(*origin, *outerSize), screen)) {
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
        } else if (parking_.isHidden(windows[i]) &&
                   !ParkedHiding::isParked(Rect(*origin, *outerSize), screen)) {
            // Left iconic by a window manager that is gone: only its own map shows it now.
            toShow.push_back(windows[i]);
        }
        const FrameExtents& ext = now.extents;
        // Held to the client's own limits: the window manager may pass on any size.
        const auto client = representableSize(now.hints.within(Size{
            outerSize->width - ext.left - ext.right, outerSize->height - ext.top - ext.bottom}));
        if (!client) {
            result.error = axerror::illegalArgument;
            continue;
        }
        Request request{i,
                        windows[i],
                        0,
                        std::int32_t(whole(origin->x)),
                        std::int32_t(whole(origin->y)),
                        std::uint32_t(whole(client->width)),
                        std::uint32_t(whole(client->height)),
                        Rect(*origin, *outerSize),
                        ext};
        const Rect real = now.outerFrame();  // `before` may be a parked window's stand-in
        request.standsAtX = std::int32_t(whole(real.x));
        if (request.x != whole(real.x) || request.y != whole(real.y)) {
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
        if (!hasWindowManager()) {
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
            std::vector<std::optional<FrameSign>> signs;
            for (const Request& request : batch) {
                if (ParkedHiding::isParked(request.target, screen)) {
                    signs.emplace_back();
                    continue;
                }
                FrameSign sign{request.x, request.y,
                               request.x + std::int32_t(whole(request.extents.left)),
                               request.y + std::int32_t(whole(request.extents.top)), std::nullopt};
                if (request.flags & mask & kSizeFlags)
                    sign.clientSize = {request.width, request.height};
                signs.push_back(sign);
            }
            waited = fenceAll(
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
                        sendResizeFrom(request.standsAtX, request.target, request.window,
                                       XCB_GRAVITY_NORTH_WEST | (kSourcePager << 12) | flags,
                                       (flags & kPositionFlags) ? request.x : 0,
                                       (flags & kPositionFlags) ? request.y : 0,
                                       (flags & kSizeFlags) ? request.width : 0,
                                       (flags & kSizeFlags) ? request.height : 0, request.target);
                    }
                },
                gone, &signs);
        }
        std::vector<std::optional<X11WindowFrame>> after = readClientFrames(sent);
        if (hasWindowManager() && windowManagerTraits().movesFrameLate &&
            lateMovesMissed_.load() < kLateMovesTrusted) {
            std::vector<std::size_t> late;
            std::vector<xcb_window_t> lateWindows;
            std::vector<Point> places;
            for (std::size_t k = 0; k < batch.size(); ++k) {
                const Request& request = batch[k];
                if (gone[k] || !after[k] || !(request.flags & mask & kPositionFlags) ||
                    ParkedHiding::isParked(request.target, screen))
                    continue;
                const Rect outer = after[k]->outerFrame();
                if (whole(outer.x) == request.x && whole(outer.y) == request.y) continue;
                late.push_back(k);
                lateWindows.push_back(request.window);
                places.emplace_back(request.x, request.y);
            }
            if (!late.empty()) {
                const auto moved =
                    awaitLateMoves(lateWindows, places, std::min(timeout, kFrameSignsWait));
                for (std::size_t j = 0; j < late.size(); ++j) after[late[j]] = moved[j];
            }
        }
        std::vector<Request> differing;
        for (std::size_t k = 0; k < batch.size(); ++k) {
            FrameWriteResult& result = results[batch[k].index];
            // Withdrawn while the request was on its way: no window manager moves it any more.
            if (!gone[k] && after[k] && !isClient(sent[k]) && isWithdrawn(sent[k])) {
                const Rect& target = batch[k].target;
                result = putBackWithdrawn(sent[k], target.origin(), target.size());
                continue;
            }
            if (gone[k] || !after[k] || !isClient(sent[k])) {
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
    if (hasWindowManager() && windowManagerTraits().keepsWindowsOnScreen) {
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
                   shownAfter[request.index] && parking_.isLastSent(request.window, target) &&
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
            parking_.hiding(request.window, target);
            toHide.push_back(request.window);
            results[request.index].after = target;
        }
    }
    hideParked(toHide);
    for (const xcb_window_t window : toShow) showParked(window);
    // Its end cut every wait short: the batch goes again, straight to the windows.
    if (viaWindowManager && !hasWindowManager()) return setFrames(targets, timeout);
    return results;
}

void X11Desktop::sendResizeFrom(std::int32_t standsAtX, const Rect& frame, xcb_window_t window,
                                std::uint32_t flags, std::int32_t x, std::int32_t y,
                                std::uint32_t width, std::uint32_t height,
                                const std::optional<Rect>& parkingTarget) {
    const Rect screen = rootFrame();
    const bool inPlace = (flags & kSizeFlags) && whole(frame.x) == standsAtX;
    const int out = !inPlace ? 0 : frame.maxX() > screen.maxX() ? 1 : frame.x < screen.x ? -1 : 0;
    if (out == 0) {
        sendMoveResize(window, flags, x, y, width, height, parkingTarget);
        return;
    }
    const std::uint32_t how = flags & ~(kPositionFlags | kSizeFlags);
    const std::int32_t left = std::int32_t(whole(frame.x)), top = std::int32_t(whole(frame.y));
    sendMoveResize(window, how | kPositionFlags | kSizeFlags, left + out, top, width, height,
                   parkingTarget);
    // The size again: fluxbox takes a move without one for a frame's size and grows the client.
    sendMoveResize(window, how | kPositionFlags | kSizeFlags, left, top, width, height,
                   parkingTarget);
}

AXError X11Desktop::moveResizeAll(const std::vector<std::pair<xcb_window_t, Rect>>& targets,
                                  double timeout) {
    // The batch of setFrames, with its parking: a window parked by a batch is hidden the same way.
    for (const FrameWriteResult& result : setFrames(targets, timeout))
        if (result.error != axerror::success && result.error != axerror::invalidElement)
            return result.error;
    return axerror::success;
}

AXError X11Desktop::fenceAll(const std::vector<xcb_window_t>& windows, double timeout,
                             const std::function<void()>& send, std::vector<bool>& gone,
                             const std::vector<std::optional<FrameSign>>* signs) {
    std::function<void()> sendOnce = send;
    if (signs) {
        // Asking the window manager for a probe's frame extents makes it build and drop a whole
        // frame for the probe, every time: far more work than the moves themselves. The frames'
        // and clients' own configure events tell the same; the probe is only the fallback for a
        // window that does not come where or as it was asked.
        // A window manager whose windows keep missing their signs is asked outright from then on.
        const bool trusted = signsMissed_.load() < kSignMissesTrusted;
        switch (trusted ? awaitFrameSigns(windows, *signs, std::min(timeout, kFrameSignsWait), send,
                                          gone)
                        : SignWait::none) {
            case SignWait::seen:
                signsMissed_ = 0;
                return axerror::success;
            case SignWait::missed:
                ++signsMissed_;
                sendOnce = [] {};
                break;
            case SignWait::windowManagerGone:
                return axerror::success;
            case SignWait::none:
                break;
        }
    }
    if (std::count(gone.begin(), gone.end(), false) == 0) return axerror::success;
    const std::optional<FenceOutcome> outcome =
        probeFence(timeout, sendOnce, untilAllDestroyed(windows, gone));
    if (!outcome) return fallbackFenceAll(windows, timeout, sendOnce, gone);
    if (outcome->windowManagerGone) return axerror::success;
    // The requests went out; without an answer, what the windows show now is what they got.
    if (outcome->silent)
        return fallbackFenceAll(
            windows, outcome->timeout, [] {}, gone);
    return outcome->answered ? axerror::success : axerror::cannotComplete;
}

std::vector<std::optional<X11WindowFrame>> X11Desktop::awaitLateMoves(
    const std::vector<xcb_window_t>& windows, const std::vector<Point>& places, double timeout) {
    std::vector<xcb_window_t> frames(windows.size(), XCB_WINDOW_NONE);
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const auto found = known_.find(windows[i]);
            if (found != known_.end() && found->second.topLevel != windows[i])
                frames[i] = found->second.topLevel;
        }
    }
    // Events come on the event thread while the first read runs here.
    std::mutex heardMutex;
    std::vector<bool> heard(windows.size(), false);
    std::size_t remaining = windows.size();
    const auto hear = [&](std::size_t i) {
        if (heard[i]) return;
        heard[i] = true;
        --remaining;
    };
    const xcb_window_t root = x_.root();
    const Answer moved = awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            if (eventType(event) != XCB_CONFIGURE_NOTIFY) return false;
            const auto& e = as<xcb_configure_notify_event_t>(event);
            const bool synthetic = (event.response_type & 0x80) != 0;
            std::lock_guard lock(heardMutex);
            for (std::size_t i = 0; i < windows.size(); ++i)
                if ((e.event == root && e.window == frames[i] && frames[i] != XCB_WINDOW_NONE) ||
                    (synthetic && e.event == windows[i] && e.window == windows[i]))
                    hear(i);
            return remaining == 0;
        },
        timeout,
        [&] {
            // Moved already, between the read that found it short and this wait.
            const auto now = readClientFrames(windows);
            std::lock_guard lock(heardMutex);
            for (std::size_t i = 0; i < windows.size(); ++i) {
                const Rect outer = now[i] ? now[i]->outerFrame() : Rect{};
                if (!now[i] ||
                    (whole(outer.x) == long(places[i].x) && whole(outer.y) == long(places[i].y)))
                    hear(i);
            }
            return remaining == 0;
        });
    if (moved == Answer::heard) {
        lateMovesMissed_ = 0;
    } else if (moved == Answer::unheard) {
        ++lateMovesMissed_;
    }
    return readClientFrames(windows);
}

X11Desktop::SignWait X11Desktop::awaitFrameSigns(const std::vector<xcb_window_t>& windows,
                                                 const std::vector<std::optional<FrameSign>>& signs,
                                                 double timeout, const std::function<void()>& send,
                                                 std::vector<bool>& gone) {
    std::vector<xcb_window_t> frames(windows.size(), XCB_WINDOW_NONE);
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (!signs[i]) continue;
            const auto found = known_.find(windows[i]);
            if (found == known_.end() || found->second.topLevel == windows[i] ||
                found->second.topLevel == XCB_WINDOW_NONE)
                return SignWait::none;
            frames[i] = found->second.topLevel;
        }
    }
    // Per window: its frame seen at the place asked, and its client at the size asked (when one
    // was). Events of an earlier request show other values and tell nothing.
    std::vector<bool> placed(windows.size(), false), sized(windows.size(), false);
    std::vector<bool> done(windows.size(), false);
    std::size_t remaining = windows.size();
    for (std::size_t i = 0; i < signs.size(); ++i) {
        sized[i] = !signs[i] || !signs[i]->clientSize;
        if (!signs[i]) {
            done[i] = true;
            --remaining;
        }
    }
    if (remaining == 0) return SignWait::none;
    const auto finish = [&](std::size_t i) {
        if (done[i]) return;
        done[i] = true;
        --remaining;
    };
    const xcb_window_t root = x_.root();
    const Answer seen = awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            switch (eventType(event)) {
                case XCB_CONFIGURE_NOTIFY: {
                    auto& e = as<xcb_configure_notify_event_t>(event);
                    for (std::size_t i = 0; i < windows.size(); ++i) {
                        if (done[i]) continue;
                        const FrameSign& sign = *signs[i];
                        const bool synthetic = (event.response_type & 0x80) != 0;
                        bool told = false;
                        if (e.event == root && e.window == frames[i] && e.x == sign.x &&
                            e.y == sign.y) {
                            placed[i] = told = true;
                        } else if (e.event == windows[i] && e.window == windows[i]) {
                            // The made-up event a moved client gets has its place on the
                            // screen: the frame window itself may reach beyond what the
                            // decorations take (invisible borders).
                            if (synthetic && e.x == sign.clientX && e.y == sign.clientY)
                                placed[i] = told = true;
                            // A client resized as asked was handled whole, its move too: not
                            // every window manager tells a resized client its place.
                            if (sign.clientSize && e.width == sign.clientSize->first &&
                                e.height == sign.clientSize->second)
                                placed[i] = sized[i] = told = true;
                        }
                        if (!told) continue;
                        if (placed[i] && sized[i]) finish(i);
                    }
                    break;
                }
                case XCB_DESTROY_NOTIFY: {
                    const auto index =
                        indexOf(windows, as<xcb_destroy_notify_event_t>(event).window);
                    if (index >= 0) {
                        gone[std::size_t(index)] = true;
                        finish(std::size_t(index));
                    }
                    break;
                }
                default:
                    break;
            }
            return remaining == 0;
        },
        timeout,
        [&] {
            send();
            return false;
        });
    switch (seen) {
        case Answer::heard:
            return SignWait::seen;
        case Answer::unheard:
            return SignWait::missed;
        case Answer::windowManagerGone:
            break;
    }
    return SignWait::windowManagerGone;
}

std::optional<X11Desktop::FenceOutcome> X11Desktop::passOnFence(
    double timeout, const std::function<void()>& send,
    const std::function<bool(const xcb_generic_event_t&)>& endsWait) {
    std::optional<bool> passes;
    {
        std::lock_guard lock(mutex_);
        passes = passesOn_;
    }
    if (passes == false) return std::nullopt;
    // The first time, a short wait tells whether this window manager passes it on.
    if (!passes) timeout = std::min(timeout, 0.5);
    // A size of its own per round, so that the answer to an earlier round is never taken for
    // this one's; the root hears every change of its children.
    const xcb_window_t probe = takeProbe();
    const std::uint32_t side = 2 + passOnRounds_.fetch_add(1) % 200;
    const std::uint32_t size[] = {side, side};
    bool ended = false;
    const Answer answer = awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            if (eventType(event) == XCB_CONFIGURE_NOTIFY) {
                auto& e = as<xcb_configure_notify_event_t>(event);
                if (e.window == probe && e.width == side && e.height == side) return true;
            }
            ended = endsWait(event);
            return ended;
        },
        timeout,
        [&] {
            send();
            xcb_configure_window(x_.xcb(), probe,
                                 XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
            return false;
        });
    const bool answered = answer == Answer::heard;
    if (answered) {
        returnProbe(probe);
    } else {
        xcb_destroy_window(x_.xcb(), probe);
        xcb_flush(x_.xcb());
    }
    // One that ended tells nothing about the next.
    if (answer == Answer::windowManagerGone) return FenceOutcome{false, false, timeout, true};
    // Once passed on, a round left unanswered is only load: it does not turn the wait off.
    if (!ended && !passes) {
        std::lock_guard lock(mutex_);
        passesOn_ = answered;
    }
    return FenceOutcome{answered, !answered && !ended, timeout};
}

AXError X11Desktop::fallbackFenceAll(const std::vector<xcb_window_t>& windows, double timeout,
                                     const std::function<void()>& send, std::vector<bool>& gone) {
    const std::optional<FenceOutcome> outcome =
        passOnFence(timeout, send, untilAllDestroyed(windows, gone));
    if (!outcome) return fallbackSignsAll(windows, timeout, send, gone);
    if (outcome->windowManagerGone) return axerror::success;
    // The requests went out already when the probe went unanswered.
    if (outcome->silent)
        return fallbackSignsAll(
            windows, outcome->timeout, [] {}, gone);
    return axerror::success;
}

AXError X11Desktop::fallbackSignsAll(const std::vector<xcb_window_t>& windows, double timeout,
                                     const std::function<void()>& send, std::vector<bool>& gone) {
    // A window manager that passes on nothing: wait for the first sign of each request instead,
    // briefly (a request it ignores shows none).
    const xcb_atom_t state = x_.ewmh()->_NET_WM_STATE;
    std::vector<bool> seen(windows.size(), false);
    std::size_t remaining = windows.size();
    const auto mark = [&](xcb_window_t window, bool destroyed) {
        const auto index = indexOf(windows, window);
        if (index < 0) return;
        if (destroyed) gone[std::size_t(index)] = true;
        if (!seen[std::size_t(index)]) {
            seen[std::size_t(index)] = true;
            --remaining;
        }
    };
    awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            switch (eventType(event)) {
                case XCB_CONFIGURE_NOTIFY:
                    mark(as<xcb_configure_notify_event_t>(event).window, false);
                    break;
                case XCB_PROPERTY_NOTIFY: {
                    auto& e = as<xcb_property_notify_event_t>(event);
                    if (e.atom == state) mark(e.window, false);
                    break;
                }
                case XCB_DESTROY_NOTIFY:
                    mark(as<xcb_destroy_notify_event_t>(event).window, true);
                    break;
                default:
                    break;
            }
            return remaining == 0;
        },
        std::min(timeout, 0.2),
        [&] {
            send();
            return false;
        });
    return axerror::success;
}

}  // namespace brindlow
