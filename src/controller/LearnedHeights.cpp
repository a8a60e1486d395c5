#include "controller/LearnedHeights.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "settings/JSONCoding.h"
#include "settings/JSONFiles.h"

namespace brindlow {

LearnedHeights LearnedHeights::load(const std::filesystem::path& folder) {
    LearnedHeights result;
    result.file_ = folder / kFileName;
    const std::optional<nlohmann::json> value = readJSONValue(result.file_);
    if (!value) return result;
    try {
        if (!value->is_object()) throw DecodeError("Expected an object");
        for (const auto& [key, height] : value->items())
            result.heights_[key] = json::asDouble(height, key);
    } catch (const std::exception& error) {
        noteUndecodableFile(result.file_);
        storageLog().error("Could not read %{public}s: %{public}s", std::string(kFileName),
                           std::string(error.what()));
        result.heights_.clear();
    }
    return result;
}

std::optional<double> LearnedHeights::heightFor(const std::string& app) const {
    const auto found = heights_.find(app);
    if (found == heights_.end()) return std::nullopt;
    return found->second;
}

void LearnedHeights::learn(const std::string& app, double height) {
    if (std::fabs(heightFor(app).value_or(0.0) - height) < kNoticeableChange) return;
    heights_[app] = height;
    nlohmann::json table = nlohmann::json::object();
    for (const auto& [name, value] : heights_) table[name] = value;
    writeJSONValue(table, file_);
}

}  // namespace brindlow
