// Where a window shows, from its client window, the window manager's decorations and the
// transparent margin a client with decorations of its own draws inside its window. The figures
// are those measured beside xfwm4, metacity and KWin with their compositors: gnome-calculator
// (GTK 4) asked to stand at 200,100 with a 700×608 client showed at 261,155, 578×486.
#include <gtest/gtest.h>

#include "platform/x11/connection/X11Properties.h"

namespace brindlow {
namespace {

struct PlaceRow {
    const char* name;
    FrameExtents extents;  // the window manager's decorations
    FrameExtents margin;   // the client's invisible margin
    Rect client;
    Rect shown;           // what the user sees
    Point requestOrigin;  // where a north-west move request goes for it to show there
};

class WindowPlaceTest : public ::testing::TestWithParam<PlaceRow> {
  protected:
    WindowPlace place() const {
        WindowPlace p;
        p.clientFrame = GetParam().client;
        p.extents = GetParam().extents;
        p.margin = GetParam().margin;
        return p;
    }
};

TEST_P(WindowPlaceTest, TheFrameIsWhatShows) {
    EXPECT_EQ(place().outerFrame(), GetParam().shown);
}

TEST_P(WindowPlaceTest, TheClientSizeForTheFrameShownIsTheClientsOwn) {
    EXPECT_EQ(place().clientSizeFor(GetParam().shown.size()), GetParam().client.size());
}

TEST_P(WindowPlaceTest, AMoveRequestForTheFrameShownPlacesTheWindowManagersFrame) {
    EXPECT_EQ(place().requestOrigin(GetParam().shown.origin()), GetParam().requestOrigin);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowPlaceTest,
    ::testing::Values(
        // A title bar of 24 and borders of 1 drawn by the window manager.
        PlaceRow{"TitleBar",
                 {1, 1, 24, 1},
                 {},
                 Rect(201, 124, 698, 583),
                 Rect(200, 100, 700, 608),
                 Point{200, 100}},
        // GTK 4's shadow beside a compositor, nothing drawn by the window manager.
        PlaceRow{"Gtk4Shadow",
                 {},
                 {61, 61, 55, 67},
                 Rect(200, 100, 700, 608),
                 Rect(261, 155, 578, 486),
                 Point{200, 100}},
        // GTK 3 asked for client-side decorations, framed anyway by a window manager that
        // ignores the request: both count.
        PlaceRow{"Gtk3ShadowInsideATitleBar",
                 {2, 2, 20, 2},
                 {26, 26, 23, 29},
                 Rect(100, 80, 500, 400),
                 Rect(124, 83, 452, 370),
                 Point{98, 60}}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow
