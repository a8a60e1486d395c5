#include <gtest/gtest.h>

#include "controller/ListJSON.h"

namespace brindlow {
namespace {

std::string widthText(double fraction) {
    ColumnSnapshot column;
    column.widthFraction = fraction;
    DisplaySnapshot display;
    display.columns = {column};
    StripSnapshot snapshot;
    snapshot.displays = {display};
    const std::string text = makeListJSON(snapshot, false);
    const size_t key = text.find("\"width\" : ");
    if (key == std::string::npos) return text;
    const size_t start = key + 10;
    return text.substr(start, text.find_first_of(",\n", start) - start);
}

// The width is the fraction times 100, rounded to a whole number with halves away from zero,
// divided by 100: a fraction just below a half-hundredth (0.145 is 0.14499999… as a double)
// rounds down, an exact half (0.125) up.
TEST(ListJSONWidth, TheWidthIsRoundedFromTheFractionTimesAHundred) {
    EXPECT_EQ(widthText(0.145), "0.14");
    EXPECT_EQ(widthText(0.285), "0.28");
    EXPECT_EQ(widthText(0.575), "0.57");
    EXPECT_EQ(widthText(0.125), "0.13");
    EXPECT_EQ(widthText(0.335), "0.34");
    EXPECT_EQ(widthText(1.0 / 3.0), "0.33");
    EXPECT_EQ(widthText(2.0 / 3.0), "0.67");
    EXPECT_EQ(widthText(1.0), "1");
    EXPECT_EQ(widthText(0.1), "0.1");
}

}  // namespace
}  // namespace brindlow
