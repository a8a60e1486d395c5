#include <gtest/gtest.h>

#include "PanelFakes.h"
#include "panels/SearchPanelController.h"

namespace brindlow::test {
namespace {

struct ScoreCase {
    std::string app;
    const char* title;
    const char* query;
    std::optional<int> score;
};

class SearchScore : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(SearchScore, ScoresByFirstOccurrenceElseByLettersInOrder) {
    const ScoreCase& c = GetParam();
    const SearchItem item{window(1, c.app, c.title), "Column 1"};
    EXPECT_EQ(SearchModel::score(item, preparedQuery(c.query)), c.score) << c.query;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchScore,
    ::testing::Values(
        ScoreCase{"Terminal", "", "term", 1000}, ScoreCase{"iTerm2", "", "term", 999},
        // Found at the first character of the title of a six-letter application.
        ScoreCase{"Safari", "Start page", "start", 993}, ScoreCase{"Safari", "", "  SAF  ", 1000},
        ScoreCase{"Safari", "", "sfr", 10}, ScoreCase{"Safari", "", "rfs", std::nullopt},
        // An accent typed composed matches one stored decomposed, and counts as one character.
        ScoreCase{"Caf\u00E9", "", "cafe\u0301", 1000}, ScoreCase{"e\u0301clair", "", "clair", 999},
        ScoreCase{"\u00C9clair", "menu", "menu", 993},
        // A letter does not match inside a character that carries an accent.
        ScoreCase{"e\u0301", "", "e", std::nullopt},
        // Found late, a substring scores below letters in order (10).
        ScoreCase{std::string(995, 'a'), "xyz", "xyz", 4}));

std::vector<std::string> titles(const std::vector<SearchItem>& items) {
    std::vector<std::string> result;
    for (const SearchItem& item : items) result.push_back(item.window.title);
    return result;
}

class Search : public ::testing::Test {
  protected:
    Search() : controller(model, host, strip.actions()) {}

    void loadOneDisplay() {
        controller.reload({display("d1", "Built-in",
                                   {column({window(1, "XTerm", "alpha build")}),
                                    column({window(2, "Files", "home"), window(3, "XTerm", "beta"),
                                            window(4, "XTerm", "")})},
                                   0)});
    }

    SearchModel model;
    FakePanelHost host;
    StripRecorder strip;
    SearchPanelController controller;
};

TEST_F(Search, PlacesNameTheColumnAndWithSeveralDisplaysTheDisplay) {
    loadOneDisplay();
    ASSERT_EQ(model.all().size(), 4u);
    EXPECT_EQ(model.all()[0].place, "Column 1");
    // A stack of three gives three candidates with one place.
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(model.all()[i].place, "Column 2");

    controller.reload({display("d1", "Left", {column({window(1, "A", "a")})}),
                       display("d2", "Right", {column({}), column({window(2, "B", "b")})})});
    ASSERT_EQ(model.all().size(), 2u);
    EXPECT_EQ(model.all()[0].place, "Left \u00B7 column 1");
    EXPECT_EQ(model.all()[1].place, "Right \u00B7 column 2");
}

TEST_F(Search, RanksStablyAndAnEmptyQueryKeepsStripOrder) {
    loadOneDisplay();
    model.setQuery("   ");
    EXPECT_EQ(titles(model.results()),
              (std::vector<std::string>{"alpha build", "home", "beta", ""}));
    // "xterm" starts three haystacks at 0 (strip order kept); "home" only matches as letters.
    model.setQuery("xterm");
    EXPECT_EQ(titles(model.results()), (std::vector<std::string>{"alpha build", "beta", ""}));
    model.setQuery("b");
    EXPECT_EQ(titles(model.results()), (std::vector<std::string>{"beta", "alpha build"}));
    model.setQuery("zzz");
    EXPECT_TRUE(model.results().empty());
}

TEST_F(Search, ToggleOpensEmptyAboveTheMiddleOfTheActiveDisplayAndClosesAgain) {
    loadOneDisplay();
    model.setQuery("beta");
    auto displays =
        std::vector<DisplaySnapshot>{display("d1", "A", {column({window(1, "A", "a")})}),
                                     display("d2", "B", {column({window(2, "B", "b")})})};
    displays[1].visible = {1920, 0, 2560, 1440};
    displays[1].isActive = true;
    controller.toggle(displays);
    ASSERT_TRUE(host.visible);
    EXPECT_EQ(host.shownFrames.back(), Rect(1920 + 1280 - 290, 720 - 200 - 80, 580, 400));
    EXPECT_EQ(model.query(), "");
    EXPECT_EQ(model.results().size(), 2u);
    EXPECT_EQ(model.selection(), 0);

    controller.toggle(displays);
    EXPECT_FALSE(host.visible);
    // Without displays: the main screen.
    controller.toggle({});
    EXPECT_EQ(host.shownFrames.back(), Rect(720 - 290, 450 - 280, 580, 400));
}

TEST_F(Search, ArrowsClampReturnJumpsEscGivesTheFocusBack) {
    controller.toggle(
        {display("d1", "D", {column({window(1, "A", "a")}), column({window(2, "B", "b")})})});
    EXPECT_TRUE(controller.handleKey(PanelKey::up));
    EXPECT_EQ(model.selection(), 0);
    EXPECT_TRUE(controller.handleKey(PanelKey::down));
    EXPECT_TRUE(controller.handleKey(PanelKey::down));
    EXPECT_EQ(model.selection(), 1);
    EXPECT_FALSE(controller.handleKey(PanelKey::left));

    EXPECT_TRUE(controller.handleKey(PanelKey::keypadEnter));
    EXPECT_EQ(strip.jumps, std::vector<WindowID>{2});
    EXPECT_FALSE(host.visible);
    // The focus goes straight to the chosen window, not back to the one before.
    EXPECT_EQ(host.focusHandedTo, std::vector<WindowID>{2});
    EXPECT_TRUE(host.focusGivenBack.empty());

    controller.toggle({display("d1", "D", {column({window(1, "A", "a")})})});
    EXPECT_TRUE(controller.handleKey(PanelKey::escape));
    EXPECT_EQ(host.focusGivenBack.back(), true);

    controller.toggle({display("d1", "D", {column({window(1, "A", "a")})})});
    controller.resignedKey();  // the user clicked another window: it keeps the focus
    EXPECT_EQ(host.focusGivenBack.back(), false);
}

// However it closed, the search opens again on its first row, not on the row highlighted before.
enum class Closing { escape, toggle, resigned };
void PrintTo(Closing closing, std::ostream* out) {
    *out << (closing == Closing::escape   ? "Escape"
             : closing == Closing::toggle ? "toggled"
                                          : "the focus taken");
}
class SearchReopened : public Search, public ::testing::WithParamInterface<Closing> {};

TEST_P(SearchReopened, HighlightsTheFirstRowAgain) {
    const std::vector<DisplaySnapshot> displays = {
        display("d1", "D",
                {column({window(1, "A", "a")}), column({window(2, "B", "b")}),
                 column({window(3, "C", "c")})})};
    controller.toggle(displays);
    controller.handleKey(PanelKey::down);
    controller.handleKey(PanelKey::down);
    ASSERT_EQ(model.selection(), 2);
    switch (GetParam()) {
        case Closing::escape:
            controller.handleKey(PanelKey::escape);
            break;
        case Closing::toggle:
            controller.toggle(displays);
            break;
        case Closing::resigned:
            controller.resignedKey();
            break;
    }
    ASSERT_FALSE(host.visible);
    controller.toggle(displays);
    EXPECT_EQ(model.selection(), 0);
    controller.handleKey(PanelKey::returnKey);
    EXPECT_EQ(strip.jumps, std::vector<WindowID>{1});
}

INSTANTIATE_TEST_SUITE_P(Closings, SearchReopened,
                         ::testing::Values(Closing::escape, Closing::toggle, Closing::resigned),
                         [](const auto& row) {
                             switch (row.param) {
                                 case Closing::escape:
                                     return std::string("Escape");
                                 case Closing::toggle:
                                     return std::string("Toggle");
                                 case Closing::resigned:
                                     return std::string("FocusTaken");
                             }
                             return std::string();
                         });

TEST_F(Search, NothingToChooseKeepsThePanelOpen) {
    controller.toggle({display("d1", "D", {column({window(1, "A", "a")})})});
    model.setQuery("nothing here");
    EXPECT_TRUE(controller.handleKey(PanelKey::down));
    EXPECT_EQ(model.selection(), 0);
    EXPECT_TRUE(controller.handleKey(PanelKey::returnKey));
    controller.choose(-1);
    EXPECT_TRUE(strip.jumps.empty());
    EXPECT_TRUE(host.visible);
}

TEST_F(Search, ASnapshotKeepsTheHighlightedRowOnlyForAnEmptyQuery) {
    loadOneDisplay();
    model.setSelection(3);
    controller.reload({display("d1", "D", {column({window(1, "A", "a"), window(2, "B", "b")})})});
    EXPECT_EQ(model.selection(), 1);  // clamped to the last row
    model.setQuery("a");
    model.setSelection(1);
    controller.reload({display("d1", "D", {column({window(1, "A", "a"), window(2, "B", "ab")})})});
    EXPECT_EQ(model.selection(), 0);
}

}  // namespace
}  // namespace brindlow::test
