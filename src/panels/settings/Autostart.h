#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace brindlow {

// Launching at login as an XDG autostart entry, "brindlow.desktop" in the
// user's autostart folder. The entry is the only record of the choice.
class Autostart {
  public:
    // `configHome` is $XDG_CONFIG_HOME (or ~/.config); `executable` the program to start.
    Autostart(std::filesystem::path configHome, std::string executable);
    // From the environment and /proc/self/exe.
    static Autostart fromEnvironment();

    std::filesystem::path entryFile() const;
    bool isEnabled() const;
    // Creates or removes the entry; the error text ("Could not change this: …")
    // when that failed, none when it worked.
    std::optional<std::string> setEnabled(bool enabled) const;

  private:
    std::filesystem::path configHome_;
    std::string executable_;
};

}  // namespace brindlow
