#pragma once

#include <QMenu>
#include <QPointer>

#include <filesystem>
#include <memory>
#include <optional>

#include "app/Diagnostics.h"
#include "app/MenuBarController.h"
#include "app/RequestExecutor.h"
#include "app/SocketServer.h"
#include "app/UpdaterController.h"
#include "app/qt/AppRequestTarget.h"
#include "app/qt/ApplicationShortcuts.h"
#include "app/qt/CommandPerformer.h"
#include "app/qt/RegistryMenuShortcuts.h"
#include "controller/Snapshot.h"
#include "input/FocusFollowsMouse.h"
#include "input/TrackpadGestureRecognizer.h"
#include "platform/Executor.h"
#include "platform/Log.h"
#include "platform/Platform.h"
#include "settings/AppSettings.h"

class QTimer;

namespace brindlow {

namespace KeyboardShortcuts {
class HotKeyCenter;
class MenuKeyWatch;
class Registry;
}  // namespace KeyboardShortcuts

class AppIconCache;
class Animator;
class BadgeOverlayController;
class FocusOverlayController;
class GapOverlayController;
class IndicatorController;
class OwnWindowWatch;
class Panels;
class LayoutsStore;
class QuitShortcut;
class SettingsShortcut;
class TrayIcon;
class SettingsStore;
class StripController;
struct SettingsServices;
class SettingsWindow;
class ToastController;
class WindowPresenter;

// The application's one delegate: it owns the long-lived controllers of the
// user interface and the socket server, wires the strip controller's results to
// them, starts the strip controller once the X display answers, and at quit
// puts every window back. Main thread only.
class AppDelegate {
  public:
    enum class LaunchResult {
        running,
        // Another Brindlow answers on the socket; this one must not go on.
        alreadyRunning,
    };

    // `socketPath` is where the command-line tool finds the application.
    AppDelegate(Executor& mainQueue, Platform platform, StripController& controller,
                SettingsStore& settings, LayoutsStore& layouts,
                std::filesystem::path socketPath = SocketServer::defaultSocketPath());
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The live delegate, none before start-up and after it is gone.
    static AppDelegate* current();

    LaunchResult applicationDidFinishLaunching();
    void applicationWillTerminate();

    void applyInputSettings(const AppSettings& settings);
    void checkPermission();
    // Shows the welcome window ("firstRun"), or brings it to the front.
    void showFirstRun();
    // The first-run window's "Get Started": the first run is done and the window closes.
    void finishFirstRun();

    // The "Save Current Layout" prompt; a name given with Save is stored.
    void askLayoutName();
    // Shows the settings window on a page; with `activate` false it leaves the focus where it is.
    void showSettings(SettingsTab tab, bool activate = true);
    // The settings window's content, none before its first showing.
    SettingsWindow* settingsWindow() { return settingsWindow_; }

    // The diagnostics report of this moment, and the two ways to hand it over.
    std::string diagnosticsReport() const;
    void copyDiagnostics() const;
    void saveDiagnostics() const;

    CommandPerformer& performer() { return performer_; }
    MenuBarController& menuBar() { return menuBar_; }
    // The tray icon, made at start-up when widgets can show; a tray host embeds it whenever one
    // runs, now or later.
    TrayIcon* tray() { return tray_.get(); }
    // Whether a tray host ran at start-up or within kTrayHostGrace after it; unknown until then.
    std::optional<bool> trayHostFound() const { return trayHostFound_; }
    Panels& panels() { return *panels_; }
    const GestureRecognizer& gestures() const { return gestures_; }
    const MouseFocusTracker& mouseFocus() const { return mouseFocus_; }
    WindowPresenter& presenter() { return *presenter_; }
    // The overlays; null when the platform has no surfaces.
    FocusOverlayController* focusOverlay() { return focusOverlay_.get(); }
    BadgeOverlayController* badgeOverlay() { return badgeOverlay_.get(); }
    IndicatorController* indicator() { return indicator_.get(); }
    GapOverlayController* gapOverlay() { return gapOverlay_.get(); }
    ToastController* toast() { return toast_.get(); }
    const StripSnapshot& snapshot() const { return *snapshot_; }
    bool permissionTimerActive() const;
    bool controllerStarted() const { return controllerStarted_; }
    // Whether the strip controller put every window back within the wait at quit.
    bool windowsPutBack() const { return windowsPutBack_; }
    // The command-line socket server (the display-loss exit removes its file).
    SocketServer& socketServer() { return server_; }
    // The global shortcuts, none when the platform has no hot keys.
    KeyboardShortcuts::Registry* shortcuts() { return shortcuts_.get(); }
    // What the tray menu reads and switches of them; none without hot keys.
    MenuShortcuts* menuShortcuts() { return &menuShortcuts_; }

    static constexpr double kPermissionInterval = 1.0;
    static constexpr double kStopWait = 2.0;
    // How long a tray host that starts beside Brindlow (in the same session autostart) may take
    // to claim the tray before Brindlow opens its settings window instead.
    static constexpr double kTrayHostGrace = 2.0;
    // How long the settings window, asked for, may take to come over from another desktop.
    static constexpr double kDesktopMoveWait = 1.0;

  private:
    bool permissionGranted() const;
    void installControllerCallbacks();
    void stopPermissionTimer();
    void registerShortcuts();
    MenuBarActions menuActions();
    SettingsServices settingsServices();
    void installStatusItem();
    void checkTrayHost();
    // The window manager named `active` while the keys go back from `closed` to `before`.
    void keysBackHeard(std::optional<std::uint32_t> active, std::uint32_t closed,
                       std::uint32_t before);
    void endKeysBackWatch();

    Executor& main_;
    Platform platform_;
    StripController& controller_;
    SettingsStore& settings_;
    // The stored settings as they are used (usableSettings: as written, but for values that
    // cannot be used): what everything downstream uses, from the first layout on (the file keeps
    // what the user wrote). Worked out once per change instead of at every snapshot and focus
    // frame.
    AppSettings settingsInUse_;
    LayoutsStore& layouts_;
    Logger log_;
    // Closures hold this weakly and do nothing once the delegate is gone.
    std::shared_ptr<AppDelegate*> alive_;

    // The components, in construction order. Those not built yet are marked
    // where they are made:
    UpdaterController updater_;
    // The shortcut texts of the menu and the switch that quiets the global
    // shortcuts while it is open.
    RegistryMenuShortcuts menuShortcuts_;
    MenuBarController menuBar_;
    std::unique_ptr<TrayIcon> tray_;
    std::optional<bool> trayHostFound_;
    std::unique_ptr<QTimer> trayHostWait_;
    // While a window of ours has the keys, that settings window waits for them to move on.
    QPointer<QObject> keysWatch_;
    // "Settings…" on Ctrl+, in every window of ours.
    std::unique_ptr<SettingsShortcut> settingsShortcut_;
    // "Quit Brindlow" on Ctrl+Q while the tray menu is open.
    std::unique_ptr<QuitShortcut> quitShortcut_;
    std::unique_ptr<QMenu> applicationKeys_ = applicationKeysMenu();
    std::unique_ptr<WindowPresenter> presenter_;
    SettingsWindow* settingsWindow_ = nullptr;  // kept by the presenter
    // Keeps the focus off the settings window shown at start; gone once it is asked for.
    QPointer<QObject> focusKeeper_;
    // The window that had the keys when the welcome window showed, to have them back after it.
    std::optional<std::uint32_t> beforeFirstRun_;
    // The closed welcome window and the window its keys went back to.
    struct KeysSentBack {
        std::uint32_t from = 0, to = 0;
    };
    std::optional<KeysSentBack> keysSentBack_;
    // Follows the window manager's active window after the welcome window closed with the keys,
    // until it names the window they went back to or the user chose another.
    ObserverToken keysBackWatch_ = 0;
    // Every overlay animates through this one animator.
    std::unique_ptr<Animator> animator_;
    std::unique_ptr<AppIconCache> icons_;
    std::unique_ptr<IndicatorController> indicator_;
    std::unique_ptr<FocusOverlayController> focusOverlay_;
    // Redraws the dim around our own windows when one of them shows, hides or moves.
    std::unique_ptr<OwnWindowWatch> ownWindowWatch_;
    std::unique_ptr<BadgeOverlayController> badgeOverlay_;
    std::unique_ptr<GapOverlayController> gapOverlay_;
    // search, overview, shortcuts and the first-run window, each made on first use.
    std::unique_ptr<Panels> panels_;
    std::unique_ptr<ToastController> toast_;
    CommandPerformer performer_;
    std::unique_ptr<KeyboardShortcuts::HotKeyCenter> hotKeyCenter_;
    std::unique_ptr<KeyboardShortcuts::Registry> shortcuts_;
    std::unique_ptr<KeyboardShortcuts::MenuKeyWatch> menuKeyWatch_;
    AppRequestTarget requestTarget_;
    RequestExecutor executor_;
    SocketServer server_;
    GestureRecognizer gestures_;
    MouseFocusTracker mouseFocus_;
    std::unique_ptr<QTimer> permissionTimer_;
    bool controllerStarted_ = false;
    std::shared_ptr<const StripSnapshot> snapshot_ = std::make_shared<const StripSnapshot>();

    bool windowsPutBack_ = false;
    bool terminated_ = false;
};

}  // namespace brindlow
