// The process table read from a folder laid out like /proc.
#include "platform/RunningProcesses.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempFolder.h"

namespace brindlow {
namespace {

using namespace std::string_literals;

class RunningProcessesTest : public testing::Test {
  protected:
    // A process folder; without `comm`, one whose process ended while it was read.
    void process(const std::string& folder, const char* comm, std::string cmdline) {
        const auto path = proc.path() / folder;
        std::filesystem::create_directories(path);
        if (comm) std::ofstream(path / "comm") << comm;
        std::ofstream(path / "cmdline", std::ios::binary) << cmdline;
    }

    test::TempFolder proc;
};

TEST_F(RunningProcessesTest, EveryProcessInIDOrderWithItsNameAndFirstTwoWords) {
    process("812", "Xorg\n", "/usr/lib/xorg/Xorg\0:0\0-nolisten\0tcp\0"s);
    process("1", "systemd\n", "/sbin/init\0splash\0"s);
    process("77", "kworker/0:1\n", "");
    process("4203", "python3\n", "python3\0/usr/bin/fusuma\0"s);
    // Not processes: other entries of the folder, and one that ended while it was read.
    process("self", "brindlow\n", "");
    process("sys", "kernel\n", "");
    process("0", "swapper\n", "");
    process("900", nullptr, "");

    const std::vector<RunningProcess> expected = {
        {1, "systemd", {"/sbin/init", "splash"}},
        {77, "kworker/0:1", {}},
        {812, "Xorg", {"/usr/lib/xorg/Xorg", ":0"}},
        {4203, "python3", {"python3", "/usr/bin/fusuma"}},
    };
    EXPECT_EQ(runningProcesses(proc.path()), expected);
}

TEST_F(RunningProcessesTest, NamesAloneComeInIDOrderAsTheTableHasThem) {
    process("812", "Xorg\n", "/usr/lib/xorg/Xorg\0:0\0"s);
    process("1", "systemd\n", "/sbin/init\0"s);
    process("4203", "openbox \n", "");
    process("self", "brindlow\n", "");
    process("900", nullptr, "");

    const std::vector<std::string> expected = {"systemd", "Xorg", "openbox"};
    EXPECT_EQ(runningProcessNames(proc.path()), expected);
}

// Read again and again: while the kernel's task count and last process id stand, the names do;
// once they move, newcomers are named and those gone left out; a process that replaced its
// program (same id, new name) is named anew at every fifth read here.
TEST_F(RunningProcessesTest, NamesReadAgainFollowTheTableAndReadOnlyNewcomersBetweenFullReads) {
    const auto loadavg = [&](const char* tasks) {
        std::ofstream(proc.path() / "loadavg") << "0.52 0.61 0.70 2/" << tasks << "\n";
    };
    ProcessNames names(proc.path(), 5);
    process("1", "systemd\n", "");
    process("812", "sh\n", "");
    loadavg("2 812");
    EXPECT_EQ(names.read(), (std::vector<std::string>{"systemd", "sh"}));
    process("812", "i3\n", "");  // the shell's exec
    process("4203", "xpytile\n", "");
    EXPECT_EQ(names.read(), (std::vector<std::string>{"systemd", "sh"})) << "the table stood";
    loadavg("3 4203");
    EXPECT_EQ(names.read(), (std::vector<std::string>{"systemd", "sh", "xpytile"}));
    std::filesystem::remove_all(proc.path() / "1");
    loadavg("2 4203");
    EXPECT_EQ(names.read(), (std::vector<std::string>{"sh", "xpytile"}));
    EXPECT_EQ(names.read(), (std::vector<std::string>{"sh", "xpytile"}));
    EXPECT_EQ(names.read(), (std::vector<std::string>{"i3", "xpytile"}));
    // Without the kernel's counts, every read lists the table.
    std::filesystem::remove(proc.path() / "loadavg");
    process("5000", "bspwm\n", "");
    EXPECT_EQ(names.read(), (std::vector<std::string>{"i3", "xpytile", "bspwm"}));
    EXPECT_TRUE(ProcessNames(proc.path() / "absent").read().empty());
}

TEST_F(RunningProcessesTest, AMissingFolderHasNoProcesses) {
    EXPECT_TRUE(runningProcesses(proc.path() / "absent").empty());
    EXPECT_TRUE(runningProcessNames(proc.path() / "absent").empty());
}

// A process that ends between the open of one of its files and the read leaves a file that opens
// but cannot be read (the kernel answers "no such process"); a folder in its place does the same.
TEST_F(RunningProcessesTest, AFileThatOpensButCannotBeReadIsNoneAndItsProcessKeepsNoArguments) {
    process("812", "Xorg\n", "");
    std::filesystem::remove(proc.path() / "812" / "cmdline");
    std::filesystem::create_directories(proc.path() / "812" / "cmdline");

    EXPECT_EQ(fileText(proc.path() / "812" / "cmdline"), std::nullopt);
    const std::vector<RunningProcess> expected = {{812, "Xorg", {}}};
    EXPECT_EQ(runningProcesses(proc.path()), expected);
}

}  // namespace
}  // namespace brindlow
