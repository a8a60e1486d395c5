#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "controller/Departure.h"
#include "controller/StripControllerState.h"

namespace brindlow {

// Takes windows off their strips and puts them back where they stood. Works on the state its
// owner keeps, on the strip queue.
class Departures {
  public:
    // A stack holds up to three windows.
    static constexpr size_t kMaxStackRows = 3;

    explicit Departures(StripControllerState& state) : state_(state) {}

    // Takes the managed windows `ids` off their strips, all at once, remembering their places;
    // the displays whose strips changed.
    std::set<std::string> leave(const std::vector<WindowID>& ids, Departure::Kind kind, double now);
    // Puts windows that left back between their old neighbours (in their old column when part of
    // it stayed or came back first), as managed windows again; the displays whose strips changed
    // and, per window, its column index there. Windows whose display is no longer in use go to
    // `fallbackUUID` after its focused column.
    struct Placed {
        std::set<std::string> displays;
        std::map<WindowID, std::pair<std::string, int>> where;
    };
    Placed placeBack(const std::vector<ManagedWindow>& windows,
                     const std::optional<std::string>& fallbackUUID);

    // The strip of `uuid` with its windows that are on another desktop back where they stood, as
    // if they came back now; the focus stays where it is.
    Strip withAwayWindows(const std::string& uuid) const;

    const Departure* find(WindowID id) const;
    void forget(WindowID id) { state_.departed.erase(id); }

  private:
    // The rows of a column that is leaving, with those of its windows that left before.
    std::vector<WindowID> stoodWith(const std::string& uuid,
                                    const std::vector<WindowID>& column) const;
    // Where a column that stood at `column.index` of `column.order` goes in `strip` now.
    static int insertionIndex(const Strip& strip, const DepartedColumn& column);
    static int insertionIndex(const std::vector<std::vector<WindowID>>& columns,
                              const DepartedColumn& column);
    // Puts the windows of `departed` for which `isBack` holds into `strip`: into the column of a
    // mate still there, else as a column between the old neighbours (`ownStrip`) or after the
    // focused column. Each window's column index.
    static std::map<WindowID, int> insertBack(Strip& strip, const DepartedColumn& departed,
                                              const std::function<bool(WindowID)>& isBack,
                                              bool ownStrip);
    // Puts the windows of `uuid`'s strip that are still away into `order` where they stood.
    void spliceDeparted(const std::string& uuid, std::vector<std::vector<WindowID>>& order) const;

    StripControllerState& state_;
};

}  // namespace brindlow
