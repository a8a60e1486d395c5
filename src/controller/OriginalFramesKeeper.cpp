#include "controller/OriginalFramesKeeper.h"

#include <utility>

namespace brindlow {

OriginalFramesKeeper::OriginalFramesKeeper(const StripControllerState& state,
                                           std::filesystem::path folder)
    : state_(state), file_(std::move(folder)) {}

std::map<WindowID, OriginalFrame> OriginalFramesKeeper::adopt(
    const std::vector<WindowFrameRecord>& live) {
    written_ = file_.adopt(live);
    return written_;
}

std::map<WindowID, OriginalFrame> OriginalFramesKeeper::held() const {
    std::map<WindowID, OriginalFrame> originals;
    for (const auto& [id, record] : state_.records.all())
        if (record.originalFrame && (state_.windows.contains(id) || state_.departed.contains(id)))
            originals.emplace(id, OriginalFrame{*record.originalFrame, record.originalMaximized});
    return originals;
}

void OriginalFramesKeeper::keepCurrent() {
    std::map<WindowID, OriginalFrame> originals = held();
    if (originals == written_) return;
    std::vector<WindowFrameRecord> records;
    for (const auto& [id, original] : originals) {
        const auto tiled = state_.windows.find(id);
        const ManagedWindow& window =
            tiled != state_.windows.end() ? tiled->second : state_.departed.at(id).window;
        records.push_back({id, window.bundleID.value_or(window.appName), window.title,
                           original.frame, original.maximized});
    }
    // Written or not, the next try comes with the next change, not with every frame.
    file_.write(records);
    written_ = std::move(originals);
}

void OriginalFramesKeeper::forget() {
    file_.forget();
    written_.clear();
}

}  // namespace brindlow
