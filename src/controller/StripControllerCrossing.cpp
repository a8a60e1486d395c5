// Commands that take a window off its strip or across displays: moving and focusing past the
// strip's end, sending to the next display, floating and native full screen.
#include "controller/CommandRules.h"
#include "controller/StripController.h"
#include "windows/AX.h"

namespace brindlow {

void StripController::move(WindowID id, const std::string& source, const std::string& target,
                           int index, bool afterFocused) {
    if (source == target || !stateOf(target)) return;
    double width = state_.settings.defaultWidth;
    if (const auto window = state_.windows.find(id); window != state_.windows.end())
        width = state_.settings.newColumnWidth(window->second.bundleID);
    if (DisplayState* from = stateOf(source)) from->strip.remove(id);
    Strip& to = stateOf(target)->strip;
    to.focusedIndex = afterFocused ? to.insertWindow(id, width)
                                   : to.insertColumn(Column::single(id, width), index);
    log_.info("Move %{public}s to display %{public}s", appName(id), displayName(target));
    afterStructureChange(source);
    focusChanged(target, true);
}

void StripController::sendToNextDisplay(const std::string& uuid) {
    if (state_.displayOrder.size() < 2) return;
    const DisplayState* display = stateOf(uuid);
    if (!display) return;
    const std::optional<WindowID> focused = display->strip.focusedWindowID();
    const std::optional<size_t> next =
        CommandRules::neighbourIndex(state_.displayOrder, uuid, +1, true);
    if (!focused || !next) return;
    move(*focused, uuid, state_.displayOrder[*next], 0, true);
}

void StripController::moveAcrossDisplays(const std::string& uuid, int direction) {
    const DisplayState* display = stateOf(uuid);
    if (!display) return;
    const std::optional<WindowID> focused = display->strip.focusedWindowID();
    const std::optional<size_t> next =
        CommandRules::neighbourIndex(state_.displayOrder, uuid, direction, false);
    if (!focused || !next) return;
    const std::string target = state_.displayOrder[*next];
    const DisplayState* other = stateOf(target);
    if (!other) return;
    move(*focused, uuid, target, CommandRules::crossingIndex(other->strip, direction), false);
}

void StripController::focusAdjacentDisplay(const std::string& uuid, int direction) {
    const std::optional<size_t> next =
        CommandRules::neighbourIndex(state_.displayOrder, uuid, direction, false);
    if (!next) return;
    const std::string target = state_.displayOrder[*next];
    const DisplayState* display = stateOf(target);
    if (!display || display->strip.columns.empty()) return;
    state_.activeUUID = target;
    // Landing on a window is a focus change like any other: its badge goes.
    if (const std::optional<WindowID> focused = display->strip.focusedWindowID())
        state_.records.clearBadge(*focused);
    raiseFocused(target);
    publishSnapshot(SnapshotReason::focus(target));
    publishFocusFrames();
}

AXElementRef StripController::windowManagersFocus() const {
    // Our raise of the strip's choice is still on its way (or waits for its scroll to land):
    // the window manager names the window focused before it, and a command for "the focused
    // window" is for the strip's.
    if (raiseEchoes_.raiseUnderWay()) return nullptr;
    if (const DisplayState* display = state_.activeUUID ? stateOf(*state_.activeUUID) : nullptr;
        display && display->raiseWhenLanded)
        return nullptr;
    return focusedWindow(state_.frontmostPID);
}

void StripController::toggleFloat(const std::string& uuid) {
    if (const AXElementRef element = windowManagersFocus()) {
        const WindowID id = element->identity();
        if (!state_.windows.contains(id)) {
            floatedFocus_.reset();
            state_.records.edit(id, [](WindowRecord& record) { record.userFloating = false; });
            log_.info("Unfloat window");
            tracker_->add(element, state_.frontmostPID, true);
            return;
        }
    }
    const DisplayState* display = stateOf(uuid);
    if (!display) return;
    const std::optional<WindowID> focused = display->strip.focusedWindowID();
    if (!focused) return;
    const auto found = state_.windows.find(*focused);
    if (found == state_.windows.end()) return;
    const ManagedWindow window = found->second;
    const Rect visible = display->info.visible;

    state_.records.edit(window.id, [](WindowRecord& record) { record.userFloating = true; });
    // The floated window keeps the focus: the border must not move on to the column that takes
    // its place in the strip.
    floatedFocus_ = FloatedFocus{window.id, uuid};
    removeAndRelayout(window.id, Removal::floated);
    // A target still waiting in the application's move queue would snap the window back into
    // its old column after it floated.
    asyncMover_->forget(window.id);
    windowMover_.move(window, CommandRules::floatingFrame(window.frame, visible), true);
    raise(window);
}

void StripController::toggleFullScreen(const std::string& uuid) {
    const AXElementRef element = windowManagersFocus();
    const auto app = state_.apps.find(state_.frontmostPID);
    if (element && app != state_.apps.end() &&
        AX::boolAttribute(element, ax::fullScreen).value_or(false)) {
        ManagedWindow window;
        window.id = element->identity();
        window.pid = state_.frontmostPID;
        window.bundleID = app->second.bundleID;
        window.appName = app->second.name;
        window.title = AX::stringAttribute(element, ax::title).value_or("");
        window.element = element;
        windowMover_.setFullScreen(window, false);
        return;
    }
    const DisplayState* display = stateOf(uuid);
    if (!display) return;
    const std::optional<WindowID> focused = display->strip.focusedWindowID();
    if (!focused) return;
    const auto window = state_.windows.find(*focused);
    if (window == state_.windows.end()) return;
    const std::optional<StripLocation> location = display->strip.locate(*focused);
    if (!location) return;
    const FullScreenReturn back{uuid, location->column,
                                display->strip.columns[size_t(location->column)].widthFraction};
    state_.records.edit(*focused, [&](WindowRecord& record) { record.fullScreenReturn = back; });
    if (!windowMover_.setFullScreen(window->second, true))
        state_.records.edit(*focused,
                            [](WindowRecord& record) { record.fullScreenReturn.reset(); });
}

}  // namespace brindlow
