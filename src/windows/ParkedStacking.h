#pragma once

#include <map>
#include <optional>
#include <set>
#include <vector>

#include "strip/StripLayout.h"
#include "windows/ManagedWindow.h"

namespace brindlow {

// A restack asked for: `front` to stand in front of `behind`. The window manager reports its
// stacking, not whose restack it carried out: an order that shows this carries it out.
struct StackingAsk {
    WindowID front = 0;
    WindowID behind = 0;
    friend bool operator==(const StackingAsk&, const StackingAsk&) = default;
};

// Keeps parked windows under the visible ones: a window manager that keeps part
// of a parked window on screen (openbox leaves a tenth) would otherwise let one
// that was raised more recently cover the edge of a visible column and its
// title-bar buttons. With the window server's stacking order (`frontToBack`),
// only visible windows of the layout that parked windows in front of them
// overlap (as the windows' frames stand) are dealt with: one under a single
// parked window has that one lowered; one under several is put directly above
// the frontmost of them, one restack however many lie over it. Without a
// stacking order, a parked window is lowered once after it was parked
// (`lowered` holds those). A parked window clear of every visible one but
// next to one in front of it goes directly above that one, so that the sliver
// left on screen takes clicks where the neighbour's invisible resize border
// (KWin's) reaches over the gap. One whose drawn margin (a client with its
// own decorations) reaches over that neighbour goes under it instead: its
// shadow, black where no compositor draws, would lie over the neighbour's edge.
// Beside a window manager that leaves restack requests undone
// (`restacksHonoured` false, xfwm4), a visible window cannot be put above
// another: every parked window over it is lowered instead.
// Returns how many windows were restacked, and adds to `asked` (when given) each order asked
// that the stacking order can show (not the lowering without one). Failures are ignored: a
// window may be gone already.
int keepParkedWindowsUnder(const std::vector<Placement>& placements,
                           const std::map<WindowID, ManagedWindow>& windows,
                           const std::vector<WindowID>& frontToBack, std::set<WindowID>& lowered,
                           bool restacksHonoured = true, std::vector<StackingAsk>* asked = nullptr);

// `raised` has just gone in front of every other window, so a parked window whose sliver lies
// beside it is under its resize border again: each such parked window goes directly above it once
// more, as `keepParkedWindowsUnder` put it. Without a stacking order (`frontToBack` empty), each
// goes up: a window manager may publish the raise only later. With one, only those the raised
// window stands in front of again (a window manager that raises its active window once more a
// moment after a restack) or that the order does not name. Returns how many windows were
// restacked. One whose drawn margin reaches over the raised window stays behind it. A parked
// window standing at `keepUncovered` (a resting pointer beside a window
// manager that focuses under it) stays behind: going over the raised window there would take the
// focus from it. Each order asked is added to `asked` when given.
int keepParkedBesideRaised(const std::vector<Placement>& placements,
                           const std::map<WindowID, ManagedWindow>& windows, WindowID raised,
                           const std::vector<WindowID>& frontToBack = {},
                           std::optional<Point> keepUncovered = std::nullopt,
                           std::vector<StackingAsk>* asked = nullptr);

}  // namespace brindlow
