#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "app/ApplicationOptions.h"
#include "app/CLIMessages.h"
#include "app/CommandLineTool.h"
#include "app/SocketIO.h"
#include "platform/Log.h"
#include "support/QuietLog.h"
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

class CommandLineToolTest : public test::QuietLogTest {
  protected:
    CommandLineToolTest() {
        environment.socketPath = folder.path() / "brindlow.sock";
        environment.callerPID = 4321;
        environment.version = "2.5.1";
    }

    ToolRun run(std::vector<std::string> args) { return runCommandLineTool(args, environment); }

    test::TempFolder folder;
    ToolEnvironment environment;
};

// How a start is taken: the command-line tool, the application, or (options neither Brindlow nor
// the toolkit takes) a usage error before anything starts.
enum class Start { application, tool, usageError };

struct StartRow {
    const char* name;
    std::vector<std::string> args;
    Start start;
    const char* refusal;  // the line before the usage text, for a usage error
};

Start startOf(const std::vector<std::string>& args, std::string& err) {
    if (isCommandLineRole(args)) return Start::tool;
    std::ostringstream refused;
    const std::optional<int> status = refuseUnknownOptions(args, refused);
    err = refused.str();
    if (!status) return Start::application;
    EXPECT_EQ(*status, 64);
    return Start::usageError;
}

class StartTest : public ::testing::TestWithParam<StartRow> {};

TEST_P(StartTest, TakesTheArgumentsAsTheToolTheApplicationOrAUsageError) {
    std::string err;
    EXPECT_EQ(startOf(GetParam().args, err), GetParam().start);
    if (GetParam().start == Start::usageError) {
        EXPECT_EQ(err, std::string(GetParam().refusal) + "\n\n" + std::string(kUsageText) + "\n");
    } else {
        EXPECT_EQ(err, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, StartTest,
    ::testing::Values(StartRow{"none", {}, Start::application, ""},
                      StartRow{"toolkit_and_x_options",
                               {"-display", ":7", "--platform", "xcb", "-reverse", "-style=fusion",
                                "--sync"},
                               Start::application,
                               ""},
                      StartRow{"unknown_option",
                               {"--frobnicate"},
                               Start::usageError,
                               "brindlow: unknown option '--frobnicate'"},
                      StartRow{"unknown_after_a_toolkit_one",
                               {"-reverse", "-x"},
                               Start::usageError,
                               "brindlow: unknown option '-x'"},
                      StartRow{"dash_alone",
                               {"-"},
                               Start::usageError,
                               "brindlow: unexpected word '-' (not an option)"},
                      StartRow{"word_after_the_options",
                               {"-platform", "xcb", "focus-left"},
                               Start::usageError,
                               "brindlow: unexpected word 'focus-left' (not an option)"},
                      StartRow{"option_without_its_value",
                               {"-display"},
                               Start::usageError,
                               "brindlow: option '-display' needs a value"},
                      // Asking for help or the version never starts tiling.
                      StartRow{"help", {"--help"}, Start::tool, ""},
                      StartRow{"short_help", {"-h", "list"}, Start::tool, ""},
                      StartRow{"version", {"--version"}, Start::tool, ""},
                      StartRow{"command", {"focus-left", "--frobnicate"}, Start::tool, ""},
                      StartRow{"unknown_command", {"nonsense"}, Start::tool, ""},
                      StartRow{"empty_word", {""}, Start::tool, ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ApplicationOptions, TheDisplayIsTheOneTheToolkitConnectsTo) {
    EXPECT_EQ(readApplicationOptions({"-reverse"}).display, std::nullopt);
    EXPECT_EQ(readApplicationOptions({"-display", ":7"}).display, ":7");
    EXPECT_EQ(readApplicationOptions({"--display", ":7", "-display", ":8"}).display, ":8");
    // A value is never read as an option: a display named like one is still the display.
    EXPECT_EQ(readApplicationOptions({"-name", "-display", "-title", "x"}).display, std::nullopt);
}

// The usage text itself: UsageErrorsExit64 and the end-to-end tool runs.
TEST_F(CommandLineToolTest, VersionAndShellHooksAnswerWithoutTheApplication) {
    EXPECT_EQ(run({"version"}).out, "2.5.1\n");
    // The tool's own options answer as their commands do.
    EXPECT_EQ(run({"--version"}).out, "2.5.1\n");
    EXPECT_EQ(run({"--version"}).status, 0);
    for (const char* help : {"--help", "-h"}) {
        EXPECT_EQ(run({help}).out, std::string(kUsageText) + "\n") << help;
        EXPECT_EQ(run({help}).status, 0) << help;
    }
    environment.version.clear();
    EXPECT_EQ(run({"version"}).out, "unknown\n");

    // Zsh unless bash is asked for; each hook reports a finished command with its shell.
    const std::string zsh = run({"shell-hook"}).out;
    EXPECT_EQ(run({"shell-hook", "zsh"}).out, zsh);
    EXPECT_NE(zsh.find("add-zsh-hook precmd _brindlow_precmd"), std::string::npos);
    // What bash makes of its hook: BashHookJoinsAnyPromptCommandOnce.
    for (const std::string& hook : {zsh, run({"shell-hook", "bash"}).out}) {
        EXPECT_TRUE(hook.starts_with("# Brindlow terminal attention badges\n")) << hook;
        EXPECT_NE(hook.find("command brindlow notify done --pid $$ --dir \"$PWD\""),
                  std::string::npos)
            << hook;
    }
}

// Runs a bash script file; what it prints (standard error included).
std::string runBash(const std::filesystem::path& script) {
    FILE* pipe = popen(("bash " + script.string() + " 2>&1").c_str(), "r");
    if (!pipe) return "<no bash>";
    std::string output;
    char buffer[256];
    while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
    return output;
}

TEST_F(CommandLineToolTest, BashHookJoinsAnyPromptCommandOnce) {
    const std::filesystem::path hook = folder.path() / "hook.bash";
    std::ofstream(hook) << run({"shell-hook", "bash"}).out;
    // The DEBUG trap is chained at the first prompt when the hook could not see the user's.
    const std::string start =
        "_brindlow_status=$?; [[ -z $_brindlow_trap_pending ]] || _brindlow_chain_trap "
        "\"$(trap -p DEBUG)\"; ";
    const std::string joinedFoo = start + "_brindlow_status_again; foo; _brindlow_precmd\nran\n";
    for (const auto& [before, after] : std::vector<std::pair<std::string, std::string>>{
             {"foo ;  ", joinedFoo}, {"foo", joinedFoo}, {"", start + "_brindlow_precmd\nran\n"}}) {
        const std::filesystem::path script = folder.path() / "prompt.bash";
        // Evaluated twice, as when a shell start-up file is read again.
        std::ofstream(script) << "foo() { :; }\nPROMPT_COMMAND='" << before << "'\n. " << hook
                              << "\n. " << hook << "\nprintf '%s\\n' \"$PROMPT_COMMAND\"\n"
                              << "eval \"$PROMPT_COMMAND\" && echo ran\n";
        EXPECT_EQ(runBash(script), after) << "PROMPT_COMMAND=" << before;
    }
}

TEST_F(CommandLineToolTest, UsageErrorsExit64) {
    ToolRun result = run({"shell-hook", "fish"});
    EXPECT_EQ(result.status, 64);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "brindlow: shell-hook supports zsh and bash\n");

    result = run({"FOCUS-LEFT"});
    EXPECT_EQ(result.status, 64);
    EXPECT_EQ(result.err, "brindlow: unknown command 'FOCUS-LEFT'\n\n" + run({"help"}).out);
    EXPECT_EQ(run({"brindlow://"}).status, 64);
}

TEST_F(CommandLineToolTest, NothingListeningExits69NamingThePath) {
    const ToolRun result = run({"focus-left"});
    EXPECT_EQ(result.status, 69);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "brindlow: Brindlow is not running (nothing listens on " +
                              environment.socketPath.string() + ").\n");
}

// Reached, but no usable answer: each failure says what happened, and none
// claims that Brindlow is not running.
struct BadReply {
    std::optional<std::string> reply;
    std::string message;
};

class BadReplyTest : public CommandLineToolTest, public ::testing::WithParamInterface<BadReply> {};

TEST_P(BadReplyTest, SaysWhatWentWrongAndExits70) {
    ScriptedApplication application(
        environment.socketPath, [reply = GetParam().reply](const std::string&) { return reply; });
    const ToolRun result = run({"pause"});
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.err, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, BadReplyTest,
    ::testing::Values(BadReply{std::nullopt,
                               "brindlow: Brindlow closed the connection without answering.\n"},
                      // Which replies are unreadable is for the message-decoding tests.
                      BadReply{"garbage\n", "brindlow: Brindlow's reply could not be read.\n"}));

TEST_F(CommandLineToolTest, ApplicationThatNeverAnswersTimesOut) {
    environment.replyTimeoutSeconds = 0.05;
    ScriptedApplication application(environment.socketPath, answer(""));
    const ToolRun result = run({"list"});
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.err, "brindlow: Brindlow did not answer within 0.05 s.\n");
}

TEST_F(CommandLineToolTest, RequestOverTheServersBoundIsAUsageError) {
    // {"args":["notify","done","--dir","…"],"callerPID":4321} is 55 bytes besides the folder.
    const ToolRun result = run({"notify", "done", "--dir", std::string(69'946, 'd')});
    EXPECT_EQ(result.status, 64);
    EXPECT_EQ(result.err, "brindlow: request too large (70000 bytes, at most 65536)\n");
}

TEST_F(CommandLineToolTest, ReplyOfAMegabyteAndMoreIsReadWhole) {
    const std::string json = "{\"t\":\"" + std::string(1'500'000, 't') + "\"}";
    ScriptedApplication application(environment.socketPath,
                                    answer(encodeLine(CLIResponse{true, json})));
    const ToolRun result = run({"list", "--titles"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, json + "\n");
}

TEST_F(CommandLineToolTest, RequestCarriesEveryWordAndTheCallerUncheckedAndPrintsTheReply) {
    ScriptedApplication application(environment.socketPath,
                                    answer("{\"ok\":true,\"output\":\"Saved Work\"}\n"));
    // A newline inside a word is escaped: only the line's own newline ends the request.
    const ToolRun result = run({"jump", "x\ny", "\"quoted\""});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "Saved Work\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(application.request(),
              "{\"args\":[\"jump\",\"x\\ny\",\"\\\"quoted\\\"\"],\"callerPID\":4321}");
}

TEST_F(CommandLineToolTest, RefusalGoesToStandardErrorAndExits1) {
    ScriptedApplication application(environment.socketPath,
                                    answer("{\"ok\":false,\"output\":\"No layout named X\"}\n"));
    const ToolRun result = run({"layout", "restore", "X"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "No layout named X\n");
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
