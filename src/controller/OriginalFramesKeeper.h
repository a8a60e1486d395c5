#pragma once

#include <filesystem>
#include <map>
#include <vector>

#include "controller/StripControllerState.h"
#include "settings/OriginalFrames.h"

namespace brindlow {

// Keeps "original-frames.json" in step with the windows whose frames from before tiling the
// controller holds (those adopted at the start; windows adopted later have none), so that each
// is on disk before the strip first moves it: after a kill -9 the next start still finds their
// true originals. Runs on the strip queue, on the state its owner keeps.
class OriginalFramesKeeper {
  public:
    OriginalFramesKeeper(const StripControllerState& state, std::filesystem::path folder);

    // At start: the originals of the windows being adopted, those left by a run that did not
    // quit cleanly first; the file then holds these windows.
    std::map<WindowID, OriginalFrame> adopt(const std::vector<WindowFrameRecord>& live);
    // Writes the file when a window gained or lost its original since the last write.
    void keepCurrent();
    // The windows are back where they were: the file goes.
    void forget();

  private:
    // Every tiled window, in a strip or away for a while, with its original.
    std::map<WindowID, OriginalFrame> held() const;

    const StripControllerState& state_;
    OriginalFramesFile file_;
    std::map<WindowID, OriginalFrame> written_;
};

}  // namespace brindlow
