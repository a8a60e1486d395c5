// Windows that draw their own decorations (header bars) draw their shadow too, transparent, in a
// margin of their own window that they publish as _GTK_FRAME_EXTENTS. The real executable lays
// them out by what the user sees: the gaps, the tops, the bottoms, a stack, the focus border and
// a parked column's sliver are measured here on the visible window, read straight from the server.
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <map>

#include "AppOnDisplay.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow::test {
namespace {

constexpr double kGap = 12;            // the default gap between columns and stacked windows
constexpr double kScreenWidth = 1920;  // the session's screen, with no panel
constexpr double kScreenHeight = 1080;

// A margin as toolkits draw it (left, right, top, bottom).
struct Decorations {
    const char* name;
    const char* margin;
    // A minimum size of the client, margin included, that leaves 500 points of it to see.
    const char* minimumShowing500;
};

// GTK 3 and GTK 4 header-bar windows beside a compositor.
const Decorations kDecorations[] = {{"Gtk3", "26,26,23,29", "552x100"},
                                    {"Gtk4", "61,61,55,67", "622x100"}};

// The real executable beside windows opened by the test, measured as the user sees them.
class VisibleFrames : public AppOnDisplay {
  protected:
    void SetUp() override {
        AppOnDisplay::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (sessionHasPanel()) GTEST_SKIP() << "the layouts below fill a screen with no panel";
        ASSERT_TRUE(movePointer(960, 540));
    }

    static std::string titleOf(std::size_t index) { return "csd-" + std::to_string(index + 1); }

    // Starts Brindlow and waits until it lists every window opened.
    void startTiling(nlohmann::json settings) {
        startBrindlow(std::move(settings));
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(settle([&] {
            std::size_t listed = 0;
            for (const auto& column : columns()) listed += column.size();
            return listed == titled_.size();
        })) << "Brindlow did not list the windows";
    }

    // The active display's columns, top to bottom, as the windows opened here.
    std::vector<std::vector<xcb_window_t>> columns() {
        std::vector<std::vector<xcb_window_t>> result;
        const auto json = listing();
        for (const auto& display : json ? json->at("displays") : nlohmann::json::array()) {
            if (!display.value("active", false)) continue;
            for (const auto& column : display.at("columns")) {
                std::vector<xcb_window_t> windows;
                for (const auto& window : column.at("windows"))
                    if (const auto found = titled_.find(window.value("title", ""));
                        found != titled_.end())
                        windows.push_back(found->second);
                if (!windows.empty()) result.push_back(windows);
            }
        }
        return result;
    }

    // What the user sees of a window, read from the server: the client window grown by the
    // window manager's decorations, less the margin the client draws transparent.
    std::optional<Rect> visible(xcb_window_t window) {
        X11Connection& x = connection();
        const auto geometry = xcb_get_geometry(x.xcb(), window);
        const auto position = xcb_translate_coordinates(x.xcb(), window, x.root(), 0, 0);
        xcb_get_geometry_reply_t* size = xcb_get_geometry_reply(x.xcb(), geometry, nullptr);
        xcb_translate_coordinates_reply_t* place =
            xcb_translate_coordinates_reply(x.xcb(), position, nullptr);
        std::optional<Rect> client;
        if (size && place) client = Rect(place->dst_x, place->dst_y, size->width, size->height);
        std::free(size);
        std::free(place);
        if (!client) return std::nullopt;
        const auto sides = readCardinalsOfEach(
            x, {window}, {x.ewmh()->_NET_FRAME_EXTENTS, x.atom("_GTK_FRAME_EXTENTS")})[0];
        double grow[4] = {0, 0, 0, 0};  // left, right, top, bottom
        for (const auto& values : sides)
            if (values.size() == 4)
                for (int i = 0; i < 4; ++i)
                    grow[i] += &values == &sides[0] ? double(values[i]) : -double(values[i]);
        return Rect(client->x - grow[0], client->y - grow[2], client->width + grow[0] + grow[1],
                    client->height + grow[2] + grow[3]);
    }

    // The visible frames of the windows in strip order, column by column, top to bottom.
    std::vector<std::vector<Rect>> visibleColumns() {
        settle([&] {  // once they stop changing over two round trips
            const auto before = framesNow();
            connection().sync();
            return framesNow() == before;
        });
        return framesNow();
    }

    // `count` columns side by side as the user sees them: the first one gap from the screen's
    // left, each next one gap after its neighbour, every top one gap below the screen's top and
    // every bottom one gap above its bottom.
    static bool standOneGapApart(const std::vector<std::vector<Rect>>& frames, std::size_t count) {
        if (frames.size() != count || frames[0].front().x != kGap) return false;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const Rect& frame = frames[i].front();
            if (frame.y != kGap || frame.maxY() != kScreenHeight - kGap) return false;
            if (i > 0 && frame.x - frames[i - 1].front().maxX() != kGap) return false;
        }
        return true;
    }

    std::vector<std::vector<Rect>> framesNow() {
        std::vector<std::vector<Rect>> frames;
        for (const auto& column : columns()) {
            frames.emplace_back();
            for (const xcb_window_t window : column)
                frames.back().push_back(visible(window).value_or(Rect{}));
        }
        return frames;
    }

    // Override-redirect windows on the screen now (Brindlow's overlays among them).
    std::vector<Rect> overlayFrames() {
        std::vector<Rect> frames;
        X11Connection& x = connection();
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(x.xcb(), xcb_query_tree(x.xcb(), x.root()), nullptr);
        if (!tree) return frames;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
                x.xcb(), xcb_get_window_attributes(x.xcb(), children[i]), nullptr);
            xcb_get_geometry_reply_t* geometry =
                xcb_get_geometry_reply(x.xcb(), xcb_get_geometry(x.xcb(), children[i]), nullptr);
            if (attributes && geometry && attributes->override_redirect &&
                attributes->map_state == XCB_MAP_STATE_VIEWABLE)
                frames.push_back(Rect(geometry->x, geometry->y, geometry->width, geometry->height));
            std::free(attributes);
            std::free(geometry);
        }
        std::free(tree);
        return frames;
    }

    // Each window opened here by its title.
    std::map<std::string, xcb_window_t> titled_;
};

// The test client drawing a toolkit's margin.
class ClientDecorations : public VisibleFrames, public ::testing::WithParamInterface<Decorations> {
  protected:
    void SetUp() override {
        VisibleFrames::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // Toolkits draw the margin only for a window manager that says it knows of it; one that
        // does not (openbox, icewm) takes the margin for part of the window and may pull it
        // onto the screen with the rest.
        const auto supported =
            readCardinals(connection(), connection().root(), connection().ewmh()->_NET_SUPPORTED);
        if (std::find(supported.begin(), supported.end(),
                      connection().atom("_GTK_FRAME_EXTENTS")) == supported.end())
            GTEST_SKIP() << "beside " << sessionWindowManager()
                         << ", which does not support _GTK_FRAME_EXTENTS, toolkits draw no "
                            "invisible margin";
    }

    void TearDown() override {
        VisibleFrames::TearDown();  // Brindlow puts the windows back first
        clients_.clear();
    }

    // Opens `count` windows with the row's decorations, titled csd-1, csd-2, …, the first of them
    // with `firstOptions` too.
    void open(std::size_t count, const std::vector<std::string>& firstOptions = {}) {
        for (std::size_t i = 0; i < count; ++i) {
            // Each where the user put it, so that no window manager places it anew meanwhile.
            const std::string at =
                std::to_string(100 + 600 * i) + "," + std::to_string(100 + 50 * i);
            std::vector<std::string> options{"--title", titleOf(i), "--size",
                                             "500x400", "--at",     at};
            options.insert(options.end(), {"--csd", GetParam().margin});
            if (i == 0) options.insert(options.end(), firstOptions.begin(), firstOptions.end());
            clients_.push_back(std::make_unique<TestClientProcess>(options));
            ASSERT_TRUE(clients_.back()->ready()) << titleOf(i) << " did not start";
            const xcb_window_t window = clients_.back()->window();
            titled_[titleOf(i)] = window;
            // Shown: the window manager has placed it (KWin frames a window before it places it).
            ASSERT_TRUE(settle([&] {
                const auto state = desktop().registry().read(window);
                return state && state->mapped;
            })) << titleOf(i)
                << " was not shown";
        }
    }

    // Opens `count` windows as open() does, then starts Brindlow with `settings` until it lists
    // them.
    void openTiled(std::size_t count, nlohmann::json settings,
                   const std::vector<std::string>& firstOptions = {}) {
        open(count, firstOptions);
        ASSERT_FALSE(HasFatalFailure());
        startTiling(std::move(settings));
    }

    std::string shotName(const std::string& what) const {
        return "csd-" + what + "-" + GetParam().name + "-" + sessionWindowManager();
    }

    std::vector<std::unique_ptr<TestClientProcess>> clients_;
};

// Three columns a quarter of the screen wide, all in view: the first visible edge one gap from the
// screen's left, each next one gap after its neighbour's visible edge, every top one gap below the
// screen's top and every bottom one gap above its bottom.
TEST_P(ClientDecorations, SideBySideTheyStandOneGapApartFromTopGapToBottomGap) {
    openTiled(3, {{"defaultWidth", 0.25}});
    ASSERT_FALSE(HasFatalFailure());
    std::vector<std::vector<Rect>> frames;
    EXPECT_TRUE(settle([&] {
        frames = visibleColumns();
        return standOneGapApart(frames, 3);
    })) << "visible frames "
        << ::testing::PrintToString(frames);
    screenshot(shotName("columns"));
}

// Two windows stacked in one column: the upper one's top one gap below the screen's top, the lower
// one's one gap below the upper one's visible bottom, and ending one gap above the screen's bottom.
TEST_P(ClientDecorations, AStackOfTwoStandsOneGapApart) {
    openTiled(2, {{"defaultWidth", 0.5}});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    ASSERT_EQ(tool({"stack-left"}).status, 0);
    std::vector<std::vector<Rect>> frames;
    EXPECT_TRUE(settle([&] {
        frames = visibleColumns();
        if (frames.size() != 1 || frames[0].size() != 2) return false;
        const Rect& upper = frames[0][0];
        const Rect& lower = frames[0][1];
        return upper.y == kGap && lower.y - upper.maxY() == kGap &&
               lower.maxY() == kScreenHeight - kGap && upper.x == lower.x &&
               upper.width == lower.width;
    })) << "visible frames "
        << ::testing::PrintToString(frames);
    screenshot(shotName("stack"));
}

// The focus border lies around the focused window's visible edge, its width outside it, not
// around the transparent margin.
TEST_P(ClientDecorations, TheFocusBorderLiesOnTheVisibleEdge) {
    constexpr double kBorder = 4;
    openTiled(2, {{"defaultWidth", 0.5}, {"focusBorder", true}, {"focusBorderWidth", kBorder}});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-last"}).status, 0);
    Rect around;
    std::vector<Rect> overlays;
    EXPECT_TRUE(settle([&] {
        const auto listed = columns();
        if (listed.size() != 2 || desktop().registry().activeWindow() != listed[1].front())
            return false;
        around = visible(listed[1].front()).value_or(Rect{}).insetBy(-kBorder, -kBorder);
        overlays = overlayFrames();
        return std::find(overlays.begin(), overlays.end(), around) != overlays.end();
    })) << "no border at "
        << ::testing::PrintToString(around) << " among the overlays "
        << ::testing::PrintToString(overlays);
    screenshot(shotName("border"));
}

// Two columns of half the screen fill it; the third is parked at the right edge, where a sliver
// of the window itself stays on the screen (beside a window manager that lets windows go off it),
// not only its transparent margin.
TEST_P(ClientDecorations, AParkedColumnLeavesAVisibleSliver) {
    openTiled(3, {{"defaultWidth", 0.5}});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    std::vector<std::vector<Rect>> frames;
    bool outOfSight = false;
    EXPECT_TRUE(settle([&] {
        frames = visibleColumns();
        if (frames.size() != 3 || frames[0].front().x != kGap) return false;
        const auto state = desktop().registry().read(columns()[2].front());
        // Iconified where the window manager would pull it into view: nothing shows.
        outOfSight = state && !state->mapped;
        const Rect& parked = frames[2].front();
        return outOfSight || (parked.x < kScreenWidth && parked.maxX() > kScreenWidth);
    })) << "visible frames "
        << ::testing::PrintToString(frames);
    if (outOfSight) std::cerr << "the parked window is iconified beside this window manager\n";
    screenshot(shotName("parked"));
}

// The parked column's margin reaches over the edge of the visible column beside it: the parked
// window stands under that one, whose edge stays uncovered (the margin shows black where no
// compositor draws it).
TEST_P(ClientDecorations, AParkedColumnsMarginLiesUnderItsVisibleNeighbour) {
    open(3);
    ASSERT_FALSE(HasFatalFailure());
    startTiling({{"defaultWidth", 0.5}});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(tool({"focus-first"}).status, 0);
    const auto stackIndex = [&](xcb_window_t client) {  // bottom to top; -1 when unknown
        xcb_connection_t* c = connection().xcb();
        const xcb_window_t top = topLevelAncestor(connection(), client).value_or(client);
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, connection().root()), nullptr));
        if (!tree) return -1;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        const xcb_window_t* at = std::find(children, children + count, top);
        return at == children + count ? -1 : int(at - children);
    };
    int parked = -1, neighbour = -1;
    bool outOfSight = false;
    EXPECT_TRUE(settle([&] {
        const auto listed = columns();
        const auto frames = visibleColumns();
        if (listed.size() != 3 || frames.size() != 3) return false;
        const auto state = desktop().registry().read(listed[2].front());
        // Iconified where the window manager would pull it into view: nothing drawn.
        outOfSight = state && !state->mapped;
        if (outOfSight) return true;
        if (frames[2].front().x >= kScreenWidth || frames[2].front().maxX() <= kScreenWidth)
            return false;
        parked = stackIndex(listed[2].front());
        neighbour = stackIndex(listed[1].front());
        return parked >= 0 && neighbour >= 0 && parked < neighbour;
    })) << "the parked window stands at "
        << parked << ", its neighbour at " << neighbour << " (bottom to top)";
    screenshot(shotName("parked-under"));
}

// Quit puts each window back where it stood before tiling, as the user saw it.
TEST_P(ClientDecorations, QuitPutsThemBackWhereTheyShowed) {
    open(2);
    ASSERT_FALSE(HasFatalFailure());
    const auto shown = [&] {
        std::map<std::string, Rect> frames;
        for (const auto& [title, window] : titled_)
            frames[title] = visible(window).value_or(Rect{});
        return frames;
    };
    // Where the window manager placed them, once that stays the same over two round trips.
    std::map<std::string, Rect> before = shown();
    settle([&] {
        const auto now = shown();
        const bool same = now == before;
        before = now;
        return same;
    });
    startTiling({{"defaultWidth", 0.5}});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(settle([&] {
        const auto frames = visibleColumns();
        return frames.size() == 2 && frames[0].front().x == kGap;
    })) << "not tiled";
    brindlow_->signal(SIGTERM);
    EXPECT_EQ(brindlow_->waitForExit(15), 0);
    std::map<std::string, Rect> after;
    EXPECT_TRUE(settle([&] {
        after = shown();
        return after == before;
    })) << "before "
        << ::testing::PrintToString(before) << ", after " << ::testing::PrintToString(after);
}

// Columns a quarter of the screen wide (465 points): a window that cannot show less than 500 points
// is learned as needing 500, what the user sees of it, and the columns stand one gap apart.
TEST_P(ClientDecorations, AWidthTheWindowRefusesIsLearnedAsWhatShows) {
    openTiled(2, {{"defaultWidth", 0.25}}, {"--min", GetParam().minimumShowing500});
    ASSERT_FALSE(HasFatalFailure());
    std::vector<std::vector<Rect>> frames;
    EXPECT_TRUE(settle([&] {
        frames = visibleColumns();
        if (frames.size() != 2) return false;
        const Rect& first = frames[0].front();
        const Rect& second = frames[1].front();
        return first.x == kGap && second.x - first.maxX() == kGap &&
               std::max(first.width, second.width) == 500 &&
               std::min(first.width, second.width) == 465;
    })) << "visible frames "
        << ::testing::PrintToString(frames);
    // Logged once the size check has read the window back, after the layout settled.
    EXPECT_TRUE(settle([&] {
        return logged().find("Brindlow-testclient needs 500 points, not 465") != std::string::npos;
    })) << "the width learned is not what shows";
}

INSTANTIATE_TEST_SUITE_P(Margins, ClientDecorations, ::testing::ValuesIn(kDecorations),
                         [](const auto& row) { return std::string(row.param.name); });

// A program of the real toolkit, and what it is run with.
struct Toolkit {
    const char* name;
    const char* program;  // empty where it was not built
    const char* environment;
};

#ifndef BRINDLOW_CSD_GTK4_PATH
#define BRINDLOW_CSD_GTK4_PATH ""
#endif
#ifndef BRINDLOW_CSD_GTK3_PATH
#define BRINDLOW_CSD_GTK3_PATH ""
#endif
// GTK 4 with its header bar; GTK 3 told to draw its own decorations.
const Toolkit kToolkits[] = {{"Gtk4", BRINDLOW_CSD_GTK4_PATH, ""},
                             {"Gtk3", BRINDLOW_CSD_GTK3_PATH, "GTK_CSD"}};

class ToolkitDecorations : public VisibleFrames, public ::testing::WithParamInterface<Toolkit> {
  protected:
    void TearDown() override {
        VisibleFrames::TearDown();
        for (auto& window : windows_) window->signal(SIGTERM);
        windows_.clear();
    }

    // Opens `count` windows of the toolkit's program, titled csd-1, csd-2, …
    void open(std::size_t count) {
        std::map<std::string, std::string> environment{
            {"GDK_BACKEND", "x11"}, {"GTK_A11Y", "none"}, {"NO_AT_BRIDGE", "1"}};
        if (*GetParam().environment) environment[GetParam().environment] = "1";
        for (std::size_t i = 0; i < count; ++i) {
            windows_.push_back(std::make_unique<ChildProcess>(
                std::vector<std::string>{GetParam().program, titleOf(i)}, environment,
                ChildProcess::CaptureOutput{}));
            const pid_t pid = windows_.back()->pid();
            xcb_window_t found = XCB_WINDOW_NONE;
            ASSERT_TRUE(settle([&] {
                for (const xcb_window_t window : desktop().registry().windowsOf(pid)) {
                    const auto state = desktop().registry().read(window);
                    if (state && state->mapped && state->title == titleOf(i)) found = window;
                }
                return found != XCB_WINDOW_NONE;
            })) << titleOf(i)
                << " was not managed";
            titled_[titleOf(i)] = found;
        }
    }

    std::vector<std::unique_ptr<ChildProcess>> windows_;
};

// Two windows of half the screen's width: one gap from the screen's left, one gap apart, from the
// top gap to the bottom gap, as the user sees them (under a compositor the toolkit's shadow
// around them is transparent).
TEST_P(ToolkitDecorations, SideBySideTheyStandOneGapApartFromTopGapToBottomGap) {
    if (!*GetParam().program) GTEST_SKIP() << "built without the toolkit's development files";
    open(2);
    ASSERT_FALSE(HasFatalFailure());
    startTiling({{"defaultWidth", 0.5}});
    ASSERT_FALSE(HasFatalFailure());
    std::vector<std::vector<Rect>> frames;
    EXPECT_TRUE(settle([&] {
        frames = visibleColumns();
        return standOneGapApart(frames, 2);
    })) << "visible frames "
        << ::testing::PrintToString(frames);
    screenshot(std::string("csd-toolkit-") + GetParam().name + "-" + sessionWindowManager());
}

INSTANTIATE_TEST_SUITE_P(Toolkits, ToolkitDecorations, ::testing::ValuesIn(kToolkits),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow::test
