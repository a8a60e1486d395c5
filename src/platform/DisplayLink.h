#pragma once

#include <functional>
#include <optional>

namespace brindlow {

// The display clock: once per display refresh it calls the frame handler on a thread of its own
// with the time (in seconds of the process's monotonic clock) at which the frame will be shown,
// or none when the platform does not know it.
class DisplayLink {
  public:
    using FrameHandler = std::function<void(std::optional<double> outputTime)>;

    virtual ~DisplayLink() = default;

    // Set once, before the first start; called on the link's own thread.
    virtual void setFrameHandler(FrameHandler handler) = 0;
    // Starts delivering frames; nothing when already running.
    virtual void start() = 0;
    // Stops delivering frames; a frame already being delivered may still finish.
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
};

}  // namespace brindlow
