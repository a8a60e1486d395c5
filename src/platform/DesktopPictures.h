#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "geometry/Geometry.h"
#include "platform/Image.h"
#include "platform/ObserverToken.h"

namespace brindlow {

// The desktop picture shown on each screen. Main thread.
class DesktopPictures {
  public:
    struct Picture {
        // Names the picture (and the part of it shown on the screen); part of the cache key.
        std::string location;
        int imageCount = 1;
        // Dynamic-picture metadata by tag name ("apr", "h24", "solar"), each decoded to an
        // object; null when the picture has none.
        nlohmann::json metadata;
        // Decodes one image of the picture; none when it cannot be read.
        std::function<std::optional<Image>(int index)> decode;
    };

    virtual ~DesktopPictures() = default;
    // The picture of the screen whose whole frame (global coordinates) is `screenFrame`.
    virtual std::optional<Picture> picture(const Rect& screenFrame) = 0;
    // The picture changed.
    virtual ObserverToken addChangeObserver(std::function<void()> handler) = 0;
    virtual void removeChangeObserver(ObserverToken token) = 0;
};

}  // namespace brindlow
