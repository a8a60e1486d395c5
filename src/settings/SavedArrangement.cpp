#include "settings/SavedArrangement.h"

#include "settings/JSONCoding.h"
#include "settings/StorageFolder.h"

namespace brindlow {

namespace {

const std::string& text(const nlohmann::json& object, std::string_view key) {
    return json::asString(json::required(object, key), key);
}

Date date(const nlohmann::json& object, std::string_view key) {
    return Date{json::asDouble(json::required(object, key), key)};
}

template <typename T>
std::vector<T> list(const nlohmann::json& object, std::string_view key) {
    const nlohmann::json& value = json::required(object, key);
    if (!value.is_array()) throw DecodeError("Expected an array for \"" + std::string(key) + "\"");
    std::vector<T> out;
    fromJSON(value, out);
    return out;
}

}  // namespace

std::int64_t SessionSnapshot::windowCount() const {
    std::int64_t count = 0;
    for (const DisplayDescriptor& display : displays)
        for (const ColumnDescriptor& column : display.columns)
            count += static_cast<std::int64_t>(column.windows.size());
    return count;
}

std::set<std::string> SessionSnapshot::bundleIDs() const {
    std::set<std::string> ids;
    for (const DisplayDescriptor& display : displays)
        for (const ColumnDescriptor& column : display.columns)
            for (const WindowDescriptor& window : column.windows) ids.insert(window.bundleID);
    return ids;
}

nlohmann::json toJSON(const WindowDescriptor& window) {
    return {{"bundleID", window.bundleID}, {"title", window.title}};
}

nlohmann::json toJSON(const ColumnDescriptor& column) {
    nlohmann::json object = {
        {"windows", toJSON(column.windows)}, {"weights", column.weights},
        {"activeIndex", column.activeIndex}, {"widthFraction", column.widthFraction},
        {"isFullWidth", column.isFullWidth}, {"isTabbed", column.isTabbed},
    };
    if (column.pin) object["pin"] = std::string(toText(*column.pin));
    if (column.autoTabbed) object["autoTabbed"] = *column.autoTabbed;
    return object;
}

nlohmann::json toJSON(const DisplayDescriptor& display) {
    nlohmann::json object = {
        {"uuid", display.uuid},
        {"name", display.name},
        {"columns", toJSON(display.columns)},
    };
    if (display.focusedIndex) object["focusedIndex"] = *display.focusedIndex;
    return object;
}

nlohmann::json toJSON(const SessionSnapshot& snapshot) {
    return {{"displays", toJSON(snapshot.displays)}, {"saved", snapshot.saved.sinceReference}};
}

nlohmann::json toJSON(const NamedLayout& layout) {
    return {
        {"id", layout.id.text()},
        {"name", layout.name},
        {"created", layout.created.sinceReference},
        {"snapshot", toJSON(layout.snapshot)},
    };
}

void fromJSON(const nlohmann::json& value, WindowDescriptor& window) {
    window.bundleID = text(value, "bundleID");
    window.title = text(value, "title");
}

void fromJSON(const nlohmann::json& value, ColumnDescriptor& column) {
    ColumnDescriptor decoded;
    decoded.windows = list<WindowDescriptor>(value, "windows");
    decoded.weights = list<double>(value, "weights");
    decoded.activeIndex = json::asInt(json::required(value, "activeIndex"), "activeIndex");
    decoded.widthFraction = json::asDouble(json::required(value, "widthFraction"), "widthFraction");
    decoded.isFullWidth = json::asBool(json::required(value, "isFullWidth"), "isFullWidth");
    decoded.isTabbed = json::asBool(json::required(value, "isTabbed"), "isTabbed");
    if (const nlohmann::json* pin = json::member(value, "pin")) {
        const std::string& pinText = json::asString(*pin, "pin");
        decoded.pin = pinFromText(pinText);
        if (!decoded.pin) throw DecodeError("Unknown pin \"" + pinText + "\"");
    }
    if (const nlohmann::json* autoTabbed = json::member(value, "autoTabbed"))
        decoded.autoTabbed = json::asBool(*autoTabbed, "autoTabbed");
    column = std::move(decoded);
}

void fromJSON(const nlohmann::json& value, DisplayDescriptor& display) {
    DisplayDescriptor decoded;
    decoded.uuid = text(value, "uuid");
    decoded.name = text(value, "name");
    decoded.columns = list<ColumnDescriptor>(value, "columns");
    if (const nlohmann::json* focused = json::member(value, "focusedIndex"))
        decoded.focusedIndex = json::asInt(*focused, "focusedIndex");
    display = std::move(decoded);
}

void fromJSON(const nlohmann::json& value, SessionSnapshot& snapshot) {
    SessionSnapshot decoded;
    decoded.displays = list<DisplayDescriptor>(value, "displays");
    decoded.saved = date(value, "saved");
    snapshot = std::move(decoded);
}

void fromJSON(const nlohmann::json& value, NamedLayout& layout) {
    NamedLayout decoded;
    const std::string& idText = text(value, "id");
    const std::optional<UUID> id = UUID::parse(idText);
    if (!id) throw DecodeError("Not a UUID: \"" + idText + "\"");
    decoded.id = *id;
    decoded.name = text(value, "name");
    decoded.created = date(value, "created");
    fromJSON(json::required(value, "snapshot"), decoded.snapshot);
    layout = std::move(decoded);
}

std::filesystem::path sessionFile() {
    return storageFile("session.json");
}
std::filesystem::path layoutsFile() {
    return storageFile("layouts.json");
}

}  // namespace brindlow
