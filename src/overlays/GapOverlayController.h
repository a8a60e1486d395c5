#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "controller/Snapshot.h"
#include "overlays/DesktopPictureSelection.h"
#include "platform/DesktopPictures.h"
#include "platform/Surface.h"

namespace brindlow {

// What a gap cover shows: the slice of the desktop picture under it, or a frosted fill.
class GapPresentation : public SurfaceContent {
  public:
    // `picture` may be null (frosted); `screen` and `slice` are global rectangles.
    virtual void show(std::shared_ptr<const Image> picture, const Rect& screen,
                      const Rect& slice) = 0;
};

// Covers the gap bands of every strip with the slice of the desktop picture lying under them, in
// click-through surfaces taken from a pool that only grows. Each cover sits directly above the
// window its band belongs to, so dialogs and windows dragged over the band stay above it; the
// floating tier only when that window cannot be stacked against. Main thread only.
class GapOverlayController {
  public:
    struct Environment {
        std::function<std::shared_ptr<GapPresentation>()> makeView;
        DesktopPictures* pictures = nullptr;
        // The whole frames of the connected screens.
        std::function<std::vector<Rect>()> screenFrames;
        std::function<bool()> isDark;
        // The local time of day, hour and minute.
        std::function<std::pair<int, int>()> timeOfDay;
    };

    GapOverlayController(SurfaceFactory& factory, Environment environment);
    ~GapOverlayController();
    GapOverlayController(const GapOverlayController&) = delete;
    GapOverlayController& operator=(const GapOverlayController&) = delete;

    void update(const std::vector<DisplaySnapshot>& displays);

    // The picture to paint on the screen with this frame, or none (frosted covers).
    std::shared_ptr<const Image> picture(const Rect& screenFrame);

    const std::vector<std::unique_ptr<Surface>>& pool() const { return pool_; }
    const PictureCache& cache() const { return cache_; }

  private:
    SurfaceFactory& factory_;
    Environment environment_;
    std::vector<std::unique_ptr<Surface>> pool_;
    std::vector<std::shared_ptr<GapPresentation>> views_;
    PictureCache cache_{4};
    std::vector<DisplaySnapshot> lastDisplays_;
    ObserverToken pictureObserver_ = 0;
    std::shared_ptr<GapOverlayController*> alive_;
};

}  // namespace brindlow
