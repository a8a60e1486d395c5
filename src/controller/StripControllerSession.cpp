// "session.json", saved once per burst of changes.
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

}  // namespace brindlow
