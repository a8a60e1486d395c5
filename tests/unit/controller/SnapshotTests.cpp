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

TEST(StripSnapshot, AllWindowsAndBadgesWalkDisplaysColumnsAndRowsInOrder) {
    StripSnapshot snapshot;
    snapshot.displays.resize(2);
    ColumnSnapshot first;
    first.windows = {window(1), window(2)};
    ColumnSnapshot second;
    second.windows = {window(3)};
    snapshot.displays[0].columns = {first, second};
    ColumnSnapshot third;
    third.windows = {window(4)};
    snapshot.displays[1].columns = {third};
    std::vector<WindowID> ids;
    for (const WindowSnapshot& w : snapshot.allWindows()) ids.push_back(w.id);
    EXPECT_EQ(ids, (std::vector<WindowID>{1, 2, 3, 4}));
    EXPECT_FALSE(snapshot.hasAnyBadge());
    snapshot.displays[1].columns[0].windows[0].hasBadge = true;
    EXPECT_TRUE(snapshot.hasAnyBadge());
}

TEST(SnapshotReason, FocusReasonsAreEqualOnlyForTheSameDisplay) {
    EXPECT_EQ(SnapshotReason::focus("A"), SnapshotReason::focus("A"));
    EXPECT_NE(SnapshotReason::focus("A"), SnapshotReason::focus("B"));
    EXPECT_NE(SnapshotReason::quiet(), SnapshotReason::structure());
}

}  // namespace
}  // namespace brindlow
