// The further steps of one raise (main window, raise, application frontmost) beside the session's
// window manager, when the user acted on the window between them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>

#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

// What the user does to the raised window right after the first step was answered.
struct UserAction {
    const char* name;
    const char* xdotool;  // the xdotool command, given the window
    const char* attribute;
};

void PrintTo(const UserAction& action, std::ostream* out) {
    *out << action.name;
}

class RaiseStepsAfterAUserAction : public X11Fixture,
                                   public ::testing::WithParamInterface<UserAction> {};

TEST_P(RaiseStepsAfterAUserAction, TheWindowStaysWhereTheUserPutIt) {
    TestClientProcess other({"--title", "other"});
    TestClientProcess raised({"--title", "raised"});
    const AXElementRef element = windowElement(raised);
    ASSERT_TRUE(windowElement(other) && element);
    // One raise: its steps carry one number.
    const AXStep kRaise{.request = 1, .minimisesHeard = std::nullopt};
    ASSERT_EQ(element->setAttributeValueAsStepOf(kRaise, ax::main, true), axerror::success);
    ASSERT_TRUE(settle([&] { return desktop().registry().activeWindow() == raised.window(); }));

    char id[16];
    std::snprintf(id, sizeof id, "%u", raised.window());
    std::vector<std::string> command = {"xdotool", GetParam().xdotool, id};
    if (std::string(GetParam().xdotool) == "set_desktop_for_window") command.push_back("1");
    ASSERT_EQ(runProcess(command).status, 0);
    ASSERT_TRUE(settle([&] { return get<bool>(element, GetParam().attribute) == true; }));

    // The raise's next steps, a moment after its first.
    EXPECT_EQ(element->performActionAsStepOf(kRaise, ax::raiseAction), axerror::success);
    auto app = platform_.accessibility->applicationElement(raised.pid());
    EXPECT_EQ(app->setAttributeValueAsStepOf(kRaise, ax::frontmost, true), axerror::success);
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    // Neither shown again nor its desktop switched to.
    EXPECT_EQ(get<bool>(element, GetParam().attribute), true);

    // Put back: the window on the first desktop, shown.
    if (std::string(GetParam().xdotool) == "set_desktop_for_window")
        runProcess({"xdotool", "set_desktop_for_window", id, "0"});
}

INSTANTIATE_TEST_SUITE_P(UserActions, RaiseStepsAfterAUserAction,
                         ::testing::Values(UserAction{"Minimised", "windowminimize", "AXMinimized"},
                                           UserAction{"SentToAnotherDesktop",
                                                      "set_desktop_for_window", "AXAway"}),
                         [](const auto& row) { return std::string(row.param.name); });

// A raise told how many minimises of the window its asker had heard of, asked once the user's
// minimise was carried out: only one asked knowing of it shows the window again, however soon.
struct KnownMinimises {
    const char* name;
    std::uint64_t heard;
    bool shownAgain;
};

void PrintTo(const KnownMinimises& row, std::ostream* out) {
    *out << row.name;
}

class ARaiseAfterTheUsersMinimise : public X11Fixture,
                                    public ::testing::WithParamInterface<KnownMinimises> {};

TEST_P(ARaiseAfterTheUsersMinimise, ShowsTheWindowOnlyWhenItsAskerKnewOfTheMinimise) {
    TestClientProcess other({"--title", "other"});
    TestClientProcess raised({"--title", "raised"});
    const AXElementRef element = windowElement(raised);
    ASSERT_TRUE(windowElement(other) && element);
    ASSERT_TRUE(runProcess({"xdotool", "windowminimize", std::to_string(raised.window())}).status ==
                0);
    ASSERT_TRUE(settle([&] { return get<bool>(element, ax::minimized) == true; }));

    const AXStep raise{.request = 1, .minimisesHeard = GetParam().heard};
    EXPECT_EQ(element->setAttributeValueAsStepOf(raise, ax::main, true), axerror::success);
    ASSERT_TRUE(windowManagerCaughtUp(connection()));
    if (GetParam().shownAgain) {
        EXPECT_TRUE(settle([&] { return get<bool>(element, ax::minimized) == false; }));
    } else {
        EXPECT_EQ(get<bool>(element, ax::minimized), true);
    }
}

INSTANTIATE_TEST_SUITE_P(Asks, ARaiseAfterTheUsersMinimise,
                         ::testing::Values(KnownMinimises{"AskedBeforeItWasHeard", 0, false},
                                           KnownMinimises{"AskedKnowingOfIt", 1, true}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
