#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>

#include <memory>

#include "platform/Executor.h"
#include "platform/Preferences.h"

namespace brindlow {

// The preferences store kept in one JSON object file ("preferences.json" in the
// storage folder), read once and written atomically after every change. A
// value that is an object or an array reads as its compact JSON text, so a
// shortcut may be written by hand as {"carbonKeyCode" : 37, ...} too; keys
// this process does not change keep their value exactly. With `main`, the
// changes of one main-queue turn are written once (at the end of the turn or
// when the store goes); without, every change is written at once. Main thread only.
class FilePreferences : public Preferences {
  public:
    explicit FilePreferences(std::filesystem::path file, Executor* main = nullptr);
    ~FilePreferences() override;
    FilePreferences(const FilePreferences&) = delete;
    FilePreferences& operator=(const FilePreferences&) = delete;

    static constexpr const char* kFileName = "preferences.json";
    // The store in "preferences.json" of the storage folder, as the application keeps it.
    static std::unique_ptr<FilePreferences> inStorageFolder(Executor& main);

    std::optional<PreferenceValue> object(const std::string& key) const override;
    void setObject(const std::string& key, PreferenceValue value) override;
    void removeObject(const std::string& key) override;
    std::vector<std::string> keys() const override;

  private:
    void changed();
    void save();

    std::filesystem::path file_;
    Executor* main_;
    nlohmann::json values_ = nlohmann::json::object();
    bool dirty_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace brindlow
