#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "platform/x11/apps/X11InstanceSelection.h"
#include "platform/x11/connection/X11Connection.h"

namespace brindlow {
namespace {

TEST(InstanceSelection, OnlyOneOwnerPerScreenUntilItGoes) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "DISPLAY is not set";
    const auto first = X11Connection::open();
    const auto second = X11Connection::open();
    ASSERT_TRUE(first && second);

    auto running = std::make_unique<X11InstanceSelection>(*first);
    EXPECT_EQ(running->selectionName(), "_BRINDLOW_S" + std::to_string(first->screenNumber()));
    ASSERT_TRUE(running->acquire());
    X11InstanceSelection starting(*second);
    EXPECT_FALSE(starting.acquire());
    EXPECT_EQ(starting.ownerPID(), static_cast<std::uint32_t>(getpid()));

    running.reset();
    first->sync();
    EXPECT_TRUE(starting.acquire());
}

// A second start asks the running one to show its settings window; the answer comes once the
// running one has done so, and an owner that does not listen leaves the asker without one.
TEST(InstanceSelection, TheOwnerAnswersARequestToShowItsSettings) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "DISPLAY is not set";
    const auto first = X11Connection::open();
    const auto second = X11Connection::open();
    ASSERT_TRUE(first && second);
    X11InstanceSelection running(*first);
    ASSERT_TRUE(running.acquire());
    X11InstanceSelection starting(*second);
    ASSERT_FALSE(starting.acquire());
    // Not listening yet: no answer.
    EXPECT_FALSE(starting.askOwnerToShowSettings(0.2));

    std::atomic<int> asked{0};
    running.onShowSettingsRequest([&](std::uint32_t asker) {
        ++asked;
        running.answerShowSettingsRequest(asker);
    });
    EXPECT_TRUE(starting.askOwnerToShowSettings(5.0));
    EXPECT_EQ(asked.load(), 1);

    running.onShowSettingsRequest(nullptr);
    EXPECT_FALSE(starting.askOwnerToShowSettings(0.2));
    EXPECT_EQ(asked.load(), 1);
}

}  // namespace
}  // namespace brindlow
