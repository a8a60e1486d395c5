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
    EXPECT_EQ(makeListJSON(twoDisplays(), false), R"({
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
        },
        {
          "pin" : "",
          "tabbed" : false,
          "width" : 0.13,
          "windows" : [
            {
              "app" : "Editor",
              "badge" : false
            }
          ]
        }
      ],
      "focused" : 2,
      "name" : "Built-in"
    },
    {
      "active" : false,
      "columns" : [
        {
          "pin" : "right",
          "tabbed" : false,
          "width" : 1,
          "windows" : [
            {
              "app" : "Mail",
              "badge" : false
            }
          ]
        }
      ],
      "focused" : 0,
      "name" : "Wide"
    }
  ],
  "paused" : false
})");
}

TEST(ListJSON, WithTitlesAddsTheTitleWithSlashesEscaped) {
    StripSnapshot snapshot = twoDisplays();
    snapshot.displays.resize(1);
    snapshot.displays[0].columns.resize(1);
    snapshot.displays[0].columns[0].windows.resize(1);
    snapshot.paused = true;
    EXPECT_EQ(makeListJSON(snapshot, true), R"({
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
              "badge" : false,
              "title" : "~\/src\/a\/b"
            }
          ]
        }
      ],
      "focused" : 2,
      "name" : "Built-in"
    }
  ],
  "paused" : true
})");
}

TEST(ListJSON, NoDisplaysGivesAnEmptyList) {
    EXPECT_EQ(makeListJSON(StripSnapshot{}, true),
              "{\n  \"displays\" : [],\n  \"paused\" : false\n}");
}

TEST(ListJSON, WidthsRoundToTwoDecimalsHalvesAwayFromZero) {
    for (const auto& [fraction, shown] : std::vector<std::pair<double, double>>{{0.125, 0.13},
                                                                                {0.3333, 0.33},
                                                                                {0.335, 0.34},
                                                                                {0.5, 0.5},
                                                                                {0.666666, 0.67},
                                                                                {1.0, 1.0}}) {
        StripSnapshot snapshot;
        snapshot.displays.push_back({});
        snapshot.displays[0].columns.push_back(column({}, fraction));
        const nlohmann::json object = listObject(snapshot, false);
        EXPECT_DOUBLE_EQ(object["displays"][0]["columns"][0]["width"].get<double>(), shown)
            << fraction;
    }
}

TEST(ListJSON, AnUnwritableValueGivesAnEmptyObject) {
    StripSnapshot snapshot;
    snapshot.displays.push_back({});
    snapshot.displays[0].columns.push_back(column({}, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(makeListJSON(snapshot, false), "{}");
}

}  // namespace
}  // namespace brindlow
