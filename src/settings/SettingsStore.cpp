#include "settings/SettingsStore.h"

#include <cstring>

#include "settings/JSONFiles.h"
#include "settings/Loggers.h"
#include "settings/StorageFolder.h"

namespace brindlow {

std::optional<AppSettings> decodeSettingsText(std::string_view text, std::string* error,
                                              std::vector<std::string>* droppedRules) {
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) {
        if (error) *error = "The data is not valid JSON.";
        return std::nullopt;
    }
    try {
        return decodeAppSettings(parsed, droppedRules);
    } catch (const std::exception& failure) {
        if (error) *error = failure.what();
        return std::nullopt;
    }
}

AppSettings SettingsStore::load(const std::filesystem::path& file) {
    const FileRead read = readFile(file);
    if (!read.bytes) {
        // A missing file is the first start; one that is there but cannot be read is the
        // user's, and its next write keeps it aside.
        if (read.existsButUnreadable())
            settingsLog().error("Settings file unreadable, using defaults: %{public}s",
                                std::string(std::strerror(read.error)));
        return AppSettings{};
    }
    const std::optional<std::string>& bytes = read.bytes;
    std::string error;
    std::vector<std::string> droppedRules;
    std::optional<AppSettings> decoded = decodeSettingsText(*bytes, &error, &droppedRules);
    if (!decoded) {
        settingsLog().error("Settings file unreadable, using defaults: %{public}s", error);
        noteUndecodableFile(file);
        return AppSettings{};
    }
    // The next save would lose the dropped rules for good; keep the file aside.
    if (!droppedRules.empty()) noteUndecodableFile(file, KeptAsideReason::droppedRules);
    return std::move(*decoded);
}

SettingsStore& SettingsStore::shared() {
    static SettingsStore store(storageFile("settings.json"));
    return store;
}

SettingsStore::SettingsStore(std::filesystem::path file)
    : file_(std::move(file)), settings_(load(file_)) {}

void SettingsStore::setSettings(AppSettings value) {
    AppSettings old = std::exchange(settings_, std::move(value));
    const std::vector<Observer> observers = observers_;
    for (const Observer& observer : observers) observer();
    settingsDidChange(old);
}

void SettingsStore::addListener(Listener listener) {
    listeners_.push_back(std::move(listener));
}

void SettingsStore::addObserver(Observer observer) {
    observers_.push_back(std::move(observer));
}

void SettingsStore::settingsDidChange(const AppSettings& old) {
    if (settings_ == old) return;
    writeJSON(settings_, file_);
    // A copy: a listener may add listeners, which wait for the next change.
    const std::vector<Listener> listeners = listeners_;
    for (const Listener& listener : listeners) {
        const AppSettings current = settings_;
        listener(current);
    }
}

}  // namespace brindlow
