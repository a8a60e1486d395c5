#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MenuModel.h"
#include "app/MenuShortcuts.h"
#include "command/Command.h"
#include "controller/Snapshot.h"
#include "platform/Executor.h"
#include "settings/AppSettings.h"
#include "settings/SavedArrangement.h"

namespace brindlow {

enum class SettingsTab { general, layouts };

// The tray icon as MenuBarController drives it: a title drawn into the
// icon (and shown as its tooltip) and a disabled look while tiling is paused.
class StatusItem {
  public:
    virtual ~StatusItem() = default;
    virtual void setTitle(const std::string& title, bool appearsDisabled) = 0;
};

// Everything the menu reaches outside itself; each hook may be empty.
struct MenuBarActions {
    std::function<bool()> permissionGranted;
    std::function<AppSettings()> settings;
    // Hands a command to the strip controller (the pause item).
    std::function<void(Command)> performStripCommand;
    // Hands a command to the live delegate (panels); nothing once it is gone.
    std::function<void(Command)> performAppCommand;
    // Flips one switch of the stored settings.
    std::function<void(bool AppSettings::*)> flipSetting;
    std::function<void()> showFirstRun;
    std::function<void(SettingsTab)> openSettings;
    // Present only when an updater exists.
    std::function<void()> checkForUpdates;
    std::function<void()> quit;
    std::function<std::vector<NamedLayout>()> layouts;
    std::function<void(const NamedLayout&)> restoreLayout;
    std::function<void()> askLayoutName;
};

// The status item's title and the menu behind it. The menu is built anew at
// every opening, so titles, check marks, shortcut keys and saved layouts are
// always current. Global shortcuts are quiet from opening to closing; a menu
// whose closing is never reported (menus exported to a desktop shell may not
// say) gets them back after a safety time-out. Main thread only.
class MenuBarController {
  public:
    static constexpr double kShortcutSafetyTimeout = 30.0;
    // The application's two fixed commands and their keys, read the Linux way.
    static constexpr const char* kSettingsTitle = "Settings…";
    static constexpr const char* kSettingsKeys = "Ctrl+,";
    static constexpr const char* kQuitTitle = "Quit Brindlow";
    static constexpr const char* kQuitKeys = "Ctrl+Q";

    MenuBarController(Executor& main, MenuBarActions actions, MenuShortcuts* shortcuts);
    ~MenuBarController();
    MenuBarController(const MenuBarController&) = delete;
    MenuBarController& operator=(const MenuBarController&) = delete;

    // Attaches the status item and gives it its title. Until then updateTitle does nothing.
    void install(StatusItem& item);
    void updateTitle();

    void setSnapshot(StripSnapshot snapshot) { snapshot_ = std::move(snapshot); }
    const StripSnapshot& snapshot() const { return snapshot_; }

    std::string title() const;
    std::string headerText() const;
    MenuModel rebuildMenu() const;

    void menuWillOpen();
    void menuDidClose();
    bool shortcutsSuspended() const { return suspended_; }

  private:
    MenuItem withShortcut(MenuItem item, std::string_view name) const;
    MenuItem layoutsSubmenu() const;
    void resumeShortcuts();

    Executor& main_;
    MenuBarActions actions_;
    MenuShortcuts* shortcuts_;
    StatusItem* item_ = nullptr;
    StripSnapshot snapshot_;
    bool suspended_ = false;
    // Each opening gets its own number; a time-out of an earlier opening is stale.
    std::uint64_t opening_ = 0;
    std::shared_ptr<MenuBarController*> alive_;
};

// The title rules on their own: " ‖" while paused, " <i+1>/<n>" of the active
// display when the position is shown, then " ●" when any window has a badge.
std::string statusTitle(const StripSnapshot& snapshot, bool showPosition);

}  // namespace brindlow
