// Feeds arbitrary bytes to the three stored-file decoders ("settings.json",
// "session.json", "layouts.json" and single exported layouts). The first byte
// picks the decoder. Whatever decodes must encode, decode again to an equal
// value, and a decoded session must restore onto live windows keeping every
// strip invariant.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>

#include "fuzz/FuzzEntry.h"
#include "settings/JSONCoding.h"
#include "settings/JSONEncoder.h"
#include "settings/RestoreStrips.h"
#include "settings/SavedArrangement.h"
#include "settings/SettingsStore.h"

using namespace brindlow;

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what) {
    if (!condition) fail(what);
}

template <typename T>
std::optional<T> strictDecode(const nlohmann::json& value) {
    try {
        T decoded{};
        fromJSON(value, decoded);
        return decoded;
    } catch (const DecodeError&) {
        return std::nullopt;
    }
}

nlohmann::json reparse(const nlohmann::json& value) {
    const std::optional<std::string> text = encodeJSON(value);
    check(text.has_value(), "a decoded value must encode");
    const nlohmann::json parsed = nlohmann::json::parse(*text, nullptr, false);
    check(!parsed.is_discarded(), "encoded text must parse");
    return parsed;
}

template <typename T>
void roundTrip(const T& value) {
    const std::optional<T> back = strictDecode<T>(reparse(toJSON(value)));
    check(back.has_value(), "an encoded record must decode");
    check(*back == value, "a record must survive its round trip");
}

void fuzzSettings(std::string_view text) {
    const std::optional<AppSettings> settings = decodeSettingsText(text);
    if (!settings) return;
    const std::optional<std::string> encoded = encodeJSON(toJSON(*settings));
    check(encoded.has_value(), "decoded settings must encode");
    const std::optional<AppSettings> back = decodeSettingsText(*encoded);
    check(back && *back == *settings, "settings must survive their round trip");
}

void checkStrip(const Strip& strip, std::set<WindowID>& seen) {
    int group = 0;  // 0 left-pinned, 1 unpinned, 2 right-pinned: never decreasing
    for (const Column& column : strip.columns) {
        check(!column.windows.empty(), "no empty column");
        check(column.weights.size() == column.windows.size(), "one weight per window");
        check(column.activeIndex >= 0 && column.activeIndex < int(column.windows.size()),
              "active row in range");
        const int columnGroup = !column.pin ? 1 : (*column.pin == Pin::left ? 0 : 2);
        check(columnGroup >= group, "pin blocks contiguous");
        group = columnGroup;
        for (WindowID id : column.windows) check(seen.insert(id).second, "each window once");
    }
    check(strip.scrollOffset == 0, "scroll offset 0");
    if (strip.columns.empty()) {
        check(!strip.focusedIndex, "no focus without columns");
    } else {
        check(strip.focusedIndex && *strip.focusedIndex >= 0 &&
                  *strip.focusedIndex < int(strip.columns.size()),
              "focus in range");
    }
}

// Live windows made from the saved ones: some titles changed, some windows on
// displays that are gone, some saved windows missing, some extra ones.
void restoreOntoLiveWindows(const SessionSnapshot& snapshot) {
    std::vector<WindowCandidate> candidates;
    WindowID next = 1;
    for (const DisplayDescriptor& display : snapshot.displays) {
        for (const ColumnDescriptor& column : display.columns) {
            for (const WindowDescriptor& window : column.windows) {
                const WindowID id = next++;
                if (id % 5 == 0) continue;
                candidates.push_back({id, window.bundleID, id % 3 == 0 ? "renamed" : window.title,
                                      id % 4 == 0 ? "elsewhere" : display.uuid,
                                      Rect{double(id * 37 % 500), double(id % 7), 100, 100}});
            }
        }
    }
    candidates.push_back({next++, "extra", "", "live", Rect{}});
    std::vector<std::string> displays = {"live"};
    if (!snapshot.displays.empty()) displays.push_back(snapshot.displays.front().uuid);

    const auto strips = restoreStrips(snapshot, candidates, displays, displays.front(),
                                      [](const WindowCandidate&) { return 0.5; });
    std::set<WindowID> seen;
    for (const auto& [uuid, strip] : strips) checkStrip(strip, seen);
    check(seen.size() == candidates.size(), "every live window placed");
}

void fuzzSession(std::string_view text) {
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    if (parsed.is_discarded()) return;
    const std::optional<SessionSnapshot> snapshot = strictDecode<SessionSnapshot>(parsed);
    if (!snapshot) return;
    roundTrip(*snapshot);
    restoreOntoLiveWindows(*snapshot);
}

void fuzzLayouts(std::string_view text) {
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    if (parsed.is_discarded()) return;
    if (const auto layouts = strictDecode<std::vector<NamedLayout>>(parsed)) {
        roundTrip(*layouts);
        for (const NamedLayout& layout : *layouts) restoreOntoLiveWindows(layout.snapshot);
    } else if (const auto layout = strictDecode<NamedLayout>(parsed)) {
        roundTrip(*layout);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return brindlow::fuzz::readWithOneOf(data, size, {fuzzSettings, fuzzSession, fuzzLayouts});
}
