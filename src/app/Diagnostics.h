#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controller/Snapshot.h"
#include "platform/Log.h"
#include "settings/AppSettings.h"
#include "windows/DisplayInfo.h"

namespace brindlow {

class Workspace;

// The plain-text description of the running application that a user hands to
// whoever supports them. Functions without state; the Qt side saves the text
// through a file dialog or puts it on the clipboard.
namespace Diagnostics {

// Everything the report reads, gathered at the moment it is built.
struct Inputs {
    std::string version = "?";
    std::string build = "?";
    std::string systemVersion;  // "Ubuntu 24.04 LTS 6.8.0-45-generic"
    std::string machineModel;
    // Windows are moved through the X display's window-manager protocols: reaching the display
    // is all the access Brindlow needs.
    bool displayReached = false;
    std::vector<std::string> otherWindowManagers;  // tiling tools only; sorted
    std::vector<DisplayInfo> displays;
    std::vector<std::string> disabledDisplays;
    // None without a live application delegate.
    std::optional<StripSnapshot> snapshot;
    AppSettings settings;
    std::vector<std::string> recentLog;  // each line already indented
};

inline constexpr std::size_t kRecentLogLimit = 300;
inline constexpr double kRecentLogWindow = 900.0;
inline constexpr const char* kSuggestedFileName = "Brindlow Diagnostics.txt";

// The report's lines joined by "\n", without a newline after the last.
std::string report(const Inputs& inputs);

// "[A+B 33% tabbed pin-left]".
std::string columnSummary(const ColumnSnapshot& column);

// The newest 300 records of the last 15 minutes before `now` (Unix seconds),
// oldest first, as "  HH:mm:ss.SSS [Category] message" in local time;
// "  (no entries)" when none.
std::vector<std::string> recentLog(const std::vector<LogRecord>& records, double now);
// The same from the process's own log ring buffer.
std::vector<std::string> recentLog();

// The machine's product name from DMI, empty when unreadable.
std::string hardwareModel(const std::filesystem::path& dmiFolder = "/sys/class/dmi/id");

// PRETTY_NAME of an os-release file and the kernel release: "Ubuntu 24.04 LTS 6.8.0".
std::string systemVersion(const std::filesystem::path& osRelease = "/etc/os-release");

// Names of running applications that arrange windows themselves, sorted.
std::vector<std::string> runningWindowManagers(const Workspace& workspace);

// Writes the report atomically; the error text when that fails.
std::optional<std::string> write(const std::string& text, const std::filesystem::path& file);

// Asks for a file (none when the user cancels), builds the report and writes it
// there. A failed write is logged at error level and told to the user.
void save(const std::function<std::optional<std::filesystem::path>()>& chooseFile,
          const std::function<std::string()>& buildReport,
          const std::function<void(const std::string& message)>& tellUser);

}  // namespace Diagnostics

}  // namespace brindlow
