#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/ObserverToken.h"

namespace brindlow {

// One connected screen, in global top-left coordinates.
struct ScreenInfo {
    std::optional<std::uint32_t> number;  // the display number; a screen without one is skipped
    std::string name;                     // localized name
    Rect frame;                           // the whole screen
    Rect visibleFrame;                    // without panels, docks and menu bars
    std::optional<std::string> uuid;      // stable upper-case UUID text, when the platform has one
    double refreshRate = 0;               // Hz; 0 when unknown

    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

class Screens {
  public:
    virtual ~Screens() = default;

    // The first screen is the primary one. Called on the main executor.
    virtual std::vector<ScreenInfo> screens() const = 0;
    // The frame of a dock that keeps no space of its own (the visible frames do not leave room
    // for it), or none. Called on the main executor, once per listing of the displays.
    virtual std::optional<Rect> dockFrame() const { return std::nullopt; }
    // Screen-parameters changes, delivered on the main executor.
    virtual ObserverToken addChangeObserver(std::function<void()> handler) = 0;
    virtual void removeChangeObserver(ObserverToken token) = 0;
};

}  // namespace brindlow
