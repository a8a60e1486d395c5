#pragma once

// The simulated desktop's records (internal to the sim back end).

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/SimDesktop.h"

namespace brindlow {

struct SimDesktop::WindowState {
    WindowID id = 0;
    std::uint32_t number = 0;
    std::int32_t pid = 0;
    bool exists = true;
    std::optional<std::string> title;
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    Rect frame;
    bool positionReadable = true;
    bool sizeReadable = true;
    bool sizeSettable = true;
    bool positionSettable = true;
    Size minimumSize{1, 1};
    Size maximumSize{32767, 32767};
    bool refuseSizes = false;
    bool ignoreMoves = false;
    bool minimized = false;
    bool away = false;  // on another virtual desktop
    bool fullScreen = false;
    Rect frameBeforeFullScreen;
    // Maximised by the window manager: the display's visible frame, moves and sizes answered
    // with it; back to `frameBeforeMaximized` when it ends.
    bool maximized = false;
    Rect frameBeforeMaximized;
    double margin = 0;  // drawn beyond the frame on every side
    std::int32_t layer = 0;
    std::optional<Rect> serverBounds;
    double latency = -1;
    std::map<std::string, AXError> readFailures;
    std::map<std::string, AXError> writeFailures;
    std::map<std::string, AXError> actionFailures;
    int vanishAfterWrites = -1;
    std::function<void(const SimWindow&, const std::string&)> onWrite;
    std::vector<std::string> writes;
};

struct SimDesktop::AppState {
    std::int32_t pid = 0;
    RunningApplication info;
    bool running = true;
    double latency = 0;
    std::optional<bool> enhancedUserInterface;
    std::optional<Image> icon;
    std::map<std::string, AXError> readFailures;
    std::map<std::string, AXError> writeFailures;
    int refusedRegistrations = 0;
    AXError refusalCode = axerror::cannotComplete;
    bool windowsReadable = true;
    std::vector<WindowID> windows;  // in opening order
    WindowID focused = 0;
};

}  // namespace brindlow
