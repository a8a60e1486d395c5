#include "app/UpdaterController.h"

#include <gtest/gtest.h>

#include <map>

namespace brindlow::test {
namespace {

struct FeedCase {
    std::map<std::string, std::string> keys;
    bool hasUpdater;
};

class UpdaterDecision : public ::testing::TestWithParam<FeedCase> {};

TEST_P(UpdaterDecision, BothFeedKeysNonEmptyMakeAnUpdater) {
    const auto keys = GetParam().keys;
    const UpdaterController::InfoLookup info =
        [keys](std::string_view key) -> std::optional<std::string> {
        auto found = keys.find(std::string(key));
        if (found == keys.end()) return std::nullopt;
        return found->second;
    };
    int checks = 0;
    const UpdaterController updater(info, [&checks] { ++checks; });
    EXPECT_EQ(updater.hasUpdater(), GetParam().hasUpdater);
    updater.checkForUpdates();
    EXPECT_EQ(checks, GetParam().hasUpdater ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, UpdaterDecision,
    ::testing::Values(FeedCase{{}, false}, FeedCase{{{"SUFeedURL", "https://x/feed.xml"}}, false},
                      FeedCase{{{"SUPublicEDKey", "key"}}, false},
                      FeedCase{{{"SUFeedURL", ""}, {"SUPublicEDKey", "key"}}, false},
                      FeedCase{{{"SUFeedURL", "https://x/feed.xml"}, {"SUPublicEDKey", ""}}, false},
                      FeedCase{{{"SUFeedURL", "https://x/feed.xml"}, {"SUPublicEDKey", "key"}},
                               true}));

TEST(UpdaterController, TheLinuxBuildHasNoUpdaterButKnowsItsVersion) {
    const UpdaterController updater;
    EXPECT_FALSE(updater.hasUpdater());
    updater.checkForUpdates();
    EXPECT_TRUE(bundleInfoValue("CFBundleShortVersionString").has_value());
    EXPECT_EQ(bundleInfoValue("SUFeedURL"), std::nullopt);
}

}  // namespace
}  // namespace brindlow::test
