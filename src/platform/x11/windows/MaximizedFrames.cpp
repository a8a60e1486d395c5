#include "platform/x11/windows/MaximizedFrames.h"

#include <xcb/randr.h>
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <cmath>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"

namespace brindlow {

std::vector<Rect> maximizedFrames(const std::vector<Rect>& monitors,
                                  const std::optional<Rect>& workArea) {
    std::vector<Rect> frames;
    for (const Rect& monitor : monitors) {
        frames.push_back(monitor);
        if (!workArea || !monitor.intersects(*workArea)) continue;
        const Rect usable = monitor.intersection(*workArea);
        if (usable != monitor) frames.push_back(usable);
    }
    return frames;
}

bool hasMaximizedSize(Size frame, std::optional<Size> increments,
                      const std::vector<Rect>& maximized) {
    // Whole points: a frame read back is, a work area may not be.
    const auto fits = [](double size, double full, double increment) {
        const long shortBy = std::lround(full) - std::lround(size);
        return shortBy >= 0 && shortBy < std::max(1L, std::lround(increment));
    };
    const Size step = increments.value_or(Size{1, 1});
    return std::any_of(maximized.begin(), maximized.end(), [&](const Rect& area) {
        return fits(frame.width, area.width, step.width) &&
               fits(frame.height, area.height, step.height);
    });
}

std::vector<Rect> readMaximizedFrames(X11Connection& x) {
    const auto monitorsCookie = xcb_randr_get_monitors(x.xcb(), x.root(), 1);
    // The current desktop's work area; the first desktop's when the current one is not known.
    const std::vector<std::uint32_t> values = readCardinals(x, x.root(), x.ewmh()->_NET_WORKAREA);
    const std::size_t desktop =
        readCardinal(x, x.root(), x.ewmh()->_NET_CURRENT_DESKTOP).value_or(0);
    const std::size_t at = values.size() >= 4 * (desktop + 1) ? 4 * desktop : 0;
    std::optional<Rect> workArea;
    if (values.size() >= at + 4 && values[at + 2] && values[at + 3])
        workArea = Rect(double(std::int32_t(values[at])), double(std::int32_t(values[at + 1])),
                        values[at + 2], values[at + 3]);
    std::vector<Rect> monitors;
    XcbReply<xcb_randr_get_monitors_reply_t> reply(
        xcb_randr_get_monitors_reply(x.xcb(), monitorsCookie, nullptr));
    if (reply) {
        for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
             xcb_randr_monitor_info_next(&it))
            monitors.push_back(Rect(it.data->x, it.data->y, it.data->width, it.data->height));
    }
    if (monitors.empty()) {
        XcbReply<xcb_get_geometry_reply_t> root(
            xcb_get_geometry_reply(x.xcb(), xcb_get_geometry(x.xcb(), x.root()), nullptr));
        if (root) monitors.push_back(Rect(0, 0, root->width, root->height));
    }
    return maximizedFrames(monitors, workArea);
}

}  // namespace brindlow
