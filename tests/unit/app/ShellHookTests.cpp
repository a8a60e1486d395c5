// The shell hooks in real interactive shells: the user's own hooks keep running beside ours, a
// second evaluation installs nothing twice, and a finished command reaches `brindlow notify`.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/CommandLineTool.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

class ShellHookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A `brindlow` of our own on the PATH: it says what it was asked on descriptor 3, which
        // the hook's redirections leave alone, so reading to the end waits for its background run.
        std::filesystem::create_directory(folder.path() / "bin");
        const std::filesystem::path tool = folder.path() / "bin" / "brindlow";
        std::ofstream(tool) << "#!/bin/sh\necho \"brindlow $*\" >&3\n";
        chmod(tool.c_str(), 0755);
    }

    std::string hook(const std::string& shell) {
        std::ostringstream out, err;
        runCommandLineTool({"shell-hook", shell}, out, err);
        const std::filesystem::path file = folder.path() / ("hook." + shell);
        std::ofstream(file) << out.str();
        return file.string();
    }

    // Runs `lines` in an interactive shell (prompts and warnings dropped); what it printed.
    std::string interactive(const std::string& shell, const std::string& lines) {
        const std::filesystem::path script = folder.path() / "typed";
        std::ofstream(script) << lines;
        const std::string options = shell == "bash" ? "--norc --noprofile -i" : "-f -i";
        const std::string command = "cd " + folder.path().string() +
                                    " && PATH=" + folder.path().string() +
                                    "/bin:$PATH BRINDLOW_MIN_SECONDS=0 " + shell + " " + options +
                                    " < " + script.string() + " 3>&1 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return "<no " + shell + ">";
        std::string output;
        char buffer[512];
        while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        pclose(pipe);
        return output;
    }

    // The shell's process id, which it printed as "shell <n>", written "$$" where it is passed on.
    static std::string withShellPIDNamed(std::string output) {
        const size_t line = output.find("shell ");
        if (line == std::string::npos) return output;
        const std::string passed =
            "--pid " + output.substr(line + 6, output.find('\n', line) - line - 6) + " ";
        for (size_t at; (at = output.find(passed)) != std::string::npos;)
            output.replace(at, passed.size(), "--pid $$ ");
        return output;
    }

    static int count(const std::string& text, const std::string& part) {
        int found = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++found;
        return found;
    }

    std::string notified(const std::string& command, int status) const {
        return "brindlow notify done --pid $$ --dir " + folder.path().string() + " --cmd " +
               command + " --status " + std::to_string(status) + "\n";
    }

    test::TempFolder folder;
};

// How the hook gets loaded: evaluated as the README says, or read with `source`, where bash hides
// the caller's DEBUG trap from the file it reads.
class BashHookLoaded : public ShellHookTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(BashHookLoaded, ChainsTheUsersDebugTrapOnce) {
    const std::string file = hook("bash");
    const std::string load =
        GetParam() == "eval" ? "eval \"$(cat " + file + ")\"\n" : ". " + file + "\n";
    std::string output =
        interactive("bash", "trap 'echo \"mine $?\"' DEBUG\n" + load + load +
                                "work() { return 3; }\nwork\necho \"shell $$\"\ntrap -p DEBUG\n");
    output = withShellPIDNamed(output);

    // The user's trap still runs, after the command too, and sees its status.
    EXPECT_GE(count(output, "mine 3\n"), 1) << output;
    EXPECT_EQ(count(output, notified("work", 3)), 1) << output;
    EXPECT_EQ(count(output, "trap -- 'echo \"mine $?\"\n_brindlow_preexec_chained' DEBUG\n"), 1)
        << output;
}

INSTANTIATE_TEST_SUITE_P(EvalOrSource, BashHookLoaded, ::testing::Values("eval", "source"));

TEST_F(ShellHookTest, BashWithoutATrapOfTheUsersGetsOursAlone) {
    const std::string load = "eval \"$(cat " + hook("bash") + ")\"\n";
    const std::string output = interactive("bash", load + load + "trap -p DEBUG\n");
    EXPECT_EQ(count(output, "trap -- '_brindlow_preexec' DEBUG\n"), 1) << output;
}

TEST_F(ShellHookTest, BashLeavesTheUsersPromptCommandTheCommandsStatus) {
    // A prompt that shows the last command's status must still see it.
    const std::string load = "eval \"$(cat " + hook("bash") + ")\"\n";
    const std::string output = interactive(
        "bash", "PROMPT_COMMAND='echo \"prompt $?\"'\n" + load + "work() { return 3; }\nwork\n");
    EXPECT_EQ(count(output, "prompt 3\n"), 1) << output;
}

TEST_F(ShellHookTest, ZshJoinsTheUsersHookArraysOnce) {
    if (std::system("command -v zsh >/dev/null 2>&1") != 0) GTEST_SKIP() << "zsh is not installed";
    const std::string load = "eval \"$(cat " + hook("zsh") + ")\"\n";
    std::string output = interactive("zsh",
                                     "mine_before() { echo 'mine before' }\n"
                                     "mine_after() { echo \"mine after $?\" }\n"
                                     "preexec_functions=(mine_before)\n"
                                     "precmd_functions=(mine_after)\n" +
                                         load + load +
                                         "work() { return 3 }\nwork\necho \"shell $$\"\n"
                                         "print -r -- \"before: $preexec_functions\"\n"
                                         "print -r -- \"after: $precmd_functions\"\n");
    output = withShellPIDNamed(output);

    EXPECT_EQ(count(output, "before: mine_before _brindlow_preexec\n"), 1) << output;
    EXPECT_EQ(count(output, "after: mine_after _brindlow_precmd\n"), 1) << output;
    EXPECT_EQ(count(output, "mine after 3\n"), 1) << output;
    // A command of one word is named whole.
    EXPECT_EQ(count(output, notified("work", 3)), 1) << output;
}

}  // namespace
}  // namespace brindlow
