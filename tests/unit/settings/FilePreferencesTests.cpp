#include <gtest/gtest.h>

#include <fstream>

#include "platform/ManualExecutor.h"
#include "settings/FilePreferences.h"
#include "settings/JSONFiles.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

TEST(FilePreferences, KeepsValuesAcrossRunsAndLeavesOtherKeysAlone) {
    test::TempFolder folder;
    const auto file = folder.path() / "preferences.json";
    {
        std::ofstream(file)
            << R"({"KeyboardShortcuts_a" : {"carbonKeyCode" : 37, "carbonModifiers" : 6144},
                                   "other" : [1, 2]})";
    }
    {
        FilePreferences preferences(file);
        EXPECT_EQ(preferences.string("KeyboardShortcuts_a"),
                  R"({"carbonKeyCode":37,"carbonModifiers":6144})");
        preferences.setObject("KeyboardShortcuts_b", false);
        preferences.setObject("KeyboardShortcuts_c", std::string("{}"));
        preferences.removeObject("KeyboardShortcuts_a");
    }
    FilePreferences reread(file);
    EXPECT_EQ(reread.keys(),
              (std::vector<std::string>{"KeyboardShortcuts_b", "KeyboardShortcuts_c", "other"}));
    EXPECT_EQ(reread.object("KeyboardShortcuts_b"), PreferenceValue(false));
    EXPECT_EQ(reread.string("other"), "[1,2]");
    EXPECT_FALSE(reread.object("KeyboardShortcuts_a"));
}

TEST(FilePreferences, AnUnreadableFileIsKeptAside) {
    LogSink::setStderrEnabled(false);
    test::TempFolder folder;
    const auto file = folder.path() / "preferences.json";
    { std::ofstream(file) << "[not an object"; }
    FilePreferences preferences(file);
    EXPECT_TRUE(preferences.keys().empty());
    preferences.setObject("k", std::int64_t{1});
    EXPECT_EQ(readFileBytes(folder.path() / "preferences.json.unreadable"), "[not an object");
    EXPECT_EQ(FilePreferences(file).object("k"), PreferenceValue(std::int64_t{1}));
}

TEST(FilePreferences, ChangesOfOneMainQueueTurnAreWrittenOnce) {
    test::TempFolder folder;
    const auto file = folder.path() / "preferences.json";
    VirtualTime time;
    ManualExecutor main(time, "main");
    auto preferences = std::make_unique<FilePreferences>(file, &main);
    preferences->setObject("a", std::int64_t{1});
    preferences->setObject("b", std::int64_t{2});
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(time.runUntilIdle(), 1u);
    EXPECT_EQ(FilePreferences(file).keys(), (std::vector<std::string>{"a", "b"}));
    // A change still pending when the store goes is written then.
    preferences->removeObject("a");
    preferences.reset();
    time.runUntilIdle();
    EXPECT_EQ(FilePreferences(file).keys(), (std::vector<std::string>{"b"}));
}

}  // namespace
}  // namespace brindlow
