#pragma once

#include <optional>

#include "platform/DisplayLink.h"

namespace brindlow {

// A display clock that a test ticks by hand: each tick delivers one frame on the caller's thread
// while the link runs, so animations advance in virtual time.
class ManualDisplayLink final : public DisplayLink {
  public:
    void setFrameHandler(FrameHandler handler) override { handler_ = std::move(handler); }
    void start() override {
        if (!running_) ++starts_;
        running_ = true;
    }
    void stop() override {
        if (running_) ++stops_;
        running_ = false;
    }
    bool isRunning() const override { return running_; }

    // Delivers one frame shown at `outputTime` (none: the platform gave no time). Returns whether
    // a frame was delivered: a stopped link delivers nothing.
    bool tick(std::optional<double> outputTime) {
        if (!running_ || !handler_) return false;
        handler_(outputTime);
        return true;
    }

    int startCount() const { return starts_; }
    int stopCount() const { return stops_; }

  private:
    FrameHandler handler_;
    bool running_ = false;
    int starts_ = 0;
    int stops_ = 0;
};

}  // namespace brindlow
