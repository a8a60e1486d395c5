#include "strip/Strip.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace brindlow {

namespace {

bool samePinGroup(const Column& a, const Column& b) {
    return a.pin == b.pin;
}

std::size_t at(int index) {
    return static_cast<std::size_t>(index);
}

// Brings the weights to one per window (1.0 for missing rows) before a row is appended, so the
// new window's weight lands on its own row even when the list was out of step.
void fitWeights(Column& column) {
    column.weights.resize(column.windows.size(), 1.0);
}

void appendActive(Column& column, WindowID id) {
    fitWeights(column);
    column.windows.push_back(id);
    column.weights.push_back(1.0);
    column.activeIndex = static_cast<int>(column.windows.size()) - 1;
}

// The index `delta` columns away from `from`, if the strip has a column there.
std::optional<int> offsetIndex(int from, int delta, std::size_t count) {
    const long long target = static_cast<long long>(from) + delta;
    if (target < 0 || target >= static_cast<long long>(count)) return std::nullopt;
    return static_cast<int>(target);
}

// Moves `window` to the end of the column holding `receiving`, active and focused. That column is
// looked up again after the removal, which may have emptied and dropped the window's column, so
// `receiving` is a copy rather than a reference into the strip.
bool moveIntoColumn(Strip& strip, WindowID window, const std::vector<WindowID> receiving) {
    strip.remove(window);
    const auto found = std::find_if(strip.columns.begin(), strip.columns.end(),
                                    [&](const Column& c) { return c.windows == receiving; });
    if (found == strip.columns.end()) return false;
    appendActive(*found, window);
    strip.focusedIndex = static_cast<int>(found - strip.columns.begin());
    return true;
}

// Removes a row and its weight; the weight list may be shorter than the window list.
void eraseRow(Column& column, int row) {
    column.windows.erase(column.windows.begin() + row);
    if (at(row) < column.weights.size()) column.weights.erase(column.weights.begin() + row);
}

}  // namespace

// MARK: Queries

int Strip::leftPinnedCount() const {
    int count = 0;
    while (at(count) < columns.size() && columns[at(count)].pin == Pin::left) ++count;
    return count;
}

int Strip::rightPinnedCount() const {
    int count = 0;
    const int n = static_cast<int>(columns.size());
    while (count < n && columns[at(n - 1 - count)].pin == Pin::right) ++count;
    return count;
}

const Column* Strip::focusedColumn() const {
    if (!focusedIndex || *focusedIndex < 0 || at(*focusedIndex) >= columns.size()) return nullptr;
    return &columns[at(*focusedIndex)];
}

Column* Strip::focusedColumn() {
    return const_cast<Column*>(static_cast<const Strip*>(this)->focusedColumn());
}

std::optional<WindowID> Strip::focusedWindowID() const {
    const Column* column = focusedColumn();
    return column ? column->activeWindow() : std::nullopt;
}

std::vector<WindowID> Strip::allWindowIDs() const {
    std::vector<WindowID> ids;
    for (const Column& column : columns) {
        ids.insert(ids.end(), column.windows.begin(), column.windows.end());
    }
    return ids;
}

std::optional<StripLocation> Strip::locate(WindowID id) const {
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const auto& windows = columns[c].windows;
        const auto found = std::find(windows.begin(), windows.end(), id);
        if (found != windows.end()) {
            return StripLocation{static_cast<int>(c), static_cast<int>(found - windows.begin())};
        }
    }
    return std::nullopt;
}

// MARK: Columns and windows

int Strip::insertWindow(WindowID id, double widthFraction) {
    const int n = static_cast<int>(columns.size());
    int index = n - rightPinnedCount();
    if (const Column* focused = focusedColumn()) {
        if (!focused->pin) {
            index = *focusedIndex + 1;
        } else if (*focused->pin == Pin::left) {
            index = leftPinnedCount();
        }
    }
    return insertColumn(Column::single(id, widthFraction), index);
}

int Strip::insertColumn(Column column, int index) {
    column.pin.reset();
    const int n = static_cast<int>(columns.size());
    const int lower = leftPinnedCount();
    const int upper = n - rightPinnedCount();
    index = std::max(std::min(index, upper), lower);
    columns.insert(columns.begin() + index, std::move(column));
    if (!focusedIndex) {
        focusedIndex = index;
    } else if (*focusedIndex >= index) {
        focusedIndex = *focusedIndex + 1;
    }
    return index;
}

void Strip::remove(WindowID id) {
    const auto location = locate(id);
    if (!location) return;
    Column& column = columns[at(location->column)];
    eraseRow(column, location->row);

    if (column.windows.empty()) {
        columns.erase(columns.begin() + location->column);
        const int count = static_cast<int>(columns.size());
        if (count == 0) {
            focusedIndex.reset();
        } else if (focusedIndex) {
            if (location->column < *focusedIndex) {
                focusedIndex = *focusedIndex - 1;
            } else if (location->column == *focusedIndex) {
                focusedIndex = std::min(*focusedIndex, count - 1);
            }
        }
        return;
    }

    const int rows = static_cast<int>(column.windows.size());
    if (location->row < column.activeIndex || column.activeIndex < 0 ||
        column.activeIndex >= rows) {
        column.activeIndex = std::max(column.activeIndex, 1) - 1;
    }
}

// MARK: Focus

bool Strip::focus(WindowID id) {
    const auto location = locate(id);
    if (!location) return false;
    Column& column = columns[at(location->column)];
    const bool unchanged = focusedIndex == location->column && column.activeIndex == location->row;
    focusedIndex = location->column;
    column.activeIndex = location->row;
    return !unchanged;
}

bool Strip::moveFocus(int delta) {
    if (!focusedIndex || columns.empty()) return false;
    const long long f = *focusedIndex;
    long long target = f + delta;
    if (target < 0) {
        if (f == 0) return false;
        target = 0;
    } else {
        target = std::min(target, static_cast<long long>(columns.size()) - 1);
        if (target == f) return false;
    }
    focusedIndex = static_cast<int>(target);
    return true;
}

bool Strip::focusEdge(int direction) {
    if (!focusedIndex || columns.empty()) return false;
    const int target = direction < 0 ? 0 : static_cast<int>(columns.size()) - 1;
    if (*focusedIndex == target) return false;
    focusedIndex = target;
    return true;
}

bool Strip::moveFocusInStack(int delta) {
    Column* column = focusedColumn();
    if (!column) return false;
    const long long active = column->activeIndex;
    long long target = std::min(active + delta, static_cast<long long>(column->windows.size()) - 1);
    if (target < 0) {
        if (active == 0) return false;
        target = 0;
    } else if (target == active) {
        return false;
    }
    column->activeIndex = static_cast<int>(target);
    return true;
}

// MARK: Order and pins

bool Strip::moveColumn(int delta) {
    if (!focusedColumn()) return false;
    const auto target = offsetIndex(*focusedIndex, delta, columns.size());
    if (!target) return false;
    const int t = *target;
    if (!samePinGroup(columns[at(*focusedIndex)], columns[at(t)])) return false;
    std::swap(columns[at(*focusedIndex)], columns[at(t)]);
    focusedIndex = t;
    return true;
}

void Strip::reorderColumn(int from, int to) {
    if (from < 0 || at(from) >= columns.size()) return;
    const auto focusedWindow = focusedWindowID();

    Column column = std::move(columns[at(from)]);
    columns.erase(columns.begin() + from);
    const int m = static_cast<int>(columns.size());
    const int left = leftPinnedCount();
    const int right = rightPinnedCount();
    int lower = left;
    int upper = m - right;
    if (column.pin == Pin::left) {
        lower = 0;
        upper = left;
    } else if (column.pin == Pin::right) {
        lower = m - right;
        upper = m;
    }
    const int index = std::max(std::min(to, upper), lower);
    columns.insert(columns.begin() + index, std::move(column));

    if (focusedWindow) {
        const auto location = locate(*focusedWindow);
        focusedIndex = location ? std::optional<int>(location->column) : std::nullopt;
    }
}

bool Strip::togglePin(Pin pin) {
    if (!focusedColumn()) return false;
    Column column = std::move(columns[at(*focusedIndex)]);
    columns.erase(columns.begin() + *focusedIndex);
    column.pin = column.pin == pin ? std::nullopt : std::optional<Pin>(pin);
    // The argument, not the new pin, picks the place: the inner end of the block it names.
    const int index = pin == Pin::left ? leftPinnedCount()
                                       : static_cast<int>(columns.size()) - rightPinnedCount();
    columns.insert(columns.begin() + index, std::move(column));
    focusedIndex = index;
    return true;
}

// MARK: Stacks and tabs

bool Strip::stackIntoNeighbour(int delta) {
    // A zero delta names the focused column itself; removing its window first would lose it.
    if (delta == 0) return false;
    const Column* focused = focusedColumn();
    if (!focused) return false;
    const auto target = offsetIndex(*focusedIndex, delta, columns.size());
    if (!target || columns[at(*target)].windows.size() > 2) return false;
    const auto window = focused->activeWindow();
    if (!window) return false;
    return moveIntoColumn(*this, *window, columns[at(*target)].windows);
}

bool Strip::pullFromNeighbour(int delta) {
    if (delta == 0) return false;
    const Column* focused = focusedColumn();
    if (!focused) return false;
    const auto target = offsetIndex(*focusedIndex, delta, columns.size());
    if (!target || focused->windows.size() > 2) return false;
    const Column& neighbour = columns[at(*target)];
    if (!samePinGroup(*focused, neighbour)) return false;
    const auto window = neighbour.activeWindow();
    if (!window) return false;
    return moveIntoColumn(*this, *window, focused->windows);
}

bool Strip::growStack() {
    const Column* focused = focusedColumn();
    if (!focused) return false;
    const int f = *focusedIndex;
    if (f > 0 && focused->windows.size() == 1 && samePinGroup(columns[at(f - 1)], *focused)) {
        return stackIntoNeighbour(-1);
    }
    return pullFromNeighbour(+1);
}

bool Strip::expelWindow(WindowID id) {
    const auto location = locate(id);
    if (!location) return false;
    const int c = location->column;
    Column& column = columns[at(c)];
    if (column.windows.size() < 2) return false;
    const auto focusedWindow = focusedWindowID();

    eraseRow(column, location->row);
    if (location->row < column.activeIndex) --column.activeIndex;
    column.activeIndex =
        std::clamp(column.activeIndex, 0, static_cast<int>(column.windows.size()) - 1);

    Column expelled = Column::single(id, column.widthFraction);
    expelled.pin = column.pin;
    columns.insert(columns.begin() + c + 1, std::move(expelled));

    if (focusedIndex && c < *focusedIndex) focusedIndex = *focusedIndex + 1;
    if (focusedWindow == id) focusedIndex = c + 1;
    return true;
}

bool Strip::popActiveWindow(int delta) {
    Column* column = focusedColumn();
    if (!column || column->windows.size() < 2) return false;
    const int f = *focusedIndex;
    const int row = column->activeRow();
    const WindowID window = column->windows[at(row)];

    eraseRow(*column, row);
    column->activeIndex =
        std::clamp(column->activeIndex, 0, static_cast<int>(column->windows.size()) - 1);

    Column popped = Column::single(window, column->widthFraction);
    popped.pin = column->pin;
    const int index = delta < 0 ? f : f + 1;
    columns.insert(columns.begin() + index, std::move(popped));
    focusedIndex = index;
    return true;
}

bool Strip::toggleTabbed() {
    Column* column = focusedColumn();
    if (!column) return false;
    column->isTabbed = !column->isTabbed;
    column->autoTabbed = false;
    return true;
}

bool Strip::moveWindowInStack(int delta) {
    Column* column = focusedColumn();
    if (!column) return false;
    const long long rows = static_cast<long long>(column->windows.size());
    const long long active = column->activeIndex;
    const long long target = active + delta;
    if (active < 0 || active >= rows || target < 0 || target >= rows) return false;
    std::swap(column->windows[at(static_cast<int>(active))],
              column->windows[at(static_cast<int>(target))]);
    const long long weights = static_cast<long long>(column->weights.size());
    if (active < weights && target < weights) {
        std::swap(column->weights[at(static_cast<int>(active))],
                  column->weights[at(static_cast<int>(target))]);
    }
    column->activeIndex = static_cast<int>(target);
    return true;
}

// MARK: Heights and widths

bool Strip::adjustActiveWeight(double delta) {
    Column* column = focusedColumn();
    if (!column || !std::isfinite(delta)) return false;
    const int n = static_cast<int>(column->windows.size());
    if (n < 2 || column->isTabbed || column->weights.size() != column->windows.size() ||
        column->activeIndex < 0 || column->activeIndex >= n) {
        return false;
    }
    double sum = 0;
    for (double weight : column->weights) sum += weight;
    double& active = column->weights[at(column->activeIndex)];
    const double others = sum - active;
    if (!(sum > 0) || !(others > 0) || !std::isfinite(sum)) return false;

    const double share = active / sum;
    // Every window keeps at least 15% of the stack; the lower bound wins when the bounds cross.
    const double target = std::max(std::min(share + delta, 1.0 - (n - 1) * 0.15), 0.15);
    // A step of 0.001 or less is ignored; the slack absorbs binary rounding of the sum.
    if (std::fabs(target - share) <= 0.001 + 1e-12) return false;
    active = others * target / (1.0 - target);
    return true;
}

bool Strip::equalizeHeights() {
    Column* column = focusedColumn();
    if (!column) return false;
    column->weights.assign(column->windows.size(), 1.0);
    return true;
}

bool Strip::toggleFullWidth() {
    Column* column = focusedColumn();
    if (!column) return false;
    column->isFullWidth = !column->isFullWidth;
    column->refusedWidth.reset();
    return true;
}

}  // namespace brindlow
