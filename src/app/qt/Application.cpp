#include "app/qt/Application.h"

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "app/ApplicationOptions.h"
#include "app/CommandLineTool.h"
#include "app/DisplayLossExit.h"
#include "app/WaylandSession.h"
#include "app/qt/AppDelegate.h"
#include "app/qt/LayoutsEnvironment.h"
#include "app/qt/QtMainQueue.h"
#include "app/qt/QuitSignals.h"
#include "controller/StripController.h"
#include "overlays/QtUiScheduler.h"
#include "platform/SerialQueue.h"
#include "platform/ThreadDisplayLink.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/apps/X11InstanceSelection.h"
#include "platform/x11/apps/X11Workspace.h"
#include "platform/x11/input/X11HotKeys.h"
#include "platform/x11/overlay/GnomeDesktopPictures.h"
#include "platform/x11/overlay/ThemedIcons.h"
#include "platform/x11/overlay/X11RootPicture.h"
#include "platform/x11/overlay/X11SurfaceFactory.h"
#include "settings/FilePreferences.h"
#include "settings/LayoutsStore.h"
#include "settings/SettingsStore.h"
#include "settings/StorageFolder.h"

namespace brindlow {

namespace {

constexpr double kDefaultRefreshRate = 60.0;
// How long a second start waits for the running one to show its settings window.
constexpr double kShowSettingsWait = 5.0;

// The main queue and the X11 services live as long as the process: the shared
// strip controller, a process-wide object too, refers to both until it is torn
// down after main returns, so they are made before it and go after it.
struct ProcessServices {
    QtMainQueue main;
    std::unique_ptr<X11Platform> x11;
};

ProcessServices& processServices() {
    static ProcessServices services;
    return services;
}

double fastestRefreshRate(const Screens& screens) {
    double rate = 0;
    for (const ScreenInfo& screen : screens.screens()) rate = std::max(rate, screen.refreshRate);
    return rate > 0 ? rate : kDefaultRefreshRate;
}

StripControllerEnvironment controllerEnvironment(const Platform& platform) {
    StripControllerEnvironment environment;
    environment.platform = platform;
    environment.stripQueue = std::make_shared<SerialQueue>(StripController::kQueueLabel);
    const double refreshRate = fastestRefreshRate(*platform.screens);
    environment.makeDisplayLink = [refreshRate]() -> std::unique_ptr<DisplayLink> {
        return std::make_unique<ThreadDisplayLink>(refreshRate);
    };
    environment.storageFolder = storageFolder();
    return environment;
}

// Qt geometry must equal X pixels: no scaling of our own overlays.
void switchOffHighDPIScaling() {
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    unsetenv("QT_SCALE_FACTOR");
    unsetenv("QT_SCREEN_SCALE_FACTORS");
}

}  // namespace

int runApplication(int argc, char** argv) {
    const Logger log = makeLogger("Application");
    ProcessServices& services = processServices();

    // The toolkit connects to the display its options name; so do we.
    const ApplicationOptions options = readApplicationOptions(commandLineArguments(argc, argv));
    const bool wayland = isWaylandSession(SessionEnvironment::current());
    services.x11 =
        X11Platform::connect(services.main, options.display ? options.display->c_str() : nullptr);
    const char* environmentDisplay = std::getenv("DISPLAY");
    const std::string display =
        options.display ? *options.display
                        : (environmentDisplay && *environmentDisplay ? environmentDisplay : "");
    if (!services.x11) {
        std::cerr << "brindlow: cannot open the X display "
                  << (display.empty() ? "(DISPLAY is not set)" : display)
                  << (wayland ? kWaylandNoXNote : "; Brindlow needs an X11 session") << ".\n";
        return EXIT_FAILURE;
    }
    if (wayland && services.x11->isXWayland()) {
        std::cerr << waylandRefusal(display);
        return EXIT_FAILURE;
    }
    // An X server of its own in a Wayland session: the toolkit draws there too, not on the
    // compositor it would otherwise choose.
    if (wayland && !options.platform && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);

    // One instance per display, whatever its storage folder: a second one would fight the first
    // over every window. Started again, the user wants to reach it: the running one shows its
    // settings window (without a tray host nothing else would open it again). Asked before any
    // service reads the desktop, so that the answer is the only line said.
    X11InstanceSelection instance(services.x11->connection());
    if (!instance.acquire()) {
        std::string running = "brindlow: Brindlow is already running on this display";
        if (const auto pid = instance.ownerPID())
            running += " (process " + std::to_string(*pid) + ")";
        if (instance.askOwnerToShowSettings(kShowSettingsWait)) {
            std::cout << running << "; it shows its settings window.\n";
            return EXIT_SUCCESS;
        }
        std::cerr << running << " and did not answer.\n";
        return EXIT_FAILURE;
    }
    services.x11->startServices(FilePreferences::inStorageFolder(services.main));

    switchOffHighDPIScaling();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName("Brindlow");
    services.main.attach();

    // From here a lost display ends the process at once and in order (see display_loss): also
    // during start-up and while quitting, when the X server may go with the session.
    X11Platform& x11 = *services.x11;
    const auto displayIsGone = [&x11] { return x11.displayIsGone(); };
    display_loss::arm({nullptr, displayIsGone});
    x11.setDisplayLostHandler([] { display_loss::lost(); });

    QuitSignals quitSignals([&log](int signal) {
        log.log("Quitting on signal %d", signal);
        QApplication::quit();
    });

    // The hot keys' connection is read on the main thread.
    std::unique_ptr<QSocketNotifier> hotKeyEvents;
    if (X11HotKeys* hotKeys = services.x11->hotKeys()) {
        hotKeyEvents =
            std::make_unique<QSocketNotifier>(hotKeys->fileDescriptor(), QSocketNotifier::Read);
        QObject::connect(hotKeyEvents.get(), &QSocketNotifier::activated, [hotKeys] {
            hotKeys->processEvents();
            // A broken connection stays readable: without this the notifier would spin.
            if (hotKeys->connectionBroken()) display_loss::lost();
        });
    } else {
        log.error("Global shortcuts are unavailable: no second connection to the X display");
    }

    const Platform platform = services.x11->platform();
    // Icons named by desktop entries come from the toolkit's icon theme.
    services.x11->workspace().setThemedIconLoader(
        [](const std::string& icon) { return loadThemedIcon(icon); });
    // Overlay windows need the toolkit on X11; they live until the delegate is gone.
    std::unique_ptr<X11SurfaceFactory> surfaces =
        X11SurfaceFactory::open(services.x11->connection(), services.main);
    if (!surfaces) log.error("The toolkit does not run on X11; no overlays are shown");
    QtUiScheduler uiScheduler(fastestRefreshRate(*platform.screens));
    Platform delegatePlatform = platform;
    delegatePlatform.surfaces = surfaces.get();
    delegatePlatform.uiScheduler = &uiScheduler;
    // GNOME names its picture in its settings; other desktops publish a root pixmap.
    X11RootPicture rootPicture(services.x11->connection(), services.main);
    GnomeDesktopPictures desktopPictures(openGnomePictureSetting(), &rootPicture);
    delegatePlatform.desktopPictures = &desktopPictures;
    StripController::installShared(controllerEnvironment(platform));
    StripController& controller = StripController::shared();
    LayoutsStore::installShared(layoutsEnvironment(controller, platform));

    int status = EXIT_SUCCESS;
    bool putBack = true;
    {
        AppDelegate delegate(services.main, delegatePlatform, controller, SettingsStore::shared(),
                             LayoutsStore::shared());
        if (delegate.applicationDidFinishLaunching() == AppDelegate::LaunchResult::alreadyRunning) {
            std::cerr << "brindlow: Brindlow is already running (it answers on "
                      << SocketServer::defaultSocketPath().string() << ").\n";
            return EXIT_FAILURE;
        }
        // Asked by a second start: the window comes to the front, then the asker hears of it.
        const auto delegateAlive = std::make_shared<bool>(true);
        instance.onShowSettingsRequest(
            [&instance, &services, &delegate, delegateAlive](std::uint32_t asker) {
                services.main.async([&instance, &delegate, delegateAlive, asker] {
                    if (!*delegateAlive) return;
                    delegate.showSettings(SettingsTab::general);
                    instance.answerShowSettingsRequest(asker);
                });
            });
        SocketServer& server = delegate.socketServer();
        display_loss::arm({[&server] { server.removeSocketFileBeforeExit(); }, displayIsGone});
        status = QApplication::exec();
        instance.onShowSettingsRequest(nullptr);
        *delegateAlive = false;
        delegate.applicationWillTerminate();
        putBack = delegate.windowsPutBack();
        // The socket server goes with the delegate.
        display_loss::arm({nullptr, displayIsGone});
    }
    services.main.close();
    if (!putBack) {
        // Whatever it has not put back yet is at least in sight and on the screen.
        services.x11->bringParkedIntoView();
        // The strip queue is still working on a controller that the normal
        // exit path would tear down under it; leave without running destructors.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

}  // namespace brindlow
