#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

#include "controller/ListJSON.h"

namespace brindlow {
namespace {

WindowSnapshot window(std::string app, std::string title, bool badge = false) {
    WindowSnapshot result;
    result.app = std::move(app);
    result.title = std::move(title);
    result.hasBadge = badge;
    return result;
}

ColumnSnapshot column(std::vector<WindowSnapshot> windows, double width,
                      std::optional<Pin> pin = std::nullopt, bool tabbed = false) {
    ColumnSnapshot result;
    result.windows = std::move(windows);
    result.widthFraction = width;
    result.pin = pin;
    result.isTabbed = tabbed;
    return result;
}

StripSnapshot twoDisplays() {
    DisplaySnapshot left;
    left.id = "LEFT";
    left.name = "Built-in";
    left.isActive = true;
    left.focusedIndex = 1;
    left.columns = {column({window("Term", "~/src/a/b"), window("Term", "build", true)}, 1.0 / 3.0,
                           Pin::left, true),
                    column({window("Editor", "notes.txt")}, 0.125)};
    DisplaySnapshot right;
    right.id = "RIGHT";
    right.name = "Wide";
    right.columns = {column({window("Mail", "Inbox")}, 1.0, Pin::right)};
    StripSnapshot snapshot;
    snapshot.displays = {left, right};
    return snapshot;
}

TEST(ListJSON, WithoutTitlesHoldsOnlyAppAndBadgeSortedAndRounded) {
    StripSnapshot snapshot = twoDisplays();
    snapshot.displays.resize(1);
    snapshot.displays[0].columns.resize(1);
    snapshot.displays[0].focusedIndex = 0;
    EXPECT_EQ(makeListJSON(snapshot, false), R"({
  "displays" : [
    {
      "active" : true,
      "columns" : [
        {
          "pin" : "left",
          "tabbed" : true,
          "width" : 0.33,
          "windows" : [
            {
              "app" : "Term",
              "badge" : false
            },
            {
              "app" : "Term",
              "badge" : true
            }
          ]
        }
      ],
      "focused" : 1,
      "name" : "Built-in"
    }
  ],
  "paused" : false
})");
}

TEST(ListJSON, WithTitlesAddsTheTitleWithSlashesEscaped) {
    StripSnapshot snapshot = twoDisplays();
    snapshot.paused = true;
    const std::string text = makeListJSON(snapshot, true);
    EXPECT_NE(text.find(R"("title" : "~\/src\/a\/b")"), std::string::npos) << text;
    const nlohmann::json object = listObject(snapshot, true);
    EXPECT_EQ(object["paused"], true);
    EXPECT_EQ(object["displays"][0]["focused"], 2);
    EXPECT_EQ(object["displays"][0]["columns"][1], nlohmann::json::parse(R"({
      "pin": "", "tabbed": false, "width": 0.13,
      "windows": [{"app": "Editor", "badge": false, "title": "notes.txt"}]})"));
    // A display without focus shows 0, a column pinned right "right".
    EXPECT_EQ(object["displays"][1], nlohmann::json::parse(R"({
      "active": false, "focused": 0, "name": "Wide",
      "columns": [{"pin": "right", "tabbed": false, "width": 1,
                   "windows": [{"app": "Mail", "badge": false, "title": "Inbox"}]}]})"));
}

TEST(ListJSON, NoDisplaysGivesAnEmptyList) {
    EXPECT_EQ(makeListJSON(StripSnapshot{}, true),
              "{\n  \"displays\" : [],\n  \"paused\" : false\n}");
}

// The width as the list writes it.
std::string widthText(double fraction) {
    StripSnapshot snapshot;
    snapshot.displays.push_back({});
    snapshot.displays[0].columns.push_back(column({}, fraction));
    const std::string text = makeListJSON(snapshot, false);
    const size_t key = text.find("\"width\" : ");
    if (key == std::string::npos) return text;
    const size_t start = key + 10;
    return text.substr(start, text.find_first_of(",\n", start) - start);
}

// The width is the fraction times 100, rounded to a whole number with halves away from zero,
// divided by 100: a fraction just below a half-hundredth (0.145 is 0.14499999… as a double)
// rounds down, an exact half (0.125) up.
TEST(ListJSON, TheWidthIsRoundedFromTheFractionTimesAHundred) {
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

TEST(ListJSON, AnUnwritableValueGivesAnEmptyObject) {
    StripSnapshot snapshot;
    snapshot.displays.push_back({});
    snapshot.displays[0].columns.push_back(column({}, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(makeListJSON(snapshot, false), "{}");
}

}  // namespace
}  // namespace brindlow
