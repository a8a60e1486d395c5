#pragma once

#include <optional>
#include <vector>

#include "geometry/WindowID.h"
#include "strip/Column.h"
#include "strip/Pin.h"

namespace brindlow {

// Where a window sits in a strip.
struct StripLocation {
    int column = 0;
    int row = 0;
    friend bool operator==(const StripLocation&, const StripLocation&) = default;
};

// One display's row of columns. Left-pinned columns form a leading block, right-pinned ones a
// trailing block, unpinned ones lie between. Every column holds at least one window and one weight
// per window. Editing operations return true when they changed something.
struct Strip {
    std::vector<Column> columns;  // left to right
    double scrollOffset = 0;      // target scroll position of the unpinned run
    std::optional<int> focusedIndex;

    friend bool operator==(const Strip&, const Strip&) = default;

    // Queries.
    int leftPinnedCount() const;
    int rightPinnedCount() const;
    std::optional<WindowID> focusedWindowID() const;
    std::vector<WindowID> allWindowIDs() const;
    std::optional<StripLocation> locate(WindowID id) const;

    // Columns and windows.
    int insertWindow(WindowID id, double widthFraction);
    int insertColumn(Column column, int index);
    void remove(WindowID id);

    // Focus.
    bool focus(WindowID id);
    bool moveFocus(int delta);
    bool focusEdge(int direction);
    bool moveFocusInStack(int delta);

    // Order and pins.
    bool moveColumn(int delta);
    void reorderColumn(int from, int to);
    bool togglePin(Pin pin);

    // Stacks and tabs.
    bool stackIntoNeighbour(int delta);
    bool pullFromNeighbour(int delta);
    bool growStack();
    bool expelWindow(WindowID id);
    bool popActiveWindow(int delta);
    bool toggleTabbed();
    bool moveWindowInStack(int delta);

    // Heights and widths.
    bool adjustActiveWeight(double delta);
    bool equalizeHeights();
    bool toggleFullWidth();

  private:
    Column* focusedColumn();
    const Column* focusedColumn() const;
};

}  // namespace brindlow
