#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"

namespace brindlow {

// A window's way back after native full screen.
struct FullScreenReturn {
    std::string uuid;
    int index = 0;
    double width = 0;
    friend bool operator==(const FullScreenReturn&, const FullScreenReturn&) = default;
};

// A height a stacked window took less of than it was sent, as a terminal that keeps to whole
// character rows does: sent `requested` again, it takes `taken`.
struct ShortHeight {
    double requested = 0;
    double taken = 0;
    friend bool operator==(const ShortHeight&, const ShortHeight&) = default;
};

// What the controller keeps about one window beside its tiling, tiled or not.
struct WindowRecord {
    bool userFloating = false;       // floated by the user: not tiled again until unfloated
    bool hasBadge = false;           // asked for attention and not focused since
    bool userChangePending = false;  // a drag or resize waits to be judged
    bool dragLookPending = false;    // moved under the button too soon after our own move
    bool mappedUnfocused = false;    // adopted as it was mapped, and no window was focused since
    std::optional<double> lastMoveTime;   // when the controller last moved it
    std::optional<double> minimumHeight;  // the height it refused to go below
    std::optional<Rect> originalFrame;    // where it stood before it was first tiled
    std::optional<FullScreenReturn> fullScreenReturn;
    std::optional<ShortHeight> shortHeight;  // the last height it took less of than sent
    // With mappedUnfocused: the commands' focus choices made before it was mapped. A later choice
    // supersedes the window manager's focus for the map.
    std::uint64_t commandChoicesAtMap = 0;
    // Maximised before it was first tiled: the quit maximises it again.
    bool originalMaximized = false;
    bool keptMaximized = false;      // still maximised after it was asked to leave it
    bool resizeLookPending = false;  // resized too soon after our own move: looked at later
    // Put back into its column after resizing itself: how often since when.
    int selfResizes = 0;
    double selfResizedSince = 0;
    // With mappedUnfocused: the window manager focused it before it was adopted, so its answer to
    // the map came already; a later focus is the pointer's or somebody else's.
    bool mapFocusHeard = false;
    // Adopted with the strip's focus (its application in front) before the window manager
    // focused it for its map: that focus is still to come, and a command's choice made since
    // (counted against commandChoicesAtMap) holds over it.
    bool focusedAheadOfMap = false;
    // Its place among the windows created while the controller ran (0: not seen created), and
    // how many had been created when it was adopted: the windows opened while it waited.
    std::uint64_t createdOrder = 0;
    std::uint64_t createdByAdoption = 0;

    friend bool operator==(const WindowRecord&, const WindowRecord&) = default;
};

// One record per window, so that forgetting a window is one erase. A record that holds nothing is
// dropped, so the records name only windows that still matter.
class WindowRecords {
  public:
    // The record of `id`; a default one when there is none.
    WindowRecord get(WindowID id) const;
    // Changes the record of `id` in place, creating it, and drops it when it ends up empty.
    template <typename Change>
    void edit(WindowID id, Change&& change) {
        WindowRecord& record = records_[id];
        change(record);
        if (record == WindowRecord{}) records_.erase(id);
    }

    bool isUserFloating(WindowID id) const { return get(id).userFloating; }
    bool hasBadge(WindowID id) const { return get(id).hasBadge; }
    // True when the badge was there.
    bool clearBadge(WindowID id);

    // Everything a window's tiling left behind, when it leaves the strip; a floating mark stays,
    // and the way back from full screen when the window is going there.
    void forgetTiling(WindowID id, bool keepFullScreenReturn);
    // Everything, when the window is gone.
    void forget(WindowID id) { records_.erase(id); }

    const std::map<WindowID, WindowRecord>& all() const { return records_; }
    size_t badgeCount() const;

  private:
    std::map<WindowID, WindowRecord> records_;
};

}  // namespace brindlow
