#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/Clock.h"
#include "platform/DisplayLink.h"

namespace brindlow {

// The controller's display clock. The link is made on the first start that succeeds and kept for
// the driver's life; each frame reaches `onFrame` with the time it will be shown, in seconds of
// the host clock (the current time when the platform gave none).
class DisplayLinkDriver {
  public:
    // Makes the platform's display link; none when it cannot be made (the next start tries again).
    using LinkFactory = std::function<std::unique_ptr<DisplayLink>()>;

    DisplayLinkDriver(LinkFactory makeLink, const Clock& clock);
    ~DisplayLinkDriver();
    DisplayLinkDriver(const DisplayLinkDriver&) = delete;
    DisplayLinkDriver& operator=(const DisplayLinkDriver&) = delete;

    // Called on the display link's thread. Set once, before any start.
    std::function<void(double)> onFrame;

    // Both on the strip queue.
    void start();
    void stop();

    bool hasLink() const { return link_ != nullptr; }
    bool isRunning() const { return link_ && link_->isRunning(); }

    // The link's frame handler.
    void handleFrame(std::optional<double> outputTime);

  private:
    LinkFactory makeLink_;
    const Clock& clock_;
    std::unique_ptr<DisplayLink> link_;
};

}  // namespace brindlow
