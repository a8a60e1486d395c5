#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace brindlow {

// One stored preference value.
using PreferenceValue = std::variant<bool, std::int64_t, double, std::string>;

// The user-defaults store: values by key, kept across runs by the back end.
// Main thread only.
class Preferences {
  public:
    virtual ~Preferences() = default;

    virtual std::optional<PreferenceValue> object(const std::string& key) const = 0;
    virtual void setObject(const std::string& key, PreferenceValue value) = 0;
    virtual void removeObject(const std::string& key) = 0;
    // Every key that holds a value, sorted.
    virtual std::vector<std::string> keys() const = 0;

    // The value as text, none when absent or of another type.
    std::optional<std::string> string(const std::string& key) const {
        const auto value = object(key);
        if (!value) return std::nullopt;
        if (const auto* text = std::get_if<std::string>(&*value)) return *text;
        return std::nullopt;
    }
};

// Preferences that live only as long as the object: tests and the sim back end.
class MemoryPreferences : public Preferences {
  public:
    std::optional<PreferenceValue> object(const std::string& key) const override {
        const auto found = values_.find(key);
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }
    void setObject(const std::string& key, PreferenceValue value) override {
        values_[key] = std::move(value);
    }
    void removeObject(const std::string& key) override { values_.erase(key); }
    std::vector<std::string> keys() const override {
        std::vector<std::string> result;
        for (const auto& entry : values_) result.push_back(entry.first);
        return result;
    }

  private:
    std::map<std::string, PreferenceValue> values_;
};

}  // namespace brindlow
