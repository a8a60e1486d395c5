// scripts/run as a user starts it: without a usable display it starts a throwaway session, says
// how to drive Brindlow, and a quit request to the script ends Brindlow in order and takes the
// whole session down with it, with everything the session wrote: the user's home stays as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <regex>

#include "AppProcess.h"
#include "support/TempFolder.h"

namespace brindlow::test {
namespace {

bool displayAnswers(const std::string& display) {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

// Whether the server behind a connection held since before the quit still answers it. A new
// connection would not tell: another session may take the same display number at once.
bool serverAnswers(xcb_connection_t* held) {
    std::free(xcb_get_input_focus_reply(held, xcb_get_input_focus(held), nullptr));
    return xcb_connection_has_error(held) == 0;
}

TEST(RunScript, ThrowawaySessionStopsCleanlyWhenTheScriptIsAskedToQuit) {
    // The user's home, with the usual folders in it, and the temporary folder.
    TempFolder home;
    TempFolder temporary;
    ChildProcess run({std::string(BRINDLOW_SOURCE_DIR) + "/scripts/run", "--demo", "--no-build"},
                     {{"HOME", home.path().string()},
                      {"XDG_DATA_HOME", (home.path() / ".local/share").string()},
                      {"XDG_CONFIG_HOME", (home.path() / ".config").string()},
                      {"XDG_CACHE_HOME", (home.path() / ".cache").string()},
                      {"XDG_STATE_HOME", (home.path() / ".local/state").string()},
                      {"TMPDIR", temporary.path().string()},
                      {"BRINDLOW_BUILD_DIR", BRINDLOW_BUILD_DIR_PATH},
                      {"BRINDLOW_LOG", "info"}},
                     ChildProcess::CaptureOutput{});
    ASSERT_TRUE(run.started());
    const auto output = [&] { return run.out() + run.err(); };
    std::smatch match;
    const std::regex started("Brindlow runs on display (:[0-9]+)\\.");
    ASSERT_TRUE(run.waitForOutput(
        [&](const std::string& text) { return std::regex_search(text, match, started); }, 60))
        << output();
    const std::string display = match[1].str();
    EXPECT_NE(output().find(" list --titles"), std::string::npos) << output();
    const std::regex storage("export XDG_DATA_HOME=(\\S+)");
    const std::string printed = output();
    ASSERT_TRUE(std::regex_search(printed, match, storage)) << printed;
    const std::filesystem::path data = match[1].str();
    EXPECT_EQ(data.string().rfind(temporary.path().string() + "/", 0), 0u) << data;
    const std::map<std::string, std::string> environment = {{"XDG_DATA_HOME", data.string()}};

    ASSERT_TRUE(run.waitForOutput(
        [](const std::string& text) {
            return text.find("Listening for the command-line tool") != std::string::npos;
        },
        60))
        << output();
    EXPECT_EQ(runProcess({BRINDLOW_EXECUTABLE_PATH, "list"}, environment).status, 0);
    // The session's window manager leaves Brindlow's default keys free (they were registered
    // before the socket listened): none is refused, Ctrl+Alt+arrows included.
    EXPECT_EQ(output().find("Error registering hotkey"), std::string::npos) << output();
    EXPECT_TRUE(displayAnswers(display));
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> held(
        xcb_connect(display.c_str(), nullptr), xcb_disconnect);
    ASSERT_TRUE(serverAnswers(held.get()));

    // A quit request to the script alone, as `kill <pid>` sends it.
    run.signal(SIGTERM);
    ASSERT_TRUE(run.readOutputToEnd(20)) << "scripts/run did not end after SIGTERM\n" << output();
    run.waitForExit(kLimit);
    EXPECT_TRUE(run.hasExited());
    EXPECT_NE(output().find("Quitting on signal"), std::string::npos) << output();
    // Brindlow quit in order and the session went with it, taking along all it wrote.
    EXPECT_FALSE(serverAnswers(held.get()));
    EXPECT_FALSE(std::filesystem::exists(data));
    EXPECT_TRUE(std::filesystem::is_empty(temporary.path()))
        << std::filesystem::directory_iterator(temporary.path())->path();
    EXPECT_TRUE(std::filesystem::is_empty(home.path()))
        << std::filesystem::directory_iterator(home.path())->path();
}

}  // namespace
}  // namespace brindlow::test
