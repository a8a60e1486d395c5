#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/x11/apps/DesktopEntries.h"
#include "platform/x11/apps/LinuxProcessTable.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/screens/ScreenGeometry.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

const Size kRoot{3840, 1080};
const Rect kLeft{0, 0, 1920, 1080};
const Rect kRight{1920, 0, 1920, 1080};

TEST(Struts, PanelReservesSpaceOnlyOnTheMonitorItSpans) {
    // A 30-point panel at the top of the left monitor only.
    auto top = Strut::fromCardinals({0, 0, 30, 0, 0, 0, 0, 0, 0, 1919, 0, 0}, kRoot);
    ASSERT_TRUE(top);
    EXPECT_EQ(visibleFrame(kLeft, {*top}, kRoot), Rect(0, 30, 1920, 1050));
    EXPECT_EQ(visibleFrame(kRight, {*top}, kRoot), kRight);

    // A dock on the right edge of the root belongs to the right monitor.
    auto right = Strut::fromCardinals({0, 64, 0, 0, 0, 0, 0, 1079, 0, 0, 0, 0}, kRoot);
    EXPECT_EQ(visibleFrame(kRight, {*right}, kRoot), Rect(1920, 0, 1856, 1080));
    EXPECT_EQ(visibleFrame(kLeft, {*right}, kRoot), kLeft);
}

TEST(Struts, OldStyleStrutSpansTheWholeEdgeAndNothingGoesNegative) {
    auto bottom = Strut::fromCardinals({0, 0, 0, 40}, kRoot);
    ASSERT_TRUE(bottom);
    EXPECT_EQ(visibleFrame(kLeft, {*bottom}, kRoot), Rect(0, 0, 1920, 1040));
    EXPECT_EQ(visibleFrame(kRight, {*bottom}, kRoot), Rect(1920, 0, 1920, 1040));
    EXPECT_FALSE(Strut::fromCardinals({1, 2}, kRoot));
    auto huge = Strut::fromCardinals({0, 0, 2000, 0}, kRoot);
    EXPECT_EQ(visibleFrame(kLeft, {*huge}, kRoot).height, 0);
}

TEST(WorkArea, CutsWhatAWindowManagersOwnTaskbarCoversAndLeavesOtherMonitorsAlone) {
    // A 26-point taskbar along the bottom of the left monitor, which only the work area shows.
    const Rect workArea{0, 0, 1920, 1054};
    EXPECT_EQ(withinWorkArea(kLeft, workArea, {}, kRoot), Rect(0, 0, 1920, 1054));
    EXPECT_EQ(withinWorkArea(Rect(0, 30, 1920, 1050), workArea, {}, kRoot),
              Rect(0, 30, 1920, 1024));
    EXPECT_EQ(withinWorkArea(kRight, workArea, {}, kRoot), kRight);
    EXPECT_EQ(withinWorkArea(kLeft, std::nullopt, {}, kRoot), kLeft);
    // A reserved right edge: 120 points.
    EXPECT_EQ(withinWorkArea(kLeft, Rect(0, 0, 1800, 1080), {}, kRoot), Rect(0, 0, 1800, 1080));
}

// A 40-point panel at the bottom of the left monitor, 300 points long (bottom_end_x 299): the
// window manager's one work area for both monitors ends 40 points up, but only the left monitor
// is shortened; a strut explains the work area's bottom edge.
TEST(WorkArea, AnEdgeAStrutExplainsIsLeftToTheMonitorsTheStrutReaches) {
    const auto panel = Strut::fromCardinals({0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 299}, kRoot);
    ASSERT_TRUE(panel);
    const Rect workArea{0, 0, 3840, 1040};
    const std::vector<Strut> struts{*panel};
    EXPECT_EQ(withinWorkArea(visibleFrame(kLeft, struts, kRoot), workArea, struts, kRoot),
              Rect(0, 0, 1920, 1040));
    EXPECT_EQ(withinWorkArea(visibleFrame(kRight, struts, kRoot), workArea, struts, kRoot), kRight);
    // A window manager's own 26-point taskbar at the top besides: no strut explains it.
    EXPECT_EQ(
        withinWorkArea(visibleFrame(kRight, struts, kRoot), Rect(0, 26, 3840, 1014), struts, kRoot),
        Rect(1920, 26, 1920, 1054));
}

// Two monitors side by side and one dock: the struts it reserves (12 or 4 cardinals), its frame
// (none when unknown), the window manager's one work area for both, and what each monitor keeps.
struct AreaCase {
    const char* name;
    std::vector<std::uint32_t> strut;
    std::optional<Rect> dock;
    Rect workArea;
    Rect left, right;
};

// icewm's 26-point taskbar along the bottom, its frame at `dock`: its strut (old style: the whole
// bottom edge) and the work area end 26 points up, and the left monitor keeps what lies above;
// `right` is what the right monitor keeps.
AreaCase taskbar(const char* name, std::optional<Rect> dock, const Rect& right) {
    return {name, {0, 0, 0, 26}, dock, {0, 0, 3840, 1054}, {0, 0, 1920, 1054}, right};
}

void PrintTo(const AreaCase& area, std::ostream* out) {
    *out << area.name;
}

class UsableAreas : public ::testing::TestWithParam<AreaCase> {};

TEST_P(UsableAreas, EachMonitorIsCutOnlyByTheDocksOnIt) {
    const AreaCase& area = GetParam();
    const auto strut = Strut::fromCardinals(area.strut, kRoot);
    ASSERT_TRUE(strut);
    Strut placed = *strut;
    placed.dock = area.dock;
    EXPECT_EQ(usableAreas({kLeft, kRight}, {placed}, area.workArea, kRoot),
              (std::vector<Rect>{area.left, area.right}));
}

INSTANTIATE_TEST_SUITE_P(
    Docks, UsableAreas,
    ::testing::Values(
        // On the left monitor only, it reserves the whole bottom edge all the same; icewm's own
        // maximise fills the right monitor.
        taskbar("TaskbarOnTheLeftReservingTheWholeEdge", Rect(0, 1054, 1920, 26), kRight),
        taskbar("TaskbarAcrossBothMonitors", Rect(0, 1054, 3840, 26), {1920, 0, 1920, 1054}),
        // Slid below the screen to hide, it still holds its edge, as its strut says.
        taskbar("TaskbarOffEveryMonitor", Rect(0, 1080, 1920, 26), {1920, 0, 1920, 1054}),
        taskbar("TaskbarWithoutAKnownFrame", std::nullopt, {1920, 0, 1920, 1054}),
        // A 40-point panel at the top of the right monitor, its span on that monitor.
        AreaCase{"PanelAtTheTopOfTheRight",
                 {0, 0, 40, 0, 0, 0, 0, 0, 1920, 3839, 0, 0},
                 Rect(1920, 0, 1920, 40),
                 {0, 40, 3840, 1040},
                 kLeft,
                 {1920, 40, 1920, 1040}},
        // A decorated dock along the left edge of the left monitor, its frame past the edge.
        AreaCase{"FramedLauncherOnTheLeft",
                 {56, 0, 0, 0, 0, 1079, 0, 0, 0, 0, 0, 0},
                 Rect(-4, 240, 60, 600),
                 {56, 0, 3784, 1080},
                 {56, 0, 1864, 1080},
                 kRight}),
    [](const auto& named) { return std::string(named.param.name); });

struct DockCase {
    const char* name;
    Rect dock;
    bool isDock;
};

void PrintTo(const DockCase& dock, std::ostream* out) {
    *out << dock.name;
}

class DockAlongAnEdge : public ::testing::TestWithParam<DockCase> {};

TEST_P(DockAlongAnEdge, OnlyADockFlushAgainstAnEdgeAndCoveringAThirdOfItCounts) {
    EXPECT_EQ(liesAlongAnEdge(GetParam().dock, kLeft), GetParam().isDock);
    EXPECT_EQ(dockAlongAnEdge({GetParam().dock}, {kLeft, kRight}).has_value(), GetParam().isDock);
}

INSTANTIATE_TEST_SUITE_P(
    Docks, DockAlongAnEdge,
    ::testing::Values(DockCase{"TrayHostAtTheTopRightCorner", {1892, 0, 28, 32}, false},
                      DockCase{"FullWidthBottomBar", {0, 1048, 1920, 32}, true},
                      DockCase{"FullWidthTopBar", {0, 0, 1920, 32}, false},
                      DockCase{"LeftEdgeLauncher", {0, 240, 48, 600}, true},
                      DockCase{"CentredBottomDockOfAThird", {640, 1032, 640, 48}, true},
                      DockCase{"BottomDockShorterThanAThird", {800, 1032, 300, 48}, false},
                      DockCase{"BarFloatingAboveTheBottom", {0, 1000, 1920, 32}, false},
                      DockCase{"TallWidgetInTheMiddle", {900, 0, 48, 1080}, false},
                      DockCase{"RightEdgeLauncherOneOffTheEdge", {1871, 240, 48, 600}, true},
                      // A decorated dock: its title and borders carry the frame past the edge.
                      DockCase{"FramedBottomDockReachingPastTheEdge", {480, 1032, 974, 85}, true},
                      DockCase{"FramedLeftLauncherReachingPastTheEdge", {-7, 240, 62, 600}, true}),
    [](const auto& named) { return std::string(named.param.name); });

TEST(DockAlongAnEdge, TheFirstDockAlongAnEdgeOfAnyMonitorWins) {
    const Rect tray{3812, 0, 28, 32};
    const Rect bar{1920, 1048, 1920, 32};
    EXPECT_EQ(dockAlongAnEdge({tray, bar}, {kLeft, kRight}), bar);
    EXPECT_EQ(dockAlongAnEdge({tray}, {kLeft, kRight}), std::nullopt);
}

TEST(DockAlongAnEdge, ABarAlongTheTopDoesNotHideOneAlongTheBottom) {
    const Rect top{0, 0, 1920, 28};
    const Rect bottom{0, 1048, 1920, 32};
    EXPECT_EQ(dockAlongAnEdge({top, bottom}, {kLeft, kRight}), bottom);
}

TEST(SizeHints, AResizeIsHeldBetweenTheClientsMinimumAndMaximum) {
    SizeHints tall;
    tall.minSize = Size{0, 700};
    EXPECT_EQ(tall.within(Size{900, 400}), (Size{900, 700}));
    SizeHints fixed;
    fixed.minSize = fixed.maxSize = Size{400, 300};
    EXPECT_EQ(fixed.within(Size{900, 900}), (Size{400, 300}));
    EXPECT_EQ(fixed.within(Size{100, 100}), (Size{400, 300}));
    EXPECT_EQ(SizeHints{}.within(Size{942, 1035}), (Size{942, 1035}));
}

std::vector<std::uint8_t> edid(std::uint8_t serialByte) {
    std::vector<std::uint8_t> bytes(128, 0);
    const std::uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(std::begin(header), std::end(header), bytes.begin());
    bytes[8] = 0x10;
    bytes[9] = 0xAC;  // manufacturer
    bytes[10] = 0x34;
    bytes[11] = 0x12;  // product
    bytes[12] = serialByte;
    return bytes;
}

TEST(EdidUUID, StableUpperCaseAndDistinctPerSerialAndConnector) {
    auto a = edidUUID(edid(1), "DP-1");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->size(), 36u);
    EXPECT_EQ(*a, *edidUUID(edid(1), "DP-1"));
    EXPECT_EQ(a->substr(0, 8), "10AC3412");
    EXPECT_EQ(a->find_first_of("abcdef"), std::string::npos);  // upper case
    EXPECT_NE(*a, *edidUUID(edid(2), "DP-1"));
    EXPECT_NE(*a, *edidUUID(edid(1), "HDMI-1"));
    EXPECT_FALSE(edidUUID({}, "DP-1"));
    auto broken = edid(1);
    broken[0] = 1;
    EXPECT_FALSE(edidUUID(broken, "DP-1"));
}

TEST(Icons, LargestCompleteImageWins) {
    std::vector<std::uint32_t> data = {2, 2, 1, 1, 1, 1, 3, 1, 7, 7, 7};
    auto icon = largestIcon(data);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->width, 2);  // 4 pixels beat 3
    data.push_back(100);
    data.push_back(100);  // truncated image: ignored
    EXPECT_EQ(largestIcon(data)->width, 2);
    EXPECT_FALSE(largestIcon({}));
    EXPECT_FALSE(largestIcon({5, 5, 1}));
}

TEST(DesktopEntries, MatchesByStartupClassThenByFileNameAndSkipsHidden) {
    test::TempFolder folder;
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(folder.path() / name) << text;
    };
    write("org.example.Editor.desktop",
          "[Desktop Entry]\nName=Fine Editor\nExec=editor --new %U\n");
    write("term.desktop",
          "[Desktop Entry]\nName=Terminal\nExec=\"my term\" -e\n"
          "StartupWMClass=XTerm\n[Desktop Action new]\nName=Other\n");
    write("gone.desktop", "[Desktop Entry]\nName=Gone\nHidden=true\n");
    DesktopEntries entries({folder.path().string()});
    EXPECT_EQ(entries.find("xterm")->name, "Terminal");
    EXPECT_EQ(entries.find("Editor")->name, "Fine Editor");
    EXPECT_FALSE(entries.find("gone"));
    EXPECT_FALSE(entries.find(""));
    EXPECT_EQ(execArguments("editor --new %U"), (std::vector<std::string>{"editor", "--new"}));
    EXPECT_EQ(execArguments("\"my term\" -e 100%%"),
              (std::vector<std::string>{"my term", "-e", "100%"}));
}

TEST(ProcessTable, ReadsNameAndParentEvenWithParenthesesInTheName) {
    test::TempFolder folder;
    std::filesystem::create_directories(folder.path() / "42");
    std::ofstream(folder.path() / "42" / "stat") << "42 (odd (name)) S 7 42 42 0";
    LinuxProcessTable table(folder.path().string());
    EXPECT_EQ(table.processName(42), "odd (name)");
    EXPECT_EQ(table.parentProcessID(42), 7);
    EXPECT_FALSE(table.parentProcessID(43));
    LinuxProcessTable real;
    EXPECT_EQ(real.parentProcessID(getpid()), getppid());
}

// A process that ends between the open of its stat file and the read: the file opens but cannot be
// read (a folder in its place does the same); the process is unknown, nothing is thrown.
TEST(ProcessTable, AProcessWhoseStatCannotBeReadIsUnknown) {
    test::TempFolder folder;
    std::filesystem::create_directories(folder.path() / "42" / "stat");
    LinuxProcessTable table(folder.path().string());
    EXPECT_FALSE(table.processName(42));
    EXPECT_FALSE(table.parentProcessID(42));
}

}  // namespace
}  // namespace brindlow
