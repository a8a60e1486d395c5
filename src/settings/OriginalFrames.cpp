#include "settings/OriginalFrames.h"

#include <set>

#include "settings/JSONFiles.h"

namespace brindlow {

namespace {

nlohmann::json encode(const WindowFrameRecord& record) {
    return {{"id", record.id},
            {"bundleID", record.bundleID},
            {"title", record.title},
            {"x", record.frame.x},
            {"y", record.frame.y},
            {"width", record.frame.width},
            {"height", record.frame.height},
            {"maximized", record.maximized}};
}

// Leniently: an entry that does not read is skipped, the others still count.
std::vector<WindowFrameRecord> decode(const nlohmann::json& value) {
    std::vector<WindowFrameRecord> records;
    const auto windows = value.find("windows");
    if (!value.is_object() || windows == value.end() || !windows->is_array()) return records;
    for (const nlohmann::json& entry : *windows) {
        try {
            WindowFrameRecord record;
            record.id = entry.at("id").get<WindowID>();
            record.bundleID = entry.at("bundleID").get<std::string>();
            record.title = entry.at("title").get<std::string>();
            record.frame = Rect(entry.at("x").get<double>(), entry.at("y").get<double>(),
                                entry.at("width").get<double>(), entry.at("height").get<double>());
            // Absent from the files of earlier versions.
            const auto maximized = entry.find("maximized");
            record.maximized =
                maximized != entry.end() && maximized->is_boolean() && maximized->get<bool>();
            records.push_back(std::move(record));
        } catch (const nlohmann::json::exception&) {
        }
    }
    return records;
}

}  // namespace

std::map<WindowID, OriginalFrame> matchOriginalFrames(const std::vector<WindowFrameRecord>& stored,
                                                      const std::vector<WindowFrameRecord>& live) {
    std::map<WindowID, OriginalFrame> originals;
    std::set<std::size_t> used;
    for (const WindowFrameRecord& window : live) {
        for (std::size_t i = 0; i < stored.size(); ++i) {
            if (used.contains(i) || stored[i].id != window.id) continue;
            if (stored[i].bundleID != window.bundleID) continue;
            originals[window.id] = {stored[i].frame, stored[i].maximized};
            used.insert(i);
            break;
        }
    }
    for (const WindowFrameRecord& window : live) {
        if (originals.contains(window.id)) continue;
        for (std::size_t i = 0; i < stored.size(); ++i) {
            if (used.contains(i) || stored[i].bundleID != window.bundleID ||
                stored[i].title != window.title)
                continue;
            originals[window.id] = {stored[i].frame, stored[i].maximized};
            used.insert(i);
            break;
        }
    }
    for (const WindowFrameRecord& window : live)
        originals.emplace(window.id, OriginalFrame{window.frame, window.maximized});
    return originals;
}

OriginalFramesFile::OriginalFramesFile(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::map<WindowID, OriginalFrame> OriginalFramesFile::adopt(
    const std::vector<WindowFrameRecord>& live) {
    if (folder_.empty()) return matchOriginalFrames({}, live);
    std::vector<WindowFrameRecord> stored;
    if (const std::optional<nlohmann::json> value = readJSONValue(path())) stored = decode(*value);
    const std::map<WindowID, OriginalFrame> originals = matchOriginalFrames(stored, live);
    if (!stored.empty()) {
        storageLog().log("Original frames left by a run that did not quit cleanly: %ld windows",
                         static_cast<long>(stored.size()));
    }
    std::vector<WindowFrameRecord> kept = live;
    for (WindowFrameRecord& record : kept) {
        record.frame = originals.at(record.id).frame;
        record.maximized = originals.at(record.id).maximized;
    }
    write(kept);
    return originals;
}

void OriginalFramesFile::write(const std::vector<WindowFrameRecord>& windows) {
    if (folder_.empty()) return;
    nlohmann::json encoded = nlohmann::json::array();
    for (const WindowFrameRecord& record : windows) encoded.push_back(encode(record));
    writeJSONValue({{"windows", encoded}}, path());
}

void OriginalFramesFile::forget() {
    if (folder_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove(path(), ignored);
}

}  // namespace brindlow
