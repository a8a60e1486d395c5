#include "app/qt/QuitSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <vector>

#include "support/QtEvents.h"

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

TEST(QuitSignals, AHangUpIgnoredAtStartStaysIgnored) {
    // As `nohup brindlow &` starts it: closing the terminal must not quit.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ASSERT_EQ(sigaction(SIGHUP, &ignore, &previous), 0);

    std::vector<int> received;
    {
        QuitSignals quitSignals([&](int signal) { received.push_back(signal); });
        ASSERT_TRUE(quitSignals.isInstalled());
        struct sigaction now {};
        sigaction(SIGHUP, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_IGN);

        raise(SIGHUP);
        // SIGTERM still quits; it arrives after the hang-up would have.
        raise(SIGTERM);
        ASSERT_TRUE(runEventsUntil([&] { return !received.empty(); }));
        EXPECT_EQ(received, std::vector<int>{SIGTERM});
    }
    sigaction(SIGHUP, &previous, nullptr);
}

}  // namespace
}  // namespace brindlow::test
