#include <gtest/gtest.h>

#include "input/KeyboardShortcuts/Shortcut.h"
#include "platform/KeyCodeTable.h"

namespace brindlow {
namespace {

TEST(KeyCodeTable, EveryNamedKeyRoundTrips) {
    for (auto* named = KeyboardShortcuts::namedKeysBegin();
         named != KeyboardShortcuts::namedKeysEnd(); ++named) {
        const std::optional<int> xKey = xKeyCodeForVirtualKey(named->key.rawValue);
        if (named->key == KeyboardShortcuts::Key::function) {
            EXPECT_FALSE(xKey);
            continue;
        }
        ASSERT_TRUE(xKey) << named->name;
        EXPECT_GE(*xKey, 8) << named->name;
        EXPECT_LE(*xKey, 255) << named->name;
        EXPECT_EQ(virtualKeyForXKeyCode(*xKey), named->key.rawValue) << named->name;
    }
}

TEST(KeyCodeTable, DesignedExamples) {
    EXPECT_EQ(xKeyCodeForVirtualKey(123), 113);  // Left
    EXPECT_EQ(xKeyCodeForVirtualKey(4), 43);     // H
    EXPECT_EQ(xKeyCodeForVirtualKey(96), 71);    // F5
    EXPECT_EQ(xKeyCodeForVirtualKey(49), 65);    // space
    EXPECT_FALSE(xKeyCodeForVirtualKey(128));
    EXPECT_FALSE(virtualKeyForXKeyCode(255));
}

}  // namespace
}  // namespace brindlow
