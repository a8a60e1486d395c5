#include "platform/x11/overlay/X11CompositorWatch.h"

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
            const bool running = change.subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER &&
                                 change.owner != XCB_WINDOW_NONE;
            mainQueue->async([weak, running] {
                if (auto alive = weak.lock()) (*alive)->ownerChanged(running);
            });
        });
        xcb_xfixes_select_selection_input(
            c, events_.root(), selection_,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    }
    // Asked after the watch began: a change in between is reported by an event as well.
    running_ = askOwner();
}

X11CompositorWatch::~X11CompositorWatch() {
    if (listener_) events_.removeListener(listener_);
    alive_.reset();
}

bool X11CompositorWatch::askOwner() const {
    xcb_connection_t* c = events_.xcb();
    XcbReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

void X11CompositorWatch::ownerChanged(bool running) {
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
