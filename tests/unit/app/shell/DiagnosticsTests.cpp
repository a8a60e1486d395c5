#include "app/Diagnostics.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/TempFolder.h"

namespace brindlow::test {
namespace {

WindowSnapshot window(std::string app) {
    WindowSnapshot w;
    w.app = std::move(app);
    return w;
}

ColumnSnapshot column(std::vector<std::string> apps, double width, bool tabbed = false,
                      std::optional<Pin> pin = std::nullopt) {
    ColumnSnapshot c;
    for (std::string& app : apps) c.windows.push_back(window(std::move(app)));
    c.widthFraction = width;
    c.isTabbed = tabbed;
    c.pin = pin;
    return c;
}

DisplayInfo display(std::string name, std::string uuid, Rect frame, Rect visible) {
    DisplayInfo info;
    info.name = std::move(name);
    info.uuid = std::move(uuid);
    info.frame = frame;
    info.visible = visible;
    return info;
}

TEST(DiagnosticsReport, EveryLineGroupInItsDesignedForm) {
    Diagnostics::Inputs in;
    in.version = "0.1.0";
    in.build = "7";
    in.systemVersion = "Ubuntu 24.04 LTS 6.8.0-45-generic";
    in.machineModel = "ThinkPad X1";
    in.displayReached = true;
    in.otherWindowManagers = {"QuickTile", "xpytile"};
    in.displays = {display("DP-1", "UUID-1", {-0.5, 0, 1920.7, 1080}, {-0.5, 24, 1920, 1056}),
                   display("HDMI-1", "UUID-2", {1920, -300, 2560, 1440}, {1920, -300, 2560, 1440})};
    in.disabledDisplays = {"UUID-2"};
    StripSnapshot snapshot;
    snapshot.paused = true;
    DisplaySnapshot first;
    first.name = "DP-1";
    first.focusedIndex = 1;
    // 12.5 % rounds half away from zero.
    first.columns = {column({"A"}, 0.125), column({"A", "B"}, 1.0 / 3.0, true, Pin::left)};
    DisplaySnapshot second;
    second.name = "HDMI-1";
    snapshot.displays = {first, second};
    in.snapshot = snapshot;
    in.recentLog = {"  10:00:00.000 [Socket] one"};

    const std::string text = Diagnostics::report(in);
    const std::string head =
        "Brindlow 0.1.0 (7)\n"
        "Linux Ubuntu 24.04 LTS 6.8.0-45-generic, ThinkPad X1\n"
        "X display: connected\n"
        "Other tiling tools running: QuickTile, xpytile\n"
        "\n"
        "Displays:\n"
        "  DP-1 1920×1080 at 0,0, visible 1920×1056 — on\n"
        "  HDMI-1 2560×1440 at 1920,-300, visible 2560×1440 — off\n"
        "\n"
        "Strips (paused):\n"
        "  DP-1: focus 2 of 2 [A 13%] [A+B 33% tabbed pin-left]\n"
        "  HDMI-1: focus 0 of 0 \n"
        "\n"
        "Settings:\n"
        "{\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    // Sorted keys, indented, and the log last without a final newline.
    EXPECT_LT(text.find("  \"animationsEnabled\" : true"), text.find("  \"widthStep\" : 0.1"));
    const std::string tail = "}\n\nRecent log (15 minutes):\n  10:00:00.000 [Socket] one";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(DiagnosticsReport, NoDelegateMeansAStripsHeaderAlone) {
    Diagnostics::Inputs in;
    in.recentLog = {"  (no entries)"};
    const std::string text = Diagnostics::report(in);
    EXPECT_NE(text.find("Brindlow ? (?)\n"), std::string::npos);
    EXPECT_NE(text.find("X display: NOT connected\nOther tiling tools running: "
                        "none\n\nDisplays:\n\nStrips:\n\nSettings:\n"),
              std::string::npos);
}

LogRecord record(double time, std::string category, std::string message) {
    LogRecord r;
    r.time = time;
    r.category = std::move(category);
    r.message = std::move(message);
    return r;
}

TEST(DiagnosticsLog, NewestThreeHundredOfTheLastFifteenMinutesOldestFirst) {
    setenv("TZ", "UTC", 1);
    tzset();
    const double now = 1'700'000'000.0;  // 22:13:20 UTC
    std::vector<LogRecord> records = {record(now - 901, "Old", "too old")};
    for (int index = 0; index < 310; ++index)
        records.push_back(
            record(now - 310 + index + 0.25, "Socket", "line " + std::to_string(index)));
    const std::vector<std::string> lines = Diagnostics::recentLog(records, now);
    ASSERT_EQ(lines.size(), 300u);
    EXPECT_EQ(lines.front(), "  22:08:20.250 [Socket] line 10");
    EXPECT_EQ(lines.back(), "  22:13:19.250 [Socket] line 309");

    EXPECT_EQ(Diagnostics::recentLog({record(now - 1000, "Old", "x")}, now),
              std::vector<std::string>{"  (no entries)"});
}

TEST(DiagnosticsSystem, ModelAndSystemVersionFromTheirFiles) {
    TempFolder folder;
    EXPECT_EQ(Diagnostics::hardwareModel(folder.path()), "");
    std::ofstream(folder.path() / "product_name") << "ThinkPad X1 Carbon\n";
    EXPECT_EQ(Diagnostics::hardwareModel(folder.path()), "ThinkPad X1 Carbon");

    std::ofstream(folder.path() / "os-release")
        << "NAME=Ubuntu\nPRETTY_NAME=\"Ubuntu 24.04.1 LTS\"\nID=ubuntu\n";
    EXPECT_EQ(
        Diagnostics::systemVersion(folder.path() / "os-release").rfind("Ubuntu 24.04.1 LTS ", 0),
        0u);
}

TEST(DiagnosticsSave, WritesTheReportAndTellsTheUserWhenItCannot) {
    LogSink::setStderrEnabled(false);
    LogSink::clear();
    TempFolder folder;
    const auto file = folder.path() / Diagnostics::kSuggestedFileName;
    std::vector<std::string> told;
    const auto tell = [&told](const std::string& message) { told.push_back(message); };
    int built = 0;
    const auto build = [&built] {
        ++built;
        return std::string("report");
    };
    Diagnostics::save([]() -> std::optional<std::filesystem::path> { return std::nullopt; }, build,
                      tell);
    EXPECT_EQ(built, 0);  // cancelled

    Diagnostics::save([&] { return std::optional(file); }, build, tell);
    std::ifstream in(file);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "report");
    EXPECT_TRUE(told.empty());

    // A file where the folder should be.
    const auto missing = file / "x.txt";
    Diagnostics::save([&] { return std::optional(missing); }, build, tell);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind(
                  "Brindlow could not save the diagnostics report to \u201C" + missing.string(), 0),
              0u);
}

}  // namespace
}  // namespace brindlow::test
