#include "app/UpdaterController.h"

#include <gtest/gtest.h>

namespace brindlow::test {
namespace {

TEST(UpdaterController, TheLinuxBuildHasNoUpdaterButKnowsItsVersion) {
    const UpdaterController updater;
    EXPECT_FALSE(updater.hasUpdater());
    EXPECT_TRUE(bundleInfoValue("CFBundleShortVersionString").has_value());
    EXPECT_EQ(bundleInfoValue("SUFeedURL"), std::nullopt);
}

}  // namespace
}  // namespace brindlow::test
