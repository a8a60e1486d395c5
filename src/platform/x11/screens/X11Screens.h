#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/Executor.h"
#include "platform/Screens.h"

namespace brindlow {

class X11Desktop;

// Screens from the RandR monitors; the primary monitor comes first. The list is read once and
// kept until an event says it may have changed (monitors, the root's size, the work area, the
// client list or a client's strut), so asking again while nothing changed costs no round trip.
// The dock frame is that of the first mapped dock-type client (_NET_WM_WINDOW_TYPE_DOCK) that
// reserves no strut and lies along a monitor's edge (see liesAlongAnEdge: a tray host in a corner
// is no dock), read and kept with the list; such a client moving, resizing, hiding or showing
// counts as a change of the screens.
class X11Screens final : public Screens {
  public:
    X11Screens(X11Desktop& desktop, Executor& main);
    ~X11Screens() override;

    std::vector<ScreenInfo> screens() const override;
    std::optional<Rect> dockFrame() const override;
    ObserverToken addChangeObserver(std::function<void()> handler) override;
    void removeChangeObserver(ObserverToken token) override;

  private:
    struct Listing {
        std::vector<ScreenInfo> screens;
        std::optional<Rect> dock;
        // The dock-type clients without a strut that the listing looked at.
        std::vector<std::uint32_t> dockWindows;
    };
    // Something the listing depends on changed: read again at the next call, tell the observers.
    void changed();
    // The kept listing, read again when a change was heard since.
    Listing current() const;
    Listing read() const;

    X11Desktop& desktop_;
    Executor& main_;
    std::uint64_t subscription_ = 0;
    std::uint64_t windowSubscription_ = 0;
    mutable std::mutex mutex_;
    std::map<ObserverToken, std::shared_ptr<std::function<void()>>> handlers_;
    ObserverToken next_ = 1;

    mutable std::mutex cacheMutex_;
    // Counts the changes heard; the cache holds the list read at `cachedGeneration_`.
    std::uint64_t generation_ = 0;
    mutable std::optional<std::uint64_t> cachedGeneration_;
    mutable Listing cached_;
};

}  // namespace brindlow
