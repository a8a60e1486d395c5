#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "controller/Departure.h"
#include "controller/DisplayState.h"
#include "controller/LearnedHeights.h"
#include "controller/WindowRecords.h"
#include "settings/AppSettings.h"
#include "windows/AppObserver.h"
#include "windows/AppRef.h"
#include "windows/DisplayInfo.h"
#include "windows/ManagedWindow.h"
#include "windows/WindowObserver.h"

namespace brindlow {

// Everything the strip controller keeps, owned by its strip queue.
struct StripControllerState {
    bool started = false;
    AppSettings settings;
    std::map<std::string, DisplayState> displays;
    std::vector<std::string> displayOrder;
    std::vector<DisplayInfo> allDisplays;
    std::optional<std::string> activeUUID;
    std::map<WindowID, ManagedWindow> windows;
    std::map<std::int32_t, AppRef> apps;
    std::map<std::int32_t, std::shared_ptr<AppObserver>> observers;
    std::int32_t frontmostPID = 0;
    // How many times a command (or the user through one of our panels) chose where the focus goes.
    std::uint64_t commandChoices = 0;
    double lastCommandChoice = 0;  // when the last was made
    // Everything kept per window beside its tiling.
    WindowRecords records;
    // Tiled windows out of sight for a while (another desktop, minimised), with their places.
    std::map<WindowID, Departure> departed;
    // The strips of displays that went while no display was left in use: they come back with
    // their displays (or onto the first one in use) instead of being rebuilt from scratch.
    std::map<std::string, Strip> waitingStrips;
    bool paused = false;
    LearnedHeights learnedHeights;
    std::map<std::int32_t, double> catchUpBackoff;
    // What each window not tiled was last judged, so the catch-up logs a verdict once.
    WindowObserver::VerdictMemory verdicts;
    std::set<std::int32_t> enhancedUIChecked;
    std::set<std::int32_t> enhancedUISuspended;
    bool focusFramesActive = false;
    double lastTick = 0;

    DisplayState* display(const std::string& uuid);
    const DisplayState* display(const std::string& uuid) const;
    // The display in use whose strip holds `id`, and where.
    std::optional<std::pair<std::string, StripLocation>> locate(WindowID id) const;
    // The display's name for log lines; "?" for a display not in use.
    std::string displayName(const std::string& uuid) const;
    // The display a swipe drags, if any.
    std::optional<std::string> swipedDisplay() const;
    bool anyDisplayAnimating() const;
};

}  // namespace brindlow
