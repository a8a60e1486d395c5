#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brindlow {

// One application's .desktop entry, as far as it matters here.
struct DesktopEntry {
    std::string path;
    std::string name;
    std::string exec;
    std::string startupWMClass;
    // An icon theme name, or an absolute file.
    std::string icon;
};

// Parses the [Desktop Entry] group of a .desktop file's text.
std::optional<DesktopEntry> parseDesktopEntry(const std::string& text, const std::string& path);

// The Exec line as a shell-free argument list: field codes dropped, quotes honoured.
std::vector<std::string> execArguments(const std::string& exec);

// Finds the entry of a WM_CLASS class in the XDG application folders: its
// StartupWMClass, else a file named after the class (any case). Cached.
class DesktopEntries {
  public:
    // Empty folders: $XDG_DATA_HOME and $XDG_DATA_DIRS, each + "/applications".
    explicit DesktopEntries(std::vector<std::string> folders = {});
    std::optional<DesktopEntry> find(const std::string& wmClass);

  private:
    void load();
    std::optional<DesktopEntry> search(const std::string& wmClass) const;

    std::vector<std::string> folders_;
    std::mutex mutex_;
    bool loaded_ = false;
    std::vector<DesktopEntry> entries_;
    // Each class's answer: the running applications are described again at every catch-up tick.
    std::map<std::string, std::optional<DesktopEntry>> found_;
};

}  // namespace brindlow
