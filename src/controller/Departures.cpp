#include "controller/Departures.h"

#include <algorithm>
#include <functional>

namespace brindlow {

std::set<std::string> Departures::leave(const std::vector<WindowID>& ids, Departure::Kind kind,
                                        double now) {
    const std::set<WindowID> leaving(ids.begin(), ids.end());
    std::set<std::string> changed;
    for (const std::string& uuid : state_.displayOrder) {
        DisplayState* display = state_.display(uuid);
        if (!display) continue;
        Strip& strip = display->strip;
        std::vector<std::vector<WindowID>> order;
        for (const Column& column : strip.columns) order.push_back(column.windows);
        spliceDeparted(uuid, order);
        const auto indexInOrder = [&](WindowID id) {
            for (size_t at = 0; at < order.size(); ++at)
                if (std::find(order[at].begin(), order[at].end(), id) != order[at].end())
                    return int(at);
            return 0;
        };
        const std::optional<WindowID> focused = strip.focusedWindowID();
        std::vector<WindowID> taken;
        for (int index = 0; index < int(strip.columns.size()); ++index) {
            const Column& column = strip.columns[size_t(index)];
            auto departed = std::make_shared<DepartedColumn>();
            departed->uuid = uuid;
            departed->index = indexInOrder(column.windows.front());
            departed->column = column;
            departed->stoodWith = stoodWith(uuid, column.windows);
            departed->column.windows.clear();
            departed->column.weights.clear();
            for (size_t row = 0; row < column.windows.size(); ++row) {
                if (!leaving.contains(column.windows[row])) continue;
                departed->column.windows.push_back(column.windows[row]);
                departed->column.weights.push_back(row < column.weights.size() ? column.weights[row]
                                                                               : 1.0);
                if (focused == column.windows[row]) departed->focused = focused;
            }
            if (departed->column.windows.empty()) continue;
            const int activeRow = column.activeRow();
            departed->column.activeIndex = 0;
            for (size_t row = 0; row < departed->column.windows.size(); ++row)
                if (departed->column.windows[row] == column.windows[size_t(activeRow)])
                    departed->column.activeIndex = int(row);
            departed->order = order;
            for (const WindowID id : departed->column.windows) {
                const auto window = state_.windows.find(id);
                if (window == state_.windows.end()) continue;
                state_.departed[id] = Departure{window->second, departed, kind, now};
                taken.push_back(id);
            }
        }
        for (const WindowID id : taken) {
            strip.remove(id);
            state_.windows.erase(id);
        }
        if (!taken.empty()) changed.insert(uuid);
    }
    return changed;
}

std::vector<WindowID> Departures::stoodWith(const std::string& uuid,
                                            const std::vector<WindowID>& column) const {
    // Windows of this column that left before (in another gathering) still count as its rows, so
    // whichever of them comes back later rejoins the others.
    std::vector<WindowID> rows = column;
    for (const auto& [id, departure] : state_.departed) {
        const std::vector<WindowID>& earlier = departure.column->stoodWith;
        if (departure.column->uuid != uuid || earlier.size() <= rows.size()) continue;
        const bool holdsAll = std::all_of(rows.begin(), rows.end(), [&](WindowID row) {
            return std::find(earlier.begin(), earlier.end(), row) != earlier.end();
        });
        if (holdsAll) rows = earlier;
    }
    return rows;
}

const Departure* Departures::find(WindowID id) const {
    const auto found = state_.departed.find(id);
    return found == state_.departed.end() ? nullptr : &found->second;
}

void Departures::spliceDeparted(const std::string& uuid,
                                std::vector<std::vector<WindowID>>& order) const {
    // Columns that left in earlier gatherings stand between the same neighbours, so windows
    // leaving now remember them too.
    const auto columnOf = [&](WindowID id) -> std::optional<size_t> {
        for (size_t at = 0; at < order.size(); ++at)
            if (std::find(order[at].begin(), order[at].end(), id) != order[at].end()) return at;
        return std::nullopt;
    };
    for (const auto& [id, departure] : state_.departed) {
        const DepartedColumn& column = *departure.column;
        if (column.uuid != uuid || columnOf(id)) continue;
        std::optional<size_t> mate;
        for (const WindowID row : column.stoodWith)
            if (row != id && (mate = columnOf(row))) break;
        if (mate) {
            order[*mate].push_back(id);
            continue;
        }
        const int at = insertionIndex(order, column);
        order.insert(order.begin() + at, std::vector<WindowID>{id});
    }
}

int Departures::insertionIndex(const Strip& strip, const DepartedColumn& column) {
    std::vector<std::vector<WindowID>> columns;
    for (const Column& each : strip.columns) columns.push_back(each.windows);
    return insertionIndex(columns, column);
}

int Departures::insertionIndex(const std::vector<std::vector<WindowID>>& columns,
                               const DepartedColumn& column) {
    const auto liveIndex = [&](const std::vector<WindowID>& ids) -> std::optional<int> {
        for (const WindowID id : ids)
            for (size_t at = 0; at < columns.size(); ++at)
                if (std::find(columns[at].begin(), columns[at].end(), id) != columns[at].end())
                    return int(at);
        return std::nullopt;
    };
    for (int index = column.index - 1; index >= 0; --index)
        if (const std::optional<int> live = liveIndex(column.order[size_t(index)]))
            return *live + 1;
    for (int index = column.index + 1; index < int(column.order.size()); ++index)
        if (const std::optional<int> live = liveIndex(column.order[size_t(index)])) return *live;
    return std::min(column.index, int(columns.size()));
}

std::map<WindowID, int> Departures::insertBack(Strip& strip, const DepartedColumn& departed,
                                               const std::function<bool(WindowID)>& isBack,
                                               bool ownStrip) {
    // The windows coming back, as a column of their own with the width they had.
    Column coming = departed.column;
    coming.windows.clear();
    coming.weights.clear();
    for (size_t row = 0; row < departed.column.windows.size(); ++row) {
        if (!isBack(departed.column.windows[row])) continue;
        coming.windows.push_back(departed.column.windows[row]);
        coming.weights.push_back(departed.column.weights[row]);
    }
    std::map<WindowID, int> where;
    const auto placeColumn = [&](Column column, int at) {
        column.activeIndex = std::clamp(column.activeIndex, 0, int(column.windows.size()) - 1);
        if (column.windows.size() < 2) column.isTabbed = column.autoTabbed = false;
        const int index = strip.insertColumn(column, at);
        for (const WindowID id : column.windows) where[id] = index;
    };
    // A window of the same column still (or again) in the strip: rejoin it at the old row.
    std::optional<StripLocation> mate;
    for (const WindowID id : departed.stoodWith)
        if (!isBack(id))
            if ((mate = strip.locate(id))) break;
    if (!mate) {
        if (coming.windows.empty()) return where;
        placeColumn(std::move(coming), ownStrip ? insertionIndex(strip, departed)
                                                : strip.focusedIndex.value_or(-1) + 1);
        return where;
    }
    // A stack filled meanwhile takes no more than it holds; the rest stand right of it, as a
    // window split off a stack does.
    Column& column = strip.columns[size_t(mate->column)];
    Column overflow = coming;
    overflow.windows.clear();
    overflow.weights.clear();
    for (size_t row = 0; row < coming.windows.size(); ++row) {
        const WindowID id = coming.windows[row];
        if (column.windows.size() >= kMaxStackRows) {
            overflow.windows.push_back(id);
            overflow.weights.push_back(coming.weights[row]);
            continue;
        }
        const auto stood = std::find(departed.stoodWith.begin(), departed.stoodWith.end(), id);
        const size_t at =
            std::min(size_t(stood - departed.stoodWith.begin()), column.windows.size());
        column.windows.insert(column.windows.begin() + long(at), id);
        column.weights.insert(column.weights.begin() + long(at), coming.weights[row]);
        where[id] = mate->column;
    }
    if (!overflow.windows.empty()) placeColumn(std::move(overflow), mate->column + 1);
    // A column put left of a right-pinned stack moved it.
    for (auto& [id, index] : where) index = strip.locate(id)->column;
    return where;
}

Strip Departures::withAwayWindows(const std::string& uuid) const {
    const DisplayState* display = state_.display(uuid);
    if (!display) return {};
    Strip strip = display->strip;
    const std::optional<int> focused = strip.focusedIndex;
    // Columns in the order they stood, as when they all come back together.
    std::vector<std::shared_ptr<const DepartedColumn>> columns;
    std::set<WindowID> away;
    for (const auto& [id, departure] : state_.departed) {
        if (departure.kind != Departure::Kind::away || departure.column->uuid != uuid) continue;
        away.insert(id);
        if (std::find(columns.begin(), columns.end(), departure.column) == columns.end())
            columns.push_back(departure.column);
    }
    std::stable_sort(columns.begin(), columns.end(),
                     [](const auto& a, const auto& b) { return a->index < b->index; });
    for (const std::shared_ptr<const DepartedColumn>& column : columns) {
        std::set<WindowID> back;
        for (const WindowID id : column->column.windows)
            if (away.contains(id)) back.insert(id);
        insertBack(
            strip, *column, [&](WindowID id) { return back.contains(id); }, true);
    }
    // The focus stays with the windows in view; an empty strip has none to keep.
    if (!focused) strip.focusedIndex.reset();
    return strip;
}

Departures::Placed Departures::placeBack(const std::vector<ManagedWindow>& windows,
                                         const std::optional<std::string>& fallbackUUID) {
    Placed placed;
    // Columns in the order they stood, so neighbours that come back together keep their order.
    std::vector<std::shared_ptr<const DepartedColumn>> columns;
    std::map<const DepartedColumn*, std::vector<ManagedWindow>> returning;
    for (const ManagedWindow& window : windows) {
        const auto found = state_.departed.find(window.id);
        if (found == state_.departed.end()) continue;
        const std::shared_ptr<const DepartedColumn> column = found->second.column;
        if (!returning.contains(column.get())) columns.push_back(column);
        returning[column.get()].push_back(window);
        state_.departed.erase(found);
    }
    std::stable_sort(columns.begin(), columns.end(),
                     [](const auto& a, const auto& b) { return a->index < b->index; });

    for (const std::shared_ptr<const DepartedColumn>& departed : columns) {
        const std::vector<ManagedWindow>& back = returning[departed.get()];
        const auto isBack = [&](WindowID id) {
            return std::any_of(back.begin(), back.end(),
                               [id](const ManagedWindow& w) { return w.id == id; });
        };
        DisplayState* display = state_.display(departed->uuid);
        std::string uuid = departed->uuid;
        if (!display && fallbackUUID) {
            uuid = *fallbackUUID;
            display = state_.display(uuid);
        }
        if (!display) {
            // Nowhere to go yet: it stays away.
            for (const ManagedWindow& window : back)
                state_.departed[window.id] = Departure{window, departed, Departure::Kind::away, 0};
            continue;
        }
        for (const ManagedWindow& window : back) state_.windows[window.id] = window;
        Strip& strip = display->strip;
        const std::map<WindowID, int> where =
            insertBack(strip, *departed, isBack, uuid == departed->uuid);
        if (departed->focused && isBack(*departed->focused) && uuid == departed->uuid)
            strip.focus(*departed->focused);
        placed.displays.insert(uuid);
        for (const auto& [id, index] : where) placed.where[id] = {uuid, index};
    }
    return placed;
}

}  // namespace brindlow
