// "session.json", saved once per burst of changes, and "minimum-heights.json", rewritten when a
// learned height changes.
#include <cmath>

#include "controller/StripController.h"
#include "settings/JSONFiles.h"

namespace brindlow {

void StripController::scheduleSessionSave() {
    if (state_.sessionSaveScheduled) return;
    state_.sessionSaveScheduled = true;
    enqueueAfter(2.0, [this] { saveSession(); });
}

void StripController::saveSession() {
    state_.sessionSaveScheduled = false;
    writeJSON(sessionSnapshot(), sessionFilePath());
}

SessionSnapshot StripController::sessionSnapshot() const {
    SessionSnapshot session;
    session.saved = Date::now();
    for (const std::string& uuid : state_.displayOrder) {
        const DisplayState* display = stateOf(uuid);
        if (!display) continue;
        DisplayDescriptor descriptor;
        descriptor.uuid = uuid;
        descriptor.name = display->info.name;
        const std::optional<int> focused = display->strip.focusedIndex;
        std::optional<std::int64_t> savedFocus;
        for (size_t index = 0; index < display->strip.columns.size(); ++index) {
            const Column& column = display->strip.columns[index];
            bool complete = !column.windows.empty();
            ColumnDescriptor saved;
            for (const WindowID id : column.windows) {
                const auto window = state_.windows.find(id);
                if (window == state_.windows.end()) {
                    complete = false;
                    break;
                }
                saved.windows.push_back({window->second.bundleID.value_or(window->second.appName),
                                         window->second.title});
            }
            // The focus follows its column through left-out columns; when the focused column
            // itself is left out, the next saved one takes it.
            if (focused && int(index) >= *focused && !savedFocus && complete)
                savedFocus = std::int64_t(descriptor.columns.size());
            if (!complete) continue;
            saved.weights = column.weights;
            saved.activeIndex = column.activeIndex;
            saved.widthFraction = column.widthFraction;
            saved.isFullWidth = column.isFullWidth;
            saved.isTabbed = column.isTabbed;
            saved.pin = column.pin;
            saved.autoTabbed = column.autoTabbed;
            descriptor.columns.push_back(std::move(saved));
        }
        if (focused && !savedFocus && !descriptor.columns.empty())
            savedFocus = std::int64_t(descriptor.columns.size()) - 1;
        descriptor.focusedIndex = savedFocus;
        session.displays.push_back(std::move(descriptor));
    }
    return session;
}

void StripController::learnMinimumHeight(double height, const ManagedWindow& window) {
    const std::string key = window.bundleID.value_or(window.appName);
    const auto stored = state_.appMinimumHeights.find(key);
    const double previous = stored == state_.appMinimumHeights.end() ? 0.0 : stored->second;
    if (std::fabs(previous - height) < 2.0) return;
    state_.appMinimumHeights[key] = height;
    nlohmann::json table = nlohmann::json::object();
    for (const auto& [app, value] : state_.appMinimumHeights) table[app] = value;
    writeJSONValue(table, minimumHeightsFilePath());
}

std::map<std::string, double> StripController::loadMinimumHeights() const {
    std::map<std::string, double> table;
    const std::optional<nlohmann::json> value = readJSONValue(minimumHeightsFilePath());
    if (!value) return table;
    try {
        if (!value->is_object()) throw DecodeError("Expected an object");
        for (const auto& [key, height] : value->items()) table[key] = json::asDouble(height, key);
    } catch (const std::exception& error) {
        noteUndecodableFile(minimumHeightsFilePath());
        storageLog().error("Could not read %{public}s: %{public}s",
                           std::string("minimum-heights.json"), std::string(error.what()));
        return {};
    }
    return table;
}

}  // namespace brindlow
