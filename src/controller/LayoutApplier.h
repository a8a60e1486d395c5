#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "controller/DisplayAnimator.h"
#include "controller/SizeCheck.h"
#include "controller/Snapshot.h"
#include "controller/StillPointerFocus.h"
#include "controller/StripControllerEnvironment.h"
#include "controller/StripControllerState.h"
#include "platform/Log.h"
#include "strip/DisplayGeometry.h"
#include "strip/LayoutEngine.h"
#include "windows/AsyncMover.h"
#include "windows/MoveResult.h"
#include "windows/WindowMover.h"

namespace brindlow {

// How one apply runs: `offset` is where the strip stands now; a final apply moves
// synchronously and may be followed by the checks; `settleOnly` only corrects windows that
// ended up elsewhere and creates size checks.
struct ApplyOptions {
    double offset = 0;
    bool final = false;
    bool settleOnly = false;
    std::optional<double> glideProgress;  // none: the stored progress
    Predictor predictor;
    // The display tick an animation frame belongs to, which the predictor's leads count from;
    // with it, no window is sent a frame for an earlier moment than it was already sent.
    std::optional<double> tickTime;

    // One animation frame, sent through the move queues; slow applications get the frame
    // `predictor` gives for their lead.
    static ApplyOptions frame(double offset, Predictor predictor = nullptr,
                              std::optional<double> glideProgress = std::nullopt,
                              std::optional<double> tickTime = std::nullopt) {
        return {offset, false, false, glideProgress, std::move(predictor), tickTime};
    }
    // Where the strip comes to rest: every window moved synchronously, then checked.
    static ApplyOptions landing(double offset) {
        return {offset, true, false, std::nullopt, nullptr, std::nullopt};
    }
    // The catch-up pass: only windows that ended up elsewhere are sent again.
    static ApplyOptions settling(double offset) {
        return {offset, true, true, std::nullopt, nullptr, std::nullopt};
    }
};

// Turns a display's strip into moved windows: lays it out, sends every window its frame (through
// the move queues during an animation, with a lead for slow applications; synchronously at the
// end of a change), and afterwards runs the catch-up pass and the size checks that learn what
// windows refuse. Runs on the strip queue, on the state its owner keeps.
class LayoutApplier {
  public:
    // What the applier asks of its owner.
    struct Hooks {
        std::function<DisplayGeometry(const std::string& uuid)> geometry;
        std::function<LayoutEngine::MinimumHeights(const Strip& strip)> minimumHeights;
        std::function<std::vector<GapStrip>(const std::vector<GapBand>& bands)> gapStrips;
        std::function<void(const SnapshotReason& reason)> publishSnapshot;
        std::function<void()> publishFocusFrames;
        // Windows that went while being moved: the owner takes them off the display's strip and
        // lays it out again.
        std::function<void(const std::string& uuid, const std::vector<WindowID>& ids)>
            windowsVanished;
        // A size check learned a height or a refused width: the owner lays the display out again.
        std::function<void(const std::string& uuid)> sizesLearned;
        // Runs `block` on the strip queue `seconds` later (nothing once the owner is gone).
        std::function<void(double seconds, std::function<void()> block)> runAfter;
        // An apply sent at least one window elsewhere: those, each with where it stood.
        std::function<void(const std::vector<StillPointerFocus::FormerFrame>& formerFrames)>
            windowsMoved;
        // An apply or a lift asked for windows to be restacked, in these orders.
        std::function<void(const std::vector<StackingAsk>&)> windowsRestacked;
        // Runs before any window is moved: the frames from before tiling are stored first.
        std::function<void()> beforeMoves;
    };

    // How much of a parked column stays on its display.
    static constexpr double kParkedPeek = 10.0;
    // The catch-up pass follows a change after this, size checks look again after kCheckDelay.
    static constexpr double kCatchUpDelay = 0.2;
    static constexpr double kCheckDelay = 0.25;
    // After a lift, for this long, a parked window goes back above the raised window at most
    // kLiftsAgain times: a window manager may raise its active window again a moment after our
    // restack (KWin does, a few ms after it), and one that always does so is not fought for long.
    // Watched only beside a window manager that carries out restack requests.
    static constexpr double kLiftWatch = 1.0;
    static constexpr int kLiftsAgain = 3;

    LayoutApplier(StripControllerState& state, const StripControllerEnvironment& env,
                  const WindowMover& windowMover, AsyncMover& asyncMover, Hooks hooks);

    void apply(const std::string& uuid, const ApplyOptions& options);
    // `raised` went in front of every other window: the parked windows beside it on its display's
    // last layout go directly above it again, so that their slivers keep taking clicks.
    void liftParkedBeside(WindowID raised);
    // The stacking order changed: while a lift is watched, a parked window that the raised
    // window went in front of again goes back above it.
    void stackingChanged();
    // Whether a lift is watched: stacking changes are worth a trip to the strip queue. Any thread.
    bool watchingLifts() const { return watchingLifts_.load(); }
    // The layout of `strip` with the current gaps, `offset` points scrolled; `sliceOffset` is
    // where edge slices are judged (none: no slicing).
    StripLayout layOut(const Strip& strip, const DisplayGeometry& area,
                       const LayoutEngine::MinimumHeights& minimums,
                       std::optional<double> sliceOffset, double offset) const;
    // How far the run of columns is shifted right when `strip` is laid out in `area`: a column
    // cut by the left edge at the strip's scroll offset is narrowed, and the run moves by what it
    // lost so the columns after it stay in place.
    double sliceShift(const Strip& strip, const DisplayGeometry& area) const;
    // How long the slowest application took in the last synchronous apply: "none" when no
    // window was moved, else "<ms> ms (<application>)", "?" for an application not known.
    std::string finalResizeText() const;

  private:
    std::map<WindowID, MoveResult> applyNow(const std::vector<Placement>& placements,
                                            bool settleOnly);
    std::map<WindowID, MoveResult> applyTogether(const std::vector<Placement>& placements);
    void disableEnhancedUIIfNeeded(const Strip& strip);
    // The parked windows beside `raised`, where it is shown, go directly above it (those it
    // stands in front of, with a stacking order). Returns how many.
    int liftBeside(WindowID raised, const std::vector<WindowID>& frontToBack);
    // Where the pointer rests beside a window manager that focuses under it: a parked window
    // lifted over the raised one there would take the focus.
    std::optional<Point> restingPointer() const;
    void scheduleCatchUp(const std::string& uuid);
    void catchUpApply(const std::string& uuid);
    void scheduleSizeCheck(const std::string& uuid, std::vector<SizeCheck> checks, int attempt);
    void checkSize(const std::string& uuid, std::vector<SizeCheck> checks, int attempt);
    DisplayState* stateOf(const std::string& uuid) { return state_.display(uuid); }
    double now() const { return clock_.now(); }

    StripControllerState& state_;
    const StripControllerEnvironment& env_;
    Clock& clock_;
    const WindowMover& windowMover_;
    AsyncMover* const asyncMover_;
    Hooks hooks_;
    Logger log_;
    // Parked windows already put under the others, for a platform that does not tell the
    // stacking order.
    std::set<WindowID> loweredParked_;
    // The last lift beside a raised window, watched until `until`.
    struct LiftWatch {
        WindowID raised = 0;
        double until = 0;
        int liftsLeft = 0;
    };
    std::optional<LiftWatch> liftWatch_;
    std::atomic<bool> watchingLifts_{false};
    // For each window moved by the running animation, the moment (tick time plus lead) its last
    // frame stands for. A lead that shrinks faster than time passes (an application that was
    // slow for a moment) or a predicted frame that cannot be used (it parks or unparks the
    // window early) would otherwise send the window back to where an earlier frame already put
    // it, against the scroll.
    std::map<WindowID, double> frameMoments_;
    // The slowest application of the last synchronous apply: process id and seconds.
    std::optional<std::pair<std::int32_t, double>> slowestMove_;
};

}  // namespace brindlow
