#include "app/qt/QuitSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <vector>

#include "QtTestSupport.h"

namespace brindlow::test {
namespace {

TEST(QuitSignals, TermIntAndHupReachTheEventLoopInsteadOfEndingTheProcess) {
    std::vector<int> received;
    bool onMainThread = true;
    const std::thread::id mainThread = std::this_thread::get_id();
    QuitSignals quitSignals([&](int signal) {
        onMainThread = onMainThread && std::this_thread::get_id() == mainThread;
        received.push_back(signal);
    });
    ASSERT_TRUE(quitSignals.isInstalled());

    // From another thread too: the handler may run on any thread of the process.
    std::thread sender([] { kill(getpid(), SIGHUP); });
    sender.join();
    ASSERT_TRUE(runEventsUntil([&] { return received.size() == 1; }));
    raise(SIGTERM);
    raise(SIGINT);
    ASSERT_TRUE(runEventsUntil([&] { return received.size() == 3; }));
    EXPECT_EQ(received, (std::vector<int>{SIGHUP, SIGTERM, SIGINT}));
    EXPECT_TRUE(onMainThread);
}

}  // namespace
}  // namespace brindlow::test
