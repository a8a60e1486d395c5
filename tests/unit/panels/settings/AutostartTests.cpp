// Which `brindlow` the login entry starts, in a small tree of programs: an installed one, a build
// folder's, a link on PATH into the build folder, a file that is not a program.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "panels/settings/Autostart.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

namespace fs = std::filesystem;

struct ProgramCase {
    const char* name;
    const char* path;        // PATH, "@" standing for the tree's root
    const char* running;     // the running executable under the root
    const char* executable;  // the entry's program; "@" for the root
    const char* buildTree;   // empty: not in a build folder
};

class AutostartPrograms : public testing::TestWithParam<ProgramCase> {
  protected:
    void SetUp() override {
        program("prefix/bin/brindlow");
        program("build/src/app/brindlow");
        program("build/src/app/brindlow-app");
        std::ofstream(root() / "build/CMakeCache.txt") << "";
        fs::create_directories(root() / "plain");
        std::ofstream(root() / "plain/brindlow") << "";
        fs::create_directories(root() / "link");
        fs::create_symlink(root() / "build/src/app/brindlow", root() / "link/brindlow");
        fs::create_directories(root() / "elsewhere");
        fs::copy_file(root() / "build/src/app/brindlow-app", root() / "elsewhere/brindlow-app");
    }

    fs::path root() const { return folder_.path(); }

    std::string rooted(std::string text) const {
        for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at))
            text.replace(at, 1, root().string());
        return text;
    }

  private:
    void program(const char* relative) const {
        fs::create_directories((root() / relative).parent_path());
        std::ofstream(root() / relative) << "#!/bin/sh\n";
        ::chmod((root() / relative).c_str(), 0755);
    }

    test::TempFolder folder_;
};

TEST_P(AutostartPrograms, StartsTheInstalledOneWhenThereIsOne) {
    const ProgramCase& c = GetParam();
    const AutostartProgram chosen = autostartProgram(rooted(c.path), rooted(c.running));
    EXPECT_EQ(chosen.executable, rooted(c.executable));
    if (*c.buildTree)
        EXPECT_EQ(chosen.buildTree, fs::path(rooted(c.buildTree)));
    else
        EXPECT_EQ(chosen.buildTree, std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, AutostartPrograms,
    testing::Values(ProgramCase{"InstalledOnPathWinsOverTheBuild", "/nowhere:@/prefix/bin:/usr/bin",
                                "@/build/src/app/brindlow-app", "@/prefix/bin/brindlow", ""},
                    ProgramCase{"BesideTheRunningOneWhenPathHasNone", "/nowhere",
                                "@/build/src/app/brindlow-app", "@/build/src/app/brindlow",
                                "@/build"},
                    ProgramCase{"ALinkOnPathIntoTheBuildStaysTheLink", "@/link:@/prefix/bin",
                                "@/prefix/bin/brindlow", "@/link/brindlow", "@/build"},
                    ProgramCase{"NotAProgramIsPassedOver", "@/plain:@/prefix/bin//",
                                "@/build/src/app/brindlow-app", "@/prefix/bin/brindlow", ""},
                    ProgramCase{"RelativeFoldersArePassedOver", "prefix/bin::.",
                                "@/build/src/app/brindlow-app", "@/build/src/app/brindlow",
                                "@/build"},
                    ProgramCase{"NoneAnywhereIsTheBareName", "/nowhere", "@/elsewhere/brindlow-app",
                                "brindlow", ""}),
    [](const testing::TestParamInfo<ProgramCase>& param) { return param.param.name; });

TEST(Autostart, EntryStartsTheChosenProgramWithTheIcon) {
    const test::TempFolder folder;
    const Autostart autostart(folder.path(), AutostartProgram{"/home/u/.local/bin/brindlow", {}});
    ASSERT_EQ(autostart.setEnabled(true), std::nullopt);
    std::ifstream in(folder.path() / "autostart/brindlow.desktop");
    const std::string entry((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(entry.find("\nExec=\"/home/u/.local/bin/brindlow\"\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nIcon=brindlow\n"), std::string::npos) << entry;
}

}  // namespace
}  // namespace brindlow
