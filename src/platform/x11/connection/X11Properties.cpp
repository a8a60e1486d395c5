#include "platform/x11/connection/X11Properties.h"

#include <xcb/res.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/x11/connection/X11Connection.h"

namespace brindlow {

namespace {

xcb_get_property_cookie_t askProperty(X11Connection& x, xcb_window_t window, xcb_atom_t property,
                                      uint32_t maxWords = 1 << 16) {
    return xcb_get_property(x.xcb(), 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, maxWords);
}

XcbReply<xcb_get_property_reply_t> takeProperty(X11Connection& x,
                                                xcb_get_property_cookie_t cookie) {
    return XcbReply<xcb_get_property_reply_t>(xcb_get_property_reply(x.xcb(), cookie, nullptr));
}

std::vector<std::uint32_t> words(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 32) return {};
    auto* first = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    return {first, first + xcb_get_property_value_length(reply) / 4};
}

// Four widths (left, right, top, bottom); none when the property is missing or malformed. A
// width is a CARDINAL: one beyond what a screen could hold is taken for none.
FrameExtents extentsOf(const xcb_get_property_reply_t* reply) {
    const std::vector<std::uint32_t> values = words(reply);
    if (values.size() != 4) return {};
    for (const std::uint32_t value : values)
        if (value > 0x7FFF) return {};
    return {int(values[0]), int(values[1]), int(values[2]), int(values[3])};
}

std::optional<std::string> text(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 8 || reply->type == XCB_ATOM_NONE) return std::nullopt;
    auto* first = static_cast<const char*>(xcb_get_property_value(reply));
    std::string bytes(first, size_t(xcb_get_property_value_length(reply)));
    // STRING is Latin-1 by definition; UTF8_STRING and the rest pass as they are.
    if (reply->type == XCB_ATOM_STRING) return latin1ToUTF8(bytes);
    return bytes;
}

SizeHints sizeHintsOf(const xcb_size_hints_t& given) {
    SizeHints hints;
    if (given.flags & XCB_ICCCM_SIZE_HINT_P_MIN_SIZE)
        hints.minSize = Size{double(given.min_width), double(given.min_height)};
    if (given.flags & XCB_ICCCM_SIZE_HINT_P_MAX_SIZE)
        hints.maxSize = Size{double(given.max_width), double(given.max_height)};
    if (given.flags & XCB_ICCCM_SIZE_HINT_P_RESIZE_INC)
        hints.increments = Size{double(given.width_inc), double(given.height_inc)};
    return hints;
}
}  // namespace

bool X11WindowSnapshot::hasState(xcb_atom_t state) const {
    return std::find(states.begin(), states.end(), state) != states.end();
}

bool X11WindowSnapshot::hasType(xcb_atom_t type) const {
    return std::find(types.begin(), types.end(), type) != types.end();
}

Size SizeHints::within(Size client) const {
    const auto hold = [](double value, double least, double most) {
        if (most > 0) value = std::min(value, most);
        if (least > 0) value = std::max(value, least);
        return value;
    };
    return {hold(client.width, minSize ? minSize->width : 0, maxSize ? maxSize->width : 0),
            hold(client.height, minSize ? minSize->height : 0, maxSize ? maxSize->height : 0)};
}

std::optional<X11WindowSnapshot> readWindow(X11Connection& x, xcb_window_t window) {
    const xcb_atom_t wmStateAtom = x.atom("WM_STATE");  // interned once, before the batch
    const xcb_atom_t marginAtom = x.atom("_GTK_FRAME_EXTENTS");
    // Every request first, then every reply: one round trip for the lot.
    auto attributes = xcb_get_window_attributes(x.xcb(), window);
    auto geometry = xcb_get_geometry(x.xcb(), window);
    auto position = xcb_translate_coordinates(x.xcb(), window, x.root(), 0, 0);
    const xcb_ewmh_connection_t& ewmh = *x.ewmh();
    auto netName = askProperty(x, window, ewmh._NET_WM_NAME);
    auto wmName = askProperty(x, window, XCB_ATOM_WM_NAME);
    auto wmClass = xcb_icccm_get_wm_class(x.xcb(), window);
    auto pid = askProperty(x, window, ewmh._NET_WM_PID, 1);
    auto types = askProperty(x, window, ewmh._NET_WM_WINDOW_TYPE, 64);
    auto transient = askProperty(x, window, XCB_ATOM_WM_TRANSIENT_FOR, 1);
    auto states = askProperty(x, window, ewmh._NET_WM_STATE, 64);
    auto desktop = askProperty(x, window, ewmh._NET_WM_DESKTOP, 1);
    auto hints = xcb_icccm_get_wm_normal_hints(x.xcb(), window);
    auto extents = askProperty(x, window, ewmh._NET_FRAME_EXTENTS, 4);
    auto wmState = askProperty(x, window, wmStateAtom, 1);
    auto margin = askProperty(x, window, marginAtom, 4);

    XcbReply<xcb_get_window_attributes_reply_t> attributesReply(
        xcb_get_window_attributes_reply(x.xcb(), attributes, nullptr));
    XcbReply<xcb_get_geometry_reply_t> geometryReply(
        xcb_get_geometry_reply(x.xcb(), geometry, nullptr));
    XcbReply<xcb_translate_coordinates_reply_t> positionReply(
        xcb_translate_coordinates_reply(x.xcb(), position, nullptr));
    auto netNameReply = takeProperty(x, netName);
    auto wmNameReply = takeProperty(x, wmName);
    xcb_icccm_get_wm_class_reply_t classes{};
    const bool hasClass = xcb_icccm_get_wm_class_reply(x.xcb(), wmClass, &classes, nullptr);
    auto pidReply = takeProperty(x, pid);
    auto typesReply = takeProperty(x, types);
    auto transientReply = takeProperty(x, transient);
    auto statesReply = takeProperty(x, states);
    auto desktopReply = takeProperty(x, desktop);
    xcb_size_hints_t sizeHints{};
    bool hasHints = xcb_icccm_get_wm_normal_hints_reply(x.xcb(), hints, &sizeHints, nullptr);
    auto extentsReply = takeProperty(x, extents);
    auto wmStateReply = takeProperty(x, wmState);
    auto marginReply = takeProperty(x, margin);

    X11WindowSnapshot s;
    if (hasClass) {
        // WM_CLASS is Latin-1 text; the rest of the program expects UTF-8.
        s.wmInstance = latin1ToUTF8(classes.instance_name);
        s.wmClass = latin1ToUTF8(classes.class_name);
        xcb_icccm_get_wm_class_reply_wipe(&classes);
    }
    if (!attributesReply || !geometryReply || !positionReply) return std::nullopt;

    s.window = window;
    s.mapped = attributesReply->map_state == XCB_MAP_STATE_VIEWABLE;
    if (auto name = text(netNameReply.get())) {
        s.title = *name;
        s.hasTitle = true;
    } else if (auto legacy = text(wmNameReply.get())) {
        s.title = *legacy;
        s.hasTitle = true;
    }
    if (auto values = words(pidReply.get()); !values.empty() && values[0] != 0) s.pid = values[0];
    for (auto atom : words(typesReply.get())) s.types.push_back(atom);
    if (auto values = words(transientReply.get()); !values.empty()) s.transientFor = values[0];
    for (auto atom : words(statesReply.get())) s.states.push_back(atom);
    if (auto values = words(desktopReply.get()); !values.empty()) s.desktop = values[0];
    if (auto values = words(wmStateReply.get()); !values.empty()) s.wmState = values[0];
    if (hasHints) s.hints = sizeHintsOf(sizeHints);
    s.extents = extentsOf(extentsReply.get());
    s.margin = extentsOf(marginReply.get());
    s.clientFrame = Rect(positionReply->dst_x, positionReply->dst_y, geometryReply->width,
                         geometryReply->height);
    return s;
}

std::vector<std::optional<X11WindowFrame>> readFrames(X11Connection& x,
                                                      const std::vector<xcb_window_t>& windows,
                                                      bool placesOnly) {
    struct Cookies {
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t position;
        xcb_get_property_cookie_t extents;
        xcb_get_property_cookie_t margin;
        std::optional<xcb_get_property_cookie_t> hints;
        std::optional<xcb_get_window_attributes_cookie_t> attributes;
        std::optional<xcb_get_property_cookie_t> states;
    };
    std::vector<Cookies> cookies;
    cookies.reserve(windows.size());
    const xcb_atom_t marginAtom = x.atom("_GTK_FRAME_EXTENTS");  // interned before the batch
    for (const xcb_window_t window : windows) {
        Cookies asked{xcb_get_geometry(x.xcb(), window),
                      xcb_translate_coordinates(x.xcb(), window, x.root(), 0, 0),
                      askProperty(x, window, x.ewmh()->_NET_FRAME_EXTENTS, 4),
                      askProperty(x, window, marginAtom, 4),
                      std::nullopt,
                      std::nullopt,
                      std::nullopt};
        if (!placesOnly) {
            asked.hints = xcb_icccm_get_wm_normal_hints(x.xcb(), window);
            asked.attributes = xcb_get_window_attributes(x.xcb(), window);
            asked.states = askProperty(x, window, x.ewmh()->_NET_WM_STATE, 64);
        }
        cookies.push_back(asked);
    }
    std::vector<std::optional<X11WindowFrame>> frames;
    frames.reserve(windows.size());
    for (const Cookies& asked : cookies) {
        XcbReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(x.xcb(), asked.geometry, nullptr));
        XcbReply<xcb_translate_coordinates_reply_t> position(
            xcb_translate_coordinates_reply(x.xcb(), asked.position, nullptr));
        auto extents = takeProperty(x, asked.extents);
        auto margin = takeProperty(x, asked.margin);
        xcb_size_hints_t sizeHints{};
        const bool hasHints = asked.hints && xcb_icccm_get_wm_normal_hints_reply(
                                                 x.xcb(), *asked.hints, &sizeHints, nullptr);
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            asked.attributes ? xcb_get_window_attributes_reply(x.xcb(), *asked.attributes, nullptr)
                             : nullptr);
        XcbReply<xcb_get_property_reply_t> states =
            asked.states ? takeProperty(x, *asked.states) : XcbReply<xcb_get_property_reply_t>();
        if (!geometry || !position) {
            frames.emplace_back();
            continue;
        }
        X11WindowFrame frame;
        frame.clientFrame =
            Rect(position->dst_x, position->dst_y, geometry->width, geometry->height);
        frame.extents = extentsOf(extents.get());
        frame.margin = extentsOf(margin.get());
        if (hasHints) frame.hints = sizeHintsOf(sizeHints);
        frame.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        for (const auto state : words(states.get()))
            frame.fullScreen = frame.fullScreen || state == x.ewmh()->_NET_WM_STATE_FULLSCREEN;
        frames.push_back(frame);
    }
    return frames;
}

std::optional<std::vector<xcb_atom_t>> readStates(X11Connection& x, xcb_window_t window) {
    auto reply = takeProperty(x, askProperty(x, window, x.ewmh()->_NET_WM_STATE, 64));
    if (!reply) return std::nullopt;
    std::vector<std::uint32_t> states = words(reply.get());
    return std::vector<xcb_atom_t>(states.begin(), states.end());
}

std::vector<xcb_window_t> readWindowList(X11Connection& x, xcb_window_t window,
                                         xcb_atom_t property) {
    auto reply = takeProperty(x, askProperty(x, window, property));
    std::vector<xcb_window_t> result;
    for (auto value : words(reply.get())) result.push_back(value);
    return result;
}

std::optional<xcb_window_t> readActiveWindow(X11Connection& x) {
    auto reply = takeProperty(x, askProperty(x, x.root(), x.ewmh()->_NET_ACTIVE_WINDOW, 1));
    auto values = words(reply.get());
    if (values.empty() || values[0] == XCB_WINDOW_NONE) return std::nullopt;
    return values[0];
}

std::optional<std::uint32_t> readCardinal(X11Connection& x, xcb_window_t window,
                                          xcb_atom_t property) {
    auto values = readCardinals(x, window, property);
    if (values.empty()) return std::nullopt;
    return values[0];
}

std::vector<std::uint32_t> readCardinals(X11Connection& x, xcb_window_t window,
                                         xcb_atom_t property) {
    return words(takeProperty(x, askProperty(x, window, property)).get());
}

std::vector<std::vector<std::vector<std::uint32_t>>> readCardinalsOfEach(
    X11Connection& x, const std::vector<xcb_window_t>& windows,
    const std::vector<xcb_atom_t>& properties) {
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(windows.size() * properties.size());
    for (const xcb_window_t window : windows)
        for (const xcb_atom_t property : properties)
            cookies.push_back(askProperty(x, window, property));
    std::vector<std::vector<std::vector<std::uint32_t>>> values(windows.size());
    auto cookie = cookies.begin();
    for (auto& ofWindow : values)
        for (std::size_t p = 0; p < properties.size(); ++p)
            ofWindow.push_back(words(takeProperty(x, *cookie++).get()));
    return values;
}

bool windowManagerRuns(X11Connection& x) {
    return windowManagerCheckWindow(x).has_value();
}

std::optional<xcb_window_t> windowManagerCheckWindow(X11Connection& x) {
    const xcb_atom_t check = x.ewmh()->_NET_SUPPORTING_WM_CHECK;
    auto values = readCardinals(x, x.root(), check);
    if (values.empty() || values[0] == XCB_WINDOW_NONE) return std::nullopt;
    // A window manager that was killed leaves the root's property behind; its check window
    // went with it.
    auto own = readCardinals(x, values[0], check);
    if (own.empty() || own[0] != values[0]) return std::nullopt;
    return xcb_window_t(values[0]);
}

std::optional<std::string> windowManagerName(X11Connection& x) {
    xcb_window_t check = XCB_WINDOW_NONE;
    if (!xcb_ewmh_get_supporting_wm_check_reply(
            x.ewmh(), xcb_ewmh_get_supporting_wm_check(x.ewmh(), x.root()), &check, nullptr))
        return std::nullopt;
    xcb_ewmh_get_utf8_strings_reply_t name{};
    if (!xcb_ewmh_get_wm_name_reply(x.ewmh(), xcb_ewmh_get_wm_name(x.ewmh(), check), &name,
                                    nullptr))
        return std::nullopt;
    std::string text(name.strings, name.strings_len);
    xcb_ewmh_get_utf8_strings_reply_wipe(&name);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::optional<xcb_window_t> topLevelAncestor(X11Connection& x, xcb_window_t window) {
    xcb_window_t current = window;
    for (int depth = 0; depth < 16; ++depth) {
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(x.xcb(), xcb_query_tree(x.xcb(), current), nullptr));
        if (!tree) return std::nullopt;
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) return current;
        current = tree->parent;
    }
    return current;
}

std::string latin1ToUTF8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += char(0xC0 | (byte >> 6));
            utf8 += char(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

std::optional<Image> largestIcon(const std::vector<std::uint32_t>& data) {
    std::optional<Image> best;
    size_t at = 0;
    while (at + 2 <= data.size()) {
        std::uint64_t width = data[at], height = data[at + 1];
        if (width == 0 || height == 0 || width > 4096 || height > 4096) break;
        std::uint64_t count = width * height;
        if (at + 2 + count > data.size()) break;
        if (!best || std::uint64_t(best->width) * std::uint64_t(best->height) < count) {
            Image image;
            image.width = int(width);
            image.height = int(height);
            image.argb.assign(data.begin() + long(at + 2), data.begin() + long(at + 2 + count));
            best = std::move(image);
        }
        at += 2 + count;
    }
    return best;
}

std::optional<Image> readIcon(X11Connection& x, xcb_window_t window) {
    auto reply = takeProperty(x, askProperty(x, window, x.ewmh()->_NET_WM_ICON, 1 << 22));
    return largestIcon(words(reply.get()));
}

std::optional<std::uint32_t> resourcePid(X11Connection& x, xcb_window_t window) {
    xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    XcbReply<xcb_res_query_client_ids_reply_t> reply(xcb_res_query_client_ids_reply(
        x.xcb(), xcb_res_query_client_ids(x.xcb(), 1, &spec), nullptr));
    if (!reply) return std::nullopt;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
         xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
            xcb_res_client_id_value_value_length(it.data) >= 1) {
            return *xcb_res_client_id_value_value(it.data);
        }
    }
    return std::nullopt;
}

}  // namespace brindlow
