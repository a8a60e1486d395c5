// Waiting for the window manager to have handled the requests of a batch of windows: the
// windows' own signs first, the window manager asked outright only where they do not come.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Events.h"
#include "platform/x11/windows/WindowManagerWait.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

// Batches in a row whose signs did not all come before the window manager is no longer trusted
// to show them.
constexpr int kSignMissesTrusted = 3;

long whole(double value) {
    return std::lround(value);
}

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

AXError WindowManagerWait::fenceAll(const std::vector<xcb_window_t>& windows, double timeout,
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

std::vector<std::optional<X11WindowFrame>> WindowManagerWait::awaitLateMoves(
    const std::vector<xcb_window_t>& windows, const std::vector<Point>& places, double timeout) {
    std::vector<xcb_window_t> frames(windows.size(), XCB_WINDOW_NONE);
    {
        std::lock_guard lock(d_.mutex);
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const auto found = d_.known.find(windows[i]);
            if (found != d_.known.end() && found->second.topLevel != windows[i])
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
            const auto now = registry().readClientFrames(windows);
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
    return registry().readClientFrames(windows);
}

WindowManagerWait::SignWait WindowManagerWait::awaitFrameSigns(
    const std::vector<xcb_window_t>& windows, const std::vector<std::optional<FrameSign>>& signs,
    double timeout, const std::function<void()>& send, std::vector<bool>& gone) {
    std::vector<xcb_window_t> frames(windows.size(), XCB_WINDOW_NONE);
    {
        std::lock_guard lock(d_.mutex);
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (!signs[i]) continue;
            const auto found = d_.known.find(windows[i]);
            if (found == d_.known.end() || found->second.topLevel == windows[i] ||
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

AXError WindowManagerWait::fallbackFenceAll(const std::vector<xcb_window_t>& windows,
                                            double timeout, const std::function<void()>& send,
                                            std::vector<bool>& gone) {
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

AXError WindowManagerWait::fallbackSignsAll(const std::vector<xcb_window_t>& windows,
                                            double timeout, const std::function<void()>& send,
                                            std::vector<bool>& gone) {
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
