// The operations other subsystems call: jump to a window, reorder columns, capture and restore
// arrangements, the command-line list, terminal badges and focus at a point. Each only queues its
// work on the strip queue; completions run there.
#include <algorithm>
#include <sstream>

#include "controller/ListJSON.h"
#include "controller/StripController.h"
#include "controller/TerminalBadge.h"

namespace brindlow {

// MARK: Any thread

void StripController::jump(WindowID id) {
    enqueue([this, id] { jumpOnQueue(id); });
}

void StripController::reorderColumn(const std::string& uuid, int from, int to) {
    enqueue([this, uuid, from, to] { reorderOnQueue(uuid, from, to); });
}

void StripController::captureSnapshot(std::function<void(SessionSnapshot)> completion) {
    enqueue([this, completion = std::move(completion)] {
        if (completion) completion(session_->capture());
    });
}

void StripController::restoreLayout(SessionSnapshot snapshot,
                                    std::function<void(std::set<std::string>)> completion) {
    // Runs even when the quit began after it was asked for: the arrangement it makes is then
    // saved by the quit instead of being lost.
    std::weak_ptr<StripController*> weak = weakSelf_;
    queue_->async([weak, snapshot = std::move(snapshot), completion = std::move(completion)] {
        auto alive = weak.lock();
        if (!alive) return;
        (*alive)->catchUpGate_.noteStripWork();
        std::set<std::string> missing = (*alive)->session_->restore(snapshot);
        if (completion) completion(std::move(missing));
    });
}

void StripController::listJSON(bool titles, std::function<void(std::string)> completion) {
    enqueue([this, titles, completion = std::move(completion)] {
        if (completion) completion(makeListJSON(titles));
    });
}

void StripController::inspect(std::function<void(Inspection)> completion) {
    enqueue([this, completion = std::move(completion)] {
        if (!completion) return;
        Inspection inspection{makeSnapshot(SnapshotReason::quiet()), consistencyProblems(), {}};
        for (const auto& [id, window] : state_.windows)
            inspection.known[id] = state_.records.get(id).originalFrame;
        for (const auto& [id, departure] : state_.departed)
            inspection.known[id] = state_.records.get(id).originalFrame;
        completion(std::move(inspection));
    });
}

void StripController::badge(BadgeRequest request) {
    enqueue([this, request = std::move(request)] { performBadge(request); });
}

void StripController::focusWindow(Point point) {
    enqueue([this, point] { performFocus(point); });
}

// MARK: Strip queue

void StripController::jumpOnQueue(WindowID id) {
    if (state_.paused) return;
    const auto location = locate(id);
    if (!location) return;
    stateOf(location->first)->strip.focus(id);
    log_.info("Jump to %{public}s", appName(id));
    ownWindowTakesFocus_ = false;
    listenForHand(stillPointer_.commanded(now()));
    hearHandUpToChoice();
    focusChanged(location->first, true);
}

void StripController::hearHandUpToChoice() {
    // Read when the platform says so, before the strip queue gets to it: a hand action heard
    // after that came after the choice.
    const auto heard = [weak = weakSelf_, clock = &clock_] {
        if (auto alive = weak.lock())
            (*alive)->enqueue(
                [self = *alive, at = clock->now()] { self->stillPointer_.heardUpToChoice(at); });
    };
    PointerActivity* activity = env_.platform.pointerActivity;
    if (!activity || !activity->afterHeardUpToNow(heard)) stillPointer_.heardUpToChoice(now());
}

void StripController::reorderOnQueue(const std::string& uuid, int from, int to) {
    if (state_.paused) return;
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    if (from < 0 || size_t(from) >= display->strip.columns.size() || from == to) return;
    display->strip.reorderColumn(from, to);
    log_.info("Reorder column %ld to %ld", long(from + 1), long(to + 1));
    afterStructureChange(uuid);
}

std::string StripController::makeListJSON(bool titles) const {
    return brindlow::makeListJSON(makeSnapshot(SnapshotReason::quiet()), titles);
}

std::vector<std::string> StripController::consistencyProblems() const {
    std::vector<std::string> problems;
    const auto problem = [&problems](auto&&... parts) {
        std::ostringstream line;
        (line << ... << parts);
        problems.push_back(line.str());
    };
    const std::set<std::string> ordered(state_.displayOrder.begin(), state_.displayOrder.end());
    std::set<std::string> inUse;
    for (const auto& [uuid, display] : state_.displays) inUse.insert(uuid);
    if (ordered != inUse || ordered.size() != state_.displayOrder.size())
        problem("the display order does not list each display in use once");
    if (!inUse.empty() && !(state_.activeUUID && inUse.contains(*state_.activeUUID)))
        problem("the active display is not in use");

    std::map<WindowID, int> columns;
    for (const auto& [uuid, display] : state_.displays) {
        for (const WindowID id : display.strip.allWindowIDs()) ++columns[id];
        for (const Column& column : display.strip.columns)
            if (column.weights.size() != column.windows.size())
                problem("a column on ", uuid, " has ", column.weights.size(), " row weights for ",
                        column.windows.size(), " windows");
    }
    for (const auto& [id, count] : columns)
        if (count > 1) problem("window ", id, " is in ", count, " columns");
    if (!inUse.empty())
        for (const auto& [id, window] : state_.windows)
            if (!columns.contains(id)) problem("managed window ", id, " is in no column");

    // Every window known stands in one place only: a column (or a strip waiting for its display),
    // away or minimised, or floating.
    std::map<WindowID, int> waiting;
    for (const auto& [uuid, strip] : state_.waitingStrips)
        for (const WindowID id : strip.allWindowIDs()) ++waiting[id];
    for (const auto& [id, count] : waiting) {
        if (count > 1 || columns.contains(id))
            problem("window ", id, " waits in a strip and stands in another");
        if (!state_.windows.contains(id)) problem("waiting window ", id, " is not managed");
    }
    for (const auto& [id, departure] : state_.departed) {
        const char* where = departure.kind == Departure::Kind::away ? "away" : "minimised";
        if (state_.windows.contains(id) || columns.contains(id) || waiting.contains(id))
            problem("window ", id, " is ", where, " and tiled");
        if (state_.records.isUserFloating(id)) problem("window ", id, " is ", where, " and floats");
    }
    for (const auto& [id, window] : state_.windows)
        if (state_.records.isUserFloating(id)) problem("window ", id, " floats and is tiled");

    // Window ids come back for new windows, so nothing may be kept for one that is gone.
    std::set<WindowID> listed;
    for (const auto& [pid, observer] : state_.observers)
        for (const AXElementRef& window :
             AppObserver::windows(observer->appElement()).value_or(std::vector<AXElementRef>{}))
            listed.insert(window->identity());
    for (const auto& [id, record] : state_.records.all())
        if (!listed.contains(id)) problem("a record is kept for window ", id, ", which is gone");
    return problems;
}

void StripController::performBadge(const BadgeRequest& request) {
    if (!state_.settings.terminalBadges) return;
    std::set<std::int32_t> applications;
    for (const auto& [pid, app] : state_.apps) applications.insert(pid);
    const std::optional<std::int32_t> pid =
        env_.platform.processes
            ? ancestorPID(*env_.platform.processes, request.shellPID, applications)
            : std::nullopt;
    if (!pid) {
        log_.info("Badge: no app found for shell %d", int(request.shellPID));
        return;
    }
    std::vector<BadgeCandidate> candidates;
    for (const auto& [id, window] : state_.windows)
        if (window.pid == *pid) candidates.push_back({id, window.title});
    if (candidates.empty()) return;
    std::optional<WindowID> focusedOfApp;
    if (candidates.size() > 1)
        if (const AXElementRef focused = focusedWindow(*pid)) focusedOfApp = focused->identity();
    const std::optional<WindowID> chosen =
        chooseBadgeWindow(candidates, request.directory, request.command, focusedOfApp);
    if (!chosen) return;
    if (*pid == state_.frontmostPID && state_.activeUUID) {
        const DisplayState* active = stateOf(*state_.activeUUID);
        if (active && active->strip.focusedWindowID() == chosen) return;
    }
    state_.records.edit(*chosen, [](WindowRecord& record) { record.hasBadge = true; });
    log_.info("Badge %{public}s: '%{private}s' finished with %d", appName(*chosen), request.command,
              int(request.status));
    publishSnapshot(SnapshotReason::quiet());
}

void StripController::performFocus(Point point) {
    if (!state_.settings.focusFollowsMouse || state_.paused) return;
    const std::optional<std::string> uuid = displayUnder(point);
    if (!uuid) return;
    DisplayState* display = stateOf(*uuid);
    if (display->animator.isAnimating() || state_.swipedDisplay()) return;
    const Placement* hit = nullptr;
    for (const Placement& placement : display->lastLayout.placements)
        if (placement.isVisible && !placement.isParked && placement.frame.contains(point)) {
            hit = &placement;
            break;
        }
    if (!hit) return;
    const WindowID id = hit->windowID;
    const auto window = state_.windows.find(id);
    if (window == state_.windows.end()) return;
    if (display->strip.focusedWindowID() == id && window->second.pid == state_.frontmostPID) return;
    const std::optional<std::int32_t> owner = pidOfWindow(point);
    if (!owner || *owner != window->second.pid) return;
    display->strip.focus(id);
    state_.activeUUID = *uuid;
    state_.records.clearBadge(id);
    raise(window->second);
    publishSnapshot(SnapshotReason::quiet());
    publishFocusFrames();
}

std::optional<std::int32_t> StripController::pidOfWindow(Point point) const {
    if (!env_.platform.windowList) return std::nullopt;
    const std::int32_t own =
        env_.platform.workspace ? env_.platform.workspace->currentProcessID() : 0;
    for (const WindowListEntry& entry : env_.platform.windowList->onScreenWindows()) {
        if (!entry.bounds.contains(point)) continue;
        // A window of ours over the point (the settings window, a sheet, a prompt) is what the
        // pointer rests on: no column under it takes the focus from it.
        if (entry.ownerPID == own) return std::nullopt;
        if (entry.layer != 0) continue;
        return entry.ownerPID;
    }
    return std::nullopt;
}

}  // namespace brindlow
