#include <gtest/gtest.h>

#include "app/URLRequest.h"

namespace brindlow {
namespace {

using Words = std::vector<std::string>;

TEST(URLRequest, HostPathAndNameQueryBecomeTheWords) {
    EXPECT_EQ(urlArguments("brindlow://focus-left"), Words{"focus-left"});
    EXPECT_EQ(urlArguments("brindlow://jump/3"), (Words{"jump", "3"}));
    EXPECT_EQ(urlArguments("brindlow://layout/restore?name=Work"),
              (Words{"layout", "restore", "Work"}));
    EXPECT_EQ(urlArguments("brindlow://overview/"), Words{"overview"});
    EXPECT_EQ(urlArguments("brindlow://layout//save/?name=A#fragment"),
              (Words{"layout", "save", "A"}));
}

TEST(URLRequest, PartsArePercentDecodedAfterSplitting) {
    EXPECT_EQ(urlArguments("brindlow://layout/save?name=My%20Work"),
              (Words{"layout", "save", "My Work"}));
    EXPECT_EQ(urlArguments("brindlow://layout/save?name=a+b%2Fc"),
              (Words{"layout", "save", "a+b/c"}));
    EXPECT_EQ(urlArguments("brindlow://layout/a%2Fb"), (Words{"layout", "a/b"}));
    EXPECT_EQ(urlArguments("brindlow://layout/save?name=Caf%C3%A9"),
              (Words{"layout", "save", "Caf\xC3\xA9"}));
}

TEST(URLRequest, OnlyTheFirstNameItemCountsAndOneWithoutValueAddsNothing) {
    EXPECT_EQ(urlArguments("brindlow://layout/restore?x=1&name=A&name=B"),
              (Words{"layout", "restore", "A"}));
    EXPECT_EQ(urlArguments("brindlow://layout/restore?name&name=B"), (Words{"layout", "restore"}));
    EXPECT_EQ(urlArguments("brindlow://layout/restore?name="), (Words{"layout", "restore", ""}));
}

TEST(URLRequest, OtherSchemesMissingHostsAndBadEscapesGiveNothing) {
    for (const char* bad : {"https://focus-left", "Brindlow://focus-left", "brindlow:focus-left",
                            "brindlow://", "brindlow:///jump/3", "brindlow://jump/%zz",
                            "brindlow://jump/%4", "brindlow://%ff", "brindlow", "brindlowx://a"}) {
        EXPECT_EQ(urlArguments(bad), std::nullopt) << bad;
    }
    EXPECT_TRUE(looksLikeBrindlowURL("brindlow://x"));
    EXPECT_FALSE(looksLikeBrindlowURL("brindlow"));
}

}  // namespace
}  // namespace brindlow
