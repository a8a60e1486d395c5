#include "platform/x11/wm/X11WindowManagerTraits.h"

#include <xcb/xcb_ewmh.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include "platform/RunningProcesses.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/wm/WindowManagerConfig.h"

namespace brindlow {

namespace {

// The NUL-separated fields of a /proc file.
std::vector<std::string> fields(const std::string& text) {
    std::vector<std::string> out;
    std::string field;
    for (char c : text) {
        if (c) {
            field += c;
        } else {
            out.push_back(field);
            field.clear();
        }
    }
    if (!field.empty()) out.push_back(field);
    return out;
}

WindowManagerProcess processOf(int pid) {
    WindowManagerProcess process;
    const std::string dir = "/proc/" + std::to_string(pid);
    std::vector<std::string> arguments = fields(fileText(dir + "/cmdline").value_or(""));
    if (!arguments.empty()) arguments.erase(arguments.begin());
    process.arguments = std::move(arguments);
    for (const std::string& entry : fields(fileText(dir + "/environ").value_or("")))
        if (const auto at = entry.find('='); at != std::string::npos)
            process.environment[entry.substr(0, at)] = entry.substr(at + 1);
    return process;
}

// The window manager's own process: the one its check window names, else one of ours of the same
// program on the same display (several displays may each run one).
std::optional<int> processId(X11Connection& x, xcb_window_t check, const std::string& key) {
    if (const auto pid = readCardinal(x, check, x.ewmh()->_NET_WM_PID)) return int(*pid);
    const char* ownDisplay = std::getenv("DISPLAY");
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string comm = fileText(entry.path().string() + "/comm").value_or("");
        while (!comm.empty() && comm.back() == '\n') comm.pop_back();
        if (windowManagerKey(comm) != key) continue;
        const WindowManagerProcess process = processOf(std::stoi(name));
        if (ownDisplay && process.env("DISPLAY") != ownDisplay) continue;
        return std::stoi(name);
    }
    return std::nullopt;
}

// A file's text, or the value gsettings prints for "gsettings:schema key".
std::optional<std::string> readSetting(const std::string& path) {
    constexpr std::string_view kSettings = "gsettings:";
    if (!path.starts_with(kSettings)) return fileText(path);
    const std::string command = "gsettings get " + path.substr(kSettings.size()) + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    if (pclose(pipe) != 0 || out.empty()) return std::nullopt;
    return out;
}

std::optional<std::string> stringProperty(X11Connection& x, xcb_window_t window,
                                          std::string_view name) {
    const xcb_atom_t atom = x.atom(name);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        x.xcb(), xcb_get_property(x.xcb(), 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr));
    if (!reply || reply->format != 8) return std::nullopt;
    std::string text(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     std::size_t(xcb_get_property_value_length(reply.get())));
    while (!text.empty() && text.back() == '\0') text.pop_back();
    if (text.empty()) return std::nullopt;
    return text;
}

bool holdsSelection(X11Connection& x) {
    const xcb_atom_t selection = x.atom("WM_S" + std::to_string(x.screenNumber()));
    XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        x.xcb(), xcb_get_selection_owner(x.xcb(), selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

}  // namespace

WindowManagerTraits detectWindowManagerTraits(X11Connection& x, xcb_window_t check) {
    const std::string name = windowManagerName(x).value_or("");
    const std::string key = windowManagerKey(name);
    std::optional<WindowManagerTraits> known = WindowManagerTraits::forName(name);
    WindowManagerTraits traits =
        known ? *known : WindowManagerTraits::unknownWindowManager(name.empty() ? "unnamed" : name);
    if (!name.empty()) traits.name = name;
    traits.holdsSelection = holdsSelection(x);
    if (!known) return traits;
    const std::optional<int> pid = processId(x, check, key);
    // Without its process, its configuration is looked for where ours would be.
    WindowManagerProcess process = processOf(pid.value_or(int(getpid())));
    if (!pid) process.arguments.clear();
    // openbox names the file it read.
    const std::optional<std::string> published =
        key == "openbox" ? stringProperty(x, x.root(), "_OB_CONFIG_FILE") : std::nullopt;
    if (const auto reading = readFocusModel(key, process, readSetting, published)) {
        traits.focusModel = reading->model;
        traits.focusModelSource = reading->source;
    }
    return traits;
}

}  // namespace brindlow
