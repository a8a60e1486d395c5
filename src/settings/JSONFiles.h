#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "settings/JSONCoding.h"
#include "settings/Loggers.h"

namespace brindlow {

// Writes `value` as JSON (see encodeJSON) to `destination`, creating the folder
// first and replacing the file atomically (temp file in the same folder, fsync,
// rename). A failure is logged at error level, "Could not write %{public}s:
// %{public}s", and the file keeps its previous content.
//
// A file that an earlier read could not decode is copied to "<name>.unreadable"
// before its first overwrite, so the user's data survives a bad edit.
void writeJSONValue(const nlohmann::json& value, const std::filesystem::path& destination);

// Reads and parses `source`. A file that cannot be read (above all a missing
// one) gives nothing and logs nothing; a file that is not JSON logs "Could not
// read %{public}s: %{public}s" and gives nothing.
std::optional<nlohmann::json> readJSONValue(const std::filesystem::path& source);

// Remembers that `file` exists but could not be decoded (for readers with a
// decoding of their own); its next write keeps the old bytes aside first.
void noteUndecodableFile(const std::filesystem::path& file);

// The whole bytes of a file, or nothing when it cannot be read.
std::optional<std::string> readFileBytes(const std::filesystem::path& source);

// Atomically replaces `destination` with `bytes`. Returns the error text on failure.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& destination,
                                               const std::string& bytes);

template <typename T>
void writeJSON(const T& value, const std::filesystem::path& destination) {
    nlohmann::json encoded;
    try {
        encoded = toJSON(value);
    } catch (const std::exception& error) {
        storageLog().error("Could not write %{public}s: %{public}s",
                           destination.filename().string(), std::string(error.what()));
        return;
    }
    writeJSONValue(encoded, destination);
}

// The decoded value of `source`, or nothing. Decoding failures are logged
// like parse failures; no exception escapes.
template <typename T>
std::optional<T> readJSON(const std::filesystem::path& source) {
    const std::optional<nlohmann::json> parsed = readJSONValue(source);
    if (!parsed) return std::nullopt;
    try {
        T value{};
        fromJSON(*parsed, value);
        return value;
    } catch (const std::exception& error) {
        noteUndecodableFile(source);
        storageLog().error("Could not read %{public}s: %{public}s", source.filename().string(),
                           std::string(error.what()));
        return std::nullopt;
    }
}

}  // namespace brindlow
