// The handlers of the window commands: focus and order, widths and centring, stacks, tabs and
// heights, and the closing steps of a focus change.
#include <algorithm>
#include <cmath>

#include "controller/CommandRules.h"
#include "controller/StripController.h"
#include "strip/Viewport.h"

namespace brindlow {

void StripController::runCommand(Command command, const std::string& uuid) {
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    Strip& strip = display->strip;
    const bool crosses = state_.settings.focusCrossesDisplays;
    using Kind = Command::Kind;
    switch (command.kind()) {
        case Kind::jump: {
            const std::int64_t column = command.jumpColumn();
            if (column < 1 || column > std::int64_t(strip.columns.size())) return;
            strip.focusedIndex = int(column - 1);
            focusChanged(uuid, true);
            return;
        }
        case Kind::focusLeft:
        case Kind::focusRight: {
            const int direction = command.kind() == Kind::focusLeft ? -1 : +1;
            if (strip.moveFocus(direction)) {
                focusChanged(uuid, true);
            } else if (crosses) {
                focusAdjacentDisplay(uuid, direction);
            }
            return;
        }
        case Kind::focusUp:
        case Kind::focusDown:
            if (strip.moveFocusInStack(command.kind() == Kind::focusUp ? -1 : +1))
                focusChanged(uuid, true);
            return;
        case Kind::focusFirst:
        case Kind::focusLast:
            if (strip.focusEdge(command.kind() == Kind::focusFirst ? -1 : +1))
                focusChanged(uuid, true);
            return;
        case Kind::moveLeft:
        case Kind::moveRight: {
            const int direction = command.kind() == Kind::moveLeft ? -1 : +1;
            if (strip.moveColumn(direction)) {
                afterStructureChange(uuid);
            } else if (crosses) {
                moveAcrossDisplays(uuid, direction);
            }
            return;
        }
        case Kind::moveUp:
        case Kind::moveDown:
            if (strip.moveWindowInStack(command.kind() == Kind::moveUp ? -1 : +1))
                afterStructureChange(uuid);
            return;
        case Kind::cycleWidth:
            setWidth(CommandRules::cyclePresets(state_.settings.presetWidths), uuid);
            return;
        case Kind::fullWidth:
            toggleFullWidth(uuid);
            return;
        case Kind::fullScreen:
            toggleFullScreen(uuid);
            return;
        case Kind::center:
            centerFocused(uuid);
            return;
        case Kind::wider:
        case Kind::narrower: {
            const double step = CommandRules::widthStep(state_.settings.widthStep);
            resizeColumn(command.kind() == Kind::wider ? step : -step, uuid);
            return;
        }
        case Kind::taller:
        case Kind::shorter:
            changeHeight(uuid, command.kind() == Kind::taller);
            return;
        case Kind::equalizeHeights:
            if (strip.equalizeHeights()) afterStructureChange(uuid);
            return;
        case Kind::sendToNextDisplay:
            sendToNextDisplay(uuid);
            return;
        case Kind::toggleFloat:
            toggleFloat(uuid);
            return;
        case Kind::stackLeft:
        case Kind::stackRight:
        case Kind::growStack:
            stackFocused(command.kind(), uuid);
            return;
        case Kind::popLeft:
        case Kind::popRight:
            if (strip.popActiveWindow(command.kind() == Kind::popLeft ? -1 : +1))
                focusChanged(uuid, true);
            return;
        case Kind::toggleTabbed:
            toggleTabbed(uuid);
            return;
        case Kind::pinLeft:
        case Kind::pinRight:
            if (strip.togglePin(command.kind() == Kind::pinLeft ? Pin::left : Pin::right))
                afterStructureChange(uuid);
            return;
        case Kind::togglePause:
        case Kind::toggleFocusBorder:
        case Kind::toggleDimInactive:
        case Kind::search:
        case Kind::overview:
        case Kind::showShortcuts:
            // Carried out on the application side (the pause toggle before dispatch).
            return;
    }
}

void StripController::focusChanged(const std::string& uuid, bool activate) {
    restoreAutoTabs(uuid);
    if (activate) {
        ++state_.commandChoices;
        state_.lastCommandChoice = now();
        state_.activeUUID = uuid;
        if (const DisplayState* display = stateOf(uuid))
            if (const std::optional<WindowID> focused = display->strip.focusedWindowID())
                state_.records.clearBadge(*focused);
        clampViewport(uuid);
        relayout(uuid);
        raiseFocused(uuid);
    } else {
        clampViewport(uuid);
        relayout(uuid);
    }
    session_->scheduleSave();
    publishSnapshot(activate ? SnapshotReason::focus(uuid) : SnapshotReason::structure());
}

std::string StripController::appName(WindowID id) const {
    const auto window = state_.windows.find(id);
    return window == state_.windows.end() ? std::string("?") : window->second.appName;
}

Column* StripController::focusedColumn(const std::string& uuid) {
    DisplayState* display = stateOf(uuid);
    if (!display) return nullptr;
    Strip& strip = display->strip;
    if (!strip.focusedIndex || *strip.focusedIndex < 0 ||
        size_t(*strip.focusedIndex) >= strip.columns.size())
        return nullptr;
    return &strip.columns[size_t(*strip.focusedIndex)];
}

// MARK: Widths and centring

void StripController::editFocusedColumn(const std::string& uuid,
                                        const std::function<void(Column&)>& edit) {
    Column* column = focusedColumn(uuid);
    if (!column) return;
    const Column before = *column;
    edit(*column);
    if (!(*column == before)) afterStructureChange(uuid);
}

void StripController::setWidth(const std::vector<double>& presets, const std::string& uuid) {
    editFocusedColumn(uuid, [&](Column& column) { CommandRules::cycleWidth(column, presets); });
}

void StripController::resizeColumn(double step, const std::string& uuid) {
    editFocusedColumn(uuid, [&](Column& column) { CommandRules::resizeColumn(column, step); });
}

void StripController::toggleFullWidth(const std::string& uuid) {
    if (!focusedColumn(uuid)) return;
    if (stateOf(uuid)->strip.toggleFullWidth()) afterStructureChange(uuid);
}

void StripController::centerFocused(const std::string& uuid) {
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    const double gap = std::max(0.0, state_.settings.gap);
    const double outer = std::max(0.0, state_.settings.outerGap);
    const double width =
        LayoutEngine::viewport(display->strip.columns, geometry(uuid), gap, outer).width;
    const std::optional<double> offset = Viewport::centredOffset(display->strip, width, gap, outer);
    if (!offset) return;
    display->strip.scrollOffset = *offset;
    relayout(uuid);
}

// MARK: Stacks, tabs and heights

void StripController::stackFocused(Command::Kind kind, const std::string& uuid) {
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    Strip copy = display->strip;
    bool changed = false;
    if (kind == Command::Kind::growStack) {
        changed = copy.growStack();
    } else {
        changed = copy.stackIntoNeighbour(kind == Command::Kind::stackLeft ? -1 : +1);
    }
    if (!changed) {
        log_.info("Stack: nothing to add, or the column already holds %ld windows", 3L);
        return;
    }
    if (copy.focusedIndex && *copy.focusedIndex >= 0 &&
        size_t(*copy.focusedIndex) < copy.columns.size()) {
        if (std::optional<ToastMessage> refusal =
                stackRefusal(copy.columns[size_t(*copy.focusedIndex)], copy, uuid)) {
            showMessage(*refusal);
            return;
        }
    }
    stateOf(uuid)->strip = std::move(copy);
    focusChanged(uuid, true);
}

void StripController::toggleTabbed(const std::string& uuid) {
    const Column* column = focusedColumn(uuid);
    if (column && column->windows.size() <= 1 && !column->isTabbed) {
        showMessage(CommandRules::tabsNeedAStack());
        return;
    }
    DisplayState* display = stateOf(uuid);
    if (display && display->strip.toggleTabbed()) focusChanged(uuid, true);
}

void StripController::changeHeight(const std::string& uuid, bool taller) {
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    const std::optional<WindowID> focused = display->strip.focusedWindowID();
    const Column* column = focusedColumn(uuid);
    if (!focused || !column) return;
    if (column->windows.size() < 2 || column->isTabbed) {
        showMessage(CommandRules::heightNeedsAStack());
        return;
    }
    const Strip original = display->strip;
    Strip copy = original;
    const bool changed = copy.adjustActiveWeight(taller ? 0.1 : -0.1);
    const LayoutEngine::MinimumHeights minimums = minimumHeights(original);
    if (changed) {
        const DisplayGeometry geo = geometry(uuid);
        const auto focusedHeight = [&](const Strip& strip) {
            const StripLayout layout =
                applier_->layOut(strip, geo, minimums, std::nullopt, strip.scrollOffset);
            for (const Placement& placement : layout.placements)
                if (placement.windowID == *focused) return placement.frame.height;
            return 0.0;
        };
        if (std::fabs(focusedHeight(copy) - focusedHeight(original)) >= 2.0) {
            stateOf(uuid)->strip = std::move(copy);
            afterStructureChange(uuid);
            return;
        }
    }
    const auto window = state_.windows.find(*focused);
    showMessage(CommandRules::heightRefused(
        window == state_.windows.end() ? std::string("This window") : window->second.appName,
        taller));
}

}  // namespace brindlow
