#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Executor.h"
#include "platform/Platform.h"

namespace brindlow {

class X11Connection;
class X11Desktop;
class X11Accessibility;
class X11WindowList;
class X11Workspace;
class X11Screens;
class LinuxProcessTable;
class X11HotKeys;
class X11PanelDesktop;
class X11GestureTap;
class X11PointerMonitor;
class X11PointerActivity;

// Every x11 service over one connection. Notifications are delivered on `main`.
class X11Platform {
  public:
    // Nothing when the display cannot be opened (null: $DISPLAY). `preferences` is the store the
    // services hand out (the layers above keep it in their files).
    static std::unique_ptr<X11Platform> open(Executor& main,
                                             std::unique_ptr<Preferences> preferences,
                                             const char* display = nullptr);
    // The same in two steps: the connection alone, before any service reads the desktop or logs
    // what it found (a start that stops there answers with its own line only), then the services.
    static std::unique_ptr<X11Platform> connect(Executor& main, const char* display = nullptr);
    void startServices(std::unique_ptr<Preferences> preferences);
    ~X11Platform();

    // Whether the server is XWayland, the X11 server of a Wayland session: it shows only the
    // windows of X11 clients and lets no client arrange the others.
    bool isXWayland();

    // The services as the controllers take them; valid while this object lives.
    Platform platform();

    X11Connection& connection() { return *connection_; }

    // Called once, on a thread of the connection, when the server goes away.
    void setDisplayLostHandler(std::function<void()> handler);
    // Whether the server went away: a round trip fails at once on a connection it closed, even
    // before the event thread has read the end of it.
    bool displayIsGone();
    X11Desktop& desktop() { return *desktop_; }
    // Parking::bringParkedIntoView(), for callers that cannot include the desktop (Qt's
    // `emit` macro clashes with it).
    void bringParkedIntoView();
    X11Workspace& workspace() { return *workspace_; }
    // None when the hot keys' own connection could not be opened.
    X11HotKeys* hotKeys() { return hotKeys_.get(); }

  private:
    explicit X11Platform(Executor& main);

    Executor& main_;
    std::optional<std::string> display_;
    std::unique_ptr<X11Connection> connection_;
    std::unique_ptr<X11Desktop> desktop_;
    std::unique_ptr<X11Accessibility> accessibility_;
    std::unique_ptr<X11Workspace> workspace_;
    std::unique_ptr<X11WindowList> windowList_;
    std::unique_ptr<X11Screens> screens_;
    std::unique_ptr<LinuxProcessTable> processes_;
    std::unique_ptr<X11HotKeys> hotKeys_;
    std::unique_ptr<Preferences> preferences_;
    std::unique_ptr<X11PanelDesktop> panelDesktop_;
    std::unique_ptr<X11GestureTap> gestureTap_;
    std::unique_ptr<X11PointerActivity> pointerActivity_;
    std::unique_ptr<X11PointerMonitor> pointerMonitor_;
};

}  // namespace brindlow
