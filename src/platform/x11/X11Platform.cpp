#include "platform/x11/X11Platform.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

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
    auto connection = X11Connection::open(display);
    if (!connection) return nullptr;
    std::unique_ptr<X11Platform> p(new X11Platform(main));
    p->connection_ = std::move(connection);
    p->desktop_ = std::make_unique<X11Desktop>(*p->connection_);
    p->accessibility_ = std::make_unique<X11Accessibility>(*p->desktop_, main);
    p->workspace_ = std::make_unique<X11Workspace>(*p->desktop_, main);
    p->windowList_ = std::make_unique<X11WindowList>(*p->desktop_, *p->workspace_);
    p->screens_ = std::make_unique<X11Screens>(*p->desktop_, main);
    p->processes_ = std::make_unique<LinuxProcessTable>();
    p->hotKeys_ = X11HotKeys::open(main, display);
    p->preferences_ = std::move(preferences);
    p->panelDesktop_ = std::make_unique<X11PanelDesktop>(*p->connection_, *p->desktop_);
    // Input listening uses connections of its own, to the same display.
    const std::string name = display ? display : "";
    p->gestureTap_ = std::make_unique<X11GestureTap>(name);
    p->pointerMonitor_ = std::make_unique<X11PointerMonitor>(name, main);
    p->pointerActivity_ = std::make_unique<X11PointerActivity>(name);
    return p;
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
