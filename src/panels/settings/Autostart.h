#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brindlow {

// The first executable `brindlow` in an absolute folder of `pathVariable`, none when no such
// folder has one.
std::optional<std::filesystem::path> brindlowOnPath(std::string_view pathVariable);

// The `brindlow` a login entry starts: the first one on PATH (as found there, so a link the
// user keeps on PATH stays the entry's), else the one beside the running executable, else the
// bare name. `buildTree` is the build folder (the one with CMakeCache.txt) that the program
// lives in, when it lives in one.
struct AutostartProgram {
    std::string executable;
    std::optional<std::filesystem::path> buildTree;

    bool operator==(const AutostartProgram&) const = default;
};

AutostartProgram autostartProgram(std::string_view pathVariable,
                                  const std::filesystem::path& runningExecutable);

// Launching at login as an XDG autostart entry, "brindlow.desktop" in the
// user's autostart folder. The entry is the only record of the choice.
class Autostart {
  public:
    // `configHome` is $XDG_CONFIG_HOME (or ~/.config); `program` the one to start.
    Autostart(std::filesystem::path configHome, AutostartProgram program);
    Autostart(std::filesystem::path configHome, std::string executable)
        : Autostart(std::move(configHome), AutostartProgram{std::move(executable), {}}) {}
    // From the environment ($PATH, $XDG_CONFIG_HOME, $HOME) and /proc/self/exe.
    static Autostart fromEnvironment();

    std::filesystem::path entryFile() const;
    const AutostartProgram& program() const { return program_; }
    bool isEnabled() const;
    // Creates or removes the entry; the error text ("Could not change this: …")
    // when that failed, none when it worked.
    std::optional<std::string> setEnabled(bool enabled) const;

  private:
    std::filesystem::path configHome_;
    AutostartProgram program_;
};

}  // namespace brindlow
