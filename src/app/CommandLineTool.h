#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlow {

// The executable's second role: `brindlow <command>` answers help, version and
// shell-hook itself and sends every other known command to the running
// application over its socket, printing the one-line reply.
//
// Exit statuses: 0 done; 1 the application answered ok false; 64 usage (also a
// request over the server's bound); 69 nothing listens on the socket; 70 the
// request could not be encoded, or the application was reached but gave no
// readable reply (each said on standard error).
namespace tool_status {
inline constexpr int done = 0;
inline constexpr int refused = 1;
inline constexpr int usage = 64;
inline constexpr int unavailable = 69;
inline constexpr int software = 70;
}  // namespace tool_status

struct ToolEnvironment {
    std::filesystem::path socketPath;
    // Sent as the request's caller: the shell that ran the tool.
    std::int32_t callerPID = 0;
    // Printed by "version"; empty prints "unknown".
    std::string version;
    // Bounds the connect, the write and the wait for the reply line.
    double replyTimeoutSeconds = 5.0;

    // The real process: the storage folder's socket, getppid(), the build's version.
    static ToolEnvironment current();
};

// The process's arguments without the program path.
std::vector<std::string> commandLineArguments(int argc, const char* const* argv);

// The role decision, on the arguments without the program path: none, or a first
// word starting with "-" (even "-" alone) other than "--help", "-h" and
// "--version", is a start of the application (whose options refuseUnknownOptions()
// checks); anything else runs the command-line tool.
bool isCommandLineRole(const std::vector<std::string>& args);

// For a start as the application (isCommandLineRole() false): none when every word is an option
// the toolkit takes; otherwise writes the reason and the usage text to `err` and gives the usage
// status, as an unknown command does.
std::optional<int> refuseUnknownOptions(const std::vector<std::string>& args, std::ostream& err);

// Whether the first word is a command the application answers: a command-line
// name of a command, or "jump", "list", "layout", "notify". Exact match.
bool isKnownCommand(const std::vector<std::string>& args);

// Runs the tool on arguments for which isCommandLineRole() holds, writing to the
// given streams, and returns the exit status. A first word that is a
// "brindlow:" URL is forwarded as that URL's request; its output is never shown
// and a failure is logged under "URL".
int runCommandLineTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       const ToolEnvironment& environment = ToolEnvironment::current());

// The same with the texts collected, for tests and tools.
struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};
ToolRun runCommandLineTool(const std::vector<std::string>& args,
                           const ToolEnvironment& environment);

// Printed by "help" and after an unknown command (each followed by a newline).
extern const std::string_view kUsageText;
// Printed by "shell-hook zsh" (also "shell-hook" alone) and "shell-hook bash".
extern const std::string_view kZshHook;
extern const std::string_view kBashHook;

}  // namespace brindlow
