#include "platform/x11/overlay/X11Stacking.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "platform/Executor.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/overlay/X11CompositorWatch.h"

namespace brindlow {

X11Stacking::X11Stacking(xcb_connection_t* requests, X11Connection& events, Executor& main)
    : requests_(requests),
      events_(events),
      main_(main),
      compositor_(std::make_unique<X11CompositorWatch>(events, main)),
      alive_(std::make_shared<X11Stacking*>(this)) {
    currentDesktopAtom_ = events_.ewmh()->_NET_CURRENT_DESKTOP;

    std::weak_ptr<X11Stacking*> weak = alive_;
    Executor* mainQueue = &main_;
    const xcb_atom_t desktopAtom = currentDesktopAtom_;
    const xcb_window_t root = events_.root();
    // What each top-level window stood above at its last configure, on the event thread: a
    // frame that only moved or changed size keeps its place in the stacking order, and a moving
    // strip configures every frame on every frame.
    auto below = std::make_shared<std::unordered_map<xcb_window_t, xcb_window_t>>();
    listener_ = events_.addListener([weak, mainQueue, desktopAtom, root,
                                     below](const X11Connection::Event& event) {
        const auto type = event.response_type & 0x7f;
        switch (type) {
            case XCB_CONFIGURE_NOTIFY:
            case XCB_MAP_NOTIFY: {
                // A frame restacked or a window appeared on top. Our own restacks report here
                // too and are ignored; a burst of foreign ones needs one re-assertion.
                xcb_window_t window = XCB_WINDOW_NONE;
                bool overrideRedirect = false;
                if (type == XCB_CONFIGURE_NOTIFY) {
                    const auto& configure =
                        reinterpret_cast<const xcb_configure_notify_event_t&>(event);
                    if (configure.event != root) break;
                    const auto [known, added] =
                        below->try_emplace(configure.window, configure.above_sibling);
                    if (!added && known->second == configure.above_sibling) break;
                    known->second = configure.above_sibling;
                    window = configure.window;
                } else {
                    const auto& map = reinterpret_cast<const xcb_map_notify_event_t&>(event);
                    window = map.window;
                    overrideRedirect = map.event == root && map.override_redirect != 0;
                }
                mainQueue->async([weak, window, overrideRedirect] {
                    auto alive = weak.lock();
                    if (!alive) return;
                    X11Stacking& self = **alive;
                    if (self.windows_.contains(window)) return;
                    const bool popup = std::find(self.popups_.begin(), self.popups_.end(),
                                                 window) != self.popups_.end();
                    // A pop-up of the toolkit's appeared on top, where it belongs: no
                    // re-assertion would put our tiers back above it.
                    if (!popup && overrideRedirect && self.madeByToolkit(window)) {
                        self.popups_.push_back(window);
                        return;
                    }
                    if (popup || self.reassertQueued_) return;
                    self.reassertQueued_ = true;
                    self.main_.async([weak] {
                        auto again = weak.lock();
                        if (!again) return;
                        (*again)->reassertQueued_ = false;
                        (*again)->reassert();
                    });
                });
                break;
            }
            case XCB_UNMAP_NOTIFY:
            case XCB_DESTROY_NOTIFY: {
                // Both events begin with the same fields.
                const auto& gone = reinterpret_cast<const xcb_unmap_notify_event_t&>(event);
                if (type == XCB_DESTROY_NOTIFY) below->erase(gone.window);
                if (gone.event != root) break;
                mainQueue->async([weak, window = gone.window] {
                    if (auto alive = weak.lock()) std::erase((*alive)->popups_, window);
                });
                break;
            }
            case XCB_PROPERTY_NOTIFY: {
                const auto& property = reinterpret_cast<const xcb_property_notify_event_t&>(event);
                if (property.atom != desktopAtom) break;
                mainQueue->async([weak] {
                    auto alive = weak.lock();
                    if (!alive) return;
                    // A copy: an observer may remove itself.
                    auto observers = (*alive)->desktopObservers_;
                    for (auto& [token, handler] : observers) handler();
                });
                break;
            }
            default:
                break;
        }
    });
}

X11Stacking::~X11Stacking() {
    events_.removeListener(listener_);
    alive_.reset();
}

void X11Stacking::add(xcb_window_t window, SurfaceTier tier) {
    windows_[window].tier = tier;
}

void X11Stacking::remove(xcb_window_t window) {
    windows_.erase(window);
}

void X11Stacking::setTier(xcb_window_t window, SurfaceTier tier) {
    auto found = windows_.find(window);
    if (found == windows_.end() || found->second.tier == tier) return;
    found->second.tier = tier;
    if (tier != SurfaceTier::normal && found->second.relation != Relation::front) {
        found->second.relation = Relation::none;
    }
}

void X11Stacking::mapped(xcb_window_t window) {
    auto found = windows_.find(window);
    if (found == windows_.end()) return;
    found->second.mapped = true;
    // A freshly mapped window lands on top of everything: put the status tier back above it.
    if (found->second.tier != SurfaceTier::status) raiseTier(SurfaceTier::status);
}

void X11Stacking::unmapped(xcb_window_t window) {
    auto found = windows_.find(window);
    if (found == windows_.end()) return;
    found->second.mapped = false;
    found->second.relation = Relation::none;
}

bool X11Stacking::isSibling(xcb_window_t frame) {
    // Asked on our own connection: a reply there is safe while the toolkit's event thread reads
    // its connection, where waiting for the error of a void request can stall.
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(events_.xcb(), xcb_query_tree(events_.xcb(), frame), nullptr));
    return tree && tree->parent == events_.root();
}

void X11Stacking::restack(xcb_window_t window, std::optional<xcb_window_t> sibling,
                          std::uint32_t mode) {
    std::uint32_t values[2];
    std::uint16_t mask = XCB_CONFIG_WINDOW_STACK_MODE;
    int count = 0;
    if (sibling) {
        mask |= XCB_CONFIG_WINDOW_SIBLING;
        values[count++] = *sibling;
    }
    values[count++] = mode;
    // Checked, and the error (the sibling went away meanwhile) dropped here instead of reaching
    // the toolkit's error handler.
    const xcb_void_cookie_t cookie = xcb_configure_window_checked(requests_, window, mask, values);
    xcb_discard_reply(requests_, cookie.sequence);
}

void X11Stacking::raiseTier(SurfaceTier tier) {
    std::vector<std::pair<std::uint64_t, xcb_window_t>> order;
    for (const auto& [window, entry] : windows_) {
        if (entry.mapped && entry.tier == tier) order.emplace_back(entry.frontSerial, window);
    }
    std::sort(order.begin(), order.end());
    for (const auto& [serial, window] : order) {
        restack(window, std::nullopt, XCB_STACK_MODE_ABOVE);
    }
    if (!order.empty()) xcb_flush(requests_);
    if (tier == SurfaceTier::status) raisePopups();
}

bool X11Stacking::madeByToolkit(xcb_window_t window) const {
    const xcb_setup_t* setup = xcb_get_setup(requests_);
    return setup && (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

void X11Stacking::raisePopups() {
    for (xcb_window_t popup : popups_) restack(popup, std::nullopt, XCB_STACK_MODE_ABOVE);
    if (!popups_.empty()) xcb_flush(requests_);
}

void X11Stacking::orderFront(xcb_window_t window) {
    auto found = windows_.find(window);
    if (found == windows_.end()) return;
    Entry& entry = found->second;
    entry.relation = Relation::front;
    entry.sibling = XCB_WINDOW_NONE;
    entry.frontSerial = nextFrontSerial_++;
    restack(window, std::nullopt, XCB_STACK_MODE_ABOVE);
    if (entry.tier != SurfaceTier::status)
        raiseTier(SurfaceTier::status);
    else
        raisePopups();
    xcb_flush(requests_);
}

bool X11Stacking::orderAbove(xcb_window_t window, xcb_window_t frame) {
    auto found = windows_.find(window);
    if (found == windows_.end()) return false;
    // A client window instead of its frame, or a window that is gone, would be refused.
    if (!isSibling(frame)) return false;
    restack(window, frame, XCB_STACK_MODE_ABOVE);
    xcb_flush(requests_);
    found->second.relation = Relation::above;
    found->second.sibling = frame;
    return true;
}

bool X11Stacking::orderBelow(xcb_window_t window, xcb_window_t frame) {
    auto found = windows_.find(window);
    if (found == windows_.end()) return false;
    if (!isSibling(frame)) return false;
    restack(window, frame, XCB_STACK_MODE_BELOW);
    xcb_flush(requests_);
    found->second.relation = Relation::below;
    found->second.sibling = frame;
    return true;
}

void X11Stacking::reassert() {
    bool any = false;
    for (const auto& [window, entry] : windows_) {
        if (!entry.mapped || entry.tier != SurfaceTier::normal) continue;
        if (entry.relation == Relation::above || entry.relation == Relation::below) {
            restack(
                window, entry.sibling,
                entry.relation == Relation::above ? XCB_STACK_MODE_ABOVE : XCB_STACK_MODE_BELOW);
            any = true;
        }
    }
    if (any) xcb_flush(requests_);
    raiseTier(SurfaceTier::floating);
    raiseTier(SurfaceTier::status);
}

bool X11Stacking::compositing() const {
    return compositor_->running();
}

ObserverToken X11Stacking::addCompositingObserver(std::function<void()> handler) {
    return compositor_->addObserver(std::move(handler));
}

void X11Stacking::removeCompositingObserver(ObserverToken token) {
    compositor_->removeObserver(token);
}

ObserverToken X11Stacking::addDesktopChangeObserver(std::function<void()> handler) {
    const ObserverToken token = nextToken_++;
    desktopObservers_.emplace(token, std::move(handler));
    return token;
}

void X11Stacking::removeDesktopChangeObserver(ObserverToken token) {
    desktopObservers_.erase(token);
}

}  // namespace brindlow
