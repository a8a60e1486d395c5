#pragma once

#include <cstdint>
#include <filesystem>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/UUID.h"
#include "settings/Date.h"
#include "strip/Pin.h"

namespace brindlow {

// Saved arrangements remember windows only by application and title, never by
// window id, process id or frame, so they survive restarts of everything.
// Decoding is strict: a required key that is missing or of the wrong type
// fails the whole file. Nothing is bounded when read; the restore copes with
// indices out of range and weight lists of the wrong length.

struct WindowDescriptor {
    std::string bundleID;  // the application's name when it has no bundle identifier
    std::string title;

    friend bool operator==(const WindowDescriptor&, const WindowDescriptor&) = default;
};

struct ColumnDescriptor {
    std::vector<WindowDescriptor> windows;  // top to bottom, or tab order
    std::vector<double> weights;            // stack weights, one per window as saved
    std::int64_t activeIndex = 0;
    double widthFraction = 0;
    bool isFullWidth = false;
    bool isTabbed = false;
    std::optional<Pin> pin;          // left out of the file when unpinned
    std::optional<bool> autoTabbed;  // left out when absent; absent restores as false

    friend bool operator==(const ColumnDescriptor&, const ColumnDescriptor&) = default;
};

struct DisplayDescriptor {
    std::string uuid;  // the display's uuid text, or "display-" and its number
    std::string name;  // informative only
    std::vector<ColumnDescriptor> columns;
    std::optional<std::int64_t> focusedIndex;  // a position in `columns`; left out when absent

    friend bool operator==(const DisplayDescriptor&, const DisplayDescriptor&) = default;
};

// The arrangement of every strip, as in "session.json" and inside each named layout.
struct SessionSnapshot {
    std::vector<DisplayDescriptor> displays;
    Date saved;

    // Saved windows over every display and column.
    std::int64_t windowCount() const;
    // The bundle identifiers of every saved window, each once.
    std::set<std::string> bundleIDs() const;

    friend bool operator==(const SessionSnapshot&, const SessionSnapshot&) = default;
};

// An arrangement the user saved under a name; identified by `id`.
struct NamedLayout {
    UUID id;
    std::string name;
    Date created;
    SessionSnapshot snapshot;

    friend bool operator==(const NamedLayout&, const NamedLayout&) = default;
};

nlohmann::json toJSON(const WindowDescriptor& window);
nlohmann::json toJSON(const ColumnDescriptor& column);
nlohmann::json toJSON(const DisplayDescriptor& display);
nlohmann::json toJSON(const SessionSnapshot& snapshot);
nlohmann::json toJSON(const NamedLayout& layout);

// Strict decoders; each throws DecodeError. Optional keys may be missing or null.
void fromJSON(const nlohmann::json& value, WindowDescriptor& window);
void fromJSON(const nlohmann::json& value, ColumnDescriptor& column);
void fromJSON(const nlohmann::json& value, DisplayDescriptor& display);
void fromJSON(const nlohmann::json& value, SessionSnapshot& snapshot);
void fromJSON(const nlohmann::json& value, NamedLayout& layout);

// "session.json" and "layouts.json" in the storage folder, computed on each use.
std::filesystem::path sessionFile();
std::filesystem::path layoutsFile();

}  // namespace brindlow
