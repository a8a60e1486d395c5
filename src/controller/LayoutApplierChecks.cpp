// After the synchronous end of a change: a catch-up pass re-sends windows that ended up elsewhere
// and notes windows that came out larger than sent; size checks ask them again and learn what
// they refuse.
#include <algorithm>

#include "controller/LayoutApplier.h"
#include "controller/MaximizedState.h"
#include "windows/AX.h"

namespace brindlow {

void LayoutApplier::scheduleCatchUp(const std::string& uuid) {
    DisplayState* display = stateOf(uuid);
    if (!display || display->settlePending) return;
    display->settlePending = true;
    hooks_.runAfter(kCatchUpDelay, [this, uuid] { catchUpApply(uuid); });
}

void LayoutApplier::catchUpApply(const std::string& uuid) {
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    display->settlePending = false;
    if (state_.paused || !display->animator.isResting()) return;
    // A window the user holds, or dropped and is yet to be judged, is not one an application
    // misplaced: pulling it back would undo the drag. Try again once the drop is judged.
    const std::vector<WindowID> ids = display->strip.allWindowIDs();
    const bool dropPending = std::any_of(ids.begin(), ids.end(), [this](WindowID id) {
        return state_.records.get(id).userChangePending;
    });
    if (env_.dragButtonDown() || dropPending) {
        scheduleCatchUp(uuid);
        return;
    }
    log_.debug("Settle pass on %{public}s", display->info.name);
    apply(uuid, ApplyOptions::settling(display->displayedOffset));
}

void LayoutApplier::scheduleSizeCheck(const std::string& uuid, std::vector<SizeCheck> checks,
                                      int attempt) {
    hooks_.runAfter(kCheckDelay, [this, uuid, checks = std::move(checks), attempt] {
        checkSize(uuid, checks, attempt);
    });
}

void LayoutApplier::checkSize(const std::string& uuid, std::vector<SizeCheck> checks, int attempt) {
    const DisplayState* display = stateOf(uuid);
    if (!display || state_.paused || !display->animator.isResting()) return;

    std::vector<SizeCheck> kept;
    std::vector<WindowID> vanished;
    bool learned = false;
    for (SizeCheck& check : checks) {
        const auto found = state_.windows.find(check.id);
        if (found == state_.windows.end()) continue;
        const std::optional<Rect> live = AX::frame(found->second.element);
        if (!live) continue;
        DisplayState* current = stateOf(uuid);
        const std::optional<StripLocation> location = current->strip.locate(check.id);
        if (!location) continue;
        ManagedWindow& window = found->second;
        window.frame = *live;
        const double size = check.sizeOf(*live);
        const double sent = check.sent();
        const SizeCheck::Verdict verdict = check.judge(*live);
        if (verdict == SizeCheck::Verdict::tookIt) continue;
        if (verdict == SizeCheck::Verdict::stillMoving) {
            check.observed = size;
            kept.push_back(check);
            continue;
        }
        if (verdict == SizeCheck::Verdict::askAgain) {
            check.askedAgain = true;
            const MoveResult result = windowMover_.move(window, check.target, true);
            if (result.gone) {
                // The window went while being asked again: nothing is left to check or learn.
                vanished.push_back(check.id);
                continue;
            }
            state_.records.edit(check.id,
                                [this](WindowRecord& record) { record.lastMoveTime = now(); });
            window.frame = result.frame;
            check.observed = check.sizeOf(result.frame);
            kept.push_back(check);
            continue;
        }
        // A maximised window answers every size with the maximised one: nothing it needs.
        if (MaximizedState::isMaximized(window.element)) continue;
        // A window that took less than it was sent needs nothing more: it keeps to steps of
        // its own, and the room it leaves goes to its neighbour.
        const bool smaller = size < sent;
        if (check.dimension == SizeCheck::Dimension::height && smaller) {
            state_.records.edit(check.id, [size, sent](WindowRecord& record) {
                record.shortHeight = ShortHeight{sent, size};
            });
            log_.info("%{public}s took %ld points of height, less than the %ld sent",
                      window.appName, long(size), long(sent));
            learned = true;
        } else if (check.dimension == SizeCheck::Dimension::height) {
            state_.records.edit(check.id,
                                [size](WindowRecord& record) { record.minimumHeight = size; });
            state_.learnedHeights.learn(window.bundleID.value_or(window.appName), size);
            log_.info("%{public}s needs %ld points of height, not %ld", window.appName, long(size),
                      long(sent));
            learned = true;
        } else {
            Column& column = current->strip.columns[size_t(location->column)];
            if (column.refusedWidth) continue;
            column.refusedWidth = RefusedWidth{sent, size};
            if (smaller)
                log_.info("%{public}s took %ld points, less than the %ld sent", window.appName,
                          long(size), long(sent));
            else
                log_.info("%{public}s needs %ld points, not %ld", window.appName, long(size),
                          long(sent));
            learned = true;
        }
    }

    if (!kept.empty() && attempt < SizeCheck::kMostRetries)
        scheduleSizeCheck(uuid, std::move(kept), attempt + 1);
    if (!vanished.empty()) hooks_.windowsVanished(uuid, vanished);
    if (learned) hooks_.sizesLearned(uuid);
}

}  // namespace brindlow
