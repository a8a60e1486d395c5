#pragma once

#include <functional>

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/Accessibility.h"
#include "windows/ManagedWindow.h"
#include "windows/MoveResult.h"

namespace brindlow {

// The single, synchronous accessibility operations on one window or
// application. Stateless; any thread; each call blocks on the other
// application. Logs under "WindowMover".
class WindowMover {
  public:
    explicit WindowMover(Accessibility& accessibility) : accessibility_(accessibility) {}

    // Writes what differs by 1 point or more: size, position, size again (size
    // only when it changes). `resend` reads the live frame as the baseline and
    // reads back what the application accepted; otherwise the recorded frame is
    // the baseline and the target counts as accepted. Coordinates are clamped to
    // what the platform can represent; a value that is not finite is not written
    // and counts as a failure (-25200).
    MoveResult move(const ManagedWindow& window, const Rect& target, bool resend) const;
    // move() for several windows at once, one result per window in order. Where the platform
    // writes in batches, every window goes out together: one request with position and size
    // per window, one wait for all of them, and the size once more only for a window whose
    // read-back size differs; otherwise window by window.
    // `wait` bounds the wait for the batch (seconds; 0: the platform's messaging time-out).
    std::vector<MoveResult> moveAll(std::span<const std::pair<ManagedWindow, Rect>> moves,
                                    bool resend, double wait = 0) const;
    // Whether moveAll() sends its windows together rather than one by one.
    bool movesTogether() const { return accessibility_.canSetFrames(); }
    // As move(window, target, false) for a window whose geometry is not known
    // (its last move failed): size, position and size are written whatever the
    // recorded frame says.
    MoveResult forceMove(const ManagedWindow& window, const Rect& target) const;
    // When the application put the window elsewhere (neither the recorded frame
    // nor the target within 1.5 points), sends the target again.
    MoveResult settle(const ManagedWindow& window, const Rect& target) const;

    // Main, raise, then the application frontmost; the non-zero codes are logged together.
    // Every step runs while `stillWanted` (when given) holds: each step may focus the window,
    // so none follows once the raise is no longer wanted.
    // Returns whether any step went out (none for a window the user minimised or moved away).
    bool raise(const ManagedWindow& window, const std::function<bool()>& stillWanted = {}) const;
    // Native full screen on or off; whether the change was accepted.
    bool setFullScreen(const ManagedWindow& window, bool on) const;
    // True only when the application's enhanced user interface was on and is
    // now off.
    bool disableEnhancedUI(std::int32_t pid) const;
    // Switches it back on; the result code.
    AXError enableEnhancedUI(std::int32_t pid) const;

    // "x:10 y:-3 800×600": each value truncated toward zero.
    static std::string describe(const Rect& rect);
    // Minimum x, minimum y, width and height each differ by less than 1.5 points.
    static bool framesMatch(const Rect& a, const Rect& b);

  private:
    MoveResult write(const ManagedWindow& window, const Rect& target, bool resend,
                     bool force) const;

    Accessibility& accessibility_;
    // How many raises have been performed: each raise's number for its steps.
    mutable std::atomic<std::uint64_t> raises_{0};
};

}  // namespace brindlow
