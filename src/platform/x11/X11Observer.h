#pragma once

#include <cstdint>
#include <memory>

#include "platform/AccessibilityObserver.h"
#include "platform/Executor.h"

namespace brindlow {

class X11Desktop;

// One application's notifications, synthesised from the X events the desktop
// follows, delivered on the main executor while scheduled there.
class X11Observer final : public AXObserver {
  public:
    static std::shared_ptr<X11Observer> make(X11Desktop& desktop, Executor& main, std::int32_t pid,
                                             AXObserverCallback callback);
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
