#include <gtest/gtest.h>

#include <string>

#include "platform/x11/focus/MappedBackFocus.h"

namespace brindlow {
namespace {

using std::chrono::milliseconds;

// A column scrolled into view: Brindlow maps back window 0xb while 0xa has the focus, and the
// window manager names 0xb active 40 ms later, unless a row says otherwise.
MappedBackFocus focusAfterMap() {
    return {.windowManagerFocusesMappedBack = true,
            .focusedAtMap = 0xa,
            .former = 0xa,
            .formerKnown = true,
            .activatedByBrindlow = false,
            .sinceMap = milliseconds(40)};
}

struct MappedBackCase {
    std::string name;
    MappedBackFocus seen;
    bool handedBack;
};

class FocusOfAWindowMappedBack : public ::testing::TestWithParam<MappedBackCase> {};

TEST_P(FocusOfAWindowMappedBack, GoesBackOnlyWhenItAnswersTheMap) {
    EXPECT_EQ(GetParam().seen.answersTheMap(), GetParam().handedBack);
}

MappedBackCase seenAs(std::string name, bool handedBack, void (*change)(MappedBackFocus&)) {
    MappedBackFocus seen = focusAfterMap();
    change(seen);
    return {std::move(name), seen, handedBack};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FocusOfAWindowMappedBack,
    ::testing::Values(
        seenAs("TheWindowManagersAnswer", true, [](MappedBackFocus&) {}),
        // Beside one that never focuses a window mapped back, the focus is somebody's choice.
        seenAs("BesideAWindowManagerThatDoesNotFocusIt", false,
               [](MappedBackFocus& s) { s.windowManagerFocusesMappedBack = false; }),
        seenAs("BrindlowActivatedIt", false,
               [](MappedBackFocus& s) { s.activatedByBrindlow = true; }),
        seenAs("TheFocusMovedSinceTheMap", false, [](MappedBackFocus& s) { s.former = 0xc; }),
        seenAs("NoWindowHadTheFocus", false, [](MappedBackFocus& s) { s.former.reset(); }),
        seenAs("TheWindowThatHadItIsGone", false,
               [](MappedBackFocus& s) { s.formerKnown = false; }),
        seenAs("JustInTime", true, [](MappedBackFocus& s) { s.sinceMap = milliseconds(1000); }),
        seenAs("LongAfterTheMap", false,
               [](MappedBackFocus& s) { s.sinceMap = milliseconds(1001); })),
    [](const testing::TestParamInfo<MappedBackCase>& row) { return row.param.name; });

}  // namespace
}  // namespace brindlow
