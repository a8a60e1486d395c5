#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "settings/AppSettings.h"

namespace brindlow {

// The one owner of the current AppSettings. Loads "settings.json" once, at
// construction; every assignment that changes the value writes the whole file
// at once on the calling thread and then calls the listeners in registration
// order. Confined to the main thread: created, read, assigned and torn down
// there; other threads receive copies through a listener.
class SettingsStore {
  public:
    using Listener = std::function<void(const AppSettings&)>;
    using Observer = std::function<void()>;

    // The process-wide store on storageFile("settings.json"), made on first use.
    static SettingsStore& shared();

    // A store on `file` (tests give a temporary one).
    explicit SettingsStore(std::filesystem::path file);

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The current value, by copy.
    AppSettings settings() const { return settings_; }

    // Holds `value`, tells the observers, and when it differs from the value it
    // replaced writes the file and calls every listener (a listener that
    // assigns again runs a complete nested pass before the outer one goes on).
    void setSettings(AppSettings value);

    // Assigns a changed copy: store.update([](AppSettings& s) { s.gap = 8; }).
    template <typename Mutate>
    void update(Mutate&& mutate) {
        AppSettings value = settings_;
        std::forward<Mutate>(mutate)(value);
        setSettings(std::move(value));
    }

    // Called after each change with the store's value at the moment of the
    // call. No removal; a listener added during a pass is first called at the
    // next change.
    void addListener(Listener listener);

    // Told of every assignment, equal or not, once the value is held and before
    // the file is written (views refresh from settings()).
    void addObserver(Observer observer);

    // The file the store reads and writes.
    const std::filesystem::path& filePath() const { return file_; }

    // The decoded file, or the defaults when it is missing (silently), cannot be
    // read or is undecodable (logged at error level; the file is kept aside
    // before the first overwrite). Never writes.
    static AppSettings load(const std::filesystem::path& file);

  private:
    void settingsDidChange(const AppSettings& old);

    std::filesystem::path file_;
    AppSettings settings_;
    std::vector<Listener> listeners_;
    std::vector<Observer> observers_;
};

// The settings from the text of a settings file, or nothing when the text is
// not JSON or not a JSON object (with the reason in `error`). Rules that fail
// to decode are dropped and described in `droppedRules`.
std::optional<AppSettings> decodeSettingsText(std::string_view text, std::string* error = nullptr,
                                              std::vector<std::string>* droppedRules = nullptr);

}  // namespace brindlow
