#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/Executor.h"
#include "platform/Log.h"
#include "platform/MouseMonitor.h"
#include "platform/x11/input/X11InputSession.h"

namespace brindlow {

// Pointer movement from XI_RawMotion on the root, which reaches us whatever window
// the pointer is over, on a connection and thread of its own. A burst of motion
// becomes one call on the main executor.
class X11PointerMonitor final : public MouseMonitor {
  public:
    X11PointerMonitor(std::string display, Executor& main);
    ~X11PointerMonitor() override;

    bool start(std::function<void()> moved) override;
    void stop() override;
    PointerState pointer() const override;

  private:
    // Shared with closures queued on the main executor, which may outlive a start.
    struct Delivery {
        std::atomic<bool> queued{false};
        bool active = true;  // main thread only
        std::function<void()> moved;
    };

    const std::string display_;
    Executor& main_;
    Logger log_;
    std::unique_ptr<X11InputSession> session_;
    std::shared_ptr<Delivery> delivery_;
};

}  // namespace brindlow
