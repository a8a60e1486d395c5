#include "platform/x11/overlay/X11CompositorWatch.h"

#include <xcb/composite.h>
#include <xcb/xfixes.h>

#include <cstdlib>

#include "platform/Executor.h"
#include "platform/Log.h"
#include "platform/x11/connection/X11Connection.h"

namespace brindlow {

X11CompositorWatch::X11CompositorWatch(X11Connection& events, Executor& main)
    : events_(events), main_(main), alive_(std::make_shared<X11CompositorWatch*>(this)) {
    selection_ = events_.ewmh()->_NET_WM_CM_Sn[events_.screenNumber()];
    xcb_connection_t* c = events_.xcb();
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        // The server answers XFixes requests only from a client that said which version it knows.
        std::free(xcb_xfixes_query_version_reply(
            c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
            nullptr));
        const int notify = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        const xcb_atom_t selection = selection_;
        std::weak_ptr<X11CompositorWatch*> weak = alive_;
        Executor* mainQueue = &main_;
        listener_ = events_.addListener([notify, selection, weak,
                                         mainQueue](const X11Connection::Event& event) {
            if ((event.response_type & 0x7f) != notify) return;
            const auto& change =
                reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event);
            if (change.selection != selection) return;
            const bool owned = change.subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER &&
                               change.owner != XCB_WINDOW_NONE;
            mainQueue->async([weak, owned] {
                if (auto alive = weak.lock()) (*alive)->ownerChanged(owned);
            });
        });
        xcb_xfixes_select_selection_input(
            c, events_.root(), selection_,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    }
    const xcb_query_extension_reply_t* composite = xcb_get_extension_data(c, &xcb_composite_id);
    compositeExtension_ = composite && composite->present;
    if (compositeExtension_) {
        std::free(xcb_composite_query_version_reply(
            c,
            xcb_composite_query_version(c, XCB_COMPOSITE_MAJOR_VERSION,
                                        XCB_COMPOSITE_MINOR_VERSION),
            nullptr));
        probe_ = xcb_generate_id(c);
        const std::uint32_t overrideRedirect = 1;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe_, events_.root(), -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
        xcb_map_window(c, probe_);
    }
    // Asked after the watch began: a change in between is reported by an event as well.
    owned_ = askOwner();
    running_ = owned_ && redirected();
    if (owned_ && !running_) checkRedirection(generation_, 0);
}

X11CompositorWatch::~X11CompositorWatch() {
    if (listener_) events_.removeListener(listener_);
    alive_.reset();
    if (probe_ != XCB_WINDOW_NONE) {
        xcb_destroy_window(events_.xcb(), probe_);
        xcb_flush(events_.xcb());
    }
}

bool X11CompositorWatch::redirected() const {
    // Without the extension nothing can be redirected: the owner is taken at its word.
    if (!compositeExtension_) return true;
    xcb_connection_t* c = events_.xcb();
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    // Only a redirected window has a pixmap of its own to name.
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, probe_, pixmap));
    if (error) {
        std::free(error);
        return false;
    }
    xcb_free_pixmap(c, pixmap);
    return true;
}

void X11CompositorWatch::checkRedirection(std::uint64_t generation, int attempt) {
    constexpr int kAttempts = 8;  // 0.05 s doubling: about 6 s in all
    std::weak_ptr<X11CompositorWatch*> weak = alive_;
    main_.asyncAfter(0.05 * double(1 << attempt), [weak, generation, attempt] {
        auto alive = weak.lock();
        if (!alive) return;
        X11CompositorWatch& self = **alive;
        if (generation != self.generation_ || !self.owned_ || self.running_) return;
        if (self.redirected()) {
            self.setRunning(true);
        } else if (attempt + 1 < kAttempts) {
            self.checkRedirection(generation, attempt + 1);
        } else {
            static const Logger log = makeLogger("Overlays");
            log.info(
                "A compositing manager holds the screen but draws no window: overlays are "
                "drawn as without one");
        }
    });
}

bool X11CompositorWatch::askOwner() const {
    xcb_connection_t* c = events_.xcb();
    XcbReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

void X11CompositorWatch::ownerChanged(bool owned) {
    owned_ = owned;
    ++generation_;
    if (!owned) {
        setRunning(false);
    } else if (redirected()) {
        setRunning(true);
    } else {
        checkRedirection(generation_, 0);
    }
}

void X11CompositorWatch::setRunning(bool running) {
    if (running == running_) return;
    running_ = running;
    static const Logger log = makeLogger("Overlays");
    log.info("Compositing manager %{public}s", running ? "started" : "stopped");
    // A copy: an observer may remove itself.
    auto observers = observers_;
    for (auto& [token, handler] : observers) handler();
}

ObserverToken X11CompositorWatch::addObserver(std::function<void()> handler) {
    const ObserverToken token = nextToken_++;
    observers_.emplace(token, std::move(handler));
    return token;
}

void X11CompositorWatch::removeObserver(ObserverToken token) {
    observers_.erase(token);
}

}  // namespace brindlow
