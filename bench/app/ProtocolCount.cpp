#include "ProtocolCount.h"

#include <xcb/record.h>
#include <xcb/res.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace brindlow::bench {
namespace {

constexpr std::array<const char*, 128> kCoreRequests = {
    "",
    "CreateWindow",
    "ChangeWindowAttributes",
    "GetWindowAttributes",
    "DestroyWindow",
    "DestroySubwindows",
    "ChangeSaveSet",
    "ReparentWindow",
    "MapWindow",
    "MapSubwindows",
    "UnmapWindow",
    "UnmapSubwindows",
    "ConfigureWindow",
    "CirculateWindow",
    "GetGeometry",
    "QueryTree",
    "InternAtom",
    "GetAtomName",
    "ChangeProperty",
    "DeleteProperty",
    "GetProperty",
    "ListProperties",
    "SetSelectionOwner",
    "GetSelectionOwner",
    "ConvertSelection",
    "SendEvent",
    "GrabPointer",
    "UngrabPointer",
    "GrabButton",
    "UngrabButton",
    "ChangeActivePointerGrab",
    "GrabKeyboard",
    "UngrabKeyboard",
    "GrabKey",
    "UngrabKey",
    "AllowEvents",
    "GrabServer",
    "UngrabServer",
    "QueryPointer",
    "GetMotionEvents",
    "TranslateCoordinates",
    "WarpPointer",
    "SetInputFocus",
    "GetInputFocus",
    "QueryKeymap",
    "OpenFont",
    "CloseFont",
    "QueryFont",
    "QueryTextExtents",
    "ListFonts",
    "ListFontsWithInfo",
    "SetFontPath",
    "GetFontPath",
    "CreatePixmap",
    "FreePixmap",
    "CreateGC",
    "ChangeGC",
    "CopyGC",
    "SetDashes",
    "SetClipRectangles",
    "FreeGC",
    "ClearArea",
    "CopyArea",
    "CopyPlane",
    "PolyPoint",
    "PolyLine",
    "PolySegment",
    "PolyRectangle",
    "PolyArc",
    "FillPoly",
    "PolyFillRectangle",
    "PolyFillArc",
    "PutImage",
    "GetImage",
    "PolyText8",
    "PolyText16",
    "ImageText8",
    "ImageText16",
    "CreateColormap",
    "FreeColormap",
    "CopyColormapAndFree",
    "InstallColormap",
    "UninstallColormap",
    "ListInstalledColormaps",
    "AllocColor",
    "AllocNamedColor",
    "AllocColorCells",
    "AllocColorPlanes",
    "FreeColors",
    "StoreColors",
    "StoreNamedColor",
    "QueryColors",
    "LookupColor",
    "CreateCursor",
    "CreateGlyphCursor",
    "FreeCursor",
    "RecolorCursor",
    "QueryBestSize",
    "QueryExtension",
    "ListExtensions",
    "ChangeKeyboardMapping",
    "GetKeyboardMapping",
    "ChangeKeyboardControl",
    "GetKeyboardControl",
    "Bell",
    "ChangePointerControl",
    "GetPointerControl",
    "SetScreenSaver",
    "GetScreenSaver",
    "ChangeHosts",
    "ListHosts",
    "SetAccessControl",
    "SetCloseDownMode",
    "KillClient",
    "RotateProperties",
    "ForceScreenSaver",
    "SetPointerMapping",
    "GetPointerMapping",
    "SetModifierMapping",
    "GetModifierMapping",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "NoOperation",
};

constexpr std::array<const char*, 36> kCoreEvents = {
    "Error",          "Reply",          "KeyPress",         "KeyRelease",
    "ButtonPress",    "ButtonRelease",  "MotionNotify",     "EnterNotify",
    "LeaveNotify",    "FocusIn",        "FocusOut",         "KeymapNotify",
    "Expose",         "GraphicsExpose", "NoExpose",         "VisibilityNotify",
    "CreateNotify",   "DestroyNotify",  "UnmapNotify",      "MapNotify",
    "MapRequest",     "ReparentNotify", "ConfigureNotify",  "ConfigureRequest",
    "GravityNotify",  "ResizeRequest",  "CirculateNotify",  "CirculateRequest",
    "PropertyNotify", "SelectionClear", "SelectionRequest", "SelectionNotify",
    "ColormapNotify", "ClientMessage",  "MappingNotify",    "GenericEvent",
};

// What the server says each recorded piece of data is.
enum Category : uint8_t { fromServer = 0, fromClient = 1, endOfData = 5 };
constexpr uint8_t kReply = 1;

uint32_t word(const uint8_t* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}
uint16_t half(const uint8_t* at) {
    uint16_t value;
    std::memcpy(&value, at, 2);
    return value;
}

std::string commOf(uint32_t pid) {
    std::string name;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), name);
    return name.empty() ? "pid " + std::to_string(pid) : name;
}

}  // namespace

ProtocolCounts& ProtocolCounts::operator+=(const ProtocolCounts& other) {
    for (const auto& [name, n] : other.requests) requests[name] += n;
    for (const auto& [name, n] : other.events) events[name] += n;
    replies += other.replies;
    errors += other.errors;
    requestBytes += other.requestBytes;
    receivedBytes += other.receivedBytes;
    return *this;
}

ProtocolCounts ProtocolCounts::minus(const ProtocolCounts& earlier) const {
    ProtocolCounts difference = *this;
    for (const auto& [name, n] : earlier.requests) difference.requests[name] -= n;
    for (const auto& [name, n] : earlier.events) difference.events[name] -= n;
    std::erase_if(difference.requests, [](const auto& entry) { return entry.second == 0; });
    std::erase_if(difference.events, [](const auto& entry) { return entry.second == 0; });
    difference.replies -= earlier.replies;
    difference.errors -= earlier.errors;
    difference.requestBytes -= earlier.requestBytes;
    difference.receivedBytes -= earlier.receivedBytes;
    return difference;
}

ProtocolCounts ProtocolCounts::scaled(double factor) const {
    ProtocolCounts result = *this;
    for (auto& entry : result.requests) entry.second *= factor;
    for (auto& entry : result.events) entry.second *= factor;
    result.replies *= factor;
    result.errors *= factor;
    result.requestBytes *= factor;
    result.receivedBytes *= factor;
    return result;
}

double ProtocolCounts::requestCount() const {
    double total = 0;
    for (const auto& entry : requests) total += entry.second;
    return total;
}
double ProtocolCounts::eventCount() const {
    double total = 0;
    for (const auto& entry : events) total += entry.second;
    return total;
}

ProtocolRecorder::ProtocolRecorder(const char* display) {
    control_ = xcb_connect(display, nullptr);
    data_ = xcb_connect(display, nullptr);
    if (xcb_connection_has_error(control_) || xcb_connection_has_error(data_)) return;
    const xcb_query_extension_reply_t* record = xcb_get_extension_data(control_, &xcb_record_id);
    if (!record || !record->present) return;
    free(xcb_record_query_version_reply(control_, xcb_record_query_version(control_, 1, 13),
                                        nullptr));
    learnExtensions();
    context_ = xcb_generate_id(control_);
    xcb_record_range_t range{};
    range.core_requests = {1, 127};
    range.core_replies = {1, 127};
    range.ext_requests = {{128, 255}, {0, 65535}};
    range.ext_replies = {{128, 255}, {0, 65535}};
    range.delivered_events = {2, 127};
    range.errors = {0, 255};
    const xcb_record_client_spec_t everyone = XCB_RECORD_CS_ALL_CLIENTS;
    xcb_generic_error_t* error = xcb_request_check(
        control_,
        xcb_record_create_context_checked(control_, context_, 0, 1, 1, &everyone, &range));
    if (error) {
        free(error);
        return;
    }
    ok_ = true;
    reader_ = std::thread([this] { read(); });
    // Recording has begun once the server has answered a request made after the context.
    free(xcb_get_input_focus_reply(control_, xcb_get_input_focus(control_), nullptr));
}

ProtocolRecorder::~ProtocolRecorder() {
    if (ok_) {
        free(xcb_request_check(control_, xcb_record_disable_context_checked(control_, context_)));
        reader_.join();
        xcb_record_free_context(control_, context_);
        xcb_flush(control_);
    }
    if (data_) xcb_disconnect(data_);
    if (control_) xcb_disconnect(control_);
}

void ProtocolRecorder::learnExtensions() {
    auto* list = xcb_list_extensions_reply(control_, xcb_list_extensions(control_), nullptr);
    if (!list) return;
    std::vector<std::string> names;
    for (auto it = xcb_list_extensions_names_iterator(list); it.rem; xcb_str_next(&it))
        names.emplace_back(xcb_str_name(it.data), size_t(xcb_str_name_length(it.data)));
    free(list);
    for (const std::string& name : names) {
        auto* reply = xcb_query_extension_reply(
            control_, xcb_query_extension(control_, uint16_t(name.size()), name.c_str()), nullptr);
        if (!reply) continue;
        if (reply->present) {
            extensionByMajor_[reply->major_opcode] = name;
            if (reply->first_event) extensionEvents_.push_back({reply->first_event, name});
        }
        free(reply);
    }
    std::sort(extensionEvents_.begin(), extensionEvents_.end());
}

void ProtocolRecorder::read() {
    const xcb_record_enable_context_cookie_t cookie = xcb_record_enable_context(data_, context_);
    for (;;) {
        xcb_record_enable_context_reply_t* reply =
            xcb_record_enable_context_reply(data_, cookie, nullptr);
        if (!reply) return;
        const uint8_t category = reply->category;
        if (category == endOfData) {
            free(reply);
            return;
        }
        count(reply->xid_base, category, xcb_record_enable_context_data(reply),
              size_t(xcb_record_enable_context_data_length(reply)));
        free(reply);
    }
}

void ProtocolRecorder::count(uint32_t client, uint8_t category, const uint8_t* data,
                             size_t length) {
    if (category != fromClient && category != fromServer) return;
    std::lock_guard lock(mutex_);
    ProtocolCounts& counts = byClient_[client];
    size_t at = 0;
    while (at + 4 <= length) {
        const uint8_t* unit = data + at;
        size_t size = 0;
        if (category == fromClient) {
            size = size_t(half(unit + 2)) * 4;
            if (size == 0 && at + 8 <= length) size = size_t(word(unit + 4)) * 4;  // big request
            if (size == 0) break;
            counts.requests[requestName(unit)] += 1;
            counts.requestBytes += double(size);
        } else {
            const uint8_t type = unit[0] & 0x7f;
            size = 32;
            if (type == kReply || type == XCB_GE_GENERIC) size += size_t(word(unit + 4)) * 4;
            if (type == kReply)
                counts.replies += 1;
            else if (type == 0)
                counts.errors += 1;
            else
                counts.events[eventName(unit)] += 1;
            counts.receivedBytes += double(size);
        }
        at += size;
    }
}

std::string ProtocolRecorder::requestName(const uint8_t* request) const {
    const uint8_t major = request[0];
    if (major < 128) return kCoreRequests[major];
    const auto found = extensionByMajor_.find(major);
    const std::string extension =
        found == extensionByMajor_.end() ? "ext " + std::to_string(major) : found->second;
    return extension + ":" + std::to_string(request[1]);
}

std::string ProtocolRecorder::eventName(const uint8_t* event) const {
    const uint8_t type = event[0] & 0x7f;
    const std::string sent = event[0] & 0x80 ? " (sent)" : "";
    if (type == XCB_GE_GENERIC) {
        const auto found = extensionByMajor_.find(event[1]);
        return (found == extensionByMajor_.end() ? std::to_string(event[1]) : found->second) +
               " generic " + std::to_string(half(event + 8)) + sent;
    }
    if (type < kCoreEvents.size()) return kCoreEvents[type] + sent;
    std::string name = "event " + std::to_string(type);
    for (const auto& [first, extension] : extensionEvents_)
        if (first <= type) name = extension + "+" + std::to_string(type - first);
    return name + sent;
}

std::string ProtocolRecorder::processOf(uint32_t client) {
    if (const auto known = processNames_.find(client); known != processNames_.end())
        return known->second;
    return "";
}

CountsByProcess ProtocolRecorder::counts() {
    // The server hands recorded data over in buffered batches; a round trip and a short wait let
    // what was recorded before this call arrive.
    free(xcb_get_input_focus_reply(control_, xcb_get_input_focus(control_), nullptr));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Names every client still connected (once): the process behind its resource-id base.
    const xcb_res_client_id_spec_t everyone{0, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    if (auto* ids = xcb_res_query_client_ids_reply(
            control_, xcb_res_query_client_ids(control_, 1, &everyone), nullptr)) {
        for (auto it = xcb_res_query_client_ids_ids_iterator(ids); it.rem;
             xcb_res_client_id_value_next(&it)) {
            if (it.data->length < 4 || processNames_.contains(it.data->spec.client)) continue;
            processNames_[it.data->spec.client] = commOf(*xcb_res_client_id_value_value(it.data));
        }
        free(ids);
    }
    CountsByProcess byProcess;
    std::lock_guard lock(mutex_);
    for (const auto& [client, counts] : byClient_) {
        std::string name = processOf(client);
        if (name.empty()) name = "gone or unknown";
        byProcess[name] += counts;
    }
    return byProcess;
}

void printCounts(const char* title, const CountsByProcess& counts, int top) {
    std::printf("%s\n", title);
    const auto topOf = [top](const std::map<std::string, double>& all) {
        std::vector<std::pair<double, std::string>> sorted;
        for (const auto& [name, n] : all)
            if (n >= 0.05) sorted.push_back({n, name});
        std::sort(sorted.rbegin(), sorted.rend());
        std::string text;
        for (size_t i = 0; i < sorted.size() && int(i) < top; ++i) {
            char item[160];
            std::snprintf(item, sizeof item, "%s%s %.1f", i ? ", " : "", sorted[i].second.c_str(),
                          sorted[i].first);
            text += item;
        }
        return text;
    };
    for (const auto& [process, c] : counts) {
        std::printf(
            "  %-16s requests %7.1f (%6.0f bytes), events %7.1f, replies %6.1f, errors %4.1f, "
            "received %6.0f bytes\n",
            process.c_str(), c.requestCount(), c.requestBytes, c.eventCount(), c.replies, c.errors,
            c.receivedBytes);
        if (!c.requests.empty()) std::printf("    requests: %s\n", topOf(c.requests).c_str());
        if (!c.events.empty()) std::printf("    events:   %s\n", topOf(c.events).c_str());
    }
}

}  // namespace brindlow::bench
