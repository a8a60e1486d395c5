#include "controller/Snapshot.h"

#include <gtest/gtest.h>

namespace brindlow {
namespace {

WindowSnapshot window(WindowID id, bool badge = false) {
    WindowSnapshot w;
    w.id = id;
    w.app = "App";
    w.hasBadge = badge;
    return w;
}

TEST(ColumnSnapshot, ActiveWindowIsFoundByIdWhenAnEarlierWindowWasLeftOut) {
    // The strip's column was [1, 2, 3] with 3 active; window 1 is no longer managed.
    ColumnSnapshot column;
    column.windows = {window(2), window(3)};
    column.activeIndex = 2;
    column.activeWindowID = 3;
    ASSERT_NE(column.activeWindow(), nullptr);
    EXPECT_EQ(column.activeWindow()->id, 3u);
    EXPECT_EQ(column.id(), 2u);
}

TEST(ColumnSnapshot, ActiveWindowFallsBackToTheIndexThenTheFirst) {
    ColumnSnapshot column;
    column.windows = {window(4), window(5)};
    column.activeIndex = 1;
    EXPECT_EQ(column.activeWindow()->id, 5u);
    column.activeIndex = 7;
    EXPECT_EQ(column.activeWindow()->id, 4u);
    column.activeWindowID = 99;  // left out: no such window
    EXPECT_EQ(column.activeWindow()->id, 4u);
    column.windows.clear();
    EXPECT_EQ(column.activeWindow(), nullptr);
    EXPECT_EQ(column.id(), 0u);
}

TEST(StripSnapshot, ActiveDisplayIsTheMarkedOneElseTheFirstElseNone) {
    StripSnapshot snapshot;
    EXPECT_EQ(snapshot.activeDisplay(), nullptr);
    snapshot.displays.resize(2);
    snapshot.displays[0].id = "A";
    snapshot.displays[1].id = "B";
    EXPECT_EQ(snapshot.activeDisplay()->id, "A");
    snapshot.displays[1].isActive = true;
    EXPECT_EQ(snapshot.activeDisplay()->id, "B");
}

}  // namespace
}  // namespace brindlow
