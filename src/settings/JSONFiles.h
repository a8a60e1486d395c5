#pragma once

#include <cerrno>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "settings/JSONCoding.h"
#include "settings/Loggers.h"

namespace brindlow {

// Why a write failed ("No space left on device"), or nothing when it succeeded.
using WriteFailure = std::optional<std::string>;

// Writes `value` as JSON (see encodeJSON) to `destination`, creating the folder
// first and replacing the file atomically (temp file in the same folder, fsync,
// rename). A failure is logged at error level, "Could not write %{public}s:
// %{public}s", returned, and the file keeps its previous content.
//
// A file that exists but cannot be read, or that an earlier read could not
// decode, is renamed to "<name>.unreadable" before it is replaced (and logged),
// so the user's data survives a bad edit or a wrong mode; one whose app rules
// were dropped is renamed to "<name>.dropped-rules". A copy kept earlier stays:
// the next one is numbered ("<name>.unreadable.2", …). A symbolic link stays:
// the file it leads to is replaced.
WriteFailure writeJSONValue(const nlohmann::json& value, const std::filesystem::path& destination);

// Reads and parses `source`. A missing file gives nothing and logs nothing; a
// file that exists but cannot be read, or is not JSON, logs "Could not read
// %{public}s: %{public}s" and gives nothing.
std::optional<nlohmann::json> readJSONValue(const std::filesystem::path& source);

// Why a file is kept aside before its next write.
enum class KeptAsideReason {
    unreadable,    // it could not be read or decoded
    droppedRules,  // it was read, but app rules that could not be decoded were left out
};

// Remembers that `file` exists but could not be decoded (for readers with a
// decoding of their own), or lost part of its content; its next write keeps the
// old bytes aside first.
void noteUndecodableFile(const std::filesystem::path& file,
                         KeptAsideReason reason = KeptAsideReason::unreadable);

// A whole file's bytes, or the errno that kept them from being read.
struct FileRead {
    std::optional<std::string> bytes;
    int error = 0;
    // There is something at the path, not a folder, that could not be read (its mode, a bad
    // disk): unlike a missing file it holds data that a write must not destroy.
    bool existsButUnreadable() const {
        return !bytes && error != ENOENT && error != ENOTDIR && error != EISDIR;
    }
};
FileRead readFile(const std::filesystem::path& source);

// The whole bytes of a file, or nothing when it cannot be read.
std::optional<std::string> readFileBytes(const std::filesystem::path& source);

// Atomically replaces `destination` (the file it leads to, when it is a symbolic
// link) with `bytes`. Returns the error text on failure.
WriteFailure writeFileAtomically(const std::filesystem::path& destination,
                                 const std::string& bytes);

// Where a write of `path` lands: the path itself, or the end of its chain of
// symbolic links (relative links are taken from their own folder).
std::filesystem::path writeTarget(const std::filesystem::path& path, std::error_code& error);

template <typename T>
WriteFailure writeJSON(const T& value, const std::filesystem::path& destination) {
    nlohmann::json encoded;
    try {
        encoded = toJSON(value);
    } catch (const std::exception& error) {
        storageLog().error("Could not write %{public}s: %{public}s",
                           destination.filename().string(), std::string(error.what()));
        return std::string(error.what());
    }
    return writeJSONValue(encoded, destination);
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
