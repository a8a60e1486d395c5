#include "app/qt/AppDelegate.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>

#include <ctime>

#include "app/CommandLineTool.h"
#include "app/qt/ApplicationShortcuts.h"
#include "app/qt/DiagnosticsFileDialog.h"
#include "app/qt/FocusKeeper.h"
#include "app/qt/OwnWindows.h"
#include "app/qt/SaveLayoutPrompt.h"
#include "app/qt/TrayIcon.h"
#include "controller/StripController.h"
#include "input/Hotkey.h"
#include "input/KeyboardShortcuts/DisplayText.h"
#include "input/KeyboardShortcuts/HotKeyCenter.h"
#include "input/KeyboardShortcuts/MenuShortcuts.h"
#include "input/KeyboardShortcuts/Registry.h"
#include "overlays/Appearance.h"
#include "overlays/BadgeOverlayController.h"
#include "overlays/FocusOverlayController.h"
#include "overlays/GapOverlayController.h"
#include "overlays/GapView.h"
#include "overlays/IndicatorController.h"
#include "overlays/IndicatorView.h"
#include "overlays/ToastController.h"
#include "overlays/ToastView.h"
#include "overlays/WindowPresenter.h"
#include "panels/qt/Panels.h"
#include "panels/settings/qt/SettingsWindow.h"
#include "platform/Animator.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "settings/StorageFolder.h"
#include "settings/UsableSettings.h"
#include "windows/AppIcons.h"

namespace brindlow {

namespace {

AppDelegate* currentDelegate = nullptr;

// Tells when the window it watches gives up the keys: deactivated, hidden or gone. It lives as
// the window's child.
class KeysLeaveWatch final : public QObject {
  public:
    KeysLeaveWatch(QWidget& window, std::function<void()> left)
        : QObject(&window), left_(std::move(left)) {
        window.installEventFilter(this);
        QObject::connect(&window, &QObject::destroyed, this, [this] { left_(); });
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::Hide) left_();
        return false;
    }

  private:
    std::function<void()> left_;
};

// Tells when the window it watches is closed while it has the keys (Ctrl+W, its close button):
// the window manager then picks a window to focus next. It lives as the window's child.
class ClosedWithKeysWatch final : public QObject {
  public:
    static constexpr const char* kName = "closedWithKeysWatch";

    ClosedWithKeysWatch(QWidget& window, std::function<void()> closed)
        : QObject(&window), window_(window), closed_(std::move(closed)) {
        setObjectName(kName);
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close && window_.isActiveWindow()) closed_();
        return false;
    }

  private:
    QWidget& window_;
    std::function<void()> closed_;
};

constexpr const char* kFirstRunID = "firstRun";

// The panels read key texts from the shortcut store, keys another program holds among them.
class StoredShortcutTexts final : public ShortcutSource {
  public:
    std::optional<std::string> keyText(std::string_view slotName) const override {
        return KeyboardShortcuts::storedDisplayText(slotName);
    }
    bool isHeldElsewhere(std::string_view slotName) const override {
        return KeyboardShortcuts::isHeldElsewhere(slotName);
    }
};

}  // namespace

AppDelegate::AppDelegate(Executor& mainQueue, Platform platform, StripController& controller,
                         SettingsStore& settings, LayoutsStore& layouts,
                         std::filesystem::path socketPath)
    : main_(mainQueue),
      platform_(std::move(platform)),
      controller_(controller),
      settings_(settings),
      layouts_(layouts),
      log_(makeLogger("AppDelegate")),
      alive_(std::make_shared<AppDelegate*>(this)),
      menuBar_(mainQueue, menuActions(), &menuShortcuts_),
      presenter_(std::make_unique<WindowPresenter>()),
      performer_(settings, [&controller](const Command& command) { controller.perform(command); }),
      requestTarget_(performer_, controller, layouts),
      executor_(requestTarget_, mainQueue),
      server_(std::move(socketPath), executor_),
      gestures_(platform_.eventTap,
                GestureTarget{[&controller](Point at) { controller.gestureBegan(at); },
                              [&controller](double amount, GestureUnit unit) {
                                  controller.gestureChanged(amount, unit);
                              },
                              [&controller](double velocity, GestureUnit unit) {
                                  controller.gestureEnded(velocity, unit);
                              }}),
      mouseFocus_(platform_.mouseMonitor, mainQueue,
                  [&controller](Point at) { controller.focusWindow(at); }) {
    // One icon cache for the process: the pill, the overview and the search show the same icon.
    if (platform_.workspace) icons_ = std::make_unique<AppIconCache>(*platform_.workspace);
    if (platform_.surfaces && platform_.uiScheduler) {
        SurfaceFactory& surfaces = *platform_.surfaces;
        UiScheduler& scheduler = *platform_.uiScheduler;
        animator_ = std::make_unique<Animator>(scheduler);
        AppIconCache* icons = icons_.get();
        StripController* strip = &controller_;
        indicator_ = std::make_unique<IndicatorController>(
            surfaces, scheduler, *animator_,
            [icons] {
                return std::make_shared<IndicatorView>(
                    [icons](std::int32_t pid) { return icons ? icons->icon(pid) : Image{}; });
            },
            IndicatorController::Actions{[strip](WindowID window) { strip->jump(window); },
                                         [strip](const std::string& display, int from, int to) {
                                             strip->reorderColumn(display, from, to);
                                         }});
        focusOverlay_ = std::make_unique<FocusOverlayController>(surfaces, scheduler, *animator_);
        focusOverlay_->setOwnWindows([] { return ownWindowFrames(); });
        ownWindowWatch_ = std::make_unique<OwnWindowWatch>([this] {
            if (focusOverlay_) focusOverlay_->settingsChanged(settingsInUse_);
        });
        badgeOverlay_ = std::make_unique<BadgeOverlayController>(surfaces);
        Screens* screens = platform_.screens;
        GapOverlayController::Environment gaps;
        gaps.makeView = [] { return std::make_shared<GapView>(); };
        gaps.pictures = platform_.desktopPictures;
        gaps.screenFrames = [screens] {
            std::vector<Rect> frames;
            if (screens)
                for (const ScreenInfo& screen : screens->screens()) frames.push_back(screen.frame);
            return frames;
        };
        gaps.isDark = [] { return isDarkAppearance(); };
        gaps.timeOfDay = [] {
            const std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            return std::pair<int, int>{local.tm_hour, local.tm_min};
        };
        gapOverlay_ = std::make_unique<GapOverlayController>(surfaces, std::move(gaps));
        toast_ = std::make_unique<ToastController>(
            surfaces, scheduler, *animator_, std::make_shared<ToastView>(),
            [screens]() -> std::optional<Rect> {
                if (!screens) return std::nullopt;
                const std::vector<ScreenInfo> all = screens->screens();
                if (all.empty()) return std::nullopt;
                return all.front().visibleFrame;
            });
    }
    PanelsEnvironment panels;
    panels.desktop = platform_.panelDesktop;
    panels.workspace = platform_.workspace;
    panels.icons = icons_.get();
    panels.strip.jump = [&controller](WindowID id) { controller.jump(id); };
    panels.strip.reorderColumn = [&controller](const std::string& uuid, int from, int to) {
        controller.reorderColumn(uuid, from, to);
    };
    panels.strip.yieldFocus = [&controller] { controller.yieldFocusToOwnWindow(); };
    static const StoredShortcutTexts shortcutTexts;
    panels.shortcuts = &shortcutTexts;
    panels.settings = &settings;
    panels.trusted = [this] { return permissionGranted(); };
    panels_ = std::make_unique<Panels>(std::move(panels));
    performer_.setPanelToggles({
        [this] { panels_->toggleSearch(snapshot_->displays); },
        [this] { panels_->toggleOverview(*snapshot_); },
        [this] { panels_->toggleShortcuts(snapshot_->activeDisplay()); },
    });
}

AppDelegate::~AppDelegate() {
    endKeysBackWatch();
    stopPermissionTimer();
    trayHostWait_.reset();
    settingsShortcut_.reset();
    quitShortcut_.reset();
    tray_.reset();
    // The controllers go before the animator they animate with.
    toast_.reset();
    gapOverlay_.reset();
    badgeOverlay_.reset();
    ownWindowWatch_.reset();
    focusOverlay_.reset();
    indicator_.reset();
    menuKeyWatch_.reset();
    // The settings window's recorders hold the registry: they go first.
    settingsWindow_ = nullptr;
    presenter_.reset();
    if (KeyboardShortcuts::Registry::shared() == shortcuts_.get()) {
        KeyboardShortcuts::Registry::setShared(nullptr);
        KeyboardShortcuts::setKeyCharacterSource({});
    }
    shortcuts_.reset();
    hotKeyCenter_.reset();
    if (currentDelegate == this) currentDelegate = nullptr;
    alive_.reset();
}

AppDelegate* AppDelegate::current() {
    return currentDelegate;
}

AppDelegate::LaunchResult AppDelegate::applicationDidFinishLaunching() {
    currentDelegate = this;
    settingsInUse_ = usableSettings(settings_.settings());
    installControllerCallbacks();

    // The store calls its listeners on the main thread; the controller is kept
    // strongly (it lives for the process), the delegate weakly.
    std::weak_ptr<AppDelegate*> weak = alive_;
    StripController* controller = &controller_;
    // Everything downstream sees the numbers as written, but for those that cannot be used; the
    // stored file keeps what the user wrote.
    settings_.addListener([weak, controller](const AppSettings& stored) {
        const AppSettings settings = usableSettings(stored);
        auto alive = weak.lock();
        // Kept before the controller hears of them: what it publishes next is drawn with them.
        if (alive) (*alive)->settingsInUse_ = settings;
        controller->updateSettings(settings);
        if (!alive) return;
        AppDelegate& self = **alive;
        self.applyInputSettings(settings);
        // The border's width and colour and the dimming follow a slider at once.
        if (self.focusOverlay_) self.focusOverlay_->settingsChanged(settings);
    });

    controller_.updateSettings(settingsInUse_);
    applyInputSettings(settingsInUse_);

    registerShortcuts();
    installStatusItem();

    switch (server_.start()) {
        case SocketServer::StartResult::listening:
            break;
        case SocketServer::StartResult::alreadyRunning:
            return LaunchResult::alreadyRunning;
        case SocketServer::StartResult::failed:
            // Logged by the server; the application runs without the command line.
            break;
    }
    // This instance holds the start lock now: no other one is writing there.
    removeStaleTempFiles(server_.socketPath().parent_path());

    // Windows need a widget application (tests run the delegate without one).
    if (!settingsInUse_.firstRunDone && qobject_cast<QApplication*>(QCoreApplication::instance()))
        showFirstRun();

    permissionTimer_ = std::make_unique<QTimer>();
    permissionTimer_->setInterval(static_cast<int>(kPermissionInterval * 1000));
    QObject::connect(permissionTimer_.get(), &QTimer::timeout, [weak] {
        if (auto alive = weak.lock()) (*alive)->checkPermission();
    });
    permissionTimer_->start();
    checkPermission();
    return LaunchResult::running;
}

void AppDelegate::registerShortcuts() {
    if (!platform_.hotKeys || !platform_.preferences) return;
    HotKeys* hotKeys = platform_.hotKeys;
    KeyboardShortcuts::setKeyCharacterSource(
        [hotKeys](int keyCode) { return hotKeys->keyCharacter(keyCode); });
    // A combination another program holds (the window manager's, often) is reported once per
    // claim, as an error line of the log: it goes to standard error and into the diagnostics.
    const Logger log = log_;
    hotKeyCenter_ = std::make_unique<KeyboardShortcuts::HotKeyCenter>(
        *hotKeys, [log](const std::string& line) { log.error("%{public}s", line); });
    shortcuts_ =
        std::make_unique<KeyboardShortcuts::Registry>(*platform_.preferences, *hotKeyCenter_);
    KeyboardShortcuts::Registry::setShared(shortcuts_.get());
    menuKeyWatch_ = std::make_unique<KeyboardShortcuts::MenuKeyWatch>(*shortcuts_, *hotKeyCenter_);
    std::weak_ptr<AppDelegate*> weak = alive_;
    Hotkey::registerAll(*shortcuts_, [weak](const Command& command) {
        if (auto alive = weak.lock()) (*alive)->performer_.perform(command);
    });
}

void AppDelegate::installControllerCallbacks() {
    std::weak_ptr<AppDelegate*> weak = alive_;
    controller_.onSnapshot = [weak](const StripSnapshot& snapshot) {
        auto alive = weak.lock();
        if (!alive) return;
        AppDelegate& self = **alive;
        self.snapshot_ = std::make_shared<const StripSnapshot>(snapshot);
        self.menuBar_.setSnapshot(snapshot);
        self.menuBar_.updateTitle();
        if (self.indicator_) {
            self.indicator_->update(snapshot, self.settingsInUse_);
        }
        if (self.badgeOverlay_) self.badgeOverlay_->update(snapshot.displays, snapshot.paused);
        if (self.gapOverlay_) self.gapOverlay_->update(snapshot.displays);
        self.panels_->snapshotPublished(snapshot);
        // A window of ours never stands between the windows of the focused column.
        if (PanelDesktop* desktop = self.platform_.panelDesktop)
            desktop->keepOwnWindowsOutOf(focusedStackWindows(snapshot));
    };
    controller_.onMessage = [weak](const ToastMessage& message) {
        auto alive = weak.lock();
        if (!alive) return;
        // The strip controller has logged the message; it shows on the display
        // that was active in the stored snapshot.
        AppDelegate& self = **alive;
        if (self.toast_) self.toast_->show(message, self.snapshot_->activeDisplay());
    };
    controller_.onOwnKeysTaken = [weak] {
        auto alive = weak.lock();
        if (!alive) return;
        AppDelegate& self = **alive;
        if (!self.panels_ || !self.panels_->takeKeysBack()) self.controller_.ownWindowKeptNoKeys();
    };
    controller_.onFocusFrames = [weak](const std::vector<FocusFrame>& frames) {
        auto alive = weak.lock();
        if (!alive) return;
        AppDelegate& self = **alive;
        if (self.focusOverlay_) self.focusOverlay_->update(frames, self.settingsInUse_);
    };
}

bool AppDelegate::permissionGranted() const {
    return platform_.accessibility && platform_.accessibility->isProcessTrusted(false);
}

bool AppDelegate::permissionTimerActive() const {
    return permissionTimer_ && permissionTimer_->isActive();
}

void AppDelegate::stopPermissionTimer() {
    // Stopped, not deleted: this may run inside the timer's own signal.
    if (permissionTimer_) permissionTimer_->stop();
}

void AppDelegate::checkPermission() {
    if (terminated_ || controllerStarted_ || !permissionGranted()) return;
    // Once per process: the timer stops at the first success.
    stopPermissionTimer();
    controllerStarted_ = true;
    controller_.start(settingsInUse_);
    applyInputSettings(settingsInUse_);
}

void AppDelegate::showFirstRun() {
    if (!presenter_) presenter_ = std::make_unique<WindowPresenter>();
    if (platform_.panelDesktop) beforeFirstRun_ = platform_.panelDesktop->activeWindow();
    std::weak_ptr<AppDelegate*> weak = alive_;
    presenter_->showFirstRun(kFirstRunID, Panels::kFirstRunTitle, [this, weak] {
        return panels_->makeFirstRunView([weak] {
            if (auto alive = weak.lock()) (*alive)->finishFirstRun();
        });
    });
    if (QWidget* window = presenter_->window(kFirstRunID)) panels_->windowShown(*window);
}

void AppDelegate::finishFirstRun() {
    settings_.update([](AppSettings& s) { s.firstRunDone = true; });
    const QWidget* welcome = presenter_ ? presenter_->window(kFirstRunID) : nullptr;
    const bool hadKeys = welcome && welcome->isActiveWindow();
    const auto closed = welcome ? std::uint32_t(welcome->winId()) : 0;
    if (presenter_) presenter_->close(kFirstRunID);
    // A window manager that focuses the window under the pointer gives the keys to none when the
    // welcome window closes: they go back to the window that had them before it.
    if (hadKeys && beforeFirstRun_ && platform_.panelDesktop) {
        const std::uint32_t before = *beforeFirstRun_;
        keysSentBack_ = KeysSentBack{closed, before};
        // Under load the window manager may drop the keys only after it saw the welcome window
        // go, later than the request: asked again each time it names nobody, or still the
        // closed one. Heard from before the request, so that no answer is missed.
        endKeysBackWatch();
        std::weak_ptr<AppDelegate*> weak = alive_;
        Executor& main = main_;
        keysBackWatch_ = platform_.panelDesktop->watchActiveWindow(
            [weak, &main, closed, before](std::optional<std::uint32_t> active) {
                main.async([weak, active, closed, before] {
                    if (auto alive = weak.lock()) (*alive)->keysBackHeard(active, closed, before);
                });
            });
        // Not for a window the user has minimised, closed or sent away while the welcome window
        // was up, nor one whose minimise is still on its way to the window manager.
        if (!platform_.panelDesktop->handFocusBack(before)) {
            endKeysBackWatch();
            keysSentBack_.reset();
        }
    }
    // Without them (they went elsewhere while it was up), the window that has them keeps them:
    // the window manager may name the closed window a moment longer.
    if (!hadKeys && closed && platform_.panelDesktop) {
        if (const auto active = platform_.panelDesktop->activeWindow(); active && *active != closed)
            keysSentBack_ = KeysSentBack{closed, *active};
    }
    beforeFirstRun_.reset();
}

void AppDelegate::keysBackHeard(std::optional<std::uint32_t> active, std::uint32_t closed,
                                std::uint32_t before) {
    if (!keysBackWatch_ || !platform_.panelDesktop) return;
    // Named at last, or another window chosen: the user's, never undone.
    if (active && *active != closed) return endKeysBackWatch();
    // Not asked again for a window the user has minimised or closed since.
    if (!platform_.panelDesktop->handFocusBack(before)) endKeysBackWatch();
}

void AppDelegate::endKeysBackWatch() {
    if (keysBackWatch_ && platform_.panelDesktop)
        platform_.panelDesktop->unwatchActiveWindow(keysBackWatch_);
    keysBackWatch_ = 0;
}

void AppDelegate::applyInputSettings(const AppSettings& settings) {
    const bool granted = permissionGranted();
    GestureConfig gestures;
    if (granted) {
        if (settings.gesturesEnabled)
            gestures.fingers = int(std::clamp<std::int64_t>(settings.gestureFingers, 0, 4));
        gestures.twoFinger = settings.twoFingerScroll;
    }
    gestures_.apply(gestures);
    mouseFocus_.setEnabled(granted && settings.focusFollowsMouse);
    menuBar_.updateTitle();
    if (indicator_ && !settings.showIndicator) indicator_->hideAll();
}

MenuBarActions AppDelegate::menuActions() {
    // Items that need the delegate reach it through the weak reference and do
    // nothing once it is gone; the rest use the stores and the controller directly.
    std::weak_ptr<AppDelegate*> weak = alive_;
    const auto withDelegate = [weak](auto work) {
        return [weak, work](auto&&... args) {
            if (auto alive = weak.lock()) work(**alive, args...);
        };
    };
    MenuBarActions actions;
    actions.permissionGranted = [this] { return permissionGranted(); };
    actions.settings = [this] { return settings_.settings(); };
    actions.performStripCommand = [this](Command command) { controller_.perform(command); };
    actions.performAppCommand = [](Command command) {
        if (AppDelegate* delegate = AppDelegate::current()) delegate->performer().perform(command);
    };
    actions.flipSetting = [this](bool AppSettings::*field) {
        settings_.update([field](AppSettings& s) { s.*field = !(s.*field); });
    };
    actions.showFirstRun = withDelegate([](AppDelegate& self) { self.showFirstRun(); });
    actions.openSettings =
        withDelegate([](AppDelegate& self, SettingsTab tab) { self.showSettings(tab); });
    if (updater_.hasUpdater())
        actions.checkForUpdates =
            withDelegate([](AppDelegate& self) { self.updater_.checkForUpdates(); });
    actions.quit = [] { QCoreApplication::quit(); };
    actions.layouts = [this] { return layouts_.layouts(); };
    actions.restoreLayout = [this](const NamedLayout& layout) { layouts_.apply(layout); };
    actions.askLayoutName = withDelegate([](AppDelegate& self) { self.askLayoutName(); });
    return actions;
}

void AppDelegate::installStatusItem() {
    if (tray_) return;
    if (!settingsShortcut_) {
        std::weak_ptr<AppDelegate*> weak = alive_;
        settingsShortcut_ = std::make_unique<SettingsShortcut>([weak] {
            if (auto alive = weak.lock()) (*alive)->showSettings(SettingsTab::general);
        });
    }
    if (!quitShortcut_) quitShortcut_ = std::make_unique<QuitShortcut>(menuActions().quit);
    // Icons and windows need a widget application (tests run the delegate without one).
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        checkTrayHost();
        return;
    }
    // Shown even with no host yet: Qt embeds it as soon as one claims the tray.
    tray_ = std::make_unique<TrayIcon>(menuBar_);
    menuBar_.install(*tray_);
    tray_->show();
    if (TrayIcon::isTrayAvailable()) {
        trayHostFound_ = true;
        return;
    }
    // A host started with the same session may not have claimed the tray yet.
    std::weak_ptr<AppDelegate*> weak = alive_;
    trayHostWait_ = std::make_unique<QTimer>();
    trayHostWait_->setSingleShot(true);
    trayHostWait_->setInterval(static_cast<int>(kTrayHostGrace * 1000));
    QObject::connect(trayHostWait_.get(), &QTimer::timeout, [weak] {
        if (auto alive = weak.lock()) (*alive)->checkTrayHost();
    });
    trayHostWait_->start();
}

void AppDelegate::checkTrayHost() {
    if (terminated_) return;
    if (!trayHostFound_) {
        trayHostFound_ = TrayIcon::isTrayAvailable();
        if (*trayHostFound_) return;
        // Never an invisible program: say so once and show the settings window instead.
        log_.log("No system tray is running; Brindlow shows no tray icon");
        std::cerr << "brindlow: no system tray is running, so Brindlow shows no tray icon and "
                     "opens its settings window instead; start brindlow again to bring that window "
                     "back. It keeps tiling; control it from a terminal:\n\n"
                  << kUsageText << "\n";
    }
    // Nothing to do once a host has come or the user has opened the window meanwhile.
    if (!trayHostWait_ || TrayIcon::isTrayAvailable() || settingsWindow_) {
        delete keysWatch_.data();
        return;
    }
    // A window of ours that has the keys (a panel, the welcome window) finishes first: the
    // window manager would hand the focus to a window mapped meanwhile when it closes. The
    // welcome window does so even without them: a window manager that focuses under the pointer
    // may have given them to a window we tiled under it, and the two would show at once.
    QWidget* active = QApplication::activeWindow();
    if (QWidget* welcome = presenter_ ? presenter_->window(kFirstRunID) : nullptr;
        welcome && welcome->isVisible())
        active = welcome;
    if (active) {
        if (!keysWatch_ || keysWatch_->parent() != active) {
            delete keysWatch_.data();
            std::weak_ptr<AppDelegate*> weak = alive_;
            keysWatch_ = new KeysLeaveWatch(*active, [weak] {
                if (auto alive = weak.lock(); alive && (*alive)->trayHostWait_)
                    (*alive)->trayHostWait_->start(0);
            });
        }
        return;
    }
    delete keysWatch_.data();
    // Shown without taking the keys from whatever the user is typing into, beside any window
    // manager: the focus goes back if it takes it anyway, and the window is raised if it is
    // mapped under the active one.
    std::optional<std::uint32_t> previous =
        platform_.panelDesktop ? platform_.panelDesktop->activeWindow() : std::nullopt;
    // Shown as soon as the welcome window lets go of the keys, before the window manager has
    // given them to anyone (or while it still names the closed window): they are on their way
    // back to the window that had them before it.
    if (keysSentBack_ && (!previous || *previous == keysSentBack_->from))
        previous = keysSentBack_->to;
    keysSentBack_.reset();
    showSettings(SettingsTab::general, false);
    if (!platform_.panelDesktop || !presenter_) return;
    if (QWidget* shown = presenter_->window(SettingsWindow::kID))
        focusKeeper_ = new FocusKeeper(*shown, *platform_.panelDesktop, previous);  // it owns it
}

void AppDelegate::showSettings(SettingsTab tab, bool activate) {
    if (!presenter_) presenter_ = std::make_unique<WindowPresenter>();
    if (activate) delete focusKeeper_.data();  // asked for: it takes the focus
    // Left open on another desktop, it would be shown and activated there, out of sight: asked
    // for, it comes to the desktop the user is on.
    QWidget* shown = presenter_->window(SettingsWindow::kID);
    if (activate && shown && platform_.panelDesktop)
        platform_.panelDesktop->moveToCurrentDesktop(std::uint32_t(shown->winId()),
                                                     kDesktopMoveWait);
    presenter_->showSettings(
        SettingsWindow::kID, SettingsWindow::kTitle,
        [this] {
            auto content = std::make_unique<SettingsWindow>(settings_, settingsServices());
            settingsWindow_ = content.get();
            return content;
        },
        activate);
    // Focused by a request the window manager obeys whatever the focus-stealing rules say.
    shown = presenter_->window(SettingsWindow::kID);
    // Closed with the keys, it leaves the window manager to pick the next window to focus; the
    // strip's focused window keeps the focus instead.
    if (shown && !shown->findChild<QObject*>(ClosedWithKeysWatch::kName))
        new ClosedWithKeysWatch(*shown,
                                [&controller = controller_] { controller.ownWindowClosed(); });
    if (activate && shown && platform_.panelDesktop)
        platform_.panelDesktop->activate(std::uint32_t(shown->winId()));
    // The presenter keeps the window for the life of the process, so the page stays reachable.
    if (settingsWindow_)
        settingsWindow_->select(tab == SettingsTab::layouts ? SettingsPageTab::layouts
                                                            : SettingsPageTab::general);
}

SettingsServices AppDelegate::settingsServices() {
    std::weak_ptr<AppDelegate*> weak = alive_;
    const auto withDelegate = [weak](auto work) {
        return [weak, work] {
            if (auto alive = weak.lock()) work(**alive);
        };
    };
    SettingsServices services;
    if (platform_.screens) {
        Screens* screens = platform_.screens;
        services.displays = [screens] { return DisplayInfo::current(*screens); };
    }
    services.showFirstRun = withDelegate([](AppDelegate& self) { self.showFirstRun(); });
    services.copyDiagnostics = withDelegate([](AppDelegate& self) { self.copyDiagnostics(); });
    services.saveDiagnostics = withDelegate([](AppDelegate& self) { self.saveDiagnostics(); });
    services.version = bundleInfoValue("CFBundleShortVersionString");
    services.build = bundleInfoValue("CFBundleVersion");
    services.copyright = bundleInfoValue("NSHumanReadableCopyright");
    if (SurfaceFactory* surfaces = platform_.surfaces) {
        services.compositing = [surfaces] { return surfaces->compositing(); };
        services.watchCompositing = [surfaces](std::function<void()> handler) {
            const ObserverToken token = surfaces->addCompositingObserver(std::move(handler));
            return std::shared_ptr<void>(
                nullptr, [surfaces, token](void*) { surfaces->removeCompositingObserver(token); });
        };
    }
    // The command-line tool sits next to this executable under the name `brindlow`.
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    services.executable =
        error ? std::string("brindlow") : (self.parent_path() / "brindlow").string();
    const char* path = std::getenv("PATH");
    const char* home = std::getenv("HOME");
    if (path && home) services.userBin = writableUserBin(path, home);
    if (path) services.toolOnPath = brindlowOnPath(path);
    services.layouts = &layouts_;
    services.shortcuts = shortcuts_.get();
    services.hotKeys = platform_.hotKeys;
    services.applicationKeys = applicationKeys_.get();
    if (Workspace* workspace = platform_.workspace) {
        // "Add App" offers applications with a window to tile: not a tray host or a desktop.
        Accessibility* accessibility = platform_.accessibility;
        services.runningApplications = [workspace, accessibility] {
            return applicationsWithOrdinaryWindows(*workspace, accessibility);
        };
        services.ownProcessID = workspace->currentProcessID();
    }
    return services;
}

void AppDelegate::askLayoutName() {
    if (const std::optional<std::string> name = SaveLayoutPrompt::ask())
        layouts_.saveCurrent(*name);
}

std::string AppDelegate::diagnosticsReport() const {
    Diagnostics::Inputs in;
    in.version = bundleInfoValue("CFBundleShortVersionString").value_or("?");
    in.build = bundleInfoValue("CFBundleVersion").value_or("?");
    in.systemVersion = Diagnostics::systemVersion();
    in.machineModel = Diagnostics::hardwareModel();
    in.displayReached = permissionGranted();
    // The same conflicts the welcome window names; by application where the platform has no
    // process list of its own.
    if (platform_.panelDesktop)
        in.otherWindowManagers = panels_->runningWindowManagers();
    else if (platform_.workspace)
        in.otherWindowManagers = Diagnostics::runningWindowManagers(*platform_.workspace);
    if (platform_.screens) in.displays = DisplayInfo::current(*platform_.screens);
    in.settings = settings_.settings();
    in.disabledDisplays = in.settings.disabledDisplays;
    in.snapshot = *snapshot_;
    in.recentLog = Diagnostics::recentLog();
    return Diagnostics::report(in);
}

void AppDelegate::copyDiagnostics() const {
    QApplication::clipboard()->clear();
    QApplication::clipboard()->setText(QString::fromStdString(diagnosticsReport()));
}

void AppDelegate::saveDiagnostics() const {
    Diagnostics::save([] { return chooseDiagnosticsFile(); },
                      [this] { return diagnosticsReport(); },
                      [](const std::string& message) {
                          QMessageBox::warning(nullptr, QStringLiteral("Brindlow"),
                                               QString::fromStdString(message));
                      });
}

void AppDelegate::applicationWillTerminate() {
    if (terminated_) return;
    terminated_ = true;
    stopPermissionTimer();
    if (trayHostWait_) trayHostWait_->stop();
    server_.stop();
    gestures_.apply(GestureConfig{});
    mouseFocus_.setEnabled(false);
    windowsPutBack_ = controller_.stop(kStopWait);
    if (!windowsPutBack_) log_.error("The strip queue did not put the windows back in time");
}

}  // namespace brindlow
