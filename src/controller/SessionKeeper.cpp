#include "controller/SessionKeeper.h"

#include <utility>

#include "controller/Departures.h"
#include "settings/JSONFiles.h"

namespace brindlow {

SessionKeeper::SessionKeeper(StripControllerState& state, std::filesystem::path storageFolder,
                             Hooks hooks)
    : state_(state),
      storageFolder_(std::move(storageFolder)),
      hooks_(std::move(hooks)),
      log_(makeLogger("StripController")) {}

void SessionKeeper::scheduleSave() {
    if (saveScheduled_) return;
    saveScheduled_ = true;
    hooks_.runAfter(kSaveDelay, [this] { saveIfPending(); });
}

void SessionKeeper::saveIfPending() {
    if (saveScheduled_) save();
}

void SessionKeeper::save() {
    saveScheduled_ = false;
    writeJSON(capture(), filePath());
}

SessionSnapshot SessionKeeper::stored() const {
    return readJSON<SessionSnapshot>(filePath()).value_or(SessionSnapshot{{}, Date::now()});
}

const ManagedWindow* SessionKeeper::windowOf(WindowID id) const {
    if (const auto window = state_.windows.find(id); window != state_.windows.end())
        return &window->second;
    if (const auto away = state_.departed.find(id); away != state_.departed.end())
        return &away->second.window;
    return nullptr;
}

SessionSnapshot SessionKeeper::capture() const {
    SessionSnapshot session;
    session.saved = Date::now();
    for (const std::string& uuid : state_.displayOrder) {
        const DisplayState* display = state_.display(uuid);
        if (!display) continue;
        DisplayDescriptor descriptor;
        descriptor.uuid = uuid;
        descriptor.name = display->info.name;
        // Windows on another desktop keep their places in the file too, so they still have them
        // after a restart.
        const Strip strip = Departures(state_).withAwayWindows(uuid);
        const std::optional<int> focused = strip.focusedIndex;
        std::optional<std::int64_t> savedFocus;
        for (size_t index = 0; index < strip.columns.size(); ++index) {
            const Column& column = strip.columns[index];
            bool complete = !column.windows.empty();
            ColumnDescriptor saved;
            for (const WindowID id : column.windows) {
                const ManagedWindow* window = windowOf(id);
                if (!window) {
                    complete = false;
                    break;
                }
                saved.windows.push_back(
                    {window->bundleID.value_or(window->appName), window->title});
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

void SessionKeeper::place(const SessionSnapshot& session,
                          const std::vector<WindowCandidate>& candidates) {
    if (state_.displayOrder.empty()) return;
    const std::map<std::string, Strip> strips =
        restoreStrips(session, candidates, state_.displayOrder, state_.displayOrder.front(),
                      [this](const WindowCandidate& candidate) {
                          return state_.settings.newColumnWidth(candidate.bundleID);
                      });
    for (const auto& [uuid, strip] : strips)
        if (DisplayState* display = state_.display(uuid)) display->strip = strip;
}

std::set<std::string> SessionKeeper::restore(const SessionSnapshot& snapshot) {
    std::vector<WindowCandidate> candidates;
    for (const auto& [id, window] : state_.windows) {
        const auto location = state_.locate(id);
        if (!location) continue;
        candidates.push_back(WindowCandidate{id, window.bundleID.value_or(window.appName),
                                             window.title, location->first, window.frame});
    }
    place(snapshot, candidates);
    hooks_.rearranged();
    log_.info("Restored layout with %ld windows", long(snapshot.windowCount()));

    std::set<std::string> missing = snapshot.bundleIDs();
    for (const auto& [pid, app] : state_.apps)
        if (app.bundleID) missing.erase(*app.bundleID);
    return missing;
}

}  // namespace brindlow
