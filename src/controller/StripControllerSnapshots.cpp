// The read-only pictures the user interface receives: snapshots of every strip and the focus
// border's targets, both delivered on the main queue in the order they were made.
#include "controller/StripController.h"
#include "windows/AX.h"
#include "windows/WindowNumbers.h"

namespace brindlow {

StripSnapshot StripController::makeSnapshot(const SnapshotReason& reason) const {
    StripSnapshot snapshot;
    snapshot.paused = state_.paused;
    snapshot.reason = reason;
    for (const std::string& uuid : state_.displayOrder) {
        const DisplayState* display = stateOf(uuid);
        if (!display) continue;
        std::map<WindowID, const Placement*> placements;
        for (const Placement& placement : display->lastLayout.placements)
            placements.emplace(placement.windowID, &placement);

        DisplaySnapshot entry;
        entry.id = uuid;
        entry.name = display->info.name;
        entry.frame = display->info.frame;
        entry.visible = display->info.visible;
        entry.viewport = display->lastLayout.viewport;
        entry.offset = display->strip.scrollOffset;
        entry.focusedIndex = display->strip.focusedIndex;
        entry.isActive = state_.activeUUID && *state_.activeUUID == uuid;
        if (!state_.paused) entry.gapStrips = display->gapStrips;
        for (const Column& column : display->strip.columns) {
            ColumnSnapshot columnEntry;
            columnEntry.activeIndex = column.activeIndex;
            columnEntry.isTabbed = column.isTabbed;
            columnEntry.pin = column.pin;
            columnEntry.widthFraction = column.isFullWidth ? 1.0 : column.widthFraction;
            for (const WindowID id : column.windows) {
                const auto found = state_.windows.find(id);
                if (found == state_.windows.end()) continue;
                const ManagedWindow& window = found->second;
                WindowSnapshot windowEntry;
                windowEntry.id = id;
                windowEntry.pid = window.pid;
                windowEntry.bundleID = window.bundleID;
                windowEntry.app = window.appName;
                windowEntry.title = window.title;
                windowEntry.hasBadge = state_.records.hasBadge(id);
                const auto placement = placements.find(id);
                if (placement != placements.end()) {
                    windowEntry.frame = placement->second->frame;
                    windowEntry.isParked = placement->second->isParked;
                } else {
                    windowEntry.frame = window.frame;
                }
                columnEntry.windows.push_back(std::move(windowEntry));
            }
            if (const std::optional<WindowID> active = column.activeWindow();
                active && state_.windows.contains(*active))
                columnEntry.activeWindowID = *active;
            entry.columns.push_back(std::move(columnEntry));
        }
        snapshot.displays.push_back(std::move(entry));
    }
    return snapshot;
}

void StripController::publishSnapshot(const SnapshotReason& reason) {
    landingUnpublished_ = false;
    if (!onSnapshot) return;
    onMain([callback = onSnapshot, snapshot = makeSnapshot(reason)] { callback(snapshot); });
}

void StripController::publishFocusFrames() {
    if (!onFocusFrames) return;
    const auto deliver = [this](std::vector<FocusFrame> frames) {
        onMain([callback = onFocusFrames, frames = std::move(frames)] { callback(frames); });
    };
    if ((!state_.settings.focusBorder && !state_.settings.dimInactive) || state_.paused) {
        if (state_.focusFramesActive) {
            state_.focusFramesActive = false;
            deliver({});
        }
        return;
    }
    state_.focusFramesActive = true;
    std::vector<FocusFrame> frames;
    for (const std::string& uuid : state_.displayOrder) {
        const DisplayState* display = stateOf(uuid);
        if (!display) continue;
        FocusFrame frame;
        frame.displayUUID = uuid;
        frame.screen = display->info.frame;
        frame.moving = !display->animator.isResting();
        // While a floated window has the focus, no window of this strip has it.
        const std::optional<WindowID> focused = floatedFocus_ && floatedFocus_->display == uuid
                                                    ? std::nullopt
                                                    : display->strip.focusedWindowID();
        const Placement* placement = nullptr;
        if (focused)
            for (const Placement& candidate : display->lastLayout.placements)
                if (candidate.windowID == *focused) {
                    placement = &candidate;
                    break;
                }
        if (placement && placement->isVisible && !placement->isParked) {
            frame.frame = placement->frame;
            const auto found = state_.windows.find(*focused);
            if (frame.moving) {
                if (found != state_.windows.end()) frame.windowNumber = found->second.windowNumber;
            } else if (found != state_.windows.end()) {
                ManagedWindow& window = found->second;
                if (!window.windowNumber) {
                    std::optional<std::uint32_t> number =
                        windowNumber(*env_.platform.windowList, window.pid, window.frame);
                    if (!number) {
                        if (const std::optional<Rect> live = AX::frame(window.element)) {
                            window.frame = *live;
                            number = windowNumber(*env_.platform.windowList, window.pid, *live);
                        }
                    }
                    window.windowNumber = number;
                }
                frame.frame = window.frame;
                frame.windowNumber = window.windowNumber;
            }
        }
        frames.push_back(std::move(frame));
    }
    deliver(std::move(frames));
}

}  // namespace brindlow
