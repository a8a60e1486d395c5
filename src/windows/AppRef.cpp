#include "windows/AppRef.h"

namespace brindlow {

namespace {

// Decodes the UTF-8 sequence at `i`; a broken sequence is one non-blank byte.
char32_t decodeAt(const std::string& s, size_t i, size_t& length) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    length = 1;
    if (lead < 0x80) return lead;
    const size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (extra == 0 || i + extra >= s.size()) return 0xFFFD;
    char32_t cp = lead & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    length = extra + 1;
    return cp;
}

// Invisible format characters (general category Cf): marks, joiners and
// direction controls that show nothing in a name.
bool isFormat(char32_t c) {
    struct Range {
        char32_t first, last;
    };
    static constexpr Range kRanges[] = {
        {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
        {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
        {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
        {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
        {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
        {0xE0020, 0xE007F},
    };
    for (const Range& range : kRanges) {
        if (c >= range.first && c <= range.last) return true;
    }
    return false;
}

// Whitespace, newlines and control characters.
bool isBlank(char32_t c) {
    if (c <= 0x20 || (c >= 0x7F && c <= 0xA0)) return true;  // controls, space, NEL, NBSP
    if (c == 0x1680 || (c >= 0x2000 && c <= 0x200A)) return true;
    if (c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000) return true;
    return isFormat(c);
}

}  // namespace

std::string AppRef::trimmedName(const std::string& name) {
    size_t begin = std::string::npos;
    size_t end = 0;
    for (size_t i = 0; i < name.size();) {
        size_t length = 1;
        const char32_t c = decodeAt(name, i, length);
        if (!isBlank(c)) {
            if (begin == std::string::npos) begin = i;
            end = i + length;
        }
        i += length;
    }
    return begin == std::string::npos ? std::string() : name.substr(begin, end - begin);
}

std::optional<AppRef> AppRef::make(const RunningApplication& app, std::int32_t ownPID) {
    if (app.activationPolicy != ActivationPolicy::regular || app.pid == ownPID) return std::nullopt;
    AppRef ref;
    ref.pid = app.pid;
    ref.name = trimmedName(app.localizedName.value_or(""));
    if (ref.name.empty()) ref.name = "Unknown";
    ref.bundleID = app.bundleID;
    return ref;
}

std::vector<AppRef> AppRef::runningApps(const Workspace& workspace) {
    const std::int32_t own = workspace.currentProcessID();
    std::vector<AppRef> apps;
    for (const RunningApplication& app : workspace.runningApplications()) {
        if (auto ref = make(app, own)) apps.push_back(std::move(*ref));
    }
    return apps;
}

}  // namespace brindlow
