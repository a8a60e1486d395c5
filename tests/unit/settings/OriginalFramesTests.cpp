#include <gtest/gtest.h>

#include "settings/JSONFiles.h"
#include "settings/OriginalFrames.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

using namespace brindlow;

namespace {

const Rect kParked{1900, 100, 800, 600};

class OriginalFrames : public test::QuietLogTest {
  protected:
    test::TempFolder temp;
    OriginalFramesFile file{temp.path() / "Brindlow"};
};

TEST(OriginalFramesMatch, ByIdWithTheSameClassElseByClassAndTitle) {
    const std::vector<WindowFrameRecord> stored = {
        {7, "XTerm", "build", {10, 20, 300, 200}},
        {8, "XTerm", "logs", {40, 50, 300, 200}},
        {9, "Gimp", "image.png", {0, 0, 1000, 800}},
        {10, "Firefox", "news", {5, 5, 900, 700}},
    };
    const std::vector<WindowFrameRecord> live = {
        {7, "XTerm", "renamed", kParked},    // same id and class
        {21, "XTerm", "logs", kParked},      // the server restarted: class and title
        {9, "Emacs", "image.png", kParked},  // id reused by another application
        {30, "Firefox", "other", kParked},   // nothing fits: keeps its frame
    };
    const std::map<WindowID, Rect> expected = {
        {7, Rect(10, 20, 300, 200)}, {21, Rect(40, 50, 300, 200)}, {9, kParked}, {30, kParked}};
    EXPECT_EQ(matchOriginalFrames(stored, live), expected);
}

TEST_F(OriginalFrames, AdoptedFramesOutliveAnUncleanExitUntilACleanQuit) {
    // First run: the windows stand where the user left them.
    EXPECT_EQ(file.adopt({{5, "XTerm", "a", {100, 100, 400, 300}}}),
              (std::map<WindowID, Rect>{{5, Rect(100, 100, 400, 300)}}));
    // Killed: the next run finds the window parked and gets the true original.
    EXPECT_EQ(file.adopt({{5, "XTerm", "a", kParked}, {6, "XTerm", "b", {0, 0, 50, 50}}}),
              (std::map<WindowID, Rect>{{5, Rect(100, 100, 400, 300)}, {6, Rect(0, 0, 50, 50)}}));
    EXPECT_EQ(std::filesystem::status(file.path()).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // A clean quit put them back: a later start takes the frames as they are.
    file.forget();
    EXPECT_FALSE(std::filesystem::exists(file.path()));
    EXPECT_EQ(file.adopt({{5, "XTerm", "a", kParked}}), (std::map<WindowID, Rect>{{5, kParked}}));
}

TEST_F(OriginalFrames, EntriesThatDoNotReadAreSkipped) {
    writeJSONValue(nlohmann::json::parse(R"({"windows": [
        {"id": 5, "bundleID": "XTerm", "title": "a", "x": 1, "y": 2, "width": 3, "height": 4},
        {"id": "six", "bundleID": "XTerm", "title": "b", "x": 1, "y": 2, "width": 3, "height": 4}]})"),
                   file.path());
    EXPECT_EQ(file.adopt({{5, "XTerm", "a", kParked}, {6, "XTerm", "b", kParked}}),
              (std::map<WindowID, Rect>{{5, Rect(1, 2, 3, 4)}, {6, kParked}}));
}

}  // namespace
