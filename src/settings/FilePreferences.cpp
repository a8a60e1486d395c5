#include "settings/FilePreferences.h"

#include "settings/JSONFiles.h"
#include "settings/StorageFolder.h"

namespace brindlow {

std::unique_ptr<FilePreferences> FilePreferences::inStorageFolder(Executor& main) {
    return std::make_unique<FilePreferences>(storageFile(kFileName), &main);
}

FilePreferences::FilePreferences(std::filesystem::path file, Executor* main)
    : file_(std::move(file)), main_(main) {
    std::optional<nlohmann::json> stored = readJSONValue(file_);
    if (!stored) return;
    if (!stored->is_object()) {
        // Kept aside at the first write instead of being lost.
        noteUndecodableFile(file_);
        storageLog().error("Could not read %{public}s: %{public}s", file_.filename().string(),
                           std::string("not a JSON object"));
        return;
    }
    values_ = std::move(*stored);
}

std::optional<PreferenceValue> FilePreferences::object(const std::string& key) const {
    const auto found = values_.find(key);
    if (found == values_.end() || found->is_null()) return std::nullopt;
    if (found->is_boolean()) return PreferenceValue(found->get<bool>());
    if (found->is_number_integer()) return PreferenceValue(found->get<std::int64_t>());
    if (found->is_number()) return PreferenceValue(found->get<double>());
    if (found->is_string()) return PreferenceValue(found->get<std::string>());
    return PreferenceValue(found->dump());
}

void FilePreferences::setObject(const std::string& key, PreferenceValue value) {
    std::visit([&](const auto& v) { values_[key] = v; }, value);
    changed();
}

void FilePreferences::removeObject(const std::string& key) {
    if (values_.erase(key) == 0) return;
    changed();
}

std::vector<std::string> FilePreferences::keys() const {
    std::vector<std::string> result;
    for (const auto& [key, value] : values_.items()) {
        if (!value.is_null()) result.push_back(key);
    }
    return result;
}

FilePreferences::~FilePreferences() {
    *alive_ = false;
    if (dirty_) save();
}

void FilePreferences::changed() {
    if (!main_) {
        dirty_ = true;
        save();
        return;
    }
    if (dirty_) return;  // a write is already on its way
    dirty_ = true;
    std::weak_ptr<bool> alive = alive_;
    main_->async([this, alive] {
        if (auto flag = alive.lock(); flag && *flag && dirty_) save();
    });
}

void FilePreferences::save() {
    dirty_ = false;
    writeJSONValue(values_, file_);
}

}  // namespace brindlow
