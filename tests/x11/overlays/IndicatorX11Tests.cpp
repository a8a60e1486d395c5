// The real executable on the session's display: the indicator jumps on a click, grows, whole, for
// a new column, and shows a column's windows in a tooltip above it. With BRINDLOW_SCREENSHOT_DIR
// set, the indicator and its tooltip are saved.
#include "x11/overlays/OverlayX11Fixture.h"

namespace brindlow::test {
namespace {

TEST_F(OverlayX11Test, TheIndicatorAppearsAfterFocusRightAndAClickOnAnIconJumps) {
    Indicator shown;
    xcb_window_t first = XCB_WINDOW_NONE;
    focusRightToShowTheIndicator(3, shown, &first);
    if (HasFatalFailure()) return;
    const XGeometry& pill = shown.pill;
    EXPECT_GT(pill.y, 900);
    screenshot("indicator");

    // The first cell lies 46 wide in the left part of the centred content.
    ASSERT_TRUE(xdotool(
        {"mousemove", std::to_string(pill.x + 50), std::to_string(pill.y + 29), "click", "1"}));
    EXPECT_TRUE(settle([&] { return activeFrame() == first; }))
        << "the click on the first icon did not jump to the first column";

    // One more column while it shows: the pill grows, drawn to its right end.
    startXterm("e2e-xterm-4");
    Pixel end;
    EXPECT_TRUE(settle([&] {
        if (const auto wider = indicator(); wider && wider->pill.width > pill.width)
            end = pixel(wider->pill.x + wider->pill.width - 10, wider->pill.y + 29);
        return end.red > 20 && end.red < 70;
    })) << "the wider pill ends in "
        << end.red << "," << end.green << "," << end.blue;
    screenshot("indicator-wider");
}

// Whether `window` says it is a tooltip.
bool isTooltip(X11Connection& x, xcb_window_t window) {
    const xcb_atom_t type = x.atom("_NET_WM_WINDOW_TYPE");
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        x.xcb(), xcb_get_property(x.xcb(), 0, window, type, XCB_ATOM_ATOM, 0, 8), nullptr));
    if (!reply || reply->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    const xcb_atom_t tooltip = x.atom("_NET_WM_WINDOW_TYPE_TOOLTIP");
    return std::find(atoms, atoms + count, tooltip) != atoms + count;
}

// The pointer resting on an icon of the pill, which never takes the focus, shows the column's
// windows in a tooltip, on top of the pill and readable where it lies over it.
TEST_F(OverlayX11Test, RestingOnAnIconShowsItsTooltipAboveThePill) {
    Indicator shown;
    focusRightToShowTheIndicator(2, shown);
    if (HasFatalFailure()) return;
    const xcb_window_t pillWindow = shown.window;
    const XGeometry& pill = shown.pill;

    rememberPointer();
    // On the first icon, then a step within it: the toolkit counts the rest from a motion.
    const int x = pill.x + 50, y = pill.y + 29;
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(x), std::to_string(y)}));
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(x + 1), std::to_string(y)}));

    xcb_window_t tip = XCB_WINDOW_NONE;
    std::optional<XGeometry> tipGeometry;
    EXPECT_TRUE(settle(
        [&] {
            for (xcb_window_t w : overlays())
                if (isTooltip(connection(), w)) {
                    tip = w;
                    tipGeometry = geometry(w);
                }
            return tip != XCB_WINDOW_NONE && stackIndex(tip) > stackIndex(pillWindow);
        },
        5.0))
        << "no tooltip above the pill" << scene();
    screenshot("indicator-tooltip");
    if (tip == XCB_WINDOW_NONE || !tipGeometry) return;
    // Where the tooltip lies over the pill, the tooltip's light ground shows, not the pill (a
    // compositor may draw it a moment after it was stacked).
    const int top = std::max(tipGeometry->y, pill.y);
    const int bottom = std::min(tipGeometry->y + tipGeometry->height, pill.y + pill.height);
    if (bottom - top < 6) return;  // placed clear of the pill
    int light = 0, all = 0;
    EXPECT_TRUE(settle(
        [&] {
            light = all = 0;
            for (int py = top + 2; py < bottom - 2; py += 2)
                for (int px = tipGeometry->x + 2; px < tipGeometry->x + tipGeometry->width - 2;
                     px += 4) {
                    const Pixel p = pixel(px, py);
                    ++all;
                    if (p.red > 180 && p.green > 180 && p.blue > 150) ++light;
                }
            return light > all / 2;
        },
        3.0))
        << light << " of " << all << " pixels light" << scene();
}

}  // namespace
}  // namespace brindlow::test
