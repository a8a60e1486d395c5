#include <gtest/gtest.h>
#include <unistd.h>

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

}  // namespace
}  // namespace brindlow
