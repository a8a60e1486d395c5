// Waiting for the window manager to have handled what it was sent.
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <atomic>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Events.h"
#include "platform/x11/windows/WindowManagerWait.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

// Late moves in a row that never came before the window manager is no longer waited for.
constexpr int kLateMovesTrusted = 3;

// Ends a wait once `window` is destroyed, and says so in `destroyed`.
std::function<bool(const xcb_generic_event_t&)> untilDestroyed(xcb_window_t window,
                                                               bool& destroyed) {
    return [window, &destroyed](const xcb_generic_event_t& event) {
        if (eventType(event) != XCB_DESTROY_NOTIFY) return false;
        destroyed = destroyed || as<xcb_destroy_notify_event_t>(event).window == window;
        return destroyed;
    };
}

}  // namespace

xcb_window_t WindowManagerWait::takeProbe() {
    {
        std::lock_guard lock(probesMutex_);
        if (!probes_.empty()) {
            const xcb_window_t probe = probes_.back();
            probes_.pop_back();
            return probe;
        }
    }
    const xcb_window_t probe = xcb_generate_id(x_.xcb());
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(x_.xcb(), XCB_COPY_FROM_PARENT, probe, x_.root(), -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &mask);
    return probe;
}

void WindowManagerWait::returnProbe(xcb_window_t probe) {
    std::lock_guard lock(probesMutex_);
    probes_.push_back(probe);
}

std::optional<WindowManagerWait::FenceOutcome> WindowManagerWait::probeFence(
    double timeout, const std::function<void()>& send,
    const std::function<bool(const xcb_generic_event_t&)>& endsWait) {
    std::optional<bool> answers;
    {
        std::lock_guard lock(d_.mutex);
        answers = fenceAnswered_;
    }
    if (answers == false) return std::nullopt;
    // The first time, a short wait tells whether this window manager answers.
    if (!answers) timeout = std::min(timeout, 0.5);
    // The window manager handles client messages in order, and it answers a
    // frame-extents request for a window it does not manage by writing the
    // property: once it does, every request sent before has been handled. An
    // unmapped window of our own per waiting caller, so an answer meant for
    // another caller is never taken for ours.
    const xcb_window_t probe = takeProbe();
    const xcb_atom_t extents = x_.ewmh()->_NET_FRAME_EXTENTS;
    bool ended = false;
    const Answer answer = awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            if (eventType(event) == XCB_PROPERTY_NOTIFY) {
                auto& e = as<xcb_property_notify_event_t>(event);
                if (e.window == probe && e.atom == extents) return true;
            }
            ended = endsWait(event);
            return ended;
        },
        timeout,
        [&] {
            send();
            xcb_ewmh_request_frame_extents(x_.ewmh(), x_.screenNumber(), probe);
            return false;
        });
    const bool answered = answer == Answer::heard;
    // Only a probe whose answer came is used again: a late answer must never end another wait.
    if (answered) {
        returnProbe(probe);
    } else {
        xcb_destroy_window(x_.xcb(), probe);
        xcb_flush(x_.xcb());
    }
    // A wait ended by the caller's own event tells nothing about the window manager. One that
    // answered before may still stop answering (KWin answers only now and then): a single
    // request left unanswered counts, so no later wait hangs on it.
    // One that ended tells nothing about the next.
    if (answer == Answer::windowManagerGone) return FenceOutcome{false, false, timeout, true};
    const bool silent = !answered && !ended;
    if (!ended && answers != answered) {
        std::lock_guard lock(d_.mutex);
        fenceAnswered_ = answered;
    }
    return FenceOutcome{answered, silent, timeout};
}

WindowManagerWait::Answer WindowManagerWait::awaitWindowManager(
    const std::function<bool(const xcb_generic_event_t&)>& accept, double timeout,
    const std::function<bool()>& send) {
    // Set on the event thread or here, whichever sees the end first.
    std::atomic<bool> gone{false};
    const auto ended = [&] {
        if (registry().hasWindowManager()) return false;
        gone = true;
        return true;
    };
    const bool over = x_.waitForEvent(
        [&](const xcb_generic_event_t& event) {
            // The desktop hears every event before the waits do: the event that ends the window
            // manager has marked it gone by now.
            return accept(event) || ended();
        },
        timeout,
        // Ended before the wait began: its end was heard already.
        [&] { return send() || ended(); });
    if (gone) return Answer::windowManagerGone;
    return over ? Answer::heard : Answer::unheard;
}

void WindowManagerWait::forgetLearnedAnswers() {
    fenceAnswered_.reset();
    passesOn_.reset();
    signsMissed_ = 0;
    lateMovesMissed_ = 0;
}

AXError WindowManagerWait::fence(xcb_window_t window, double timeout,
                                 const std::function<void()>& send) {
    bool destroyed = false;
    const std::optional<FenceOutcome> outcome =
        probeFence(timeout, send, untilDestroyed(window, destroyed));
    if (!outcome) return fallbackFence(window, timeout, send);
    if (destroyed || !readWindow(x_, window)) return axerror::invalidElement;
    // Nobody is left to carry the request out; the caller sends it again without one.
    if (outcome->windowManagerGone) return axerror::success;
    // The request went out; without an answer, what the window shows now is what it got.
    if (outcome->silent) return fallbackFence(window, outcome->timeout, [] {});
    return outcome->answered ? axerror::success : axerror::cannotComplete;
}

AXError WindowManagerWait::fallbackFence(xcb_window_t window, double timeout,
                                         const std::function<void()>& send) {
    bool destroyed = false;
    const std::optional<FenceOutcome> outcome =
        passOnFence(timeout, send, untilDestroyed(window, destroyed));
    if (!outcome) return fallbackSigns(window, timeout, send);
    if (destroyed || !readWindow(x_, window)) return axerror::invalidElement;
    if (outcome->windowManagerGone) return axerror::success;
    // The request went out already when the probe went unanswered.
    if (outcome->silent) return fallbackSigns(window, outcome->timeout, [] {});
    return axerror::success;
}

AXError WindowManagerWait::fallbackSigns(xcb_window_t window, double timeout,
                                         const std::function<void()>& send) {
    // Some window managers (fluxbox) leave frame-extents requests for unmanaged
    // windows unanswered; one that passes on nothing either: wait for the first sign of
    // the request instead. A request the window manager ignores shows none, so the wait
    // is short.
    const xcb_atom_t state = x_.ewmh()->_NET_WM_STATE;
    const xcb_atom_t active = x_.ewmh()->_NET_ACTIVE_WINDOW;
    bool destroyed = false;
    awaitWindowManager(
        [&](const xcb_generic_event_t& event) {
            switch (eventType(event)) {
                case XCB_CONFIGURE_NOTIFY:
                    return as<xcb_configure_notify_event_t>(event).window == window;
                case XCB_PROPERTY_NOTIFY: {
                    auto& e = as<xcb_property_notify_event_t>(event);
                    return (e.window == window && e.atom == state) ||
                           (e.window == x_.root() && e.atom == active);
                }
                case XCB_DESTROY_NOTIFY:
                    destroyed = as<xcb_destroy_notify_event_t>(event).window == window;
                    return destroyed;
                default:
                    return false;
            }
        },
        std::min(timeout, 0.2),
        [&] {
            send();
            return false;
        });
    if (destroyed || !readWindow(x_, window)) return axerror::invalidElement;
    return axerror::success;
}

std::optional<WindowManagerWait::FenceOutcome> WindowManagerWait::passOnFence(
    double timeout, const std::function<void()>& send,
    const std::function<bool(const xcb_generic_event_t&)>& endsWait) {
    std::optional<bool> passes;
    {
        std::lock_guard lock(d_.mutex);
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
        std::lock_guard lock(d_.mutex);
        passesOn_ = answered;
    }
    return FenceOutcome{answered, !answered && !ended, timeout};
}

bool WindowManagerWait::lateMovesTrusted() const {
    return lateMovesMissed_.load() < kLateMovesTrusted;
}

void WindowManagerWait::destroyProbes() {
    std::lock_guard lock(probesMutex_);
    for (const xcb_window_t probe : probes_) xcb_destroy_window(x_.xcb(), probe);
}

}  // namespace brindlow
