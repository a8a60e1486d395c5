#include "platform/x11/X11Platform.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include <xcb/randr.h>

#include "platform/Clock.h"
#include "platform/ExecutorFactory.h"
#include "platform/x11/apps/LinuxProcessTable.h"
#include "platform/x11/apps/X11Workspace.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/input/X11GestureTap.h"
#include "platform/x11/input/X11HotKeys.h"
#include "platform/x11/input/X11PointerActivity.h"
#include "platform/x11/input/X11PointerMonitor.h"
#include "platform/x11/panels/X11PanelDesktop.h"
#include "platform/x11/screens/X11Screens.h"
#include "platform/x11/windows/X11Accessibility.h"
#include "platform/x11/windows/X11Desktop.h"
#include "platform/x11/windows/X11WindowList.h"
#include "platform/x11/wm/DragButtons.h"

namespace brindlow {

X11Platform::X11Platform(Executor& main) : main_(main) {}

std::unique_ptr<X11Platform> X11Platform::open(Executor& main,
                                               std::unique_ptr<Preferences> preferences,
                                               const char* display) {
    auto p = connect(main, display);
    if (p) p->startServices(std::move(preferences));
    return p;
}

std::unique_ptr<X11Platform> X11Platform::connect(Executor& main, const char* display) {
    auto connection = X11Connection::open(display);
    if (!connection) return nullptr;
    std::unique_ptr<X11Platform> p(new X11Platform(main));
    p->connection_ = std::move(connection);
    if (display) p->display_ = display;
    return p;
}

void X11Platform::startServices(std::unique_ptr<Preferences> preferences) {
    const char* display = display_ ? display_->c_str() : nullptr;
    desktop_ = std::make_unique<X11Desktop>(*connection_);
    accessibility_ = std::make_unique<X11Accessibility>(*desktop_, main_);
    workspace_ = std::make_unique<X11Workspace>(*desktop_, main_);
    windowList_ = std::make_unique<X11WindowList>(*desktop_, *workspace_);
    screens_ = std::make_unique<X11Screens>(*desktop_, main_);
    processes_ = std::make_unique<LinuxProcessTable>();
    hotKeys_ = X11HotKeys::open(main_, display);
    preferences_ = std::move(preferences);
    panelDesktop_ = std::make_unique<X11PanelDesktop>(*connection_, *desktop_);
    // Input listening uses connections of its own, to the same display.
    const std::string name = display_.value_or("");
    gestureTap_ = std::make_unique<X11GestureTap>(name);
    pointerMonitor_ = std::make_unique<X11PointerMonitor>(name, main_);
    pointerActivity_ = std::make_unique<X11PointerActivity>(name);
}

bool X11Platform::isXWayland() {
    xcb_connection_t* c = connection_->xcb();
    constexpr std::string_view kExtension = "XWAYLAND";
    const XcbReply<xcb_query_extension_reply_t> reply(xcb_query_extension_reply(
        c, xcb_query_extension(c, kExtension.size(), kExtension.data()), nullptr));
    if (reply && reply->present) return true;
    // Servers older than that extension still name their monitors after themselves.
    const XcbReply<xcb_randr_get_monitors_reply_t> monitors(xcb_randr_get_monitors_reply(
        c, xcb_randr_get_monitors(c, connection_->root(), 1), nullptr));
    if (!monitors) return false;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        if (connection_->atomName(it.data->name).starts_with("XWAYLAND")) return true;
    }
    return false;
}

X11Platform::~X11Platform() {
    hotKeys_.reset();
    // Their threads end before anything else goes.
    pointerMonitor_.reset();
    pointerActivity_.reset();
    gestureTap_.reset();
    // Services unsubscribe from the desktop and the connection before they go.
    panelDesktop_.reset();
    screens_.reset();
    windowList_.reset();
    workspace_.reset();
    accessibility_.reset();
    desktop_.reset();
    connection_.reset();
}

void X11Platform::setDisplayLostHandler(std::function<void()> handler) {
    connection_->setConnectionLostHandler(std::move(handler));
}

bool X11Platform::displayIsGone() {
    if (connection_->hasError()) return true;
    xcb_connection_t* c = connection_->xcb();
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return connection_->hasError();
}

Platform X11Platform::platform() {
    Platform p;
    p.accessibility = accessibility_.get();
    p.windowList = windowList_.get();
    p.workspace = workspace_.get();
    p.screens = screens_.get();
    p.processes = processes_.get();
    p.hotKeys = hotKeys_.get();
    p.preferences = preferences_.get();
    p.eventTap = gestureTap_.get();
    p.mouseMonitor = pointerMonitor_.get();
    p.pointerActivity = pointerActivity_.get();
    p.main = &main_;
    p.clock = &MonotonicClock::shared();
    p.makeSerialQueue = serialQueueFactory();
    p.panelDesktop = panelDesktop_.get();
    X11Connection* x = connection_.get();
    X11Desktop* desktop = desktop_.get();
    // Asked for every moved window while the strip scrolls: one answer serves a burst of them
    // (a few milliseconds), instead of a round trip each.
    struct PointerCache {
        std::mutex mutex;
        double asked = -1;
        std::optional<PointerState> state;
        std::uint16_t mask = 0;  // buttons and modifiers held
    };
    auto cache = std::make_shared<PointerCache>();
    const auto ask = [x, cache](auto read) {
        constexpr double kFresh = 0.004;
        const double now = MonotonicClock::shared().now();
        {
            std::lock_guard lock(cache->mutex);
            if (cache->asked >= 0 && now - cache->asked < kFresh) return read(*cache);
        }
        auto* reply =
            xcb_query_pointer_reply(x->xcb(), xcb_query_pointer(x->xcb(), x->root()), nullptr);
        std::lock_guard lock(cache->mutex);
        cache->asked = now;
        cache->state.reset();
        cache->mask = 0;
        if (reply) {
            constexpr auto kButtons =
                XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 | XCB_KEY_BUT_MASK_BUTTON_3;
            cache->state = PointerState{{double(reply->root_x), double(reply->root_y)},
                                        (reply->mask & kButtons) != 0};
            cache->mask = reply->mask;
        }
        std::free(reply);
        return read(*cache);
    };
    p.windowManagerTraits = [desktop] { return desktop->registry().windowManagerTraits(); };
    p.dragButtonDown = [ask, desktop] {
        const std::uint16_t mask = ask([](const PointerCache& c) { return c.mask; });
        return isDragButtonHeld(mask, desktop->registry().dragButtons());
    };
    p.pointer = [ask] { return ask([](const PointerCache& c) { return c.state; }); };
    return p;
}

void X11Platform::bringParkedIntoView() {
    desktop_->parking().bringParkedIntoView();
}

}  // namespace brindlow
