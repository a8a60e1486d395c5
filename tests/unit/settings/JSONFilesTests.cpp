#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <set>

#include <filesystem>
#include <fstream>

#include "platform/UUID.h"
#include "settings/Date.h"
#include "settings/JSONEncoder.h"
#include "settings/JSONFiles.h"
#include "settings/SavedArrangement.h"
#include "settings/StorageFolder.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

using namespace brindlow;
namespace fs = std::filesystem;

namespace {

using Heights = std::map<std::string, double>;

using test::errorsMentioning;

class JSONFiles : public test::QuietLogTest {
  protected:
    test::TempFolder temp;
};

}  // namespace

struct EncodedCase {
    nlohmann::json value;
    std::string text;
};

class JSONEncoderText : public ::testing::TestWithParam<EncodedCase> {};

// Layout, key order and whole numbers are checked by the settings file text; these are the edges.
TEST_P(JSONEncoderText, EncodesToItsLiteralText) {
    EXPECT_EQ(encodeJSON(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, JSONEncoderText,
    ::testing::Values(EncodedCase{-0.0, "0"}, EncodedCase{"org/x", "\"org\\/x\""},
                      EncodedCase{1.0 / 3.0, "0.3333333333333333"},
                      EncodedCase{"a\"b\\c\n\t\x01", "\"a\\\"b\\\\c\\n\\t\\u0001\""},
                      EncodedCase{"é中", "\"é中\""},
                      // A Latin-1 title as an X11 client might send it: replaced, not thrown.
                      EncodedCase{"caf\xE9 \xC3", "\"caf\xEF\xBF\xBD \xEF\xBF\xBD\""},
                      // A surrogate, and an overlong "/".
                      EncodedCase{"\xED\xA0\x80ok", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDok\""},
                      EncodedCase{"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""}));

TEST(UUIDText, UpperCaseOutLowerCaseIn) {
    const auto uuid = UUID::parse("0f8fad5b-d9cb-469f-a165-70867728950e");
    ASSERT_TRUE(uuid);
    EXPECT_EQ(uuid->text(), "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_FALSE(UUID::parse("0f8fad5b-d9cb-469f-a165-70867728950"));
    EXPECT_FALSE(UUID::parse("0f8fad5bxd9cb-469f-a165-70867728950e"));
    EXPECT_FALSE(UUID::parse("0g8fad5b-d9cb-469f-a165-70867728950e"));
    EXPECT_NE(UUID::random(), UUID::random());
    EXPECT_EQ(UUID::parse(UUID::random().text()).has_value(), true);
}

TEST_F(JSONFiles, MissingFileOrAFolderInItsPlaceGivesNothingAndLogsNothing) {
    EXPECT_FALSE(readJSON<Heights>(temp.path() / "absent.json"));
    const fs::path folder = temp.path() / "session.json";
    fs::create_directory(folder);
    EXPECT_FALSE(readJSON<Heights>(folder));
    EXPECT_TRUE(LogSink::recent().empty());
}

TEST_F(JSONFiles, EmptyOrWrongShapeFileLogsCouldNotReadWithItsName) {
    const fs::path file = temp.path() / "session.json";
    std::ofstream(file).close();
    EXPECT_FALSE(readJSON<Heights>(file));
    const auto errors = errorsMentioning("Could not read session.json: ");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].category, "Storage");
    std::ofstream(file) << "{\"a\": \"tall\"}";
    EXPECT_FALSE(readJSON<Heights>(file));
    EXPECT_EQ(errorsMentioning("Could not read session.json").size(), 2u);
}

TEST_F(JSONFiles, NonFiniteValueLeavesThePreviousContent) {
    const fs::path file = temp.path() / "m.json";
    writeJSON(Heights{{"a", 1}}, file);
    const auto before = readFileBytes(file);
    writeJSON(Heights{{"a", INFINITY}}, file);
    EXPECT_EQ(readFileBytes(file), before);
    EXPECT_EQ(errorsMentioning("Could not write m.json").size(), 1u);
}

TEST(Date, CountsSecondsSinceTheStartOf2001) {
    EXPECT_EQ(Date{0}.unixSeconds(), 978307200.0);
}

TEST_F(JSONFiles, UnreadableFileIsKeptAsideBeforeItsFirstOverwrite) {
    const fs::path file = temp.path() / "layouts.json";
    std::ofstream(file) << "[{\"broken\": ";
    EXPECT_FALSE(readJSONValue(file));
    writeJSONValue(nlohmann::json::array(), file);
    fs::path aside = file;
    aside += ".unreadable";
    ASSERT_TRUE(fs::exists(aside));
    EXPECT_EQ(*readFileBytes(aside), "[{\"broken\": ");
    EXPECT_EQ(*readFileBytes(file), "[]");
    // Later writes replace the file normally and leave the kept copy alone.
    writeJSONValue(nlohmann::json::array({1}), file);
    EXPECT_EQ(*readFileBytes(aside), "[{\"broken\": ");
}

// A file that is valid JSON but not what its reader takes: kept aside at its first overwrite
// like one that does not parse, since it is the user's (written by hand, or by another version).
struct StrictCase {
    const char* name;
    const char* text;
    bool (*reads)(const fs::path&);
};

void PrintTo(const StrictCase& strict, std::ostream* out) {
    *out << strict.name;
}

class StrictReading : public JSONFiles, public ::testing::WithParamInterface<StrictCase> {};

TEST_P(StrictReading, AValidFileTheReaderCannotTakeIsKeptAsideBeforeItsFirstOverwrite) {
    const fs::path file = temp.path() / "stored.json";
    std::ofstream(file) << GetParam().text;
    EXPECT_FALSE(GetParam().reads(file));
    writeJSONValue(nlohmann::json::array(), file);
    EXPECT_EQ(readFileBytes(file.string() + ".unreadable"), GetParam().text);
    EXPECT_EQ(readFileBytes(file), "[]");
    EXPECT_EQ(errorsMentioning("Kept unreadable stored.json as stored.json.unreadable").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, StrictReading,
    ::testing::Values(
        StrictCase{"HeightThatIsText", R"({"Editor": "tall"})",
                   [](const fs::path& f) { return readJSON<Heights>(f).has_value(); }},
        StrictCase{"HeightsAsAList", "[480, 520]",
                   [](const fs::path& f) { return readJSON<Heights>(f).has_value(); }},
        StrictCase{
            "LayoutWithoutItsColumns", R"([{"name": "Work"}])",
            [](const fs::path& f) { return readJSON<std::vector<NamedLayout>>(f).has_value(); }}),
    [](const auto& named) { return std::string(named.param.name); });

TEST_F(JSONFiles, FirstWriteMakesAnOwnerOnlyFolderAndLeavesNothingButTheFile) {
    const mode_t previous = umask(022);
    // The folder above the storage folder may be missing too.
    const fs::path file = temp.path() / "data" / "Brindlow" / "session.json";
    writeJSON(Heights{{"a", 1}}, file);
    writeJSON(Heights{{"a", 2}}, file);
    umask(previous);
    EXPECT_EQ(readJSON<Heights>(file), (Heights{{"a", 2}}));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(file.parent_path()).permissions(), fs::perms::owner_all);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1);
    EXPECT_TRUE(LogSink::recent().empty());
}

TEST_F(JSONFiles, ExistingFolderKeepsItsModeButOneOthersMayWriteIsReportedOnce) {
    const fs::path folder = temp.path() / "Shared";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);
    writeJSON(Heights{{"a", 1}}, folder / "layouts.json");
    writeJSON(Heights{{"a", 1}}, folder / "session.json");
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::all);
    const auto records = LogSink::recent();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message,
              "Others may write to " + folder.string() + " (mode 777); it holds window titles");
}

TEST_F(JSONFiles, OnlyOurOwnUnfinishedTempFilesAreRemoved) {
    const fs::path folder = temp.path();
    for (const char* name : {".layouts.json.a1B2c3", ".settings.json.unreadable.ZZZZZZ",
                             ".layouts.json.Q", ".bashrc.abcdef", "layouts.json", ".json.abcdef"})
        std::ofstream(folder / name) << "x";
    EXPECT_EQ(removeStaleTempFiles(folder), 2);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) left.insert(entry.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{".layouts.json.Q", ".bashrc.abcdef", "layouts.json",
                                           ".json.abcdef"}));
}

TEST_F(JSONFiles, NoTempFileOutlivesTwoHundredKillsDuringSaves) {
    const fs::path file = temp.path() / "layouts.json";
    const std::string bytes = "[\"" + std::string(1 << 20, 'l') + "\"]";
    ASSERT_FALSE(writeFileAtomically(file, bytes));
    for (int kill = 0; kill < 200; ++kill) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saves until killed; says so once the first save is under way.
            close(ready[0]);
            bool told = false;
            for (;;) {
                if (!told) told = write(ready[1], "s", 1) == 1;
                writeFileAtomically(file, bytes);
            }
        }
        close(ready[1]);
        char started;
        ASSERT_EQ(read(ready[0], &started, 1), 1);
        close(ready[0]);
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    removeStaleTempFiles(temp.path());
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(temp.path()))
        names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"layouts.json"});
    EXPECT_TRUE(readJSONValue(file).has_value());
}

TEST(StorageFolder, FollowsXDGDataHome) {
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string previous = saved ? saved : "";
    setenv("XDG_DATA_HOME", "/tmp/brindlow-data", 1);
    EXPECT_EQ(storageFile("settings.json"), fs::path("/tmp/brindlow-data/Brindlow/settings.json"));
    setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored
    EXPECT_EQ(storageFolder().filename(), "Brindlow");
    EXPECT_NE(storageFolder(), fs::path("relative/Brindlow"));
    if (saved)
        setenv("XDG_DATA_HOME", previous.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}
