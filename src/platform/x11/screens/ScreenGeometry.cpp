#include "platform/x11/screens/ScreenGeometry.h"

#include <algorithm>
#include <array>

#include "platform/UUID.h"

namespace brindlow {

std::optional<Strut> Strut::fromCardinals(const std::vector<std::uint32_t>& v, Size rootSize) {
    Strut s;
    if (v.size() >= 12) {
        s = {double(v[0]),  double(v[1]),  double(v[2]), double(v[3]), double(v[4]),
             double(v[5]),  double(v[6]),  double(v[7]), double(v[8]), double(v[9]),
             double(v[10]), double(v[11]), std::nullopt};
        return s;
    }
    if (v.size() >= 4) {
        const double maxY = rootSize.height - 1, maxX = rootSize.width - 1;
        s = {double(v[0]), double(v[1]), double(v[2]), double(v[3]), 0, maxY, 0, maxY, 0, maxX, 0,
             maxX,         std::nullopt};
        return s;
    }
    return std::nullopt;
}

namespace {
// Spans are inclusive pixel ranges [start, end]; they meet a range [min, max).
bool spanMeets(double start, double end, double min, double max) {
    return start < max && end >= min;
}
}  // namespace

std::vector<Strut> placedOn(std::vector<Strut> struts, const std::vector<Rect>& monitors) {
    for (Strut& s : struts) {
        const bool placed =
            s.dock && std::any_of(monitors.begin(), monitors.end(),
                                  [&](const Rect& monitor) { return s.dock->intersects(monitor); });
        if (!placed) s.dock.reset();
    }
    return struts;
}

Rect visibleFrame(const Rect& monitor, const std::vector<Strut>& struts, Size rootSize) {
    double minX = monitor.minX(), maxX = monitor.maxX();
    double minY = monitor.minY(), maxY = monitor.maxY();
    for (const Strut& s : struts) {
        if (s.dock && !s.dock->intersects(monitor)) continue;
        if (s.left > 0 && s.left > monitor.minX() &&
            spanMeets(s.leftStartY, s.leftEndY, monitor.minY(), monitor.maxY())) {
            minX = std::max(minX, s.left);
        }
        const double rightEdge = rootSize.width - s.right;
        if (s.right > 0 && rightEdge < monitor.maxX() &&
            spanMeets(s.rightStartY, s.rightEndY, monitor.minY(), monitor.maxY())) {
            maxX = std::min(maxX, rightEdge);
        }
        if (s.top > 0 && s.top > monitor.minY() &&
            spanMeets(s.topStartX, s.topEndX, monitor.minX(), monitor.maxX())) {
            minY = std::max(minY, s.top);
        }
        const double bottomEdge = rootSize.height - s.bottom;
        if (s.bottom > 0 && bottomEdge < monitor.maxY() &&
            spanMeets(s.bottomStartX, s.bottomEndX, monitor.minX(), monitor.maxX())) {
            maxY = std::min(maxY, bottomEdge);
        }
    }
    return {minX, minY, std::max(0.0, maxX - minX), std::max(0.0, maxY - minY)};
}

Rect withinWorkArea(const Rect& visible, const std::optional<Rect>& workArea,
                    const std::vector<Strut>& struts, Size rootSize) {
    if (!workArea) return visible;
    double left = 0, right = 0, top = 0, bottom = 0;
    for (const Strut& s : struts) {
        left = std::max(left, s.left);
        right = std::max(right, s.right);
        top = std::max(top, s.top);
        bottom = std::max(bottom, s.bottom);
    }
    double minX = workArea->minX(), maxX = workArea->maxX();
    double minY = workArea->minY(), maxY = workArea->maxY();
    if (minX > 0 && left >= minX) minX = 0;
    if (maxX < rootSize.width && rootSize.width - right <= maxX) maxX = rootSize.width;
    if (minY > 0 && top >= minY) minY = 0;
    if (maxY < rootSize.height && rootSize.height - bottom <= maxY) maxY = rootSize.height;
    const Rect unexplained{minX, minY, maxX - minX, maxY - minY};
    if (!unexplained.intersects(visible)) return visible;
    return visible.intersection(unexplained);
}

std::vector<Rect> usableAreas(const std::vector<Rect>& monitors, const std::vector<Strut>& struts,
                              const std::optional<Rect>& workArea, Size rootSize) {
    const std::vector<Strut> placed = placedOn(struts, monitors);
    std::vector<Rect> areas;
    for (const Rect& monitor : monitors)
        areas.push_back(
            withinWorkArea(visibleFrame(monitor, placed, rootSize), workArea, placed, rootSize));
    return areas;
}

namespace {
constexpr double kFlush = 2;
}  // namespace

bool liesAlongAnEdge(const Rect& dock, const Rect& display) {
    if (!dock.intersects(display)) return false;
    // A window manager that decorates docks carries the frame past the edge; what counts is the
    // part on the display.
    const Rect on = dock.intersection(display);
    if (on.width >= on.height) {
        // Along the bottom only: a bar along the top is not kept clear of, and must not stand
        // in for one along the bottom.
        return dock.maxY() >= display.maxY() - kFlush && on.width * 3 >= display.width;
    }
    const bool reaches =
        dock.minX() <= display.minX() + kFlush || dock.maxX() >= display.maxX() - kFlush;
    return reaches && on.height * 3 >= display.height;
}

std::optional<Rect> dockAlongAnEdge(const std::vector<Rect>& docks,
                                    const std::vector<Rect>& displays) {
    for (const Rect& dock : docks)
        for (const Rect& display : displays)
            if (liesAlongAnEdge(dock, display)) return dock;
    return std::nullopt;
}

std::optional<std::string> edidUUID(const std::vector<std::uint8_t>& edid,
                                    const std::string& connector) {
    static constexpr std::array<std::uint8_t, 8> header = {0x00, 0xFF, 0xFF, 0xFF,
                                                           0xFF, 0xFF, 0xFF, 0x00};
    if (edid.size() < 128 || !std::equal(header.begin(), header.end(), edid.begin())) {
        return std::nullopt;
    }
    UUID uuid;
    // Manufacturer (2 bytes), product code (2), serial number (4), as stored.
    std::copy(edid.begin() + 8, edid.begin() + 16, uuid.bytes.begin());
    // The connector tells two identical displays apart; FNV-1a keeps it stable.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : connector) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    for (int i = 0; i < 8; ++i) uuid.bytes[size_t(8 + i)] = std::uint8_t(hash >> (8 * i));
    return uuid.text();
}

}  // namespace brindlow
