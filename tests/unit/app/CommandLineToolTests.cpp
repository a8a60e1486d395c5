#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "app/CLIMessages.h"
#include "app/CommandLineTool.h"
#include "app/SocketIO.h"
#include "platform/Log.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

// A stand-in application: listens on the path, takes one connection, records
// the request line and answers with whatever the script returns (nothing:
// closes without a reply).
class ScriptedApplication {
  public:
    using Script = std::function<std::optional<std::string>(const std::string& request)>;

    ScriptedApplication(const std::filesystem::path& path, Script script) {
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        const auto address = makeSocketAddress(path);
        if (bind(listener_, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un)) !=
                0 ||
            listen(listener_, 1) != 0)
            throw std::runtime_error("cannot listen");
        thread_ = std::thread([this, script = std::move(script)] {
            const int connection = accept(listener_, nullptr, nullptr);
            if (connection < 0) return;
            request_ = readLine(connection, kMaxReplyBytes, deadlineAfter(10)).value_or("<none>");
            if (const auto reply = script(request_)) {
                writeAll(connection, *reply);
                // Keep the connection until the client is done, so that only
                // the reply's own newline can end its read.
                readLine(connection, 1, deadlineAfter(10));
            }
            close(connection);
        });
    }
    ~ScriptedApplication() {
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
    }
    // The request line as it arrived; valid once the tool has returned.
    const std::string& request() const { return request_; }

  private:
    int listener_ = -1;
    std::thread thread_;
    std::string request_;
};

ScriptedApplication::Script answer(std::string line) {
    return [line](const std::string&) { return line; };
}

class CommandLineToolTest : public ::testing::Test {
  protected:
    CommandLineToolTest() {
        LogSink::setStderrEnabled(false);
        environment.socketPath = folder.path() / "brindlow.sock";
        environment.callerPID = 4321;
        environment.version = "2.5.1";
    }
    ~CommandLineToolTest() override { LogSink::setStderrEnabled(true); }

    ToolRun run(std::vector<std::string> args) { return runCommandLineTool(args, environment); }

    test::TempFolder folder;
    ToolEnvironment environment;
};

TEST(CommandLineRole, NoArgumentsOrADashStartTheApplication) {
    EXPECT_FALSE(isCommandLineRole({}));
    EXPECT_FALSE(isCommandLineRole({"-"}));
    EXPECT_FALSE(isCommandLineRole({"--help"}));
    EXPECT_FALSE(isCommandLineRole({"-h", "list"}));
    EXPECT_TRUE(isCommandLineRole({"help"}));
    EXPECT_TRUE(isCommandLineRole({"focus-left"}));
    EXPECT_TRUE(isCommandLineRole({"nonsense"}));
    EXPECT_TRUE(isCommandLineRole({"brindlow://overview"}));
    EXPECT_TRUE(isCommandLineRole({""}));
}

TEST(CommandLineRole, ArgumentsLeaveOutTheProgramPath) {
    const char* argv[] = {"/usr/bin/brindlow", "jump", "3"};
    EXPECT_EQ(commandLineArguments(3, argv), (std::vector<std::string>{"jump", "3"}));
    EXPECT_TRUE(commandLineArguments(1, argv).empty());
}

TEST(CommandLineRole, KnownCommandsAreTheNamesAndFourRequestWords) {
    for (const char* word :
         {"jump", "list", "layout", "notify", "focus-left", "equalize", "shortcuts", "pause"}) {
        EXPECT_TRUE(isKnownCommand({word})) << word;
    }
    for (const char* word :
         {"help", "version", "shell-hook", "FOCUS-LEFT", "equalize-heights", ""}) {
        EXPECT_FALSE(isKnownCommand({word})) << word;
    }
    EXPECT_FALSE(isKnownCommand({}));
}

// The printed texts, line by line as users see them.
const std::vector<std::string> kUsageLines = {
    R"x(Usage: brindlow <command>)x",
    R"x()x",
    R"x(Window commands (the same as the shortcuts):)x",
    R"x(  focus-left  focus-right  focus-up  focus-down  focus-first  focus-last)x",
    R"x(  move-left  move-right  move-up  move-down)x",
    R"x(  cycle-width  full-screen  full-width  center  wider  narrower  taller  shorter  equalize)x",
    R"x(  jump <n>  send-to-next-display  float  pause)x",
    R"x(  stack  stack-left  stack-right  pop-left  pop-right  tabbed  pin-left  pin-right)x",
    R"x(  search  overview  shortcuts  focus-border  dim-inactive)x",
    R"x()x",
    R"x(Other commands:)x",
    R"x(  list [--titles]                 Print the strips as JSON)x",
    R"x(  layout list | save <name> | restore <name>)x",
    R"x(  notify done [--pid <shell pid>] [--dir <path>] [--cmd <name>] [--status <n>])x",
    R"x(  shell-hook zsh|bash             Print the shell hook for terminal badges)x",
    R"x(  version)x",
};
const std::vector<std::string> kZshLines = {
    R"x(# Brindlow terminal attention badges)x",
    R"x(zmodload zsh/datetime 2>/dev/null)x",
    R"x(autoload -Uz add-zsh-hook)x",
    R"x(_brindlow_preexec() { _brindlow_started=$EPOCHSECONDS; _brindlow_command=${${(z)1}[1]}; })x",
    R"x(_brindlow_precmd() {)x",
    R"x(  local exit_status=$?)x",
    R"x(  if [[ -n $_brindlow_started ]] && (( EPOCHSECONDS - _brindlow_started >= ${BRINDLOW_MIN_SECONDS:-10} )); then)x",
    R"x(    command brindlow notify done --pid $$ --dir "$PWD" --cmd "$_brindlow_command" --status $exit_status >/dev/null 2>&1 &!)x",
    R"x(  fi)x",
    R"x(  unset _brindlow_started)x",
    R"x(})x",
    R"x(add-zsh-hook preexec _brindlow_preexec)x",
    R"x(add-zsh-hook precmd _brindlow_precmd)x",
};
const std::vector<std::string> kBashLines = {
    R"x(# Brindlow terminal attention badges)x",
    R"x(_brindlow_ready=1)x",
    R"x(_brindlow_preexec() {)x",
    R"x(  [[ $_brindlow_ready == 1 ]] || return)x",
    R"x(  _brindlow_ready=0)x",
    R"x(  _brindlow_started=$SECONDS)x",
    R"x(  _brindlow_command=${BASH_COMMAND%% *})x",
    R"x(})x",
    R"x(_brindlow_precmd() {)x",
    R"x(  if [[ -n $_brindlow_started ]] && (( SECONDS - _brindlow_started >= ${BRINDLOW_MIN_SECONDS:-10} )); then)x",
    R"x(    (command brindlow notify done --pid $$ --dir "$PWD" --cmd "$_brindlow_command" --status $_brindlow_status >/dev/null 2>&1 &))x",
    R"x(  fi)x",
    R"x(  unset _brindlow_started)x",
    R"x(  _brindlow_ready=1)x",
    R"x(})x",
    R"x(trap '_brindlow_preexec' DEBUG)x",
    R"x(PROMPT_COMMAND="_brindlow_status=\$?; ${PROMPT_COMMAND:+$PROMPT_COMMAND; }_brindlow_precmd")x",
};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

TEST_F(CommandLineToolTest, HelpVersionAndShellHooksAnswerWithoutTheApplication) {
    ToolRun result = run({"help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, joined(kUsageLines));
    EXPECT_EQ(result.err, "");

    result = run({"version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "2.5.1\n");
    environment.version.clear();
    EXPECT_EQ(run({"version"}).out, "unknown\n");

    EXPECT_EQ(run({"shell-hook"}).out, joined(kZshLines));
    EXPECT_EQ(run({"shell-hook", "zsh"}).out, joined(kZshLines));
    result = run({"shell-hook", "bash"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, joined(kBashLines));
    EXPECT_EQ(result.err, "");
}

TEST_F(CommandLineToolTest, UsageErrorsExit64) {
    ToolRun result = run({"shell-hook", "fish"});
    EXPECT_EQ(result.status, 64);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "brindlow: shell-hook supports zsh and bash\n");

    result = run({"FOCUS-LEFT"});
    EXPECT_EQ(result.status, 64);
    EXPECT_EQ(result.err, "brindlow: unknown command 'FOCUS-LEFT'\n\n" + joined(kUsageLines));
    EXPECT_EQ(run({"brindlow://"}).status, 64);
}

TEST_F(CommandLineToolTest, NothingListeningExits69) {
    const ToolRun result = run({"focus-left"});
    EXPECT_EQ(result.status, 69);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "brindlow: Brindlow is not running.\n");
    // "help" needs no application.
    EXPECT_EQ(run({"help"}).status, 0);
    environment.socketPath = folder.path() / std::string(110, 'x');
    EXPECT_EQ(run({"list"}).status, 69);
}

TEST_F(CommandLineToolTest, UnreadableOrMissingRepliesExit69) {
    for (const std::optional<std::string>& reply :
         {std::optional<std::string>(), std::optional<std::string>("\n"),
          std::optional<std::string>("garbage\n"), std::optional<std::string>("{\"ok\":true}\n"),
          std::optional<std::string>(std::string(1'000'100, ' '))}) {
        ScriptedApplication application(environment.socketPath,
                                        [reply](const std::string&) { return reply; });
        const ToolRun result = run({"pause"});
        EXPECT_EQ(result.status, 69);
        EXPECT_EQ(result.err, "brindlow: Brindlow is not running.\n");
        std::filesystem::remove(environment.socketPath);
    }
}

TEST_F(CommandLineToolTest, ApplicationThatNeverAnswersTimesOut) {
    environment.replyTimeoutSeconds = 0.05;
    ScriptedApplication application(environment.socketPath, answer(""));
    const ToolRun result = run({"list"});
    EXPECT_EQ(result.status, 69);
}

TEST_F(CommandLineToolTest, RequestCarriesEveryWordAndTheCallerUnchecked) {
    ScriptedApplication application(environment.socketPath,
                                    answer("{\"ok\":true,\"output\":\"\"}\n"));
    const ToolRun result = run({"jump", "x y", "\"quoted\""});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(application.request(),
              "{\"args\":[\"jump\",\"x y\",\"\\\"quoted\\\"\"],\"callerPID\":4321}");
}

TEST_F(CommandLineToolTest, ReplyOutputGoesToTheStreamOfItsVerdict) {
    {
        ScriptedApplication application(environment.socketPath,
                                        answer("{\"ok\":true,\"output\":\"Saved Work\"}\n"));
        const ToolRun result = run({"layout", "save", "Work"});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "Saved Work\n");
        EXPECT_EQ(result.err, "");
    }
    std::filesystem::remove(environment.socketPath);
    {
        ScriptedApplication application(
            environment.socketPath, answer("{\"ok\":false,\"output\":\"No layout named X\"}\n"));
        const ToolRun result = run({"layout", "restore", "X"});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "No layout named X\n");
    }
}

TEST_F(CommandLineToolTest, ReplyLongerThanOneReadIsPrintedWhole) {
    const std::string json = "{\"columns\":\"" + std::string(50'000, 'c') + "\"}";
    ScriptedApplication application(environment.socketPath,
                                    answer(encodeLine(CLIResponse{true, json})));
    const ToolRun result = run({"list"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, json + "\n");
}

TEST_F(CommandLineToolTest, RequestThatCannotBeEncodedExits70Silently) {
    const ToolRun result = run({"notify", "done", "--dir", "/tmp/\xfe\xff"});
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
}

TEST_F(CommandLineToolTest, URLIsForwardedWithoutCallerAndItsOutputIsDropped) {
    {
        ScriptedApplication application(environment.socketPath,
                                        answer("{\"ok\":true,\"output\":\"{}\"}\n"));
        const ToolRun result = run({"brindlow://layout/restore?name=My%20Work"});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(application.request(), "{\"args\":[\"layout\",\"restore\",\"My Work\"]}");
    }
    std::filesystem::remove(environment.socketPath);
    LogSink::clear();
    {
        ScriptedApplication application(
            environment.socketPath, answer("{\"ok\":false,\"output\":\"Unknown command nope\"}\n"));
        const ToolRun result = run({"brindlow://nope"});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "");
    }
    const auto records = LogSink::recent();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().category, "URL");
    EXPECT_EQ(records.back().level, LogLevel::error);
    EXPECT_EQ(records.back().message, "URL brindlow://nope: Unknown command nope");
}

}  // namespace
}  // namespace brindlow
