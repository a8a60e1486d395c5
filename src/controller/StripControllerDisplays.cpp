// Displays coming, going and switched off; new settings; which display a frame belongs to;
// restored strips; stacks without room.
#include <algorithm>
#include <cmath>

#include "controller/DisplayChoice.h"
#include "controller/StripController.h"

namespace brindlow {

namespace {

struct LayoutParameters {
    double gap;
    double outerGap;
    CenterMode centerMode;
    bool operator==(const LayoutParameters&) const = default;
};

LayoutParameters layoutParameters(const AppSettings& settings) {
    return {std::max(0.0, settings.gap), std::max(0.0, settings.outerGap), settings.centerMode};
}

// Names joined the way an English list reads: "A", "A and B", "A, B and C".
std::string joinedNames(const std::vector<std::string>& names) {
    std::string text;
    for (size_t index = 0; index < names.size(); ++index) {
        if (index > 0) text += index + 1 == names.size() ? " and " : ", ";
        text += names[index];
    }
    return text;
}

}  // namespace

void StripController::applySettings(const AppSettings& settings) {
    const AppSettings old = state_.settings;
    state_.settings = settings;
    if (!state_.started) return;

    const bool displaysDiffer = old.disabledDisplays != settings.disabledDisplays;
    const bool rulesDiffer = old.appRules != settings.appRules;
    if (displaysDiffer) {
        displaysChanged(std::vector<DisplayInfo>(state_.allDisplays));
        rescanWindows(false);
    }
    if (rulesDiffer) {
        std::vector<WindowID> floating;
        for (const auto& [id, window] : state_.windows) {
            if (!window.bundleID) continue;
            const std::optional<AppRule> rule = settings.rule(*window.bundleID);
            if (rule && rule->behavior == AppBehavior::floating) floating.push_back(id);
        }
        for (const WindowID id : floating) remove(id, Removal::appRuleFloat);
        rescanWindows(false);
    }
    if (layoutParameters(old) == layoutParameters(settings) && !displaysDiffer && !rulesDiffer) {
        if (old.focusBorder != settings.focusBorder || old.dimInactive != settings.dimInactive)
            publishFocusFrames();
        return;
    }
    clampAndRelayoutAll();
    publishSnapshot(SnapshotReason::structure());
}

void StripController::screensMayHaveChanged() {
    if (stopped_.load()) return;
    std::vector<DisplayInfo> current = DisplayInfo::current(*env_.platform.screens);
    if (current == lastDisplays_) return;
    lastDisplays_ = current;
    enqueue([this, current = std::move(current)] { displayListChanged(current); });
}

void StripController::displayListChanged(const std::vector<DisplayInfo>& displays) {
    const std::set<std::string> before(state_.displayOrder.begin(), state_.displayOrder.end());
    displaysChanged(displays);
    const bool cameIntoUse =
        std::any_of(state_.displayOrder.begin(), state_.displayOrder.end(),
                    [&](const std::string& uuid) { return !before.contains(uuid); });
    if (cameIntoUse) rescanWindows(false);
    clampAndRelayoutAll();
    publishSnapshot(SnapshotReason::structure());
}

void StripController::displaysChanged(const std::vector<DisplayInfo>& connected) {
    state_.allDisplays = connected;
    const std::vector<std::string>& disabled = state_.settings.disabledDisplays;
    std::vector<DisplayInfo> wanted;
    for (const DisplayInfo& display : connected)
        if (std::find(disabled.begin(), disabled.end(), display.uuid) == disabled.end())
            wanted.push_back(display);
    std::set<std::string> wantedUUIDs;
    for (const DisplayInfo& display : wanted) wantedUUIDs.insert(display.uuid);
    std::set<std::string> connectedUUIDs;
    for (const DisplayInfo& display : connected) connectedUUIDs.insert(display.uuid);

    std::vector<Column> orphaned;
    for (auto it = state_.displays.begin(); it != state_.displays.end();) {
        if (wantedUUIDs.contains(it->first)) {
            ++it;
            continue;
        }
        DisplayState& gone = it->second;
        if (connectedUUIDs.contains(it->first)) {
            // Switched off: its windows stop being tiled. Parked ones would stay out of sight, so
            // every window gets a usable place on that display first.
            releaseWindows(gone.strip.allWindowIDs(), gone);
            log_.info("Display %{public}s switched off", gone.info.name);
        } else if (wanted.empty()) {
            // No display left in use (outputs off, a screen-size change that leaves none): the
            // strip waits for a display to come back.
            if (!connected.empty()) {
                // Meanwhile its windows stand where the quit would put them, on a connected
                // display, instead of off-screen.
                DisplayState onScreen = gone;
                onScreen.info = connected.front();
                placeWhereQuitWould(gone.strip.allWindowIDs(), onScreen);
            }
            state_.waitingStrips[it->first] = gone.strip;
            log_.info("Display %{public}s disconnected", gone.info.name);
        } else {
            orphaned.insert(orphaned.end(), gone.strip.columns.begin(), gone.strip.columns.end());
            log_.info("Display %{public}s disconnected", gone.info.name);
        }
        it = state_.displays.erase(it);
    }

    for (const DisplayInfo& display : wanted) {
        if (DisplayState* existing = stateOf(display.uuid)) {
            existing->info = display;
        } else {
            DisplayState added(display);
            if (const auto waiting = state_.waitingStrips.find(display.uuid);
                waiting != state_.waitingStrips.end()) {
                added.strip = waiting->second;
                state_.waitingStrips.erase(waiting);
            }
            state_.displays.emplace(display.uuid, std::move(added));
            log_.info("Display %{public}s added", display.name);
        }
    }
    state_.displayOrder.clear();
    for (const DisplayInfo& display : wanted) state_.displayOrder.push_back(display.uuid);

    if (!state_.displayOrder.empty()) {
        for (const auto& [uuid, strip] : state_.waitingStrips)
            orphaned.insert(orphaned.end(), strip.columns.begin(), strip.columns.end());
        state_.waitingStrips.clear();
        Strip& first = state_.displays.at(state_.displayOrder.front()).strip;
        for (Column& column : orphaned) {
            column.pin.reset();
            first.insertColumn(std::move(column),
                               int(first.columns.size()) - first.rightPinnedCount());
        }
        adoptOrphans();
    }

    if (!state_.activeUUID || !stateOf(*state_.activeUUID)) {
        if (state_.displayOrder.empty()) {
            state_.activeUUID.reset();
        } else {
            state_.activeUUID = state_.displayOrder.front();
        }
    }
}

// Windows still known but in no strip (their last display went away) join the first display in
// use, so none stays parked where no strip will ever lay it out again.
void StripController::adoptOrphans() {
    if (state_.displayOrder.empty()) return;
    std::vector<WindowID> strays;
    for (const auto& [id, window] : state_.windows)
        if (!locate(id)) strays.push_back(id);
    if (strays.empty()) return;
    Strip& first = state_.displays.at(state_.displayOrder.front()).strip;
    for (const WindowID id : strays) {
        const ManagedWindow& window = state_.windows.at(id);
        first.insertColumn(Column::single(id, state_.settings.newColumnWidth(window.bundleID)),
                           int(first.columns.size()) - first.rightPinnedCount());
        log_.info("Add %{public}s '%{private}s' at column %ld on %{public}s", window.appName,
                  window.title, long(first.columns.size()),
                  displayName(state_.displayOrder.front()));
    }
}

// Moves windows (of `display`'s last layout) to their places at quit on that display: back to their
// frame before tiling, or onto the display.
void StripController::placeWhereQuitWould(const std::vector<WindowID>& ids,
                                          const DisplayState& display) {
    std::vector<LayoutEngine::QuitWindow> windows;
    for (const WindowID id : ids) {
        const auto window = state_.windows.find(id);
        if (window == state_.windows.end()) continue;
        bool hidden = true;
        for (const Placement& placement : display.lastLayout.placements)
            if (placement.windowID == id) {
                hidden = placement.isParked || !placement.isVisible;
                break;
            }
        windows.push_back(quitWindow(window->second, hidden));
    }
    std::vector<Rect> screens;
    for (const DisplayInfo& info : state_.allDisplays) screens.push_back(info.frame);
    asyncMover_->flush();
    const std::map<WindowID, Rect> plan =
        LayoutEngine::quitPlan(windows, screens, display.info.visible, 24.0);
    for (const auto& [id, frame] : plan) {
        const auto window = state_.windows.find(id);
        if (window != state_.windows.end()) windowMover_.move(window->second, frame, true);
    }
}

// Stops tiling the windows of a display that leaves use while it stays connected. Each window is
// moved where the quit would put it, then every record of it is forgotten.
void StripController::releaseWindows(const std::vector<WindowID>& ids,
                                     const DisplayState& display) {
    placeWhereQuitWould(ids, display);
    for (const WindowID id : ids) {
        state_.windows.erase(id);
        tracker_->forgetWindowRecords(id, false);
    }
}

std::optional<std::string> StripController::displayInUse(const Rect& frame) const {
    const std::optional<std::string> uuid = displayHolding(frame, state_.allDisplays);
    if (!uuid || !stateOf(*uuid)) return std::nullopt;
    return uuid;
}

std::optional<ToastMessage> StripController::unstackColumnsWithoutRoom(const std::string& uuid) {
    if (!stateOf(uuid)) return std::nullopt;
    std::optional<ToastMessage> first;
    // The live column count: every split inserts a column, and the stacks after it still count.
    for (size_t index = 0;; ++index) {
        const DisplayState* display = stateOf(uuid);
        if (!display || index >= display->strip.columns.size()) break;
        const Column& column = display->strip.columns[index];
        if (column.windows.size() < 2 || column.isTabbed) continue;
        std::vector<WindowID> rows = column.windows;
        while (rows.size() > 1) {
            const WindowID bottom = rows.back();
            DisplayState* current = stateOf(uuid);
            if (!current) break;
            const std::optional<StripLocation> location = current->strip.locate(bottom);
            if (!location) break;
            std::optional<ToastMessage> refusal = stackRefusal(
                current->strip.columns[size_t(location->column)], current->strip, uuid);
            if (!refusal) break;
            if (!first) first = std::move(refusal);
            current->strip.expelWindow(bottom);
            rows.pop_back();
            const auto window = state_.windows.find(bottom);
            log_.info("Unstacked %{public}s: no room for a real gap",
                      window == state_.windows.end() ? std::string("?") : window->second.appName);
        }
    }
    return first;
}

std::optional<ToastMessage> StripController::stackRefusal(const Column& column, const Strip& strip,
                                                          const std::string& uuid) const {
    if (column.windows.size() < 2 || column.isTabbed) return std::nullopt;
    const LayoutEngine::MinimumHeights minimums = minimumHeights(strip);
    std::vector<double> heights;
    for (const WindowID id : column.windows) {
        const auto found = minimums.find(id);
        heights.push_back(found == minimums.end() ? 0.0 : found->second);
    }
    const LayoutEngine::VerticalBand band =
        LayoutEngine::verticalBand(geometry(uuid), std::max(0.0, state_.settings.outerGap));
    const double required =
        LayoutEngine::requiredStackHeight(heights, std::max(0.0, state_.settings.gap));
    if (required <= band.height + band.below + 0.5) return std::nullopt;

    std::vector<std::string> names;
    for (const WindowID id : column.windows) {
        const auto window = state_.windows.find(id);
        if (window == state_.windows.end()) continue;
        if (std::find(names.begin(), names.end(), window->second.appName) == names.end())
            names.push_back(window->second.appName);
    }
    const std::string subject =
        names.size() == 1 ? "these " + names.front() + " windows" : joinedNames(names);
    return ToastMessage{"Can't stack " + subject,
                        "With a real gap between them they need more height than the screen has, "
                        "so they stay side by side.",
                        std::int64_t(required), std::int64_t(band.height + band.below)};
}

DisplayGeometry StripController::geometry(const std::string& uuid) const {
    const DisplayState* display = stateOf(uuid);
    if (!display) return {};
    DisplayGeometry result{display->info.visible, display->info.frame, {}};
    for (const DisplayInfo& other : state_.allDisplays)
        if (other.uuid != uuid) result.otherScreens.push_back(other.frame);
    return result;
}

LayoutEngine::MinimumHeights StripController::minimumHeights(const Strip& strip) const {
    LayoutEngine::MinimumHeights result;
    for (const WindowID id : strip.allWindowIDs()) {
        if (const std::optional<double> own = state_.records.get(id).minimumHeight) {
            result[id] = *own;
            continue;
        }
        const auto window = state_.windows.find(id);
        if (window == state_.windows.end()) continue;
        const std::string key = window->second.bundleID.value_or(window->second.appName);
        if (const std::optional<double> learned = state_.learnedHeights.heightFor(key))
            result[id] = *learned;
    }
    return result;
}

}  // namespace brindlow
