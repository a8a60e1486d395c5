#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/JSONFiles.h"
#include "settings/SettingsStore.h"
#include "support/FailingFileCalls.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

using namespace brindlow;
namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

class SettingsStoreTest : public test::QuietLogTest {
  protected:
    fs::path file() const { return temp.path() / "Brindlow" / "settings.json"; }
    fs::path keptAside() const { return temp.path() / "Brindlow" / "settings.json.unreadable"; }
    std::optional<AppSettings> onDisk() const {
        const auto bytes = readFileBytes(file());
        return bytes ? decodeSettingsText(*bytes) : std::nullopt;
    }
    test::TempFolder temp;
};

}  // namespace

TEST_F(SettingsStoreTest, FirstStartHoldsDefaultsAndWritesOnlyOnTheFirstChange) {
    SettingsStore store(file());
    EXPECT_EQ(store.settings(), AppSettings{});
    EXPECT_FALSE(fs::exists(file().parent_path()));

    store.update([](AppSettings& s) { s.gap = 8; });
    EXPECT_EQ(onDisk()->gap, 8);
    EXPECT_TRUE(LogSink::recent().empty());
}

TEST_F(SettingsStoreTest, EqualAssignmentWritesNothingCallsNoListenerButTellsObservers) {
    SettingsStore store(file());
    int listened = 0, observed = 0;
    store.addListener([&](const AppSettings&) { ++listened; });
    store.addObserver([&] { ++observed; });

    store.setSettings(AppSettings{});
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_EQ(listened, 0);
    EXPECT_EQ(observed, 1);

    store.update([](AppSettings& s) { s.focusBorder = true; });
    store.update([](AppSettings& s) { s.focusBorder = true; });
    EXPECT_EQ(listened, 1);
    EXPECT_EQ(observed, 3);
}

TEST_F(SettingsStoreTest, FileIsWrittenBeforeListenersAreCalled) {
    SettingsStore store(file());
    std::optional<AppSettings> seenOnDisk;
    store.addListener([&](const AppSettings&) { seenOnDisk = onDisk(); });
    store.update([](AppSettings& s) { s.dimInactive = true; });
    ASSERT_TRUE(seenOnDisk);
    EXPECT_TRUE(seenOnDisk->dimInactive);
}

TEST_F(SettingsStoreTest, NestedChangeRunsAWholePassBeforeTheOuterOneGoesOn) {
    SettingsStore store(file());
    std::vector<std::pair<char, double>> calls;
    bool first = true;
    store.addListener([&](const AppSettings& s) {
        calls.emplace_back('A', s.gap);
        if (first) {
            first = false;
            store.update([](AppSettings& v) { v.gap = 2; });
        }
    });
    store.addListener([&](const AppSettings& s) { calls.emplace_back('B', s.gap); });

    store.update([](AppSettings& v) { v.gap = 1; });
    const std::vector<std::pair<char, double>> expected = {{'A', 1}, {'A', 2}, {'B', 2}, {'B', 2}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(onDisk()->gap, 2);
}

TEST_F(SettingsStoreTest, ListenerAddedDuringAPassWaitsForTheNextChange) {
    SettingsStore store(file());
    int late = 0;
    store.addListener(
        [&](const AppSettings&) { store.addListener([&](const AppSettings&) { ++late; }); });
    store.update([](AppSettings& s) { s.gap = 1; });
    EXPECT_EQ(late, 0);
    store.update([](AppSettings& s) { s.gap = 2; });
    EXPECT_EQ(late, 1);
}

TEST_F(SettingsStoreTest, PartialFileLoadsSilentlyAndStaysUntilTheFirstChange) {
    writeText(file(), R"({"gap": 4})");
    SettingsStore store(file());
    EXPECT_EQ(store.settings().gap, 4);
    EXPECT_EQ(store.settings().outerGap, 12);
    EXPECT_TRUE(LogSink::recent().empty());
    EXPECT_EQ(readFileBytes(file()), R"({"gap": 4})");
}

TEST_F(SettingsStoreTest, FileThatCannotBeReadGivesDefaultsSilently) {
    fs::create_directories(file());  // a folder where the file should be
    SettingsStore store(file());
    EXPECT_EQ(store.settings(), AppSettings{});
    EXPECT_TRUE(LogSink::recent().empty());
    store.update([](AppSettings& s) { s.gap = 6; });
    EXPECT_FALSE(fs::exists(keptAside()));  // nothing was undecodable, so nothing is kept aside
}

TEST_F(SettingsStoreTest, UndecodableFileIsLoggedAndKeptAsideBeforeItIsReplaced) {
    writeText(file(), "[]");
    SettingsStore store(file());
    EXPECT_EQ(store.settings(), AppSettings{});
    EXPECT_EQ(test::errorsMentioning("Settings file unreadable, using defaults: ").size(), 1u);
    EXPECT_EQ(readFileBytes(file()), "[]");

    store.update([](AppSettings& s) { s.gap = 6; });
    EXPECT_EQ(readFileBytes(keptAside()), "[]");
    EXPECT_EQ(onDisk()->gap, 6);
}

TEST_F(SettingsStoreTest, DroppedRulesKeepTheOriginalFileAside) {
    const std::string original = R"({"appRules": [
        {"bundleID": "org.a", "name": "A", "behavior": "tile"},
        {"bundleID": "org.b", "name": "B", "behavior": "stack"}]})";
    writeText(file(), original);
    SettingsStore store(file());
    ASSERT_EQ(store.settings().appRules.size(), 1u);
    store.update([](AppSettings& s) { s.gap = 5; });
    // The file was read; it is kept for the rules it lost, under a name that says so.
    const fs::path kept = temp.path() / "Brindlow" / "settings.json.dropped-rules";
    EXPECT_EQ(readFileBytes(kept), original);
    EXPECT_FALSE(fs::exists(keptAside()));
    EXPECT_EQ(test::errorsMentioning("Kept settings.json as settings.json.dropped-rules before "
                                     "replacing it: it holds app rules that could not be read")
                  .size(),
              1u);
    EXPECT_EQ(onDisk()->appRules.size(), 1u);
}

TEST_F(SettingsStoreTest, ASecondUnreadableFileLeavesTheFirstOneKept) {
    writeText(file(), "[]");
    SettingsStore(file()).update([](AppSettings& s) { s.gap = 6; });
    writeText(file(), "[2]");
    SettingsStore(file()).update([](AppSettings& s) { s.gap = 7; });
    EXPECT_EQ(readFileBytes(keptAside()), "[]");
    EXPECT_EQ(readFileBytes(temp.path() / "Brindlow" / "settings.json.unreadable.2"), "[2]");
    EXPECT_EQ(onDisk()->gap, 7);
}

TEST_F(SettingsStoreTest, FileWithoutReadPermissionIsLoggedAndKeptAsideBeforeItIsReplaced) {
    const std::string original = R"({"gap": 30, "defaultWidth": 0.75})";
    writeText(file(), original);
    {
        test::FailingFileCalls calls;
        calls.makeUnreadable(file());
        SettingsStore store(file());
        EXPECT_EQ(store.settings(), AppSettings{});
        EXPECT_EQ(
            test::errorsMentioning("Settings file unreadable, using defaults: Permission denied")
                .size(),
            1u);
        store.update([](AppSettings& s) { s.focusBorder = !s.focusBorder; });
        EXPECT_EQ(test::errorsMentioning("Kept unreadable settings.json as "
                                         "settings.json.unreadable before replacing it")
                      .size(),
                  1u);
    }
    EXPECT_EQ(readFileBytes(keptAside()), original);
    EXPECT_EQ(onDisk()->focusBorder, !AppSettings{}.focusBorder);
}

TEST_F(SettingsStoreTest, LinkedFileIsReadAndWrittenThroughItsLink) {
    const fs::path target = temp.path() / "dotfiles" / "settings.json";
    writeText(target, R"({"gap": 4})");
    fs::create_directories(file().parent_path());
    fs::create_symlink("../dotfiles/settings.json", file());
    SettingsStore store(file());
    EXPECT_EQ(store.settings().gap, 4);
    store.update([](AppSettings& s) { s.gap = 6; });
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(decodeSettingsText(*readFileBytes(target))->gap, 6);
}

TEST_F(SettingsStoreTest, FailedWriteStillKeepsTheValueAndCallsListeners) {
    writeText(temp.path() / "Brindlow", "a plain file where the folder should be");
    SettingsStore store(file());
    int listened = 0;
    store.addListener([&](const AppSettings&) { ++listened; });
    store.update([](AppSettings& s) { s.gap = 3; });
    EXPECT_EQ(listened, 1);
    EXPECT_EQ(store.settings().gap, 3);
    EXPECT_EQ(test::errorsMentioning("Could not write settings.json: ").size(), 1u);
    // The file in the way is left as it was.
    EXPECT_EQ(readFileBytes(temp.path() / "Brindlow"), "a plain file where the folder should be");
}
