#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Geometry.h"

namespace brindlow {

// Space a panel reserves along the root window's edges (_NET_WM_STRUT_PARTIAL;
// the older _NET_WM_STRUT reserves the whole edge).
struct Strut {
    double left = 0, right = 0, top = 0, bottom = 0;
    double leftStartY = 0, leftEndY = 0, rightStartY = 0, rightEndY = 0;
    double topStartX = 0, topEndX = 0, bottomStartX = 0, bottomEndX = 0;
    // The frame of the dock that reserves it, when known: the strut then shortens only the
    // monitors that frame lies on, whatever span it names (a window manager's own taskbar on one
    // monitor may reserve its edge across the whole screen).
    std::optional<Rect> dock;

    // From the 12 (or 4) cardinals of the property; nothing for other lengths.
    static std::optional<Strut> fromCardinals(const std::vector<std::uint32_t>& values,
                                              Size rootSize);
};

// The struts with the frames of their docks kept only where a frame lies on one of `monitors`:
// a dock off every monitor (hidden by sliding away) still reserves its span.
std::vector<Strut> placedOn(std::vector<Strut> struts, const std::vector<Rect>& monitors);

// The part of a monitor that windows may use: the monitor minus every strut that
// reaches into it. _NET_WORKAREA cannot serve here, since it is one rectangle for
// all monitors together.
Rect visibleFrame(const Rect& monitor, const std::vector<Strut>& struts, Size rootSize);

// A visible frame cut to the window manager's work area too, where no client's strut explains
// the work area's edge: a window manager's own taskbar is no client and has no strut, yet the
// work area leaves it out. The work area is one rectangle for all monitors together, so an edge
// a strut explains (a panel on another monitor) is left to visibleFrame, which cuts only the
// monitors the strut reaches. A monitor the work area does not reach keeps its frame.
Rect withinWorkArea(const Rect& visible, const std::optional<Rect>& workArea,
                    const std::vector<Strut>& struts, Size rootSize);

// The usable area of each of `monitors`, in their order: each cut by the struts of the docks that
// lie on it (placedOn), then by the work area where no strut explains its edge (withinWorkArea).
std::vector<Rect> usableAreas(const std::vector<Rect>& monitors, const std::vector<Strut>& struts,
                              const std::optional<Rect>& workArea, Size rootSize);

// Whether a dock-type window that reserves no space stands for a dock of `display`: its frame
// reaches the display's bottom, left or right edge (within 2 points) or runs past it, and the
// long side of its part on the display, lying along that edge, covers at least a third of it. Tray
// hosts and small widgets in a corner do not, nor a bar along the top.
bool liesAlongAnEdge(const Rect& dock, const Rect& display);

// The first of `docks` that lies along an edge of one of `displays`.
std::optional<Rect> dockAlongAnEdge(const std::vector<Rect>& docks,
                                    const std::vector<Rect>& displays);

// A stable identity of a display from its EDID: manufacturer, product code and
// serial number, plus the connector it is plugged into, as upper-case UUID text.
// Nothing when the EDID is missing or has no valid header.
std::optional<std::string> edidUUID(const std::vector<std::uint8_t>& edid,
                                    const std::string& connector);

}  // namespace brindlow
