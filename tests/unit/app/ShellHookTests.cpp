// The shell hooks in real interactive shells: the user's own hooks keep running beside ours, a
// second evaluation installs nothing twice, and a finished command reaches `brindlow notify`.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/CommandLineTool.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

// What an interactive shell printed, and what our `brindlow` was asked while it ran.
struct Session {
    std::string printed;
    std::string notified;
};

class ShellHookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A `brindlow` of our own on the PATH that appends what it was asked to a file of its own,
        // so its lines never land inside what the shell prints. It holds descriptor 3 (the
        // hook's redirections leave it alone) until it ends, so the pipe reaches its end only
        // after every background run finished.
        std::filesystem::create_directory(folder.path() / "bin");
        const std::filesystem::path tool = folder.path() / "bin" / "brindlow";
        std::ofstream(tool) << "#!/bin/sh\necho \"brindlow $*\" >> " << notes().string() << "\n";
        chmod(tool.c_str(), 0755);
    }

    std::filesystem::path notes() const { return folder.path() / "notified"; }

    std::string hook(const std::string& shell) {
        std::ostringstream out, err;
        runCommandLineTool({"shell-hook", shell}, out, err);
        const std::filesystem::path file = folder.path() / ("hook." + shell);
        std::ofstream(file) << out.str();
        return file.string();
    }

    // Runs `lines` in an interactive shell (prompts and warnings dropped).
    Session interactive(const std::string& shell, const std::string& lines) {
        const std::filesystem::path script = folder.path() / "typed";
        std::ofstream(script) << lines;
        const std::string options = shell == "bash" ? "--norc --noprofile -i" : "-f -i";
        const std::string command = "cd " + folder.path().string() +
                                    " && PATH=" + folder.path().string() +
                                    "/bin:$PATH BRINDLOW_MIN_SECONDS=0 " + shell + " " + options +
                                    " < " + script.string() + " 3>&1 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return {"<no " + shell + ">", ""};
        Session session;
        char buffer[512];
        while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
            session.printed.append(buffer, n);
        pclose(pipe);
        std::ifstream file(notes());
        session.notified.assign(std::istreambuf_iterator<char>(file), {});
        session.notified = withShellPIDNamed(session.printed, session.notified);
        return session;
    }

    // The shell's process id, which it printed as "shell <n>", written "$$" where it is passed on.
    static std::string withShellPIDNamed(const std::string& printed, std::string notified) {
        const size_t line = printed.find("shell ");
        if (line == std::string::npos) return notified;
        const std::string passed =
            "--pid " + printed.substr(line + 6, printed.find('\n', line) - line - 6) + " ";
        for (size_t at; (at = notified.find(passed)) != std::string::npos;)
            notified.replace(at, passed.size(), "--pid $$ ");
        return notified;
    }

    static int count(const std::string& text, const std::string& part) {
        int found = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++found;
        return found;
    }

    // The lines in order, as background runs finish in any order.
    static std::vector<std::string> sortedLines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    std::string notified(const std::string& command, int status) const {
        return "brindlow notify done --pid $$ --dir " + folder.path().string() + " --cmd " +
               command + " --status " + std::to_string(status);
    }

    test::TempFolder folder;
};

// How the hook gets loaded (evaluated as the README says, or read with `source`, where bash hides
// the caller's DEBUG trap from the file it reads), and which hooks of the user's are there before.
struct BashSetup {
    std::string load;
    bool usersTrap;
    // The user's PROMPT_COMMAND: none, "text", or "array" (of which bash 5.1 runs every entry).
    std::string usersPrompt;
};

void PrintTo(const BashSetup& setup, std::ostream* out) {
    *out << setup.load << (setup.usersTrap ? " with a trap" : "")
         << (setup.usersPrompt.empty() ? "" : " with a PROMPT_COMMAND " + setup.usersPrompt);
}

class BashHookLoaded : public ShellHookTest, public ::testing::WithParamInterface<BashSetup> {
  protected:
    // The user's hooks, the hook loaded twice, then a few commands and an empty line.
    Session run() {
        const BashSetup& setup = GetParam();
        const std::string file = hook("bash");
        const std::string load =
            setup.load == "eval" ? "eval \"$(cat " + file + ")\"\n" : ". " + file + "\n";
        return interactive(
            "bash", std::string(setup.usersTrap ? "trap 'echo \"mine $?\"' DEBUG\n" : "") +
                        (setup.usersPrompt == "text" ? "PROMPT_COMMAND='echo \"prompt $?\"'\n"
                         : setup.usersPrompt == "array"
                             ? "PROMPT_COMMAND=('echo \"prompt $?\"' 'echo late')\n"
                             : "") +
                        load + load +
                        "work() { return 3; }\nwork\necho \"shell $$\"\n\n"
                        "trap -p DEBUG\n");
    }
};

TEST_P(BashHookLoaded, KeepsTheUsersHooksOnce) {
    const Session session = run();
    const std::string& printed = session.printed;
    if (GetParam().usersTrap) {
        // The user's trap still runs, after the command too, and sees its status.
        EXPECT_GE(count(printed, "mine 3\n"), 1) << printed;
        EXPECT_EQ(count(printed, "trap -- 'echo \"mine $?\"\n_brindlow_preexec_chained' DEBUG\n"),
                  1)
            << printed;
    } else {
        EXPECT_EQ(count(printed, "trap -- '_brindlow_preexec' DEBUG\n"), 1) << printed;
    }
    // A prompt that shows the last command's status must still see it.
    if (!GetParam().usersPrompt.empty()) {
        EXPECT_EQ(count(printed, "prompt 3\n"), 1) << printed;
    }
}

TEST_P(BashHookLoaded, ReportsEachTypedCommandOnce) {
    const Session session = run();
    // The second load was typed after the hook was in; the empty line and the prompt's and the
    // hook's own commands are not the user's.
    const std::string load = GetParam().load == "eval" ? "eval" : ".";
    std::vector<std::string> expected = {notified(load, 0), notified("work", 3),
                                         notified("echo", 0), notified("trap", 0)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sortedLines(session.notified), expected) << session.printed;
}

INSTANTIATE_TEST_SUITE_P(
    EvalOrSource, BashHookLoaded,
    ::testing::Values(BashSetup{"eval", true, ""}, BashSetup{"source", true, ""},
                      BashSetup{"eval", false, ""}, BashSetup{"source", false, ""},
                      BashSetup{"eval", true, "text"}, BashSetup{"source", true, "text"},
                      BashSetup{"eval", false, "text"}, BashSetup{"source", false, "text"},
                      BashSetup{"eval", false, "array"}, BashSetup{"source", true, "array"}),
    [](const ::testing::TestParamInfo<BashSetup>& row) {
        return row.param.load + (row.param.usersTrap ? "_usersTrap" : "") +
               (row.param.usersPrompt.empty() ? "" : "_usersPrompt_" + row.param.usersPrompt);
    });

TEST_F(ShellHookTest, BashWithExtdebugStillRunsTheTypedCommands) {
    // With extdebug a DEBUG trap that fails skips the command, so ours must never fail.
    const std::string output =
        interactive("bash", "shopt -s extdebug\neval \"$(cat " + hook("bash") +
                                ")\"\nwork() { return 3; }\nwork\necho ran\n")
            .printed;
    EXPECT_EQ(count(output, "ran\n"), 1) << output;
}

TEST_F(ShellHookTest, ZshJoinsTheUsersHookArraysOnce) {
    if (std::system("command -v zsh >/dev/null 2>&1") != 0) GTEST_SKIP() << "zsh is not installed";
    const std::string load = "eval \"$(cat " + hook("zsh") + ")\"\n";
    const Session session = interactive("zsh",
                                        "mine_before() { echo 'mine before' }\n"
                                        "mine_after() { echo \"mine after $?\" }\n"
                                        "preexec_functions=(mine_before)\n"
                                        "precmd_functions=(mine_after)\n" +
                                            load + load +
                                            "work() { return 3 }\nwork\necho \"shell $$\"\n"
                                            "print -r -- \"before: $preexec_functions\"\n"
                                            "print -r -- \"after: $precmd_functions\"\n");
    const std::string& output = session.printed;

    EXPECT_EQ(count(output, "before: mine_before _brindlow_preexec\n"), 1) << output;
    EXPECT_EQ(count(output, "after: mine_after _brindlow_precmd\n"), 1) << output;
    EXPECT_EQ(count(output, "mine after 3\n"), 1) << output;
    // A command of one word is named whole.
    EXPECT_EQ(count(session.notified, notified("work", 3) + "\n"), 1) << session.notified;
}

}  // namespace
}  // namespace brindlow
