#include <gtest/gtest.h>

#include <map>

#include "controller/TerminalBadge.h"

namespace brindlow {
namespace {

class FakeProcesses : public ProcessTable {
  public:
    std::map<std::int32_t, std::int32_t> parents;
    mutable int queries = 0;
    std::optional<std::int32_t> parentProcessID(std::int32_t pid) const override {
        ++queries;
        const auto found = parents.find(pid);
        if (found == parents.end()) return std::nullopt;
        return found->second;
    }
    std::optional<std::string> processName(std::int32_t) const override { return std::nullopt; }
};

TEST(TerminalBadge, TheWalkFindsTheTerminalAboveNestedShells) {
    FakeProcesses processes;
    processes.parents = {{900, 800}, {800, 700}, {700, 501}, {501, 1}};
    EXPECT_EQ(ancestorPID(processes, 900, {501, 502}), 501);
    EXPECT_EQ(ancestorPID(processes, 501, {501}), 501);  // the process itself counts
    EXPECT_EQ(ancestorPID(processes, 900, {502}), std::nullopt);
}

TEST(TerminalBadge, TheWalkStopsAtLowIdsUnknownProcessesAndBadParents) {
    FakeProcesses processes;
    processes.parents = {{900, 0}, {901, -5}};
    EXPECT_EQ(ancestorPID(processes, 0, {0}), std::nullopt);
    EXPECT_EQ(ancestorPID(processes, 1, {1}), std::nullopt);
    EXPECT_EQ(ancestorPID(processes, 900, {0}), std::nullopt);
    EXPECT_EQ(ancestorPID(processes, 901, {-5}), std::nullopt);
    EXPECT_EQ(ancestorPID(processes, 777, {501}), std::nullopt);
}

TEST(TerminalBadge, TheWalkTriesTheShellAndAtMostThirtyOneAncestors) {
    FakeProcesses processes;
    // 1000 -> 1001 -> ... ; the application sits `depth` levels above the shell.
    for (std::int32_t pid = 1000; pid < 1100; ++pid) processes.parents[pid] = pid + 1;
    EXPECT_EQ(ancestorPID(processes, 1000, {1031}), 1031);
    EXPECT_EQ(ancestorPID(processes, 1000, {1032}), std::nullopt);
    processes.queries = 0;
    ancestorPID(processes, 1000, {5000});
    EXPECT_LE(processes.queries, 32);
}

// An ordinary folder and a case-insensitive title match: TheWindowIsChosenByDirectory….
TEST(TerminalBadge, TheLastPathComponentOfATrailingSlashRootEmptyOrRelativePath) {
    EXPECT_EQ(lastPathComponent("/Users/me/Projects/"), "Projects");
    EXPECT_EQ(lastPathComponent("/"), "/");
    EXPECT_EQ(lastPathComponent(""), "");
    EXPECT_EQ(lastPathComponent("relative"), "relative");
}

TEST(TerminalBadge, TheWindowIsChosenByDirectoryThenCommandThenTheOnlyOrFocusedOrFirst) {
    const std::vector<BadgeCandidate> windows = {
        {1, "make — build"}, {2, "~/src/Brindlow"}, {3, "brindlow tests"}};
    EXPECT_EQ(chooseBadgeWindow(windows, "/home/me/src/brindlow", "make", std::nullopt), 2);
    EXPECT_EQ(chooseBadgeWindow(windows, "/home/me/elsewhere", "MAKE", std::nullopt), 1);
    EXPECT_EQ(chooseBadgeWindow(windows, "", "", 3), 3);
    EXPECT_EQ(chooseBadgeWindow(windows, "", "", 42), 1);  // focused but not a candidate
    EXPECT_EQ(chooseBadgeWindow(windows, "", "", std::nullopt), 1);
    EXPECT_EQ(chooseBadgeWindow({{7, "anything"}}, "/x/y", "z", std::nullopt), 7);
    EXPECT_EQ(chooseBadgeWindow({}, "/x/y", "z", 1), std::nullopt);
}

}  // namespace
}  // namespace brindlow
