#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/Log.h"
#include "platform/PointerActivity.h"
#include "platform/x11/input/X11InputSession.h"

namespace brindlow {

// The user's hand on the pointer from XInput2 raw motion and button events on the root, on a
// connection and thread of its own. The events are selected while listening is asked for and
// dropped at the first event after that, so a pointer moved between runs of our moves costs one
// wake-up, and an idle desktop none.
class X11PointerActivity final : public PointerActivity {
  public:
    explicit X11PointerActivity(std::string display);
    ~X11PointerActivity() override;

    bool listenUntil(double until) override;
    std::optional<double> lastActivity() const override;
    // A round trip on the hand's connection.
    bool afterHeardUpToNow(std::function<void()> then) override;

  private:
    // On the session's thread.
    void heard();

    const std::string display_;
    Logger log_;
    std::mutex mutex_;
    std::unique_ptr<X11InputSession> session_;
    bool failed_ = false;
    bool listening_ = false;
    double until_ = 0;
    std::atomic<double> last_{-1};
};

}  // namespace brindlow
