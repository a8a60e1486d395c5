#include "app/CommandLineTool.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <ostream>
#include <sstream>

#include "app/ApplicationOptions.h"
#include "app/CLIMessages.h"
#include "app/SocketIO.h"
#include "app/SocketServer.h"
#include "app/URLRequest.h"
#include "command/Command.h"
#include "platform/Log.h"

#ifndef BRINDLOW_VERSION
#define BRINDLOW_VERSION ""
#endif

namespace brindlow {

const std::string_view kUsageText =
    "Usage: brindlow <command>\n"
    "\n"
    "Window commands (the same as the shortcuts):\n"
    "  focus-left  focus-right  focus-up  focus-down  focus-first  focus-last\n"
    "  move-left  move-right  move-up  move-down\n"
    "  cycle-width  full-screen  full-width  center  wider  narrower  taller  shorter  equalize\n"
    "  jump <n>  send-to-next-display  float  pause\n"
    "  stack  stack-left  stack-right  pop-left  pop-right  tabbed  pin-left  pin-right\n"
    "  search  overview  shortcuts  focus-border  dim-inactive\n"
    "\n"
    "Other commands:\n"
    "  list [--titles]                 Print the strips as JSON\n"
    "  layout list | save <name> | restore <name>\n"
    "  notify done [--pid <shell pid>] [--dir <path>] [--cmd <name>] [--status <n>]\n"
    "  shell-hook zsh|bash             Print the shell hook for terminal badges\n"
    "  version";

const std::string_view kZshHook = R"(# Brindlow terminal attention badges
zmodload zsh/datetime 2>/dev/null
autoload -Uz add-zsh-hook
_brindlow_preexec() { _brindlow_started=$EPOCHSECONDS; _brindlow_command=${${(Az)1}[1]}; }
_brindlow_precmd() {
  local exit_status=$?
  if [[ -n $_brindlow_started ]] && (( EPOCHSECONDS - _brindlow_started >= ${BRINDLOW_MIN_SECONDS:-10} )); then
    command brindlow notify done --pid $$ --dir "$PWD" --cmd "$_brindlow_command" --status $exit_status >/dev/null 2>&1 &!
  fi
  unset _brindlow_started
}
add-zsh-hook preexec _brindlow_preexec
add-zsh-hook precmd _brindlow_precmd)";

const std::string_view kBashHook = R"(# Brindlow terminal attention badges
_brindlow_ready=${_brindlow_ready:-0}
_brindlow_preexec() {
  # PROMPT_COMMAND starts with ours: its commands are the prompt's, not a typed one.
  [[ $BASH_COMMAND == '_brindlow_status=$?' ]] && _brindlow_ready=0
  [[ $_brindlow_ready == 1 ]] || return 0
  _brindlow_ready=0
  _brindlow_started=$SECONDS
  _brindlow_command=${BASH_COMMAND%% *}
}
_brindlow_precmd() {
  if [[ -n $_brindlow_started ]] && (( SECONDS - _brindlow_started >= ${BRINDLOW_MIN_SECONDS:-10} )); then
    (command brindlow notify done --pid $$ --dir "$PWD" --cmd "$_brindlow_command" --status $_brindlow_status >/dev/null 2>&1 &)
  fi
  unset _brindlow_started
  _brindlow_arms_last || _brindlow_ready=1
}
# Since bash 5.1 the entries of a PROMPT_COMMAND array after ours run after it: the last one arms.
_brindlow_arms_last() {
  (( BASH_VERSINFO[0] * 100 + BASH_VERSINFO[1] >= 501 && ${#PROMPT_COMMAND[@]} > 1 )) || return 1
  [[ ${PROMPT_COMMAND[-1]} == _brindlow_ready=1 ]] && return
  local entries=() entry
  for entry in "${PROMPT_COMMAND[@]}"; do [[ $entry == _brindlow_ready=1 ]] || entries+=("$entry"); done
  PROMPT_COMMAND=("${entries[@]}" _brindlow_ready=1)
}
_brindlow_status_again() { return "$_brindlow_status"; }
_brindlow_preexec_chained() {
  local status=$?
  _brindlow_preexec
  return $status
}
_brindlow_chain_trap() {
  unset _brindlow_trap_pending
  [[ $1 == *_brindlow_preexec* ]] && return
  local trap_text=${1#trap -- }
  eval "trap_text=${trap_text% DEBUG}"
  if [[ -n $trap_text ]]; then
    trap "$trap_text"$'\n''_brindlow_preexec_chained' DEBUG
  else
    trap '_brindlow_preexec' DEBUG
  fi
}
_brindlow_trap=$(trap -p DEBUG)
if [[ -n $_brindlow_trap ]]; then
  _brindlow_chain_trap "$_brindlow_trap"
else
  _brindlow_trap_pending=1
fi
unset _brindlow_trap
if [[ $PROMPT_COMMAND != *_brindlow_precmd* ]]; then
  _brindlow_prompt=${PROMPT_COMMAND%"${PROMPT_COMMAND##*[![:space:]]}"}
  _brindlow_prompt=${_brindlow_prompt%;}
  _brindlow_prompt=${_brindlow_prompt%"${_brindlow_prompt##*[![:space:]]}"}
  PROMPT_COMMAND="_brindlow_status=\$?; [[ -z \$_brindlow_trap_pending ]] || _brindlow_chain_trap \"\$(trap -p DEBUG)\"; ${_brindlow_prompt:+_brindlow_status_again; $_brindlow_prompt; }_brindlow_precmd"
  _brindlow_arms_last
  unset _brindlow_prompt
fi)";

namespace {

const Logger& urlLog() {
    static const Logger logger = makeLogger("URL");
    return logger;
}

// What went wrong when no reply came back: the message for standard error and
// the exit status. Only "nothing listens there" means the application is not running.
struct SendFailure {
    int status = tool_status::unavailable;
    std::string message;
};

struct SendResult {
    std::optional<CLIResponse> response;
    SendFailure failure;
};

std::string seconds(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

SendFailure describe(const ExchangeOutcome& outcome, const ToolEnvironment& environment) {
    const std::string path = environment.socketPath.string();
    const std::string reason = outcome.error ? std::strerror(outcome.error) : "";
    switch (outcome.end) {
        case ExchangeEnd::nothingListens:
            return {tool_status::unavailable,
                    "brindlow: Brindlow is not running (nothing listens on " + path + ").\n"};
        case ExchangeEnd::cannotConnect:
            if (outcome.error == EAGAIN) {
                return {tool_status::software,
                        "brindlow: Brindlow did not take the connection within " +
                            seconds(environment.replyTimeoutSeconds) + " s (" + path + ").\n"};
            }
            return {tool_status::software,
                    "brindlow: cannot connect to " + path + ": " + reason + "\n"};
        case ExchangeEnd::cannotSend:
            if (outcome.error == EPIPE || outcome.error == ECONNRESET) break;
            return {tool_status::software, "brindlow: cannot send the request: " + reason + "\n"};
        case ExchangeEnd::closedWithoutReply:
            break;
        case ExchangeEnd::timedOut:
            return {tool_status::software, "brindlow: Brindlow did not answer within " +
                                               seconds(environment.replyTimeoutSeconds) + " s.\n"};
        case ExchangeEnd::replyTooLarge:
            return {tool_status::software, "brindlow: the reply is too large (more than " +
                                               std::to_string(kMaxReplyBytes) + " bytes).\n"};
        case ExchangeEnd::readFailed:
            return {tool_status::software, "brindlow: cannot read the reply: " + reason + "\n"};
        case ExchangeEnd::replied:
            return {tool_status::software, "brindlow: Brindlow's reply could not be read.\n"};
    }
    return {tool_status::software, "brindlow: Brindlow closed the connection without answering.\n"};
}

SendResult send(const CLIRequest& request, const ToolEnvironment& environment) {
    const auto line = encodeLine(request);
    // Not encodable: silent, as nothing the user can fix is to be said.
    if (!line) return {std::nullopt, {tool_status::software, ""}};
    // The line's own newline does not count against the server's bound.
    const std::size_t size = line->size() - 1;
    if (size > kMaxRequestBytes) {
        return {std::nullopt,
                {tool_status::usage, "brindlow: request too large (" + std::to_string(size) +
                                         " bytes, at most " + std::to_string(kMaxRequestBytes) +
                                         ")\n"}};
    }
    const ExchangeOutcome outcome =
        exchangeReporting(*line, environment.socketPath, environment.replyTimeoutSeconds);
    if (outcome.end == ExchangeEnd::replied) {
        if (auto response = decodeResponse(*outcome.reply)) return {std::move(response), {}};
    }
    return {std::nullopt, describe(outcome, environment)};
}

int sendCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const ToolEnvironment& environment) {
    const SendResult result = send(CLIRequest{args, environment.callerPID}, environment);
    if (!result.response) {
        err << result.failure.message;
        return result.failure.status;
    }
    const CLIResponse& response = *result.response;
    if (!response.output.empty()) (response.ok ? out : err) << response.output << "\n";
    return response.ok ? tool_status::done : tool_status::refused;
}

// A URL handed over by the desktop (the scheme handler's .desktop entry starts
// `brindlow %u`). Like a URL opened in the running application, its output is
// dropped and only a failure is logged.
int forwardURL(const std::string& url, std::ostream& err, const ToolEnvironment& environment) {
    const auto request = requestForURL(url);
    if (!request) {
        urlLog().error("URL %{public}s: %{public}s", url, "Not a Brindlow command URL");
        return tool_status::usage;
    }
    const SendResult result = send(*request, environment);
    if (!result.response) {
        err << result.failure.message;
        return result.failure.status;
    }
    if (!result.response->ok) {
        urlLog().error("URL %{public}s: %{public}s", url, result.response->output);
        return tool_status::refused;
    }
    return tool_status::done;
}

}  // namespace

ToolEnvironment ToolEnvironment::current() {
    ToolEnvironment environment;
    environment.socketPath = SocketServer::defaultSocketPath();
    environment.callerPID = static_cast<std::int32_t>(getppid());
    environment.version = BRINDLOW_VERSION;
    return environment;
}

std::vector<std::string> commandLineArguments(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return args;
}

bool isCommandLineRole(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    const std::string& word = args.front();
    return !word.starts_with("-") || word == "--help" || word == "-h" || word == "--version";
}

std::optional<int> refuseUnknownOptions(const std::vector<std::string>& args, std::ostream& err) {
    const ApplicationOptions options = readApplicationOptions(args);
    if (!options.error) return std::nullopt;
    err << *options.error << "\n\n" << kUsageText << "\n";
    err.flush();
    return tool_status::usage;
}

bool isKnownCommand(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    const std::string& word = args.front();
    return Command::cliNames().contains(word) || word == "jump" || word == "list" ||
           word == "layout" || word == "notify";
}

int runCommandLineTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       const ToolEnvironment& environment) {
    const int status = [&] {
        if (args.empty()) {
            err << kUsageText << "\n";
            return tool_status::usage;
        }
        const std::string& word = args.front();
        if (word == "help" || word == "--help" || word == "-h") {
            out << kUsageText << "\n";
            return tool_status::done;
        }
        if (word == "version" || word == "--version") {
            out << (environment.version.empty() ? "unknown" : environment.version) << "\n";
            return tool_status::done;
        }
        if (word == "shell-hook") {
            const std::string shell = args.size() > 1 ? args[1] : "zsh";
            if (shell == "zsh" || shell == "bash") {
                out << (shell == "zsh" ? kZshHook : kBashHook) << "\n";
                return tool_status::done;
            }
            err << "brindlow: shell-hook supports zsh and bash\n";
            return tool_status::usage;
        }
        if (looksLikeBrindlowURL(word)) return forwardURL(word, err, environment);
        // The words after the first are checked by the application.
        if (isKnownCommand(args)) return sendCommand(args, out, err, environment);
        err << "brindlow: unknown command '" << word << "'\n\n" << kUsageText << "\n";
        return tool_status::usage;
    }();
    out.flush();
    err.flush();
    return status;
}

ToolRun runCommandLineTool(const std::vector<std::string>& args,
                           const ToolEnvironment& environment) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCommandLineTool(args, out, err, environment);
    return {status, out.str(), err.str()};
}

}  // namespace brindlow
