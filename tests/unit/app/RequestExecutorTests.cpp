#include <gtest/gtest.h>

#include <future>

#include "FakeRequestTarget.h"
#include "app/RequestExecutor.h"
#include "platform/SerialQueue.h"

namespace brindlow {
namespace {

using test::FakeRequestTarget;

class RequestExecutorTest : public ::testing::Test {
  protected:
    CLIResponse run(std::vector<std::string> args, std::optional<std::int32_t> caller = 77) {
        return executor.execute(CLIRequest{std::move(args), caller});
    }
    // Everything queued on the main queue so far has run.
    void drainMainQueue() {
        mainQueue.sync([] {});
    }

    SerialQueue mainQueue{"com.vemto.brindlow.main"};
    FakeRequestTarget target{&mainQueue};
    RequestExecutor executor{target, mainQueue, RequestExecutor::Options{0.05}};
};

TEST_F(RequestExecutorTest, EmptyAndUnknownRequestsAreRefused) {
    EXPECT_EQ(run({}), (CLIResponse{false, "No command"}));
    EXPECT_EQ(run({"bogus", "x"}), (CLIResponse{false, "Unknown command bogus"}));
    EXPECT_EQ(run({"jump"}), (CLIResponse{false, "Unknown command jump"}));
    EXPECT_EQ(run({"jump", "0"}), (CLIResponse{false, "Unknown command jump"}));
    drainMainQueue();
    EXPECT_TRUE(target.performed().empty());
}

TEST_F(RequestExecutorTest, WindowCommandsAreQueuedBeforeTheReplyAndTheOthersRunOnTheMainQueue) {
    // The main queue is busy: window commands do not wait for it.
    std::promise<void> release;
    mainQueue.async([future = release.get_future().share()] { future.wait(); });
    EXPECT_EQ(run({"jump", "3"}), (CLIResponse{true, ""}));
    EXPECT_EQ(run({"focus-left", "ignored"}), (CLIResponse{true, ""}));
    EXPECT_EQ(target.queuedWindowCommands(),
              (std::vector<Command>{Command::jumpTo(3), Command::Kind::focusLeft}));
    EXPECT_EQ(run({"search"}), (CLIResponse{true, ""}));
    EXPECT_EQ(run({"focus-border"}), (CLIResponse{true, ""}));
    EXPECT_EQ(run({"pause"}), (CLIResponse{true, ""}));
    release.set_value();
    ASSERT_TRUE(target.waitForPerformed(5));
    EXPECT_EQ(target.performed(),
              (std::vector<Command>{Command::jumpTo(3), Command::Kind::focusLeft,
                                    Command::Kind::togglePause, Command::Kind::search,
                                    Command::Kind::toggleFocusBorder}));
    EXPECT_EQ(target.offMainQueueCalls(), 0);
}

// A script's "brindlow focus-left; brindlow list" reads the state after the command, however busy
// the main queue is.
TEST_F(RequestExecutorTest, AListShowsEveryWindowCommandAnsweredBeforeIt) {
    target.answerListsWithTheCommandCount();
    std::promise<void> release;
    mainQueue.async([future = release.get_future().share()] { future.wait(); });
    for (int n = 1; n <= 20; ++n) {
        EXPECT_EQ(run({n % 2 ? "focus-left" : "focus-right"}), (CLIResponse{true, ""}));
        EXPECT_EQ(run({"list"}), (CLIResponse{true, "{\"commands\":" + std::to_string(n) + "}"}));
    }
    release.set_value();
}

TEST_F(RequestExecutorTest, ListAsksForTitlesOnlyWithTheExactFlagAnywhere) {
    target.answerListsWith("{\"displays\":[]}");
    EXPECT_EQ(run({"list"}), (CLIResponse{true, "{\"displays\":[]}"}));
    run({"list", "x", "--titles"});
    run({"list", "--TITLES"});
    EXPECT_EQ(target.listTitles(), (std::vector<bool>{false, true, false}));
}

TEST_F(RequestExecutorTest, ListThatTimesOutFailsInsteadOfAnsweringAnEmptyList) {
    EXPECT_EQ(run({"list"}), (CLIResponse{false, std::string(RequestExecutor::kListTimedOut)}));
    target.answerPendingLists([](std::size_t) { return "{}"; });
}

TEST_F(RequestExecutorTest, NotifyBadgesTheCallerUnlessOptionsSayOtherwise) {
    EXPECT_EQ(run({"notify", "done"}), (CLIResponse{true, ""}));
    run({"notify", "done"}, std::nullopt);
    run({"notify", "whatever", "--pid", "12", "--dir", "/w", "--cmd", "make", "--status", "2"});
    run({"notify", "done", "--pid", "abc", "--pid", "42"});
    run({"notify", "done", "--pid", "42", "--pid", "4x"});
    run({"notify", "done", "--status", "bad", "--dir"});
    run({"notify", "done", "--other", "--pid", "--pid", "9"});
    run({"notify", "done", "--pid", "99999999999"});
    EXPECT_EQ(target.badges(), (std::vector<BadgeRequest>{
                                   {77, "", "", 0},
                                   {0, "", "", 0},
                                   {12, "/w", "make", 2},
                                   {42, "", "", 0},
                                   {42, "", "", 0},
                                   {77, "", "", 0},
                                   // "--other" takes "--pid" as its value; then "--pid 9".
                                   {9, "", "", 0},
                                   {77, "", "", 0},
                               }));
}

TEST_F(RequestExecutorTest, LayoutSubCommandsRunOnTheMainQueue) {
    EXPECT_EQ(run({"layout"}), (CLIResponse{true, ""}));
    target.setLayouts({"Work", "Home"});
    EXPECT_EQ(run({"layout", "list"}), (CLIResponse{true, "Work\nHome"}));
    EXPECT_EQ(run({"layout", "save", "My", "Work"}), (CLIResponse{true, "Saved My Work"}));
    // Answered with the name the store keeps, not the typed white space around it.
    EXPECT_EQ(run({"layout", "save", "  Home "}), (CLIResponse{true, "Saved Home"}));
    EXPECT_EQ(run({"layout", "restore", "Home"}), (CLIResponse{true, ""}));
    EXPECT_EQ(run({"layout", "restore", "Gym"}), (CLIResponse{false, "No layout named Gym"}));
    const CLIResponse usage{false, "Use: brindlow layout list | save <name> | restore <name>"};
    EXPECT_EQ(run({"layout", "save"}), usage);
    // A name of white space only is refused, never reported as saved.
    EXPECT_EQ(run({"layout", "save", " ", "\t"}), usage);
    EXPECT_EQ(run({"layout", "restore"}), usage);
    EXPECT_EQ(run({"layout", "delete", "Work"}), usage);
    EXPECT_EQ(target.saved(), (std::vector<std::string>{"My Work", "  Home "}));
    EXPECT_EQ(target.restored(), (std::vector<std::string>{"Home", "Gym"}));
    EXPECT_EQ(target.offMainQueueCalls(), 0);
}

TEST_F(RequestExecutorTest, SaveThatCouldNotBeWrittenIsReportedAsFailedWithTheReason) {
    target.failSavesWith("No space left on device");
    EXPECT_EQ(run({"layout", "save", "Full"}),
              (CLIResponse{false,
                           "Could not save Full: No space left on device. It stays listed until "
                           "Brindlow quits, and is written with the next change to the layouts "
                           "that can be."}));
    target.failSavesWith(std::nullopt);
    EXPECT_EQ(run({"layout", "save", "Full"}), (CLIResponse{true, "Saved Full"}));
    EXPECT_EQ(target.saved(), (std::vector<std::string>{"Full", "Full"}));
}

TEST_F(RequestExecutorTest, CancellingEndsAWaitForAMainQueueThatIsStuck) {
    std::promise<void> release;
    mainQueue.async([future = release.get_future().share()] { future.wait(); });
    auto reply = std::async(std::launch::async, [&] { return run({"layout", "list"}); });
    executor.cancelWaits();
    EXPECT_EQ(reply.get(), (CLIResponse{false, std::string(RequestExecutor::kCancelled)}));
    executor.reopenWaits();
    release.set_value();
    EXPECT_EQ(run({"layout", "list"}), (CLIResponse{true, ""}));
}

}  // namespace
}  // namespace brindlow
