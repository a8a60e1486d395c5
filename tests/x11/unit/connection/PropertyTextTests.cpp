// Text properties of old clients arrive in Latin-1; everything above the back
// end expects UTF-8 (titles and class names end up in JSON).
#include <gtest/gtest.h>

#include "platform/x11/connection/X11Properties.h"

namespace brindlow {
namespace {

TEST(Latin1Text, HighBytesBecomeTwoByteSequencesAndAsciiStaysAsItIs) {
    EXPECT_EQ(latin1ToUTF8("plain ASCII 123"), "plain ASCII 123");
    EXPECT_EQ(latin1ToUTF8("Caf\xe9"), "Caf\u00e9");
    EXPECT_EQ(latin1ToUTF8("\xa0\xbd\xff"), "\u00a0\u00bd\u00ff");
    EXPECT_EQ(latin1ToUTF8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(latin1ToUTF8(""), "");
}

}  // namespace
}  // namespace brindlow
