// Following the user's drags and resizes of tiled windows: a change counts only while a drag
// button is down (the first, or one the window manager moves or resizes with), away from the
// controller's own moves, and is judged once the button is up.
#include <cmath>

#include "controller/StripController.h"
#include "controller/UserDrag.h"
#include "windows/AX.h"

namespace brindlow {

void StripController::watchDrag(WindowID id) {
    if (!env_.dragButtonDown()) return;
    // An echo of the controller's own move, or a drag begun right after it, which the window
    // manager may have carried all the way before the quiet time is over: looked at again then,
    // when the echoes have landed and only a hand can still hold the window elsewhere.
    if (lookAfterOwnMove(id, &WindowRecord::dragLookPending, true, &StripController::watchDrag,
                         &StripController::noteDragAway))
        return;
    noteDragAway(id);
}

bool StripController::lookAfterOwnMove(WindowID id, bool WindowRecord::*pending, bool buttonDown,
                                       void (StripController::*again)(WindowID),
                                       void (StripController::*look)(WindowID)) {
    const WindowRecord held = state_.records.get(id);
    if (!held.lastMoveTime || now() - *held.lastMoveTime >= UserDrag::kOwnMoveQuiet) return false;
    if (held.*pending) return true;
    state_.records.edit(id, [pending](WindowRecord& r) { r.*pending = true; });
    const double ownMove = *held.lastMoveTime;
    enqueueAfter(ownMove + UserDrag::kOwnMoveQuiet - now(),
                 [this, id, ownMove, pending, buttonDown, again, look] {
                     state_.records.edit(id, [pending](WindowRecord& r) { r.*pending = false; });
                     if (state_.windows.count(id) == 0 || env_.dragButtonDown() != buttonDown)
                         return;
                     // Moved by the controller again meanwhile: its own quiet time starts over.
                     const std::optional<double> since = state_.records.get(id).lastMoveTime;
                     (this->*(since && *since > ownMove ? again : look))(id);
                 });
    return true;
}

std::optional<StripController::AwayFromLayout> StripController::awayFromLayout(WindowID id) {
    const auto location = locate(id);
    if (!location) return std::nullopt;
    const DisplayState* display = stateOf(location->first);
    if (!display || display->animator.isAnimating() || state_.swipedDisplay()) return std::nullopt;
    const auto window = state_.windows.find(id);
    if (window == state_.windows.end()) return std::nullopt;
    const std::optional<Rect> live = AX::frame(window->second.element);
    if (!live || UserDrag::framesClose(*live, window->second.frame, UserDrag::kTolerance))
        return std::nullopt;
    return AwayFromLayout{location->first, display, &window->second, *live};
}

void StripController::noteDragAway(WindowID id) {
    const std::optional<AwayFromLayout> away = awayFromLayout(id);
    if (!away) return;
    if (state_.records.get(id).userChangePending) return;
    state_.records.edit(id, [](WindowRecord& record) { record.userChangePending = true; });
    log_.info("User drag of %{public}s under way: judged once the button is up",
              away->window->appName);
    enqueueAfter(UserDrag::kFirstJudgement, [this, id] { userChanged(id); });
}

void StripController::userChanged(WindowID id) {
    if (env_.dragButtonDown()) {
        enqueueAfter(UserDrag::kRecheck, [this, id] { userChanged(id); });
        return;
    }
    if (!state_.records.get(id).userChangePending) return;
    state_.records.edit(id, [](WindowRecord& record) { record.userChangePending = false; });
    const auto found = state_.windows.find(id);
    if (found == state_.windows.end()) return;
    const auto location = locate(id);
    if (!location) return;
    const std::optional<Rect> live = AX::frame(found->second.element);
    if (!live) return;
    const std::string uuid = location->first;
    DisplayState* home = stateOf(uuid);
    if (!home) return;
    const std::optional<StripLocation> place = home->strip.locate(id);
    if (!place) return;
    const Rect recorded = found->second.frame;
    found->second.frame = *live;
    const std::string name = found->second.appName;

    if (UserDrag::isResize(*live, recorded)) {
        Column& column = home->strip.columns[size_t(place->column)];
        const double area = column.pin ? home->info.visible.width : home->lastLayout.viewport.width;
        UserDrag::applyResize(column, place->row, *live, recorded, area, state_.settings.gap,
                              state_.settings.outerGap);
        home->strip.focus(id);
        log_.info("User resized %{public}s to %ld×%ld", name, long(live->width),
                  long(live->height));
        afterStructureChange(uuid);
        return;
    }

    const std::string target = displayInUse(*live).value_or(uuid);
    const Column& column = home->strip.columns[size_t(place->column)];
    if (target == uuid && UserDrag::shookInsideStack(column, *live, recorded)) {
        log_.info("User moved %{public}s inside its stack: back into place", name);
        afterStructureChange(uuid);
        return;
    }
    const int index = dropColumn(*live, target, id);
    log_.info("User moved %{public}s to column %ld", name, long(index + 1));
    if (target != uuid) {
        move(id, uuid, target, index, false);
        return;
    }
    UserDrag::moveWithinStrip(home->strip, id, index);
    afterStructureChange(uuid);
}

int StripController::dropColumn(const Rect& live, const std::string& uuid, WindowID id) const {
    const DisplayState* display = stateOf(uuid);
    if (!display) return 0;
    return UserDrag::dropColumn(display->strip, display->lastLayout, live, id);
}

}  // namespace brindlow
