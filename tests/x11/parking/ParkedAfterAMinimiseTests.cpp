// A layout planned before the strip heard of the user's minimise reaches parking late: the window
// stays minimised, the user's, however late.
#include <gtest/gtest.h>

#include <string>

#include "platform/x11/connection/X11Properties.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

using ParkedAfterAMinimise = X11Fixture;

TEST_F(ParkedAfterAMinimise, AWindowTheUserMinimisedStaysTheirs) {
    TestClientProcess other({"--title", "other"});
    TestClientProcess minimised({"--title", "minimised"});
    const AXElementRef element = windowElement(minimised);
    ASSERT_TRUE(windowElement(other) && element);
    ASSERT_EQ(runProcess({"xdotool", "windowminimize", std::to_string(minimised.window())}).status,
              0);
    ASSERT_TRUE(settle([&] { return get<bool>(element, ax::minimized) == true; }));

    desktop().parking().hideParked({minimised.window()});
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    EXPECT_EQ(get<bool>(element, ax::minimized), true);
    // Not marked as parking's either: a later run would take it for parked and show it again.
    EXPECT_FALSE(
        readCardinal(connection(), minimised.window(), connection().atom("_BRINDLOW_PARKED")));
}

}  // namespace
}  // namespace brindlow::test
