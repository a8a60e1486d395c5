#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Log.h"
#include "settings/JSONFiles.h"
#include "settings/SavedArrangement.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

using namespace brindlow;
using Json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

ColumnDescriptor column(std::vector<WindowDescriptor> windows,
                        std::optional<Pin> pin = std::nullopt,
                        std::optional<bool> autoTabbed = std::nullopt) {
    ColumnDescriptor c;
    c.weights.assign(windows.size(), 1.0);
    c.windows = std::move(windows);
    c.widthFraction = 0.5;
    c.pin = pin;
    c.autoTabbed = autoTabbed;
    return c;
}

SessionSnapshot sample() {
    SessionSnapshot s;
    s.saved = Date{86400.25};
    DisplayDescriptor main{"37D8832A-2D66-02CA-B9F7-8F30A301B230", "Main", {}, 1};
    main.columns.push_back(column({{"org.term", "~/src"}}, Pin::left, false));
    main.columns.push_back(
        column({{"org.web", "Docs / Home"}, {"org.web", "Mail"}, {"org.edit", ""}}));
    main.columns[1].weights = {1.5, 1, 0.5};
    main.columns[1].activeIndex = 2;
    main.columns[1].isTabbed = true;
    DisplayDescriptor side{"display-2", "Side", {}, std::nullopt};
    side.columns.push_back(column({{"org.web", "News"}, {"org.term", "top"}}, Pin::right, true));
    side.columns[0].isFullWidth = true;
    s.displays = {main, side};
    return s;
}

Json validColumn() {
    return Json::parse(R"({"windows": [{"bundleID": "a", "title": "t"}], "weights": [1],
        "activeIndex": 0, "widthFraction": 0.5, "isFullWidth": false, "isTabbed": false})");
}

template <typename T>
bool decodes(const Json& value) {
    try {
        T decoded;
        fromJSON(value, decoded);
        return true;
    } catch (const DecodeError&) {
        return false;
    }
}

class SavedArrangementFiles : public test::QuietLogTest {
  protected:
    test::TempFolder temp;
};

}  // namespace

TEST(SavedArrangement, CountsAndBundleIdentifiers) {
    const SessionSnapshot s = sample();
    EXPECT_EQ(s.windowCount(), 6);
    EXPECT_EQ(s.bundleIDs(), (std::set<std::string>{"org.edit", "org.term", "org.web"}));
}

TEST(SavedArrangement, OptionalKeysAreLeftOutWhenAbsent) {
    const SessionSnapshot s = sample();
    const Json encoded = toJSON(s);
    const Json& main = encoded["displays"][0];
    const Json& side = encoded["displays"][1];
    EXPECT_FALSE(side.contains("focusedIndex"));
    EXPECT_EQ(main["columns"][0]["pin"], "left");
    EXPECT_EQ(main["columns"][0]["autoTabbed"], false);
    EXPECT_FALSE(main["columns"][1].contains("pin"));
    EXPECT_FALSE(main["columns"][1].contains("autoTabbed"));
}

TEST(SavedArrangement, MissingRequiredKeyFailsAndOptionalNullReadsAsAbsent) {
    EXPECT_TRUE(decodes<ColumnDescriptor>(validColumn()));
    for (const char* key :
         {"windows", "weights", "activeIndex", "widthFraction", "isFullWidth", "isTabbed"}) {
        Json broken = validColumn();
        broken.erase(key);
        EXPECT_FALSE(decodes<ColumnDescriptor>(broken)) << key;
        broken[key] = nullptr;
        EXPECT_FALSE(decodes<ColumnDescriptor>(broken)) << key << " null";
    }
    Json nulls = validColumn();
    nulls["pin"] = nullptr;
    nulls["autoTabbed"] = nullptr;
    nulls["unknown"] = 12;
    ColumnDescriptor decoded;
    fromJSON(nulls, decoded);
    EXPECT_FALSE(decoded.pin);
    EXPECT_FALSE(decoded.autoTabbed);
}

TEST(SavedArrangement, WrongTypesFail) {
    const auto with = [](const char* key, Json value) {
        Json c = validColumn();
        c[key] = std::move(value);
        return c;
    };
    EXPECT_FALSE(decodes<ColumnDescriptor>(with("pin", "Left")));
    // Which values are integers, numbers or true/false: the settings decoding tests (the same
    // readers).
    EXPECT_FALSE(decodes<ColumnDescriptor>(with("activeIndex", 0.5)));
    EXPECT_FALSE(decodes<ColumnDescriptor>(with("weights", Json::parse(R"([1, "2"])"))));
    EXPECT_FALSE(decodes<ColumnDescriptor>(Json::array()));
    EXPECT_FALSE(decodes<SessionSnapshot>(Json::parse(R"({"displays": {}, "saved": 1})")));
}

TEST(SavedArrangement, UnboundedValuesReadAsWritten) {
    Json c = validColumn();
    c["activeIndex"] = 9000000000000000000LL;
    c["widthFraction"] = 1e300;
    c["weights"] = Json::array();
    ColumnDescriptor decoded;
    fromJSON(c, decoded);
    EXPECT_EQ(decoded.activeIndex, 9000000000000000000LL);
    EXPECT_EQ(decoded.widthFraction, 1e300);
    EXPECT_TRUE(decoded.weights.empty());

    DisplayDescriptor display;
    fromJSON(Json::parse(R"({"uuid": "A", "name": "", "columns": [], "focusedIndex": -4})"),
             display);
    EXPECT_EQ(display.focusedIndex, -4);
}

// Written ids are upper case: UUIDText.
TEST(NamedLayoutCoding, ReadsALowerCaseIdAndNeedsAValidIdAndASnapshot) {
    const Json value = Json::parse(R"({"id": "0f8fad5b-d9cb-469f-a165-70867728950e", "name": "Work",
        "created": 700000000.5, "snapshot": {"displays": [], "saved": 1}})");
    NamedLayout layout;
    fromJSON(value, layout);
    EXPECT_EQ(layout.id.text(), "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_EQ(layout.created, Date{700000000.5});

    Json bad = value;
    bad["id"] = "0f8fad5b-d9cb-469f-a165-70867728950";
    EXPECT_FALSE(decodes<NamedLayout>(bad));
    bad = value;
    bad.erase("snapshot");
    EXPECT_FALSE(decodes<NamedLayout>(bad));
}

TEST_F(SavedArrangementFiles, LayoutRoundTripsThroughItsFileDateIncluded) {
    const fs::path file = temp.path() / "layouts.json";
    const std::vector<NamedLayout> layouts = {
        {UUID::random(), "Work", Date{1234.5678}, sample()},
        {UUID::random(), "Play", Date{-20}, SessionSnapshot{}}};
    writeJSON(layouts, file);
    EXPECT_EQ(readJSON<std::vector<NamedLayout>>(file), layouts);
}

TEST_F(SavedArrangementFiles, OneBrokenLayoutFailsTheWholeFile) {
    const fs::path file = temp.path() / "layouts.json";
    Json layouts = Json::array({toJSON(NamedLayout{UUID::random(), "A", Date{1}, sample()}),
                                toJSON(NamedLayout{UUID::random(), "B", Date{2}, sample()})});
    layouts[1]["snapshot"]["displays"][0]["columns"][0].erase("weights");
    std::ofstream(file) << layouts.dump();
    EXPECT_FALSE(readJSON<std::vector<NamedLayout>>(file));
}
