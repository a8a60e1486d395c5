#pragma once

#include <vector>

#include "settings/OriginalFrames.h"
#include "windows/ManagedWindow.h"

namespace brindlow {

// What the original-frames file keeps of each window: id, class, title, frame.
inline std::vector<WindowFrameRecord> frameRecords(const std::vector<ManagedWindow>& windows) {
    std::vector<WindowFrameRecord> records;
    for (const ManagedWindow& window : windows)
        records.push_back(
            {window.id, window.bundleID.value_or(window.appName), window.title, window.frame});
    return records;
}

}  // namespace brindlow
