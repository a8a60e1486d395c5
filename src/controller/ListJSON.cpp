#include "controller/ListJSON.h"

#include <nlohmann/json.hpp>

#include "geometry/Rounding.h"
#include "settings/JSONEncoder.h"

namespace brindlow {

nlohmann::json listObject(const StripSnapshot& snapshot, bool titles) {
    nlohmann::json displays = nlohmann::json::array();
    for (const DisplaySnapshot& display : snapshot.displays) {
        nlohmann::json columns = nlohmann::json::array();
        for (const ColumnSnapshot& column : display.columns) {
            nlohmann::json windows = nlohmann::json::array();
            for (const WindowSnapshot& window : column.windows) {
                nlohmann::json entry = {{"app", window.app}, {"badge", window.hasBadge}};
                if (titles) entry["title"] = window.title;
                windows.push_back(std::move(entry));
            }
            columns.push_back({{"pin", column.pin ? std::string(toText(*column.pin)) : ""},
                               {"tabbed", column.isTabbed},
                               {"width", roundHalfAway(column.widthFraction, 2)},
                               {"windows", std::move(windows)}});
        }
        displays.push_back({{"name", display.name},
                            {"active", display.isActive},
                            {"focused", display.focusedIndex ? *display.focusedIndex + 1 : 0},
                            {"columns", std::move(columns)}});
    }
    return {{"paused", snapshot.paused}, {"displays", std::move(displays)}};
}

std::string makeListJSON(const StripSnapshot& snapshot, bool titles) {
    try {
        return encodeJSON(listObject(snapshot, titles)).value_or("{}");
    } catch (const std::exception&) {
        return "{}";
    }
}

}  // namespace brindlow
