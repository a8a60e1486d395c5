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
    const std::map<WindowID, OriginalFrame> expected = {{7, {Rect(10, 20, 300, 200)}},
                                                        {21, {Rect(40, 50, 300, 200)}},
                                                        {9, {kParked}},
                                                        {30, {kParked}}};
    EXPECT_EQ(matchOriginalFrames(stored, live), expected);
}

TEST_F(OriginalFrames, EntriesThatDoNotReadAreSkipped) {
    writeJSONValue(nlohmann::json::parse(R"({"windows": [
        {"id": 5, "bundleID": "XTerm", "title": "a", "x": 1, "y": 2, "width": 3, "height": 4},
        {"id": "six", "bundleID": "XTerm", "title": "b", "x": 1, "y": 2, "width": 3, "height": 4}]})"),
                   file.path());
    EXPECT_EQ(file.adopt({{5, "XTerm", "a", kParked}, {6, "XTerm", "b", kParked}}),
              (std::map<WindowID, OriginalFrame>{{5, {Rect(1, 2, 3, 4)}}, {6, {kParked}}}));
}

// Maximised before it was tiled, a window is known so after a kill: the next start (its window no
// longer maximised) finds it in the file. A file of an earlier version, without the state, still
// gives its frames, none maximised; a window the file does not know keeps its own state.
TEST_F(OriginalFrames, KeepTheMaximisedState) {
    file.adopt({{5, "Office", "big", Rect(0, 0, 1920, 1080), true}, {6, "XTerm", "b", kParked}});
    EXPECT_EQ(file.adopt({{5, "Office", "big", kParked},
                          {6, "XTerm", "b", kParked},
                          {7, "XTerm", "c", kParked, true}}),
              (std::map<WindowID, OriginalFrame>{
                  {5, {Rect(0, 0, 1920, 1080), true}}, {6, {kParked}}, {7, {kParked, true}}}));

    writeJSONValue(nlohmann::json::parse(R"({"windows": [
        {"id": 5, "bundleID": "Office", "title": "big", "x": 1, "y": 2, "width": 3, "height": 4}]})"),
                   file.path());
    EXPECT_EQ(file.adopt({{5, "Office", "big", kParked}}),
              (std::map<WindowID, OriginalFrame>{{5, {Rect(1, 2, 3, 4), false}}}));
}

}  // namespace
