#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"
#include "strip/Pin.h"

namespace brindlow {

// Why a snapshot was published. `focus` names the display whose focus changed; `quiet` is a
// refresh the strip indicator does not announce.
struct SnapshotReason {
    enum class Kind { focus, structure, quiet };

    Kind kind = Kind::structure;
    std::string displayUUID;  // only for `focus`

    static SnapshotReason focus(std::string uuid) { return {Kind::focus, std::move(uuid)}; }
    static SnapshotReason structure() { return {Kind::structure, {}}; }
    static SnapshotReason quiet() { return {Kind::quiet, {}}; }

    friend bool operator==(const SnapshotReason&, const SnapshotReason&) = default;
};

// A gap between stacked windows as the gap overlay covers it, ordered above window `above`.
struct GapStrip {
    Rect rect;
    std::uint32_t above = 0;
    friend bool operator==(const GapStrip&, const GapStrip&) = default;
};

struct WindowSnapshot {
    WindowID id = 0;
    std::int32_t pid = 0;
    std::optional<std::string> bundleID;
    std::string app;
    std::string title;
    bool hasBadge = false;
    Rect frame;  // the last layout's placement, else the last known frame
    bool isParked = false;
    friend bool operator==(const WindowSnapshot&, const WindowSnapshot&) = default;
};

struct ColumnSnapshot {
    std::vector<WindowSnapshot> windows;  // ids no longer managed are left out
    int activeIndex = 0;  // as the strip holds it, not corrected for left-out windows
    // The strip's active window of this column, when it is still managed. Lets consumers find the
    // active window even when an earlier window of the column was left out.
    std::optional<WindowID> activeWindowID;
    bool isTabbed = false;
    std::optional<Pin> pin;
    double widthFraction = 0;  // 1.0 for a full-width column

    // The first window's id, 0 for a column without windows.
    WindowID id() const { return windows.empty() ? 0 : windows.front().id; }
    // The active window by id; else the window at activeIndex; else the first; none when empty.
    const WindowSnapshot* activeWindow() const;

    friend bool operator==(const ColumnSnapshot&, const ColumnSnapshot&) = default;
};

struct DisplaySnapshot {
    std::string id;  // display uuid
    std::string name;
    Rect frame;
    Rect visible;
    Rect viewport;
    double offset = 0;  // the strip's target scroll offset
    std::vector<ColumnSnapshot> columns;
    std::optional<int> focusedIndex;
    bool isActive = false;
    std::vector<GapStrip> gapStrips;  // empty while paused
    friend bool operator==(const DisplaySnapshot&, const DisplaySnapshot&) = default;
};

// The read-only picture of every strip that the user interface receives.
struct StripSnapshot {
    std::vector<DisplaySnapshot> displays;  // in display order
    bool paused = false;
    SnapshotReason reason;

    // The active display, else the first, else none.
    const DisplaySnapshot* activeDisplay() const;
    // Display by display, column by column, window by window.
    std::vector<WindowSnapshot> allWindows() const;
    bool hasAnyBadge() const;

    friend bool operator==(const StripSnapshot&, const StripSnapshot&) = default;
};

// Where the focus border and dimming go on one display.
struct FocusFrame {
    std::string displayUUID;
    Rect screen;  // the display's whole frame
    std::optional<Rect> frame;
    std::optional<std::uint32_t> windowNumber;
    bool moving = false;  // animating or dragged by a swipe
    friend bool operator==(const FocusFrame&, const FocusFrame&) = default;
};

}  // namespace brindlow
