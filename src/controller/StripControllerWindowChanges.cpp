// Changes a tiled window goes through without a drag: resizing itself and being maximised. Neither
// is the user's resize of its column: the window goes back into its column at once (a parked one
// to its parked place, at its own size), and a maximise is answered as the full-width command
// answers "make it big".
#include <algorithm>

#include "controller/MaximizedState.h"
#include "controller/StripController.h"
#include "controller/UserDrag.h"
#include "windows/AX.h"

namespace brindlow {

void StripController::windowResized(WindowID id) {
    if (env_.dragButtonDown()) {
        watchDrag(id);
        return;
    }
    putBackSelfResized(id);
}

void StripController::putBackSelfResized(WindowID id) {
    const WindowRecord held = state_.records.get(id);
    if (held.userChangePending || state_.paused) return;
    // Maybe the echo of the controller's own move (or of its size check): looked at again once
    // the echoes have landed; a window that resized itself right after being placed is still
    // away from its column then.
    if (lookAfterOwnMove(id, &WindowRecord::resizeLookPending, false,
                         &StripController::putBackSelfResized, &StripController::putBackIfAway))
        return;
    putBackIfAway(id);
}

void StripController::putBackIfAway(WindowID id) {
    const WindowRecord held = state_.records.get(id);
    if (held.userChangePending || state_.paused) return;
    const std::optional<AwayFromLayout> away = awayFromLayout(id);
    if (!away) return;
    ManagedWindow& window = *away->window;
    const Rect& live = away->live;
    // Its maximise is answered on its own, with the full width.
    if (MaximizedState::isMaximized(window.element)) return;
    // One that keeps resizing itself after every put-back would be chased for ever: after a few
    // it stays at its own size until the next change of the strip.
    const bool sameRun = held.selfResizes > 0 && now() - held.selfResizedSince < kSelfResizeRun;
    if (sameRun && held.selfResizes >= kSelfResizePutBacks) return;
    state_.records.edit(id, [&](WindowRecord& record) {
        if (!sameRun) {
            record.selfResizes = 0;
            record.selfResizedSince = now();
        }
        ++record.selfResizes;
    });
    const std::vector<Placement>& placements = away->display->lastLayout.placements;
    const auto parked =
        std::find_if(placements.begin(), placements.end(),
                     [id](const Placement& p) { return p.windowID == id && p.isParked; });
    if (parked != placements.end()) {
        parkAtOwnSize(window, parked->frame, away->display->info.visible, live);
        return;
    }
    log_.info("%{public}s resized itself to %ld×%ld: back into its column", window.appName,
              long(live.width), long(live.height));
    relayout(away->displayID);
}

void StripController::parkAtOwnSize(ManagedWindow& window, const Rect& spot, const Rect& area,
                                    const Rect& live) {
    // Its parked edge stays where the layout put it, whatever its width.
    const bool leftSide = spot.midX() < area.midX();
    const Rect place(leftSide ? spot.maxX() - live.width : spot.minX(), spot.minY(), live.width,
                     live.height);
    log_.info("%{public}s resized itself to %ld×%ld while parked: parked again at that size",
              window.appName, long(live.width), long(live.height));
    const MoveResult result = windowMover_.move(window, place, true);
    if (result.gone) return;
    window.frame = result.frame;
    const double time = now();
    state_.records.edit(window.id, [time](WindowRecord& record) { record.lastMoveTime = time; });
}

void StripController::maximizedChanged(WindowID id) {
    if (state_.paused) return;
    const auto window = state_.windows.find(id);
    if (window == state_.windows.end()) return;
    const auto location = locate(id);
    if (!location) return;
    const std::string uuid = location->first;
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    Column& column = display->strip.columns[size_t(location->second.column)];
    const AXElementRef element = window->second.element;
    const std::string name = window->second.appName;
    if (!MaximizedState::isMaximized(element)) {
        // Our own clearing of the state, heard back; or the user giving back a maximise that the
        // window manager would not let go of when asked: that takes the full width back.
        if (!state_.records.get(id).keptMaximized) return;
        state_.records.edit(id, [](WindowRecord& record) { record.keptMaximized = false; });
        if (!column.isFullWidth) return;
        column.isFullWidth = false;
        column.refusedWidth.reset();
        log_.info("%{public}s unmaximised: full width taken back", name);
        afterStructureChange(uuid);
        return;
    }
    // The user asked for it big: the column goes full width (or, when it is already, the same
    // action again takes that back), and the window leaves the maximised state, which would hold
    // it over the other columns. The resize that came with the maximise is not the user's drag.
    MaximizedState::clear(element);
    const bool kept = MaximizedState::isMaximized(element);
    state_.records.edit(id, [kept](WindowRecord& record) {
        record.keptMaximized = kept;
        record.userChangePending = false;
    });
    column.isFullWidth = !column.isFullWidth;
    column.refusedWidth.reset();
    log_.info(column.isFullWidth ? "%{public}s maximised: full width"
                                 : "%{public}s maximised again: full width taken back",
              name);
    afterStructureChange(uuid);
}

}  // namespace brindlow
