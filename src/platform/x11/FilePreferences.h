#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/Preferences.h"

namespace brindlow {

// The preferences store kept in one JSON object file ("preferences.json" in the
// storage folder), read once and written atomically after every change. A
// value that is an object or an array reads as its compact JSON text, so a
// shortcut may be written by hand as {"carbonKeyCode" : 37, ...} too; keys
// this process does not change keep their value exactly. Main thread only.
class FilePreferences : public Preferences {
  public:
    explicit FilePreferences(std::filesystem::path file);

    static constexpr const char* kFileName = "preferences.json";

    std::optional<PreferenceValue> object(const std::string& key) const override;
    void setObject(const std::string& key, PreferenceValue value) override;
    void removeObject(const std::string& key) override;
    std::vector<std::string> keys() const override;

  private:
    void save() const;

    std::filesystem::path file_;
    nlohmann::json values_ = nlohmann::json::object();
};

}  // namespace brindlow
