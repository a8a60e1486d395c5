#include "controller/WindowRecords.h"

#include <algorithm>

namespace brindlow {

WindowRecord WindowRecords::get(WindowID id) const {
    const auto found = records_.find(id);
    return found == records_.end() ? WindowRecord{} : found->second;
}

bool WindowRecords::clearBadge(WindowID id) {
    const bool had = hasBadge(id);
    if (had) edit(id, [](WindowRecord& record) { record.hasBadge = false; });
    return had;
}

void WindowRecords::forgetTiling(WindowID id, bool keepFullScreenReturn) {
    if (!records_.contains(id)) return;
    edit(id, [keepFullScreenReturn](WindowRecord& record) {
        WindowRecord kept;
        kept.userFloating = record.userFloating;
        if (keepFullScreenReturn) kept.fullScreenReturn = record.fullScreenReturn;
        record = kept;
    });
}

size_t WindowRecords::badgeCount() const {
    return size_t(std::count_if(records_.begin(), records_.end(),
                                [](const auto& entry) { return entry.second.hasBadge; }));
}

}  // namespace brindlow
