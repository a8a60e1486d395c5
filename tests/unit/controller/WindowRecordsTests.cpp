#include <gtest/gtest.h>

#include "controller/WindowRecords.h"

namespace brindlow {
namespace {

WindowRecords everythingFor(WindowID id) {
    WindowRecords records;
    records.edit(id, [](WindowRecord& record) {
        record = {true,
                  true,
                  true,
                  true,
                  true,
                  4.0,
                  600.0,
                  Rect(10, 20, 300, 400),
                  FullScreenReturn{"LEFT", 2, 0.5},
                  ShortHeight{522, 506},
                  0,
                  true,
                  true,
                  true,
                  2,
                  30.0};
    });
    return records;
}

TEST(WindowRecords, LeavingTheStripKeepsOnlyTheFloatingMarkAndOnRequestTheWayBack) {
    WindowRecords records = everythingFor(7);
    records.forgetTiling(7, false);
    WindowRecord floating;
    floating.userFloating = true;
    EXPECT_EQ(records.get(7), floating);
    records = everythingFor(7);
    records.forgetTiling(7, true);
    floating.fullScreenReturn = FullScreenReturn{"LEFT", 2, 0.5};
    EXPECT_EQ(records.get(7), floating);
    records.forget(7);
    EXPECT_TRUE(records.all().empty());
}

TEST(WindowRecords, ARecordThatHoldsNothingIsDropped) {
    WindowRecords records;
    records.edit(3, [](WindowRecord& record) { record.hasBadge = true; });
    records.edit(4, [](WindowRecord& record) { record.hasBadge = true; });
    EXPECT_EQ(records.badgeCount(), 2u);
    EXPECT_TRUE(records.clearBadge(3));
    EXPECT_FALSE(records.clearBadge(3));
    EXPECT_EQ(records.all().size(), 1u);
    records.forgetTiling(4, false);
    EXPECT_TRUE(records.all().empty());
}

}  // namespace
}  // namespace brindlow
