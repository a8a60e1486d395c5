#include "platform/x11/screens/X11Screens.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/screens/ScreenGeometry.h"
#include "platform/x11/windows/X11Desktop.h"

namespace brindlow {

namespace {

struct OutputFacts {
    std::string name;
    std::vector<std::uint8_t> edid;
    double refreshRate = 0;
};

OutputFacts readOutput(X11Connection& x, xcb_randr_output_t output,
                       const xcb_randr_get_screen_resources_current_reply_t* resources) {
    OutputFacts facts;
    XcbReply<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(
        x.xcb(), xcb_randr_get_output_info(x.xcb(), output, XCB_CURRENT_TIME), nullptr));
    if (!info) return facts;
    facts.name.assign(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
                      size_t(xcb_randr_get_output_info_name_length(info.get())));

    XcbReply<xcb_randr_get_output_property_reply_t> edid(xcb_randr_get_output_property_reply(
        x.xcb(),
        xcb_randr_get_output_property(x.xcb(), output, x.atom("EDID"), XCB_ATOM_ANY, 0, 256, 0, 0),
        nullptr));
    if (edid && edid->format == 8) {
        const std::uint8_t* data = xcb_randr_get_output_property_data(edid.get());
        facts.edid.assign(data, data + xcb_randr_get_output_property_data_length(edid.get()));
    }

    if (info->crtc != XCB_NONE && resources) {
        XcbReply<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
            x.xcb(), xcb_randr_get_crtc_info(x.xcb(), info->crtc, XCB_CURRENT_TIME), nullptr));
        if (crtc && crtc->mode != XCB_NONE) {
            auto modes = xcb_randr_get_screen_resources_current_modes_iterator(resources);
            for (; modes.rem; xcb_randr_mode_info_next(&modes)) {
                const xcb_randr_mode_info_t& mode = *modes.data;
                if (mode.id == crtc->mode && mode.htotal && mode.vtotal) {
                    facts.refreshRate =
                        double(mode.dot_clock) / (double(mode.htotal) * double(mode.vtotal));
                }
            }
        }
    }
    return facts;
}

bool reservesSpace(const Strut& strut) {
    return strut.left > 0 || strut.right > 0 || strut.top > 0 || strut.bottom > 0;
}

// The space panels take: the struts they reserve, and the shown docks that reserve none (the
// window manager then lets windows run under them, so the listing keeps them clear of the one
// that lies along an edge).
struct Panels {
    std::vector<Strut> struts;
    std::vector<Rect> docks;
    std::vector<std::uint32_t> dockWindows;
};

Panels readPanels(X11Desktop& desktop, Size rootSize) {
    X11Connection& x = desktop.connection();
    const xcb_ewmh_connection_t& ewmh = *x.ewmh();
    const std::vector<xcb_window_t> clients = desktop.registry().clients();
    const auto values = readCardinalsOfEach(
        x, clients, {ewmh._NET_WM_STRUT_PARTIAL, ewmh._NET_WM_STRUT, ewmh._NET_WM_WINDOW_TYPE});
    Panels panels;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const std::vector<std::uint32_t>& partial = values[i][0];
        const std::vector<std::uint32_t>& whole = values[i][1];
        const std::vector<std::uint32_t>& types = values[i][2];
        const std::optional<Strut> strut =
            Strut::fromCardinals(partial.empty() ? whole : partial, rootSize);
        if (strut && reservesSpace(*strut)) {
            Strut reserved = *strut;
            const std::optional<X11WindowSnapshot> shown = desktop.registry().read(clients[i]);
            if (shown && shown->mapped) reserved.dock = shown->outerFrame();
            panels.struts.push_back(reserved);
            continue;
        }
        if (std::find(types.begin(), types.end(), ewmh._NET_WM_WINDOW_TYPE_DOCK) == types.end())
            continue;
        // Followed even while hidden, so that showing it again is heard.
        panels.dockWindows.push_back(clients[i]);
        const std::optional<X11WindowSnapshot> snapshot = desktop.registry().read(clients[i]);
        if (!snapshot || !snapshot->mapped || desktop.registry().minimized(*snapshot)) continue;
        const Rect frame = snapshot->outerFrame();
        if (frame.width > 0 && frame.height > 0) panels.docks.push_back(frame);
    }
    return panels;
}

// The windows below each of `parents`, asked for all at once; an entry for each parent.
std::vector<std::vector<xcb_window_t>> childrenOfEach(X11Connection& x,
                                                      const std::vector<xcb_window_t>& parents) {
    std::vector<xcb_query_tree_cookie_t> cookies;
    for (const xcb_window_t parent : parents) cookies.push_back(xcb_query_tree(x.xcb(), parent));
    std::vector<std::vector<xcb_window_t>> children;
    for (const xcb_query_tree_cookie_t cookie : cookies) {
        XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(x.xcb(), cookie, nullptr));
        children.emplace_back();
        if (!tree) continue;
        const xcb_window_t* below = xcb_query_tree_children(tree.get());
        children.back().assign(below, below + xcb_query_tree_children_length(tree.get()));
    }
    return children;
}

// The struts of shown windows that are no clients, each with the top-level window that holds it
// as its dock's frame: a window manager's own taskbar (icewm frames it twice over, so it lies
// three levels down). Clients' frames are passed over, so only a few windows are looked into.
std::vector<Strut> windowManagersOwnStruts(X11Desktop& desktop, Size rootSize) {
    constexpr int kDepth = 3;
    X11Connection& x = desktop.connection();
    std::vector<xcb_window_t> topLevels;
    const std::vector<std::vector<xcb_window_t>> underRoot = childrenOfEach(x, {x.root()});
    for (const xcb_window_t top : underRoot.front())
        if (!desktop.registry().isClient(top) && !desktop.registry().clientFramedBy(top))
            topLevels.push_back(top);
    std::vector<xcb_get_window_attributes_cookie_t> shownCookies;
    std::vector<xcb_get_geometry_cookie_t> geometryCookies;
    for (const xcb_window_t top : topLevels) {
        shownCookies.push_back(xcb_get_window_attributes(x.xcb(), top));
        geometryCookies.push_back(xcb_get_geometry(x.xcb(), top));
    }
    // Each window looked into, with the frame of the top-level window it lies in.
    std::vector<xcb_window_t> level;
    std::vector<Rect> levelHolders;
    for (std::size_t i = 0; i < topLevels.size(); ++i) {
        XcbReply<xcb_get_window_attributes_reply_t> shown(
            xcb_get_window_attributes_reply(x.xcb(), shownCookies[i], nullptr));
        XcbReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(x.xcb(), geometryCookies[i], nullptr));
        if (!shown || !geometry || shown->map_state != XCB_MAP_STATE_VIEWABLE) continue;
        const double border = 2.0 * geometry->border_width;
        level.push_back(topLevels[i]);
        levelHolders.emplace_back(geometry->x, geometry->y, geometry->width + border,
                                  geometry->height + border);
    }
    std::vector<xcb_window_t> candidates = level;
    std::vector<Rect> holders = levelHolders;
    for (int depth = 0; depth < kDepth && !level.empty(); ++depth) {
        const std::vector<std::vector<xcb_window_t>> below = childrenOfEach(x, level);
        std::vector<xcb_window_t> next;
        std::vector<Rect> nextHolders;
        for (std::size_t i = 0; i < level.size(); ++i)
            for (const xcb_window_t child : below[i]) {
                next.push_back(child);
                nextHolders.push_back(levelHolders[i]);
            }
        candidates.insert(candidates.end(), next.begin(), next.end());
        holders.insert(holders.end(), nextHolders.begin(), nextHolders.end());
        level = std::move(next);
        levelHolders = std::move(nextHolders);
    }
    const xcb_ewmh_connection_t& ewmh = *x.ewmh();
    const auto values =
        readCardinalsOfEach(x, candidates, {ewmh._NET_WM_STRUT_PARTIAL, ewmh._NET_WM_STRUT});
    std::vector<Strut> struts;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        std::optional<Strut> strut =
            Strut::fromCardinals(values[i][0].empty() ? values[i][1] : values[i][0], rootSize);
        if (!strut || !reservesSpace(*strut)) continue;
        strut->dock = holders[i];
        struts.push_back(*strut);
    }
    return struts;
}

// The current desktop's _NET_WORKAREA entry, when the window manager publishes one.
std::optional<Rect> readWorkArea(X11Connection& x) {
    const std::vector<std::uint32_t> values = readCardinals(x, x.root(), x.ewmh()->_NET_WORKAREA);
    const std::size_t desktop =
        readCardinal(x, x.root(), x.ewmh()->_NET_CURRENT_DESKTOP).value_or(0);
    const std::size_t at = values.size() >= 4 * (desktop + 1) ? 4 * desktop : 0;
    if (values.size() < at + 4 || values[at + 2] == 0 || values[at + 3] == 0) return std::nullopt;
    return Rect(double(std::int32_t(values[at])), double(std::int32_t(values[at + 1])),
                values[at + 2], values[at + 3]);
}

}  // namespace

X11Screens::X11Screens(X11Desktop& desktop, Executor& main) : desktop_(desktop), main_(main) {
    subscription_ = desktop_.subscribers().subscribeScreenChanges([this] { changed(); });
    // The dock that reserves no space moves, resizes, hides or shows without a screen change.
    windowSubscription_ =
        desktop_.subscribers().subscribeWindows([this](const X11WindowEvent& event) {
            using Kind = X11WindowEvent::Kind;
            if (event.kind != Kind::moved && event.kind != Kind::resized &&
                event.kind != Kind::minimized && event.kind != Kind::restored)
                return;
            {
                std::lock_guard lock(cacheMutex_);
                const std::vector<std::uint32_t>& docks = cached_.dockWindows;
                if (std::find(docks.begin(), docks.end(), event.window) == docks.end()) return;
            }
            changed();
        });
}

X11Screens::~X11Screens() {
    desktop_.subscribers().unsubscribe(windowSubscription_);
    desktop_.subscribers().unsubscribe(subscription_);
}

void X11Screens::changed() {
    {
        std::lock_guard lock(cacheMutex_);
        ++generation_;
    }
    std::vector<std::shared_ptr<std::function<void()>>> handlers;
    {
        std::lock_guard lock(mutex_);
        for (auto& [token, handler] : handlers_) handlers.push_back(handler);
    }
    // Weakly held: an observer removed before the block runs hears nothing.
    for (auto& handler : handlers) {
        main_.async([weak = std::weak_ptr(handler)] {
            if (auto live = weak.lock()) (*live)();
        });
    }
}

ObserverToken X11Screens::addChangeObserver(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    handlers_.emplace(next_, std::make_shared<std::function<void()>>(std::move(handler)));
    return next_++;
}

void X11Screens::removeChangeObserver(ObserverToken token) {
    std::lock_guard lock(mutex_);
    handlers_.erase(token);
}

std::vector<ScreenInfo> X11Screens::screens() const {
    return current().screens;
}

std::optional<Rect> X11Screens::dockFrame() const {
    return current().dock;
}

X11Screens::Listing X11Screens::current() const {
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(cacheMutex_);
        if (cachedGeneration_ == generation_) return cached_;
        generation = generation_;
    }
    // Read outside the lock; a change heard meanwhile makes the next call read again.
    Listing fresh = read();
    std::lock_guard lock(cacheMutex_);
    cached_ = fresh;
    cachedGeneration_ = generation;
    return fresh;
}

X11Screens::Listing X11Screens::read() const {
    X11Connection& x = desktop_.connection();
    const Size rootSize{double(x.screen()->width_in_pixels), double(x.screen()->height_in_pixels)};
    Panels panels = readPanels(desktop_, rootSize);
    const std::optional<Rect> workArea = readWorkArea(x);
    // An edge of the work area no client's strut explains: the window manager's own taskbar
    // holds it, which lies on one monitor only and is no client.
    const Rect root({0, 0}, rootSize);
    if (workArea && withinWorkArea(root, workArea, panels.struts, rootSize) != root) {
        const std::vector<Strut> own = windowManagersOwnStruts(desktop_, rootSize);
        panels.struts.insert(panels.struts.end(), own.begin(), own.end());
    }
    Listing listing;
    listing.dockWindows = panels.dockWindows;
    std::vector<ScreenInfo>& result = listing.screens;
    // Each monitor cut by the struts of the docks on it; then kept clear of the first dock along
    // an edge of a monitor of the list made here.
    const auto finish = [&] {
        std::vector<Rect> frames;
        for (const ScreenInfo& screen : result) frames.push_back(screen.frame);
        const std::vector<Rect> usable = usableAreas(frames, panels.struts, workArea, rootSize);
        for (std::size_t i = 0; i < result.size(); ++i) result[i].visibleFrame = usable[i];
        listing.dock = dockAlongAnEdge(panels.docks, frames);
    };

    XcbReply<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(
            x.xcb(), xcb_randr_get_screen_resources_current(x.xcb(), x.root()), nullptr));
    XcbReply<xcb_randr_get_monitors_reply_t> monitors(xcb_randr_get_monitors_reply(
        x.xcb(), xcb_randr_get_monitors(x.xcb(), x.root(), 1), nullptr));

    if (!monitors) {
        // No RandR: the root window is the one screen.
        ScreenInfo only;
        only.number = 0;
        only.name = "screen";
        only.frame = root;
        result.push_back(only);
        finish();
        return listing;
    }
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t& monitor = *it.data;
        ScreenInfo info;
        info.frame = Rect(monitor.x, monitor.y, monitor.width, monitor.height);
        info.name = x.atomName(monitor.name);
        const int outputCount = xcb_randr_monitor_info_outputs_length(it.data);
        if (outputCount > 0) {
            const xcb_randr_output_t output = xcb_randr_monitor_info_outputs(it.data)[0];
            OutputFacts facts = readOutput(x, output, resources.get());
            info.number = output;
            if (!facts.name.empty()) info.name = facts.name;
            info.uuid = edidUUID(facts.edid, facts.name);
            info.refreshRate = facts.refreshRate;
        } else {
            // A monitor defined by a client has no output; its name atom names it.
            info.number = monitor.name;
        }
        if (monitor.primary) {
            result.insert(result.begin(), info);
        } else {
            result.push_back(info);
        }
    }
    finish();
    return listing;
}

}  // namespace brindlow
