#pragma once

#include <map>
#include <memory>
#include <vector>

#include "controller/Snapshot.h"
#include "geometry/WindowID.h"
#include "platform/Surface.h"

namespace brindlow {

// A red dot near the top-right corner of the content of every window that carries an attention
// badge (inside its decorations, clear of the title bar's buttons), in a tiny
// click-through surface of the floating tier. Dots appear, move and go with each snapshot, without
// animation; a dot is dropped when its badge goes. Main thread only.
class BadgeOverlayController {
  public:
    explicit BadgeOverlayController(SurfaceFactory& factory);
    ~BadgeOverlayController();
    BadgeOverlayController(const BadgeOverlayController&) = delete;
    BadgeOverlayController& operator=(const BadgeOverlayController&) = delete;

    // The snapshot's displays in order and its paused flag; while paused no dot shows.
    void update(const std::vector<DisplaySnapshot>& displays, bool paused);

    // The dot shown for a window, or null.
    const Surface* dot(WindowID window) const;
    std::size_t dotCount() const { return dots_.size(); }

  private:
    void desktopChanged();

    SurfaceFactory& factory_;
    std::map<WindowID, std::unique_ptr<Surface>> dots_;
    ObserverToken desktopObserver_ = 0;
    std::shared_ptr<BadgeOverlayController*> alive_;
};

}  // namespace brindlow
