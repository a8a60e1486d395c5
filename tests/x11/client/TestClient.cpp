// A small X client that the X11 tests and scripts/x11-session drive. It maps
// windows with the properties a test asks for, prints their ids once the window
// manager manages them, and then follows commands read line by line from stdin:
//   title <text>    sets _NET_WM_NAME and WM_NAME of the first window
//   legacy-title <text>  removes _NET_WM_NAME and sets only WM_NAME to the (Latin-1) bytes
//   resize WxH      resizes the first window itself, as an application changing its layout does
//   state add|remove a,b  asks the window manager to add or remove these _NET_WM_STATE entries
//                   of the first window, as an application does (fullscreen for its own F11)
//   quit            exits
// stdin at its end exits too. With --refuse it answers every resize by asking for its own size
// back and prints "refused WxH"; with --refuse-after MS it does so MS milliseconds after the
// resize, as an application busy for a moment does. Other modes:
//   --probe         maps a window until the window manager manages it, then exits 0
//   --states a,b    maps with these _NET_WM_STATE entries (sticky, skip-taskbar, ...)
//   --all-desktops  maps with _NET_WM_DESKTOP 0xFFFFFFFF (on every desktop)
//   --csd L,R,T,B   draws its own decorations, as header-bar toolkits do: no window-manager
//                   decorations (_MOTIF_WM_HINTS), a transparent margin of these widths around an
//                   opaque inside, published as _GTK_FRAME_EXTENTS; the command
//                   "frame-extents L,R,T,B" (or "frame-extents none") changes it as such a toolkit
//                   does when its window is maximised or tiled
//   --await-compositor  waits until a compositing manager runs, then exits 0 (1 after 10 s)
//   --stalling-window-manager W  takes over from the running window manager and lists window W
//                   as its client; it answers frame-extents requests until it hears a request to
//                   move a window, prints "heard move 0x<window>" and answers nothing from then on
//   --window-manager NAME  takes over as a plain window manager named NAME (PlainWindowManager.h);
//                   with --clamps-into-view it keeps every window whole on the screen
//   --unframed      the window manager frames nothing (that one): ready without waiting for a frame
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "OwnDecorations.h"
#include "PlainWindowManager.h"
#include "TakeOver.h"

namespace {

using namespace brindlow::testclient;

struct Options {
    std::string title = "testclient";
    std::string wmClass = "Brindlow-testclient";
    std::optional<long> pid;  // empty: the real pid
    bool noPid = false;
    std::string type;                 // empty: no _NET_WM_WINDOW_TYPE
    std::vector<std::string> states;  // _NET_WM_STATE_<NAME> entries, lower case with dashes
    bool allDesktops = false;
    bool transient = false;
    int width = 400, height = 300;
    // Where the window asks to be placed (a user-specified position); empty: the manager's choice.
    std::optional<std::pair<int, int>> position;
    std::optional<std::pair<int, int>> minSize, maxSize, increments;
    bool refuse = false;
    int refuseAfter = 0;  // milliseconds
    bool icon = false;
    bool probe = false;
    int windows = 1;
    std::optional<xcb_window_t> stallingClient;    // --stalling-window-manager
    std::optional<std::string> windowManagerName;  // --window-manager
    bool clampsIntoView = false;
    bool unframed = false;
    // --csd: the invisible margin (left, right, top, bottom) inside the window.
    std::optional<std::vector<std::uint32_t>> margin;
    bool awaitCompositor = false;
};

xcb_connection_t* connection = nullptr;
xcb_screen_t* screen = nullptr;

xcb_atom_t atom(const char* name) {
    auto cookie = xcb_intern_atom(connection, 0, std::strlen(name), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

// "_NET_WM_STATE_MAXIMIZED_VERT" for "maximized-vert".
std::string stateAtomName(const std::string& state) {
    std::string name = "_NET_WM_STATE_";
    for (char c : state) name += c == '-' ? '_' : char(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::vector<std::string> commaList(const std::string& list) {
    std::vector<std::string> items;
    for (size_t start = 0; start <= list.size();) {
        const size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) items.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: brindlow-testclient [--title T] [--class C] [--pid N|--no-pid]\n"
                 "  [--type normal|dialog|utility|splash|dock] [--transient]\n"
                 "  [--size WxH] [--at X,Y] [--min WxH] [--max WxH] [--inc WxH]\n"
                 "  [--refuse] [--refuse-after MS] [--icon] [--windows N] [--states a,b] "
                 "[--all-desktops] | --probe\n"
                 "  [--csd L,R,T,B] | --await-compositor | --stalling-window-manager WINDOW\n"
                 "  | --window-manager NAME [--clamps-into-view] [--unframed]\n");
    std::exit(2);
}

// "L,R,T,B", or nothing when the text says otherwise.
std::optional<std::vector<std::uint32_t>> parseMargin(const char* text) {
    unsigned left = 0, right = 0, top = 0, bottom = 0;
    char rest = 0;
    if (std::sscanf(text, "%u,%u,%u,%u%c", &left, &right, &top, &bottom, &rest) != 4)
        return std::nullopt;
    return std::vector<std::uint32_t>{left, right, top, bottom};
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage();
            return argv[++i];
        };
        auto size = [&](std::optional<std::pair<int, int>>& out) {
            int width = 0, height = 0;
            char rest = 0;
            if (std::sscanf(value(), "%dx%d%c", &width, &height, &rest) != 2) usage();
            out = {width, height};
        };
        const std::map<std::string, std::function<void()>> options = {
            {"--title", [&] { o.title = value(); }},
            {"--class", [&] { o.wmClass = value(); }},
            {"--pid", [&] { o.pid = std::atol(value()); }},
            {"--no-pid", [&] { o.noPid = true; }},
            {"--type", [&] { o.type = value(); }},
            {"--transient", [&] { o.transient = true; }},
            {"--size",
             [&] {
                 std::optional<std::pair<int, int>> s;
                 size(s);
                 std::tie(o.width, o.height) = *s;
             }},
            {"--at",
             [&] {
                 int x = 0, y = 0;
                 char rest = 0;
                 if (std::sscanf(value(), "%d,%d%c", &x, &y, &rest) != 2) usage();
                 o.position = {x, y};
             }},
            {"--min", [&] { size(o.minSize); }},
            {"--max", [&] { size(o.maxSize); }},
            {"--inc", [&] { size(o.increments); }},
            {"--refuse", [&] { o.refuse = true; }},
            {"--refuse-after",
             [&] {
                 o.refuse = true;
                 o.refuseAfter = std::max(0, std::atoi(value()));
             }},
            {"--icon", [&] { o.icon = true; }},
            {"--windows", [&] { o.windows = std::max(1, std::atoi(value())); }},
            {"--probe", [&] { o.probe = true; }},
            {"--stalling-window-manager",
             [&] { o.stallingClient = xcb_window_t(std::strtoul(value(), nullptr, 0)); }},
            {"--window-manager", [&] { o.windowManagerName = value(); }},
            {"--clamps-into-view", [&] { o.clampsIntoView = true; }},
            {"--unframed", [&] { o.unframed = true; }},
            {"--all-desktops", [&] { o.allDesktops = true; }},
            {"--csd",
             [&] {
                 o.margin = parseMargin(value());
                 if (!o.margin) usage();
             }},
            {"--await-compositor", [&] { o.awaitCompositor = true; }},
            {"--states", [&] { o.states = commaList(value()); }},
        };
        const auto option = options.find(a);
        if (option == options.end()) usage();
        option->second();
    }
    return o;
}

// The request an application sends for its own window (source 1), one or two states at a time.
void requestStates(xcb_window_t window, bool add, const std::vector<std::string>& states) {
    for (size_t first = 0; first < states.size(); first += 2) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("_NET_WM_STATE");
        message.data.data32[0] = add ? 1 : 0;
        message.data.data32[1] = atom(stateAtomName(states[first]).c_str());
        message.data.data32[2] =
            first + 1 < states.size() ? atom(stateAtomName(states[first + 1]).c_str()) : 0;
        message.data.data32[3] = 1;
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
}

void setTitle(xcb_window_t window, const std::string& title) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_NAME"),
                        atom("UTF8_STRING"), 8, title.size(), title.data());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, title.size(), title.data());
}

// Like an old client: no _NET_WM_NAME, and WM_NAME as a STRING (its bytes are Latin-1).
void setLegacyTitle(xcb_window_t window, const std::string& latin1) {
    xcb_delete_property(connection, window, atom("_NET_WM_NAME"));
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, latin1.size(), latin1.data());
}

xcb_window_t createWindow(const Options& o, const std::string& title, xcb_window_t transientFor) {
    xcb_window_t window = xcb_generate_id(connection);
    const auto [x, y] = o.position.value_or(std::pair<int, int>{0, 0});
    const std::optional<xcb_visualid_t> alpha = o.margin ? alphaVisual(screen) : std::nullopt;
    if (alpha) {
        // Transparent where nothing is drawn: the margin shows what lies behind it.
        const xcb_colormap_t colormap = xcb_generate_id(connection);
        xcb_create_colormap(connection, XCB_COLORMAP_ALLOC_NONE, colormap, screen->root, *alpha);
        uint32_t values[] = {0, 0,
                             XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE |
                                 XCB_EVENT_MASK_EXPOSURE,
                             colormap};
        xcb_create_window(
            connection, 32, window, screen->root, int16_t(x), int16_t(y), uint16_t(o.width),
            uint16_t(o.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, *alpha,
            XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP, values);
    } else {
        uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                                                      XCB_EVENT_MASK_PROPERTY_CHANGE |
                                                      XCB_EVENT_MASK_EXPOSURE};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, int16_t(x),
                          int16_t(y), uint16_t(o.width), uint16_t(o.height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    }
    if (o.margin) {
        // Decorations of its own: the window manager draws none (flags: decorations; none).
        const uint32_t motif[5] = {2, 0, 0, 0, 0};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_MOTIF_WM_HINTS"),
                            atom("_MOTIF_WM_HINTS"), 32, 5, motif);
        setMargin(connection, window, o.margin);
    }
    setTitle(window, title);

    std::string instance;
    for (char c : o.wmClass) instance += char(std::tolower(static_cast<unsigned char>(c)));
    std::string classProperty = instance + '\0' + o.wmClass + '\0';
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, classProperty.size(), classProperty.data());

    if (!o.noPid) {
        uint32_t pid = uint32_t(o.pid ? *o.pid : long(getpid()));
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
    }
    if (!o.type.empty()) {
        std::string name = "_NET_WM_WINDOW_TYPE_";
        for (char c : o.type) name += char(std::toupper(static_cast<unsigned char>(c)));
        xcb_atom_t type = atom(name.c_str());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_WINDOW_TYPE"),
                            XCB_ATOM_ATOM, 32, 1, &type);
    }
    if (o.allDesktops) {
        const uint32_t every = 0xFFFFFFFF;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_DESKTOP"),
                            XCB_ATOM_CARDINAL, 32, 1, &every);
    }
    if (!o.states.empty()) {
        std::vector<xcb_atom_t> states;
        for (const std::string& state : o.states)
            states.push_back(atom(stateAtomName(state).c_str()));
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_STATE"),
                            XCB_ATOM_ATOM, 32, states.size(), states.data());
    }
    if (transientFor != XCB_WINDOW_NONE) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_TRANSIENT_FOR,
                            XCB_ATOM_WINDOW, 32, 1, &transientFor);
    }

    xcb_size_hints_t hints{};
    xcb_icccm_size_hints_set_size(&hints, 1, o.width, o.height);
    if (o.position) xcb_icccm_size_hints_set_position(&hints, 1, x, y);
    if (o.minSize) xcb_icccm_size_hints_set_min_size(&hints, o.minSize->first, o.minSize->second);
    if (o.maxSize) xcb_icccm_size_hints_set_max_size(&hints, o.maxSize->first, o.maxSize->second);
    if (o.increments)
        xcb_icccm_size_hints_set_resize_inc(&hints, o.increments->first, o.increments->second);
    xcb_icccm_set_wm_normal_hints(connection, window, &hints);

    xcb_atom_t protocols[] = {atom("WM_DELETE_WINDOW")};
    xcb_icccm_set_wm_protocols(connection, window, atom("WM_PROTOCOLS"), 1, protocols);

    if (o.icon) {
        // 4×4 opaque red, then 2×2 opaque blue.
        std::vector<uint32_t> icon = {4, 4};
        icon.insert(icon.end(), 16, 0xffff0000u);
        icon.push_back(2);
        icon.push_back(2);
        icon.insert(icon.end(), 4, 0xff0000ffu);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_ICON"),
                            XCB_ATOM_CARDINAL, 32, icon.size(), icon.data());
    }
    return window;
}

bool windowManagerRuns() {
    auto cookie = xcb_get_property(connection, 0, screen->root, atom("_NET_SUPPORTING_WM_CHECK"),
                                   XCB_ATOM_WINDOW, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    bool runs = reply && xcb_get_property_value_length(reply) == 4;
    std::free(reply);
    return runs;
}

// Waits for events until `done` says so or `milliseconds` pass; false on time-out.
template <typename Done>
bool waitFor(int milliseconds, Done done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    xcb_flush(connection);
    while (true) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            bool finished = done(event);
            std::free(event);
            if (finished) return true;
        }
        if (xcb_connection_has_error(connection)) std::exit(3);
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return false;
        pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
        poll(&fd, 1, int(left));
    }
}

bool isReparent(const xcb_generic_event_t* event, xcb_window_t window) {
    if ((event->response_type & 0x7f) != XCB_REPARENT_NOTIFY) return false;
    auto* reparent = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
    return reparent->window == window && reparent->parent != screen->root;
}

bool isMap(const xcb_generic_event_t* event, xcb_window_t window) {
    if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY) return false;
    return reinterpret_cast<const xcb_map_notify_event_t*>(event)->window == window;
}

// Whether the window manager's client list names `window`.
bool listed(xcb_window_t window) {
    auto cookie = xcb_get_property(connection, 0, screen->root, atom("_NET_CLIENT_LIST"),
                                   XCB_ATOM_WINDOW, 0, 4096);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    bool found = false;
    if (reply) {
        const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / int(sizeof(xcb_window_t));
        found = std::find(windows, windows + count, window) != windows + count;
    }
    std::free(reply);
    return found;
}

// A window manager that is still starting may drop a window mapped now without a
// trace, so the probe maps again until the window gets a frame. It then withdraws the window
// until the window manager no longer lists it (destroyed while managed, fluxbox now and then kept
// it listed for good), and stays connected until the window is gone from the list: the server
// hands our ids to the next client only after we leave, and a window manager still starting up
// (KWin) takes a while to forget a window; its requests would land on that client's window of the
// same id, which the session's first program would then find in the list.
int probe(const Options& o) {
    uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (!windowManagerRuns()) {
            // Wait for the root property that a window manager sets when it is ready.
            waitFor(250, [](xcb_generic_event_t* e) {
                return (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
            });
            continue;
        }
        const xcb_window_t window = createWindow(o, "brindlow probe", XCB_WINDOW_NONE);
        xcb_map_window(connection, window);
        if (!waitFor(250, [&](xcb_generic_event_t* e) { return isReparent(e, window); })) {
            xcb_destroy_window(connection, window);
            xcb_flush(connection);
            continue;
        }
        const auto listChanged = [&](xcb_generic_event_t* e, bool wanted) {
            return (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && listed(window) == wanted;
        };
        if (!listed(window))
            waitFor(2000, [&](xcb_generic_event_t* e) { return listChanged(e, true); });
        // Withdrawn first, as a client ends a window the window manager manages.
        xcb_unmap_window(connection, window);
        xcb_unmap_notify_event_t withdrawn{};
        withdrawn.response_type = XCB_UNMAP_NOTIFY;
        withdrawn.event = screen->root;
        withdrawn.window = window;
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&withdrawn));
        xcb_flush(connection);
        if (listed(window))
            waitFor(2000, [&](xcb_generic_event_t* e) { return listChanged(e, false); });
        xcb_destroy_window(connection, window);
        xcb_flush(connection);
        if (listed(window) &&
            !waitFor(5000, [&](xcb_generic_event_t* e) { return listChanged(e, false); }))
            std::fprintf(stderr, "brindlow-testclient: the window manager still lists the probe\n");
        return 0;
    }
    std::fprintf(stderr, "brindlow-testclient: the window manager never managed the probe\n");
    return 1;
}

// A window manager that stops answering: it takes the window manager selection (the one it
// replaces lets its clients go and ends), publishes itself and one client, answers frame-extents
// requests like any window manager, and once asked to move a window answers nothing more.
// It keeps its marks on the root all along: putting them back answers nobody.
int stallingWindowManager(xcb_window_t client, int screenNumber) {
    const xcb_window_t root = screen->root;
    const xcb_window_t own = brindlow::test::takeOverTheRoot(connection, root, screenNumber);
    if (own == XCB_WINDOW_NONE) return 1;
    brindlow::test::RootMarks marks(connection, root, own);
    marks.publishCheck();
    marks.publishClients({client});
    const xcb_atom_t extentsRequest = atom("_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atom("_NET_FRAME_EXTENTS");
    const xcb_atom_t moveResize = atom("_NET_MOVERESIZE_WINDOW");
    std::printf("ready\n");
    std::fflush(stdout);
    bool stalled = false;
    for (;;) {
        xcb_generic_event_t* event = xcb_wait_for_event(connection);
        if (!event) return 3;
        marks.putBackIfCleared(*event);
        xcb_flush(connection);
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message->type == moveResize && !stalled) {
                stalled = true;
                std::printf("heard move 0x%x\n", message->window);
                std::fflush(stdout);
            } else if (message->type == extentsRequest && !stalled) {
                const uint32_t none[4] = {0, 0, 0, 0};
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, message->window, extents,
                                    XCB_ATOM_CARDINAL, 32, 4, none);
                xcb_flush(connection);
            }
        }
        std::free(event);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o = parse(argc, argv);
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "brindlow-testclient: cannot open the display\n");
        return 3;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
    screen = it.data;

    if (o.probe) return probe(o);
    if (o.awaitCompositor) return awaitCompositor(connection, screen->root, screenNumber);
    if (o.stallingClient) return stallingWindowManager(*o.stallingClient, screenNumber);
    if (o.windowManagerName)
        return brindlow::test::plainWindowManager(connection, screen, screenNumber,
                                                  *o.windowManagerName, o.clampsIntoView);

    xcb_window_t parent = XCB_WINDOW_NONE;
    if (o.transient) {
        Options parentOptions = o;
        parentOptions.type.clear();
        parent = createWindow(parentOptions, o.title + " (owner)", XCB_WINDOW_NONE);
    }

    std::vector<xcb_window_t> windows;
    for (int i = 0; i < o.windows; ++i) {
        std::string title = o.windows == 1 ? o.title : o.title + " " + std::to_string(i + 1);
        windows.push_back(createWindow(o, title, parent));
    }
    std::vector<xcb_window_t> toMap = windows;
    if (o.transient) toMap.insert(toMap.begin(), parent);
    for (xcb_window_t w : toMap) xcb_map_window(connection, w);

    if (windowManagerRuns() && !o.unframed) {
        // Some window managers leave docks, splashes, desktop windows and windows that draw their
        // own decorations without a frame (metacity does): such a window is managed once it is
        // mapped. Any other is once it has its frame (a window manager reparents a window before
        // it maps it).
        const bool mayStayUnframed =
            o.margin || o.type == "dock" || o.type == "splash" || o.type == "desktop";
        std::set<xcb_window_t> managed;
        waitFor(5000, [&](xcb_generic_event_t* e) {
            for (xcb_window_t w : toMap) {
                if (isReparent(e, w) || (mayStayUnframed && w != parent && isMap(e, w)))
                    managed.insert(w);
            }
            return managed.size() == toMap.size();
        });
    }
    const int fixedWidth = o.width, fixedHeight = o.height;
    xcb_atom_t wmProtocols = atom("WM_PROTOCOLS");
    xcb_atom_t deleteWindow = atom("WM_DELETE_WINDOW");
    for (xcb_window_t w : windows) std::printf("window 0x%x\n", w);
    if (o.transient) std::printf("owner 0x%x\n", parent);
    std::printf("ready\n");
    std::fflush(stdout);

    // Asks for the window's own size back and says so.
    const auto refuseNow = [&](xcb_window_t window, int width, int height) {
        uint32_t size[] = {uint32_t(fixedWidth), uint32_t(fixedHeight)};
        xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                             size);
        // Said once the request is sent, so a test knows the resize reached us.
        xcb_flush(connection);
        std::printf("refused %dx%d\n", width, height);
        std::fflush(stdout);
    };
    // Windows to answer later (--refuse-after), and when.
    struct Due {
        std::chrono::steady_clock::time_point at;
        int width = 0, height = 0;
    };
    std::map<xcb_window_t, Due> refuseDue;
    std::optional<std::vector<std::uint32_t>> margin = o.margin;
    std::map<xcb_window_t, std::pair<int, int>> sizes;
    for (xcb_window_t w : windows) sizes[w] = {o.width, o.height};
    std::string input;
    while (true) {
        // Events first: waiting for a reply (an atom, a command's round trip) reads the events
        // that came before it into the library's queue, where the socket no longer shows them.
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CONFIGURE_NOTIFY && o.margin) {
                auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
                if (sizes.count(configure->window))
                    sizes[configure->window] = {configure->width, configure->height};
            }
            if (type == XCB_EXPOSE && o.margin) {
                auto* expose = reinterpret_cast<xcb_expose_event_t*>(event);
                if (expose->count == 0 && sizes.count(expose->window)) {
                    const auto [width, height] = sizes[expose->window];
                    paintInside(connection, expose->window, width, height, margin);
                }
            }
            if (type == XCB_CONFIGURE_NOTIFY && o.refuse) {
                auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
                if (configure->width != fixedWidth || configure->height != fixedHeight) {
                    if (o.refuseAfter > 0) {
                        refuseDue[configure->window] = {
                            std::chrono::steady_clock::now() +
                                std::chrono::milliseconds(o.refuseAfter),
                            configure->width, configure->height};
                    } else {
                        refuseNow(configure->window, configure->width, configure->height);
                    }
                }
            } else if (type == XCB_CLIENT_MESSAGE) {
                auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->type == wmProtocols && message->data.data32[0] == deleteWindow) {
                    std::free(event);
                    return 0;
                }
            }
            std::free(event);
        }
        if (xcb_connection_has_error(connection)) return 3;
        const auto now = std::chrono::steady_clock::now();
        int wait = -1;
        for (auto due = refuseDue.begin(); due != refuseDue.end();) {
            if (due->second.at <= now) {
                refuseNow(due->first, due->second.width, due->second.height);
                due = refuseDue.erase(due);
                continue;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(due->second.at - now).count();
            wait = wait < 0 ? int(left) + 1 : std::min(wait, int(left) + 1);
            ++due;
        }
        xcb_flush(connection);
        pollfd fds[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {0, POLLIN, 0}};
        poll(fds, 2, wait);
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[512];
            ssize_t n = read(0, buffer, sizeof buffer);
            if (n <= 0) return 0;
            input.append(buffer, size_t(n));
            size_t newline;
            while ((newline = input.find('\n')) != std::string::npos) {
                std::string line = input.substr(0, newline);
                input.erase(0, newline + 1);
                if (line == "quit") return 0;
                if (line.rfind("title ", 0) == 0) setTitle(windows.front(), line.substr(6));
                if (line.rfind("legacy-title ", 0) == 0)
                    setLegacyTitle(windows.front(), line.substr(13));
                if (line.rfind("frame-extents ", 0) == 0 && o.margin) {
                    margin = parseMargin(line.substr(14).c_str());
                    for (xcb_window_t w : windows) {
                        setMargin(connection, w, margin);
                        paintInside(connection, w, sizes[w].first, sizes[w].second, margin);
                    }
                }
                int width = 0, height = 0;
                if (std::sscanf(line.c_str(), "resize %dx%d", &width, &height) == 2) {
                    const uint32_t size[] = {uint32_t(width), uint32_t(height)};
                    xcb_configure_window(connection, windows.front(),
                                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
                }
                if (line.rfind("state add ", 0) == 0)
                    requestStates(windows.front(), true, commaList(line.substr(10)));
                if (line.rfind("state remove ", 0) == 0)
                    requestStates(windows.front(), false, commaList(line.substr(13)));
                // A round trip, so the server has the change before the test hears "ok".
                std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection),
                                                    nullptr));
                std::printf("ok\n");
                std::fflush(stdout);
            }
        }
    }
}
