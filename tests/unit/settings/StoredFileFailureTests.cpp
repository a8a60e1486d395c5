#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "settings/JSONFiles.h"
#include "support/FailingFileCalls.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

using namespace brindlow;
namespace fs = std::filesystem;

namespace {

using test::errorsMentioning;

void writeText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

class StoredFiles : public test::QuietLogTest {
  protected:
    fs::path file() const { return temp.path() / "layouts.json"; }
    fs::path aside() const { return temp.path() / "layouts.json.unreadable"; }
    test::TempFolder temp;
    test::FailingFileCalls calls;
};

struct FullDiskCase {
    const char* name;
    int writeError;
    int flushError;
    const char* reason;
};

class FullDisk : public StoredFiles, public ::testing::WithParamInterface<FullDiskCase> {};

TEST_P(FullDisk, FailedWriteIsReturnedAndLoggedAndTheFileInPlaceStays) {
    writeText(file(), R"(["Work"])");
    calls.failWritesWith(GetParam().writeError);
    calls.failFlushesWith(GetParam().flushError);
    EXPECT_EQ(writeJSONValue(nlohmann::json::array({"Second"}), file()),
              std::optional<std::string>(GetParam().reason));
    EXPECT_EQ(readFileBytes(file()), R"(["Work"])");
    const auto errors = errorsMentioning("Could not write layouts.json: ");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message, std::string("Could not write layouts.json: ") + GetParam().reason);
    // The unfinished temporary file is gone.
    EXPECT_EQ(namesIn(temp.path()), std::set<std::string>{"layouts.json"});

    calls.failWritesWith(0);
    calls.failFlushesWith(0);
    EXPECT_EQ(writeJSONValue(nlohmann::json::array({"Second"}), file()), std::nullopt);
    EXPECT_EQ(readFileBytes(file()), "[\n  \"Second\"\n]");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FullDisk,
    ::testing::Values(FullDiskCase{"NoSpaceOnWrite", ENOSPC, 0, "No space left on device"},
                      FullDiskCase{"QuotaOnWrite", EDQUOT, 0, "Disk quota exceeded"},
                      FullDiskCase{"NoSpaceOnFlush", 0, ENOSPC, "No space left on device"},
                      FullDiskCase{"BadDiskOnFlush", 0, EIO, "Input/output error"}),
    [](const auto& named) { return std::string(named.param.name); });

TEST_F(StoredFiles, FileThatCannotBeReadIsLoggedThenRenamedAsideBeforeItIsReplaced) {
    writeText(file(), R"(["Work"])");
    calls.makeUnreadable(file());
    EXPECT_FALSE(readJSONValue(file()));
    EXPECT_EQ(errorsMentioning("Could not read layouts.json: Permission denied").size(), 1u);

    EXPECT_EQ(writeJSONValue(nlohmann::json::array({"Second"}), file()), std::nullopt);
    EXPECT_EQ(errorsMentioning("Kept unreadable layouts.json as layouts.json.unreadable before "
                               "replacing it")
                  .size(),
              1u);
    EXPECT_EQ(readFileBytes(aside()), std::nullopt);  // still without read permission
    EXPECT_EQ(readFileBytes(file()), "[\n  \"Second\"\n]");
    // Later writes replace the new file and leave the kept one alone.
    writeJSONValue(nlohmann::json::array(), file());
    EXPECT_EQ(namesIn(temp.path()),
              (std::set<std::string>{"layouts.json", "layouts.json.unreadable"}));
    EXPECT_EQ(errorsMentioning("Kept unreadable").size(), 1u);
}

// A second bad layouts file, kept aside later, never replaces the first: each is kept.
TEST_F(StoredFiles, EachUnreadableFileIsKeptUnderANameOfItsOwn) {
    for (const char* bad : {"[not json", "{not json either", "still not json"}) {
        writeText(file(), bad);
        EXPECT_FALSE(readJSONValue(file()));
        writeJSONValue(nlohmann::json::array(), file());
    }
    EXPECT_EQ(readFileBytes(aside()), "[not json");
    EXPECT_EQ(readFileBytes(temp.path() / "layouts.json.unreadable.2"), "{not json either");
    EXPECT_EQ(readFileBytes(temp.path() / "layouts.json.unreadable.3"), "still not json");
    EXPECT_EQ(errorsMentioning("Kept unreadable layouts.json as layouts.json.unreadable.3 before "
                               "replacing it")
                  .size(),
              1u);
}

TEST_F(StoredFiles, UnreadableFileIsKeptAsideEvenWhenNoReadNoticedIt) {
    writeText(file(), R"(["Work"])");
    calls.makeUnreadable(file());
    writeJSONValue(nlohmann::json::array(), file());
    // The kept file is the user's, byte for byte (read here past the injected refusal).
    test::FailingFileCalls readable;
    EXPECT_EQ(readFileBytes(aside()), R"(["Work"])");
    EXPECT_EQ(readFileBytes(file()), "[]");
}

TEST_F(StoredFiles, UnreadableFileStaysInPlaceWhenItsReplacementCannotBeWritten) {
    writeText(file(), R"(["Work"])");
    calls.makeUnreadable(file());
    calls.failWritesWith(ENOSPC);
    EXPECT_EQ(writeJSONValue(nlohmann::json::array(), file()),
              std::optional<std::string>("No space left on device"));
    EXPECT_EQ(namesIn(temp.path()), std::set<std::string>{"layouts.json"});

    calls.failWritesWith(0);
    writeJSONValue(nlohmann::json::array(), file());
    EXPECT_EQ(namesIn(temp.path()),
              (std::set<std::string>{"layouts.json", "layouts.json.unreadable"}));
    test::FailingFileCalls readable;
    EXPECT_EQ(readFileBytes(aside()), R"(["Work"])");
}

// The real thing, where the test is not run as root (root reads a file of mode 000).
TEST_F(StoredFiles, FileOfModeZeroIsKeptAside) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    writeText(file(), R"(["Work"])");
    fs::permissions(file(), fs::perms::none);
    EXPECT_FALSE(readJSONValue(file()));
    writeJSONValue(nlohmann::json::array(), file());
    EXPECT_EQ(fs::status(aside()).permissions(), fs::perms::none);
    fs::permissions(aside(), fs::perms::owner_read);
    EXPECT_EQ(readFileBytes(aside()), R"(["Work"])");
    EXPECT_EQ(readFileBytes(file()), "[]");
}

struct LinkCase {
    const char* name;
    // How settings.json in the storage folder leads to dotfiles/settings.json.
    std::vector<std::pair<std::string, std::string>> links;  // link name -> link text
    bool targetExists;
};

class LinkedFile : public StoredFiles, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkedFile, WriteGoesThroughTheLinkWhichStays) {
    const fs::path storage = temp.path() / "Brindlow";
    const fs::path target = temp.path() / "dotfiles" / "settings.json";
    fs::create_directories(storage);
    fs::create_directories(target.parent_path());
    if (GetParam().targetExists) writeText(target, R"({"gap": 4})");
    for (const auto& [link, text] : GetParam().links) {
        const fs::path linkText = text == "<absolute>" ? target : fs::path(text);
        fs::create_symlink(linkText, temp.path() / link);
    }
    const fs::path file = storage / "settings.json";
    ASSERT_TRUE(fs::is_symlink(file));
    const fs::path linkBefore = fs::read_symlink(file);

    EXPECT_EQ(writeJSONValue(nlohmann::json{{"gap", 6}}, file), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(fs::read_symlink(file), linkBefore);
    EXPECT_EQ(readFileBytes(target), "{\n  \"gap\" : 6\n}");
    EXPECT_EQ(readFileBytes(file), readFileBytes(target));
    // No temporary file is left in either folder.
    EXPECT_EQ(namesIn(target.parent_path()), std::set<std::string>{"settings.json"});
    EXPECT_TRUE(LogSink::recent().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkedFile,
    ::testing::Values(
        LinkCase{"Relative", {{"Brindlow/settings.json", "../dotfiles/settings.json"}}, true},
        LinkCase{"Absolute", {{"Brindlow/settings.json", "<absolute>"}}, true},
        LinkCase{"ChainOfTwo",
                 {{"middle.json", "dotfiles/settings.json"},
                  {"Brindlow/settings.json", "../middle.json"}},
                 true},
        LinkCase{
            "TargetNotMadeYet", {{"Brindlow/settings.json", "../dotfiles/settings.json"}}, false}),
    [](const auto& named) { return std::string(named.param.name); });

TEST_F(StoredFiles, UnreadableLinkedFileIsKeptAsideBesideItsTarget) {
    const fs::path target = temp.path() / "dotfiles" / "session.json";
    writeText(target, "{}");
    fs::create_directories(temp.path() / "Brindlow");
    const fs::path file = temp.path() / "Brindlow" / "session.json";
    fs::create_symlink("../dotfiles/session.json", file);
    calls.makeUnreadable(target);
    writeJSONValue(nlohmann::json::object(), file);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(namesIn(target.parent_path()),
              (std::set<std::string>{"session.json", "session.json.unreadable"}));
}

TEST_F(StoredFiles, LinkLoopIsAFailedWriteNotAHang) {
    fs::create_symlink("b.json", temp.path() / "a.json");
    fs::create_symlink("a.json", temp.path() / "b.json");
    const WriteFailure failure = writeJSONValue(nlohmann::json::object(), temp.path() / "a.json");
    ASSERT_TRUE(failure);
    EXPECT_EQ(errorsMentioning("Could not write a.json: ").size(), 1u);
    EXPECT_TRUE(fs::is_symlink(temp.path() / "a.json"));
}

}  // namespace
