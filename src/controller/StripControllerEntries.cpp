// The operations other subsystems call: jump to a window, reorder columns, capture and restore
// arrangements, the command-line list, terminal badges and focus at a point. Each only queues its
// work on the strip queue; completions run there.
#include <algorithm>

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
    enqueue([this, snapshot = std::move(snapshot), completion = std::move(completion)] {
        std::set<std::string> missing = session_->restore(snapshot);
        if (completion) completion(std::move(missing));
    });
}

void StripController::listJSON(bool titles, std::function<void(std::string)> completion) {
    enqueue([this, titles, completion = std::move(completion)] {
        if (completion) completion(makeListJSON(titles));
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
    focusChanged(location->first, true);
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
    raiser_->raise(window->second);
    publishSnapshot(SnapshotReason::quiet());
    publishFocusFrames();
}

std::optional<std::int32_t> StripController::pidOfWindow(Point point) const {
    if (!env_.platform.windowList) return std::nullopt;
    const std::int32_t own =
        env_.platform.workspace ? env_.platform.workspace->currentProcessID() : 0;
    for (const WindowListEntry& entry : env_.platform.windowList->onScreenWindows()) {
        if (entry.ownerPID == own || entry.layer != 0) continue;
        if (entry.bounds.contains(point)) return entry.ownerPID;
    }
    return std::nullopt;
}

}  // namespace brindlow
