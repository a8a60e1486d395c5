#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace brindlow {

// One finished terminal command reported by a shell hook ("notify done"): the
// strip controller badges the terminal window in which that shell runs.
struct BadgeRequest {
    std::int32_t shellPID = 0;
    std::string directory;
    std::string command;
    std::int32_t status = 0;  // logged only

    bool operator==(const BadgeRequest&) const = default;
};

// The JSON form: an object with "shellPID", "directory", "command" and "status", written in that
// order (numbers for the process id and the status, strings for the rest).
nlohmann::ordered_json toJSON(const BadgeRequest& request);
// Strict: each of the four keys must be there with a value of its type (a whole number that
// fits 32 bits for the two numbers); other keys are ignored. Throws DecodeError naming the key.
void fromJSON(const nlohmann::json& value, BadgeRequest& request);

// The JSON text of a request (invalid UTF-8 in the texts replaced by U+FFFD).
std::string encodeBadgeRequest(const BadgeRequest& request);
// The request a JSON text holds, or nothing (with the reason in `error`) when the text is not
// JSON or the object fails the strict decoding.
std::optional<BadgeRequest> decodeBadgeRequest(std::string_view text, std::string* error = nullptr);

}  // namespace brindlow
