#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/AccessibilityObserver.h"
#include "platform/Executor.h"

namespace brindlow {

class X11Desktop;

// Hands blocks to the main executor in the order they came, a burst at a time: a frame that
// moves several windows wakes the main thread once, not once per notification. Shared by every
// application's observer, so notifications of different applications keep their order.
class X11MainDeliveries : public std::enable_shared_from_this<X11MainDeliveries> {
  public:
    explicit X11MainDeliveries(Executor& main) : main_(main) {}
    void post(Executor::Block block);

  private:
    void run();

    Executor& main_;
    std::mutex mutex_;
    std::vector<Executor::Block> blocks_;
    bool posted_ = false;
};

// One application's notifications, synthesised from the X events the desktop
// follows, delivered on the main executor while scheduled there.
class X11Observer final : public AXObserver {
  public:
    static std::shared_ptr<X11Observer> make(X11Desktop& desktop,
                                             std::shared_ptr<X11MainDeliveries> main,
                                             std::int32_t pid, AXObserverCallback callback);
    ~X11Observer() override;

    AXError addNotification(const AXElementRef& element, std::string_view notification) override;
    AXError removeNotification(const AXElementRef& element, std::string_view notification) override;
    void scheduleOnMain() override;
    void unscheduleFromMain() override;

    struct State;

  private:
    X11Observer(X11Desktop& desktop, std::shared_ptr<State> state);

    X11Desktop& desktop_;
    std::shared_ptr<State> state_;
    std::uint64_t subscription_ = 0;
};

}  // namespace brindlow
