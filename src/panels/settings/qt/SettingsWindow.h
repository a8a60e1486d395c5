#pragma once

#include <QWidget>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "input/SwipeConflicts.h"
#include "input/TrackpadSettings.h"
#include "panels/settings/Autostart.h"
#include "panels/settings/SettingsPageLogic.h"
#include "windows/DisplayInfo.h"

class QMenu;
class QTabWidget;

namespace brindlow {

class HotKeys;
namespace KeyboardShortcuts {
class Registry;
}

class LayoutsStore;
class SettingsBinder;
class SettingsStore;

// What the pages reach outside the settings store.
struct SettingsServices {
    std::function<std::vector<DisplayInfo>()> displays;
    std::function<void()> showFirstRun;
    std::function<void()> copyDiagnostics;
    std::function<void()> saveDiagnostics;
    std::optional<std::string> version;
    std::optional<std::string> build;
    std::optional<std::string> copyright;
    // Whether a compositing manager runs (dimming needs one).
    std::function<bool()> compositing;
    // Calls the handler each time a compositing manager starts or stops, until the result goes.
    std::function<std::shared_ptr<void>(std::function<void()>)> watchCompositing;
    Autostart autostart = Autostart::fromEnvironment();
    // The install command's inputs: the executable and a writable bin folder on PATH.
    std::string executable;
    std::optional<std::filesystem::path> userBin;
    // The `brindlow` found on PATH, when there is one: nothing is left to install.
    std::optional<std::filesystem::path> toolOnPath;
    LayoutsStore* layouts = nullptr;
    // The global shortcuts and the hot keys that answer whether another program holds a
    // combination; no Shortcuts page without them.
    KeyboardShortcuts::Registry* shortcuts = nullptr;
    HotKeys* hotKeys = nullptr;
    // The application's own key commands: the recorders refuse their keys, naming the item.
    QMenu* applicationKeys = nullptr;
    // The running applications and this process's id, for the App rules page's candidates.
    std::function<std::vector<RunningApplication>()> runningApplications;
    std::int32_t ownProcessID = 0;
    // A gesture daemon that acts on sideways swipes with this many fingers too, and what opens
    // its configuration (or the desktop's touchpad settings).
    std::function<std::optional<SwipeConflict>(int fingers)> findSwipeConflict = [](int fingers) {
        return swipeConflict(fingers, SwipeConflictSources::fromEnvironment());
    };
    std::function<void(int fingers)> openTrackpadSettings = [](int fingers) {
        brindlow::openTrackpadSettings(fingers);
    };
    // The user's home folder, from which the warning writes paths with "~".
    std::filesystem::path home = std::getenv("HOME") ? std::getenv("HOME") : "";
};

// The content of the "Brindlow Settings" window: one tab per page. Made once
// and kept; every page follows the store as it changes.
class SettingsWindow : public QWidget {
  public:
    static constexpr const char* kID = "settings";
    static constexpr const char* kTitle = "Brindlow Settings";
    // The page area: at least this wide, and as wide as the tab labels need.
    static constexpr int kMinimumWidth = 780;
    static constexpr int kHeight = 560;

    SettingsWindow(SettingsStore& store, SettingsServices services, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    void select(SettingsPageTab tab);
    SettingsPageTab selected() const;
    // The page of `tab`, none for a tab this window has no page for.
    QWidget* page(SettingsPageTab tab) const;

  private:
    std::unique_ptr<SettingsBinder> binder_;
    SettingsServices services_;
    QTabWidget* tabs_;
    std::vector<std::pair<SettingsPageTab, QWidget*>> pages_;
};

}  // namespace brindlow
