#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "controller/Snapshot.h"
#include "panels/PanelHost.h"

namespace brindlow {

// What the overview shows: one display's columns and the column the keyboard selected.
struct OverviewModel {
    std::optional<DisplaySnapshot> display;
    int selection = 0;
};

// Sizes of the overview's cards: every card is its column scaled by one factor.
namespace OverviewGeometry {

inline constexpr double kCardSpacing = 14;
inline constexpr double kSidePadding = 24;
inline constexpr double kCardPadding = 4;  // around each card's tiles, inside its ring
inline constexpr double kMaxScale = 0.5;
inline constexpr double kMaxHeightShare = 0.6;
inline constexpr double kEmptyColumnWidth = 400;
inline constexpr double kEmptyColumnHeight = 600;
inline constexpr double kMinCardWidth = 80;
inline constexpr double kMinTileHeight = 70;
inline constexpr double kDragThreshold = 8;

// The active window's width, kEmptyColumnWidth without windows.
double baseWidth(const ColumnSnapshot& column);
// From the top of the highest window to the bottom of the lowest, kEmptyColumnHeight without
// windows.
double columnHeight(const ColumnSnapshot& column);
// The one factor for a content area of `size`: at most half size, the row of cards with its gaps,
// card paddings and side paddings fits the width (those do not shrink with the cards, nor do
// cards held at their minimum width), the tallest column takes at most 60 % of the height.
double scale(const DisplaySnapshot* display, Size size);
double cardWidth(const ColumnSnapshot& column, double scale);
// The row's full width at `scale`: cards with their paddings, the gaps between them and the
// side paddings.
double rowWidth(const std::vector<ColumnSnapshot>& columns, double scale);
double tileHeight(const WindowSnapshot& window, double scale);
// How many places a card dragged by `dx` moves: whole card steps, halves away from zero.
int dragSteps(double dx, double cardWidth);

}  // namespace OverviewGeometry

// Shows the active display's columns as cards; keys and clicks choose one, dragging reorders.
// Main thread.
class OverviewController {
  public:
    OverviewController(PanelHost& panel, StripActions strip);

    const OverviewModel& model() const { return model_; }
    // Told after every change of the model.
    std::function<void()> onChange;

    // Shows the overview of the snapshot's active display, or hides it when it is shown.
    void toggle(const StripSnapshot& snapshot);
    // Follows a new snapshot while shown.
    void refresh(const std::vector<DisplaySnapshot>& displays);
    void hide();
    // The panel stopped holding the focus (another window took it).
    void resignedKey();
    // Jumps to column `index`'s active window and hides; nothing for a missing or empty column.
    void choose(int index);
    // True when the key was consumed.
    bool handleKey(PanelKey key);
    // A card dragged sideways by `dx` was let go.
    void dragEnded(int index, double dx, double cardWidth);

  private:
    void hide(bool giveFocusBack);
    void changed();

    PanelHost& panel_;
    StripActions strip_;
    OverviewModel model_;
};

}  // namespace brindlow
