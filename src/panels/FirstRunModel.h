#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "panels/ShortcutGuide.h"
#include "settings/AppSettings.h"

namespace brindlow {

// Where other window managers show themselves: the name the running EWMH window manager
// publishes, and the short names of the running processes.
class WindowManagerSource {
  public:
    virtual ~WindowManagerSource() = default;
    virtual std::optional<std::string> windowManagerName() const = 0;
    // In process-table order; a program that runs twice is listed twice.
    virtual std::vector<std::string> processNames() const = 0;
};

// A tiling window manager or tiling helper that moves windows on its own and so fights Brindlow.
struct KnownWindowManager {
    std::string product;  // shown to the user
    std::string process;  // its process name; also the name it publishes as window manager
    bool prefix = false;  // the process name only starts with `process`
};

const std::vector<KnownWindowManager>& knownWindowManagers();

// The products of the running conflicting window managers, sorted; one entry per process.
std::vector<std::string> runningWindowManagers(const WindowManagerSource& source);

// The texts of the first-run window that depend on its state.
namespace FirstRunTexts {
// The warning under "Check for other tiling tools", or the all-clear without conflicts.
std::string conflicts(const std::vector<std::string>& names);
// The five hints of "Use the trackpad and mouse".
std::vector<std::string> trackpadAndMouse(const AppSettings& settings);
// The three hints of "Good to know".
std::vector<std::string> goodToKnow(const std::map<std::string, std::string>& keys);
}  // namespace FirstRunTexts

// The state the first-run window shows, read again on every refresh. Main thread.
class FirstRunModel {
  public:
    FirstRunModel(std::function<bool()> trusted, const WindowManagerSource* windowManagers,
                  const ShortcutSource& shortcuts);

    bool trusted() const { return trusted_; }
    const std::vector<std::string>& conflicts() const { return conflicts_; }
    const std::map<std::string, std::string>& keys() const { return keys_; }

    // Reads the permission, the running window managers and the key texts, in this order.
    void refresh();
    // Told after every refresh.
    std::function<void()> onChange;

  private:
    std::function<bool()> readTrusted_;
    const WindowManagerSource* windowManagers_;
    const ShortcutSource& shortcuts_;
    bool trusted_ = false;
    std::vector<std::string> conflicts_;
    std::map<std::string, std::string> keys_;
};

}  // namespace brindlow
