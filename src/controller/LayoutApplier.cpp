// Layout application: the apply that sends every window its frame, the synchronous moves at the
// end of a change and the enhanced user interface switched off before the first move.
#include "controller/LayoutApplier.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "controller/AnimationTiming.h"
#include "controller/FramePacing.h"
#include "controller/StackShortfall.h"
#include "geometry/Rounding.h"
#include "windows/ParkedStacking.h"
#include "windows/WindowNumbers.h"

namespace brindlow {

namespace {

// Frames closer than this to where a window stands do not count as a change.
constexpr double kMoveTolerance = 0.5;

}  // namespace

LayoutApplier::LayoutApplier(StripControllerState& state, const StripControllerEnvironment& env,
                             const WindowMover& windowMover, AsyncMover& asyncMover, Hooks hooks)
    : state_(state),
      env_(env),
      clock_(*env.platform.clock),
      windowMover_(windowMover),
      asyncMover_(&asyncMover),
      hooks_(std::move(hooks)),
      log_(makeLogger("StripController")) {}

std::string LayoutApplier::finalResizeText() const {
    if (!slowestMove_) return "none";
    const auto app = state_.apps.find(slowestMove_->first);
    return std::to_string(long(roundHalfAway(slowestMove_->second * 1000))) + " ms (" +
           (app == state_.apps.end() ? std::string("?") : app->second.name) + ")";
}

void LayoutApplier::apply(const std::string& uuid, const ApplyOptions& options) {
    if (!stateOf(uuid)) return;
    if (hooks_.beforeMoves) hooks_.beforeMoves();
    disableEnhancedUIIfNeeded(stateOf(uuid)->strip);
    // The display's state is looked up again after every call that may change it, and only
    // single fields are written, so a nested apply (a vanished window's tail) is never undone by
    // a stale copy.
    const DisplayState& display = *stateOf(uuid);
    const DisplayGeometry geo = hooks_.geometry(uuid);
    const LayoutEngine::MinimumHeights minimums = hooks_.minimumHeights(display.strip);
    const auto layOutAt = [&](double offset) {
        return layOut(display.strip, geo, minimums, display.strip.scrollOffset, offset);
    };
    StripLayout layout = layOutAt(options.offset);
    std::vector<Placement> placements = std::move(layout.placements);

    const DisplayAnimator::Glide* running = display.animator.glide();
    // Pinned columns stand still while the strip scrolls; every other window's old frame travels
    // with the strip, so a glide that starts with a scroll never pulls a window against it.
    std::set<WindowID> pinned;
    if (running && !options.final)
        for (const Column& column : display.strip.columns)
            if (column.pin) pinned.insert(column.windows.begin(), column.windows.end());
    const auto glide = [&](std::vector<Placement>& frames, double progress, double offset) {
        if (options.final || !running) return;
        const double fraction = progress / AnimationTiming::kGlideComplete;
        for (Placement& placement : frames) {
            if (!placement.isVisible || placement.isParked) continue;
            const auto old = running->from.find(placement.windowID);
            if (old == running->from.end()) continue;
            const auto window = state_.windows.find(placement.windowID);
            const bool slowResize =
                window != state_.windows.end() &&
                asyncMover_->resizeLag(window->second.pid) >= FramePacing::kSlowApplicationLag;
            const double travel =
                pinned.contains(placement.windowID) ? 0.0 : running->fromOffset - offset;
            placement.frame = FramePacing::glideFrame(old->second.offsetBy(travel, 0),
                                                      placement.frame, fraction, slowResize);
        }
    };
    glide(placements, options.glideProgress.value_or(running ? running->progress : 0.0),
          options.offset);

    std::map<WindowID, MoveResult> results;
    std::optional<WindowID> focusedWindow;
    if (!options.final) {
        // Predicted layouts per lead, in 0.02 s steps, computed once per apply.
        std::map<int, std::map<WindowID, Placement>> predicted;
        std::vector<std::pair<ManagedWindow, Rect>> moves;
        for (Placement& placement : placements) {
            const auto window = state_.windows.find(placement.windowID);
            if (window == state_.windows.end()) continue;
            int steps = FramePacing::leadSteps(asyncMover_->lag(window->second.pid));
            const auto lastMoment =
                options.tickTime ? frameMoments_.find(placement.windowID) : frameMoments_.end();
            // The lead never shrinks faster than time passes.
            if (lastMoment != frameMoments_.end() && options.predictor)
                steps = std::max(steps,
                                 FramePacing::stepsToReach(lastMoment->second - *options.tickTime));
            double lead = AnimationTiming::kFrameLead;
            if (options.predictor && steps > 0) {
                auto cached = predicted.find(steps);
                if (cached == predicted.end()) {
                    const auto [offset, progress] =
                        options.predictor(steps * FramePacing::kLeadStep);
                    std::vector<Placement> ahead = layOutAt(offset).placements;
                    glide(ahead, progress, offset);
                    std::map<WindowID, Placement> byWindow;
                    for (const Placement& p : ahead) byWindow.emplace(p.windowID, p);
                    cached = predicted.emplace(steps, std::move(byWindow)).first;
                }
                const auto ahead = cached->second.find(placement.windowID);
                if (ahead != cached->second.end() && ahead->second.isParked == placement.isParked) {
                    placement.frame = ahead->second.frame;
                    placement.isVisible = ahead->second.isVisible;
                    lead = std::max(lead, steps * FramePacing::kLeadStep);
                }
            }
            if (options.tickTime) {
                const double moment = *options.tickTime + lead;
                // Sent further already: it waits there until the strip catches up.
                if (lastMoment != frameMoments_.end() && moment < lastMoment->second - 1e-9)
                    continue;
                frameMoments_[placement.windowID] = moment;
            }
            moves.emplace_back(window->second, placement.frame);
            MoveResult result;
            result.frame = placement.frame;
            result.changed = differsBy(placement.frame, window->second.frame, kMoveTolerance);
            results[placement.windowID] = result;
        }
        // One frame, one batch.
        asyncMover_->moveFrame(moves);
    } else {
        focusedWindow = display.strip.focusedWindowID();
        asyncMover_->flush();
        results = applyNow(placements, options.settleOnly);
        for (const Placement& placement : placements) {
            asyncMover_->forgetSent(placement.windowID);
            frameMoments_.erase(placement.windowID);
        }
        std::erase_if(frameMoments_,
                      [this](const auto& entry) { return !state_.windows.contains(entry.first); });
    }

    std::vector<WindowID> vanished;
    std::vector<SizeCheck> checks;
    std::vector<StillPointerFocus::FormerFrame> moved;
    const double time = now();
    for (const Placement& placement : placements) {
        const auto window = state_.windows.find(placement.windowID);
        const auto result = results.find(placement.windowID);
        if (window == state_.windows.end() || result == results.end()) continue;
        if (result->second.gone) {
            vanished.push_back(placement.windowID);
            continue;
        }
        ManagedWindow& managed = window->second;
        if (result->second.changed) {
            state_.records.edit(placement.windowID,
                                [time](WindowRecord& record) { record.lastMoveTime = time; });
            moved.push_back({placement.windowID, managed.frame});
        }
        managed.frame = result->second.frame;
        if (options.final && focusedWindow == placement.windowID && !managed.windowNumber)
            managed.windowNumber =
                windowNumber(*env_.platform.windowList, managed.pid, managed.frame);
        if (options.final && options.settleOnly) {
            const std::optional<StripLocation> location =
                stateOf(uuid)->strip.locate(placement.windowID);
            if (!location) continue;
            const Column& column = stateOf(uuid)->strip.columns[size_t(location->column)];
            const Rect accepted = result->second.frame;
            // A window the application itself had moved or resized was sent again: one that sets
            // its own size after each move does so only after the read-back, so it is looked at
            // again whatever the read-back said.
            const bool resent = result->second.changed;
            if ((resent || accepted.width > placement.frame.width + SizeCheck::kTolerance ||
                 accepted.width <= placement.frame.width - SizeCheck::kSmaller) &&
                !column.refusedWidth)
                checks.push_back({placement.windowID, SizeCheck::Dimension::width, placement.frame,
                                  accepted.width, false});
            // Only a row with a window below it has a neighbour to give a shortfall to.
            const bool shorter = accepted.height <= placement.frame.height - SizeCheck::kSmaller &&
                                 location->row + 1 < int(column.windows.size());
            if ((resent || shorter ||
                 accepted.height > placement.frame.height + SizeCheck::kTolerance) &&
                column.windows.size() > 1 && !column.isTabbed)
                checks.push_back({placement.windowID, SizeCheck::Dimension::height, placement.frame,
                                  accepted.height, false});
        }
    }

    // Where the windows now stand decides which parked ones are in the way of visible ones.
    std::vector<StackingAsk> restacks;
    if (options.final &&
        keepParkedWindowsUnder(placements, state_.windows,
                               env_.platform.windowList->stackingOrder(), loweredParked_,
                               env_.windowManagerTraits().honoursRestack, &restacks) > 0 &&
        hooks_.windowsRestacked)
        hooks_.windowsRestacked(restacks);
    DisplayState& current = *stateOf(uuid);
    current.lastLayout = StripLayout{std::move(placements), layout.viewport, {}};
    current.lastLayoutOffset = options.offset;
    current.lastSliceShift = sliceShift(current.strip, geo);
    std::vector<GapStrip> gapStrips =
        options.final ? hooks_.gapStrips(layout.gapBands) : std::vector<GapStrip>{};
    if (gapStrips != current.gapStrips) {
        current.gapStrips = std::move(gapStrips);
        hooks_.publishSnapshot(SnapshotReason::quiet());
    }
    hooks_.publishFocusFrames();
    if (!moved.empty() && hooks_.windowsMoved) hooks_.windowsMoved(moved);

    if (!checks.empty()) {
        scheduleSizeCheck(uuid, std::move(checks), 0);
    } else if (options.final && !options.settleOnly && !moved.empty()) {
        scheduleCatchUp(uuid);
    }

    if (!vanished.empty()) hooks_.windowsVanished(uuid, vanished);
}

int LayoutApplier::liftBeside(WindowID raised, const std::vector<WindowID>& frontToBack) {
    int lifted = 0;
    std::vector<StackingAsk> restacks;
    for (const auto& [uuid, display] : state_.displays) {
        const std::vector<Placement>& placements = display.lastLayout.placements;
        const bool shown = std::any_of(
            placements.begin(), placements.end(),
            [&](const Placement& p) { return p.windowID == raised && p.isVisible && !p.isParked; });
        if (shown)
            lifted += keepParkedBesideRaised(placements, state_.windows, raised, frontToBack,
                                             restingPointer(), &restacks);
    }
    if (lifted > 0 && hooks_.windowsRestacked) hooks_.windowsRestacked(restacks);
    return lifted;
}

std::optional<Point> LayoutApplier::restingPointer() const {
    if (!env_.windowManagerTraits().followsPointer() || !env_.platform.pointer) return std::nullopt;
    const std::optional<PointerState> pointer = env_.platform.pointer();
    if (!pointer || pointer->buttonDown) return std::nullopt;
    return pointer->location;
}

void LayoutApplier::liftParkedBeside(WindowID raised) {
    if (liftBeside(raised, {}) == 0) return;
    // The raise again comes in answer to a restack request: a window manager that leaves those
    // undone (the lift then goes past it) has nothing to answer, and the watch nothing to see.
    if (!env_.windowManagerTraits().honoursRestack) return;
    liftWatch_ = LiftWatch{raised, now() + kLiftWatch, kLiftsAgain};
    watchingLifts_ = true;
}

void LayoutApplier::stackingChanged() {
    if (!liftWatch_) return;
    if (now() > liftWatch_->until || liftWatch_->liftsLeft <= 0) {
        liftWatch_.reset();
        watchingLifts_ = false;
        return;
    }
    const std::vector<WindowID> order = env_.platform.windowList->stackingOrder();
    if (order.empty() || liftBeside(liftWatch_->raised, order) == 0) return;
    --liftWatch_->liftsLeft;
    log_.debug("Parked windows went back above window %ld, raised again", long(liftWatch_->raised));
}

StripLayout LayoutApplier::layOut(const Strip& strip, const DisplayGeometry& area,
                                  const LayoutEngine::MinimumHeights& minimums,
                                  std::optional<double> sliceOffset, double offset) const {
    // Beside a window manager that pulls a window partly off the screen back into view, a column
    // cut by the edge stands wholly inside (a slice) or is parked, never over its neighbour.
    const LayoutEngine::CutColumns cut = env_.windowManagerTraits().keepsWindowsOnScreen
                                             ? LayoutEngine::CutColumns::park
                                             : LayoutEngine::CutColumns::overhang;
    StripLayout layout =
        LayoutEngine::layout(strip, area, minimums, sliceOffset, offset, state_.settings.gap,
                             state_.settings.outerGap, kParkedPeek, cut);
    giveStackShortfalls(layout.placements, strip, state_.records,
                        std::max(0.0, state_.settings.gap));
    return layout;
}

double LayoutApplier::sliceShift(const Strip& strip, const DisplayGeometry& area) const {
    const double gap = std::max(0.0, state_.settings.gap);
    const double outer = std::max(0.0, state_.settings.outerGap);
    const double width = LayoutEngine::viewport(strip.columns, area, gap, outer).width;
    return LayoutEngine::edgeSlices(strip.columns, strip.focusedIndex, strip.scrollOffset, width,
                                    gap, outer)
        .adjustment;
}

std::map<WindowID, MoveResult> LayoutApplier::applyNow(const std::vector<Placement>& placements,
                                                       bool settleOnly) {
    if (!settleOnly && windowMover_.movesTogether()) return applyTogether(placements);
    std::map<std::int32_t, std::vector<std::pair<ManagedWindow, Rect>>> groups;
    for (const Placement& placement : placements) {
        const auto window = state_.windows.find(placement.windowID);
        if (window == state_.windows.end()) continue;
        groups[window->second.pid].emplace_back(window->second, placement.frame);
    }
    std::vector<std::pair<std::int32_t, std::vector<std::pair<ManagedWindow, Rect>>>> work(
        groups.begin(), groups.end());

    std::map<WindowID, MoveResult> results;
    std::mutex resultsMutex;
    std::optional<std::pair<std::int32_t, double>> slowest;
    std::mutex slowestMutex;
    env_.concurrentPerform(work.size(), [&](size_t index) {
        const auto& [pid, windows] = work[index];
        const double started = clock_.now();
        for (const auto& [window, frame] : windows) {
            MoveResult result = settleOnly ? windowMover_.settle(window, frame)
                                           : windowMover_.move(window, frame, true);
            std::lock_guard lock(resultsMutex);
            results[window.id] = std::move(result);
        }
        const double elapsed = clock_.now() - started;
        std::lock_guard lock(slowestMutex);
        if (!slowest || elapsed > slowest->second) slowest = std::make_pair(pid, elapsed);
    });
    slowestMove_ = slowest;
    return results;
}

// Every window in one batch with one wait for all of them; the batch's time counts for the
// application of its first window.
std::map<WindowID, MoveResult> LayoutApplier::applyTogether(
    const std::vector<Placement>& placements) {
    std::vector<std::pair<ManagedWindow, Rect>> moves;
    for (const Placement& placement : placements) {
        const auto window = state_.windows.find(placement.windowID);
        if (window != state_.windows.end()) moves.emplace_back(window->second, placement.frame);
    }
    std::map<WindowID, MoveResult> results;
    if (moves.empty()) {
        slowestMove_.reset();
        return results;
    }
    const double started = clock_.now();
    std::vector<MoveResult> moved = windowMover_.moveAll(moves, true);
    slowestMove_ = std::make_pair(moves.front().first.pid, clock_.now() - started);
    for (std::size_t i = 0; i < moves.size(); ++i) {
        results[moves[i].first.id] = std::move(moved[i]);
    }
    return results;
}

void LayoutApplier::disableEnhancedUIIfNeeded(const Strip& strip) {
    for (const WindowID id : strip.allWindowIDs()) {
        const auto window = state_.windows.find(id);
        if (window == state_.windows.end()) continue;
        const std::int32_t pid = window->second.pid;
        if (!state_.enhancedUIChecked.insert(pid).second) continue;
        if (windowMover_.disableEnhancedUI(pid)) state_.enhancedUISuspended.insert(pid);
    }
}

}  // namespace brindlow
