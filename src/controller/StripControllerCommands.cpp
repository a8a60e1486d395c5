// The command dispatcher and the closing steps every change shares. The handlers of the window
// commands are in files of their own.
#include "controller/StripController.h"

namespace brindlow {

void StripController::execute(Command command) {
    if (command.kind() == Command::Kind::togglePause) {
        togglePause();
        return;
    }
    if (state_.paused) return;
    const std::optional<std::string> uuid =
        state_.activeUUID
            ? state_.activeUUID
            : (state_.displayOrder.empty() ? std::nullopt
                                           : std::optional(state_.displayOrder.front()));
    if (!uuid || !stateOf(*uuid)) return;
    log_.info("Command %{public}s", command.text());
    runCommand(command, *uuid);
}

void StripController::togglePause() {
    state_.paused = !state_.paused;
    log_.info("%{public}s", std::string(state_.paused ? "Paused" : "Resumed"));
    if (state_.paused) {
        // A swipe in progress ends here: its updates and its settle move nothing while paused.
        for (auto& [uuid, display] : state_.displays) display.animator.halt();
        restoreEnhancedUI();
    } else {
        rescanWindows(false);
        clampAndRelayoutAll();
    }
    publishSnapshot(SnapshotReason::structure());
    publishFocusFrames();
}

void StripController::afterStructureChange(const std::string& uuid) {
    restoreAutoTabs(uuid);
    clampViewport(uuid);
    relayout(uuid);
    scheduleSessionSave();
    publishSnapshot(SnapshotReason::structure());
}

void StripController::restoreAutoTabs(const std::string& uuid) {
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    for (size_t index = 0; index < display->strip.columns.size(); ++index) {
        Column& column = display->strip.columns[index];
        if (!column.autoTabbed) continue;
        column.isTabbed = false;
        column.autoTabbed = false;
        log_.info("Column %ld: automatic tabs back to a stack", long(index + 1));
    }
}

void StripController::raiseFocused(const std::string& uuid) {
    if (state_.paused) return;
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    const std::optional<WindowID> focused = display->strip.focusedWindowID();
    if (!focused) return;
    const auto window = state_.windows.find(*focused);
    if (window == state_.windows.end()) return;
    if (!display->animator.isResting()) {
        display->raiseWhenLanded = true;
        return;
    }
    display->raiseWhenLanded = false;
    raiser_->raise(window->second);
}

void StripController::showMessage(const ToastMessage& message) {
    log_.log("Message: %{public}s", message.summary());
    if (!onMessage) return;
    onMain([callback = onMessage, message] { callback(message); });
}

}  // namespace brindlow
