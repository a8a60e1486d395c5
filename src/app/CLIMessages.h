#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlow {

// One command-line request: the words as typed (without the program path; the
// first is the command) and the process id of the tool's parent, absent when
// the request comes from a URL.
struct CLIRequest {
    std::vector<std::string> args;
    std::optional<std::int32_t> callerPID;

    bool operator==(const CLIRequest&) const = default;
};

// The one reply: whether the request was carried out or accepted, and what the
// tool prints (standard output when ok, standard error otherwise).
struct CLIResponse {
    bool ok = false;
    std::string output;

    bool operator==(const CLIResponse&) const = default;
};

// Wire form in both directions: compact JSON ended by one newline byte. Text is
// always escaped, so a line never holds a raw newline before its end.
//
// A request whose words are not valid UTF-8 cannot be sent faithfully: none.
std::optional<std::string> encodeLine(const CLIRequest& request);
// Reply texts come from window titles and other applications' data; invalid
// UTF-8 in them is replaced rather than losing the whole reply.
std::string encodeLine(const CLIResponse& response);

// A request object: "args" (array of text) is required, "callerPID" may be
// missing or null and otherwise must be a 32-bit integer. Other keys are ignored.
std::optional<CLIRequest> decodeRequest(std::string_view line);
// A reply object: "ok" (true/false) and "output" (text), both required.
std::optional<CLIResponse> decodeResponse(std::string_view line);

}  // namespace brindlow
