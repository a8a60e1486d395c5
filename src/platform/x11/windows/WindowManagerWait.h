#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/AccessibilityTypes.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/windows/DesktopPart.h"

namespace brindlow {

// Waiting for the window manager's answers: until it has handled every request sent before (it
// answers _NET_REQUEST_FRAME_EXTENTS by writing the property, or passes a probe's resize on), or
// until the windows show that it carried their requests out. What it was seen to do (answers the
// fence, passes on, shows signs, moves late) is learned here and forgotten when another window
// manager comes.
class WindowManagerWait : public DesktopPart {
  public:
    using DesktopPart::DesktopPart;

    // What probeFence learned: whether the window manager answered, whether it turned out to be
    // one that leaves the request unanswered (then the caller judges by what the windows show
    // now, and later waits fall back at once), and the time the wait was given.
    struct FenceOutcome {
        bool answered = false;
        bool silent = false;
        double timeout = 0;
        // The window manager ended during the wait (or ran no more): what was sent to it is lost.
        bool windowManagerGone = false;
    };
    // What a wait for the window manager came to.
    enum class Answer { heard, unheard, windowManagerGone };
    // What shows that the window manager carried out one window's request: its frame at (x, y)
    // or its client told it stands at (clientX, clientY), and, when a size was asked, its client
    // at that size.
    struct FrameSign {
        std::int32_t x = 0, y = 0;
        std::int32_t clientX = 0, clientY = 0;
        std::optional<std::pair<std::uint32_t, std::uint32_t>> clientSize;
    };

    // How long the windows of a batch may take to show their requests carried out before the
    // window manager is asked outright.
    static constexpr double kFrameSignsWait = 0.04;

    // X11Connection::waitForEvent() for an answer of the window manager's: it also ends, at once,
    // when no window manager runs after `send` or the moment it ends (nobody answers then).
    Answer awaitWindowManager(const std::function<bool(const xcb_generic_event_t&)>& accept,
                              double timeout, const std::function<bool()>& send);
    // Runs `send`, then asks the window manager for the frame extents of a fresh probe window
    // and waits for its answer; `endsWait` sees every other event and may end the wait early.
    // None when the window manager is known not to answer (the caller falls back).
    std::optional<FenceOutcome> probeFence(
        double timeout, const std::function<void()>& send,
        const std::function<bool(const xcb_generic_event_t&)>& endsWait);
    // Sends, then waits until the window manager has handled every request sent before:
    // success, invalidElement for a window that is gone, cannotComplete on time-out.
    AXError fence(xcb_window_t window, double timeout, const std::function<void()>& send);
    // The same wait for requests about several windows; `gone` is set for those destroyed
    // meanwhile. With `signs`, the windows' own configure events answer (a window without one
    // counts as handled once the others show theirs), and the window manager is asked for
    // nothing more unless one of them does not show its sign in time.
    AXError fenceAll(const std::vector<xcb_window_t>& windows, double timeout,
                     const std::function<void()>& send, std::vector<bool>& gone,
                     const std::vector<std::optional<FrameSign>>* signs = nullptr);
    // Waits until each window's frame stands at `places` (its outer frame's origin), or the window
    // manager moved its frame or told its client a place, or `timeout` passed; the windows'
    // frames as read last. Some window managers (fvwm) resize a client first and move its frame
    // only a moment later, after the client's own configure event and a probe's answer.
    std::vector<std::optional<X11WindowFrame>> awaitLateMoves(
        const std::vector<xcb_window_t>& windows, const std::vector<Point>& places, double timeout);
    // Whether late moves are still waited for: not once several in a row never came (the window
    // manager holds those windows where they stand).
    bool lateMovesTrusted() const;
    // What was learned of how the window manager answers (with the records' lock held): another
    // one, or none, came.
    void forgetLearnedAnswers();
    // An unmapped window of ours to ask the frame extents of, one per waiting caller; one whose
    // answer came goes back for the next wait, which saves making one for every frame.
    xcb_window_t takeProbe();
    void returnProbe(xcb_window_t probe);
    // As the desktop ends.
    void destroyProbes();

  private:
    // For a window manager that leaves frame-extents requests unanswered.
    AXError fallbackFence(xcb_window_t window, double timeout, const std::function<void()>& send);
    AXError fallbackSigns(xcb_window_t window, double timeout, const std::function<void()>& send);
    // Sends, then waits until every window with a sign shows it (or is destroyed): `missed` when
    // one showed none within `timeout`. Sends nothing (`none`) when no window has a sign or one
    // of them is not framed.
    enum class SignWait { none, seen, missed, windowManagerGone };
    SignWait awaitFrameSigns(const std::vector<xcb_window_t>& windows,
                             const std::vector<std::optional<FrameSign>>& signs, double timeout,
                             const std::function<void()>& send, std::vector<bool>& gone);
    AXError fallbackFenceAll(const std::vector<xcb_window_t>& windows, double timeout,
                             const std::function<void()>& send, std::vector<bool>& gone);
    AXError fallbackSignsAll(const std::vector<xcb_window_t>& windows, double timeout,
                             const std::function<void()>& send, std::vector<bool>& gone);
    // Runs `send`, then asks a probe of ours to take another size: a window manager passes such
    // a request on only after whatever it was sent before, also one that leaves frame-extents
    // requests unanswered. The fallbacks' wait where it can be had: a first sign of a request
    // tells nothing of a second one about the same window. `endsWait` may end the wait early.
    // None when the window manager is known not to pass the request on.
    std::optional<FenceOutcome> passOnFence(
        double timeout, const std::function<void()>& send,
        const std::function<bool(const xcb_generic_event_t&)>& endsWait);

    std::mutex probesMutex_;
    std::vector<xcb_window_t> probes_;
    // Whether the window manager answers the fence; unknown until first tried (records' lock).
    std::optional<bool> fenceAnswered_;
    // Frame batches in a row whose windows did not all show their signs in time.
    std::atomic<int> signsMissed_{0};
    // Whether passOnFence() was ever answered (records' lock).
    std::optional<bool> passesOn_;
    std::atomic<std::uint32_t> passOnRounds_{0};
    // Late moves in a row that never came: the window manager kept those windows where they
    // stood (it holds them there), and is not waited for from then on.
    std::atomic<int> lateMovesMissed_{0};
};

}  // namespace brindlow
