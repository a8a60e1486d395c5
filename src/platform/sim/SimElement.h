#pragma once

// Accessibility elements and observers of the simulated desktop (internal).

#include <memory>
#include <set>
#include <string>
#include <utility>

#include "platform/sim/SimDesktop.h"

namespace brindlow {

class SimElement final : public AXElement {
  public:
    SimElement(SimDesktop* desktop, std::weak_ptr<bool> alive, std::int32_t pid, WindowID window)
        : desktop_(desktop), alive_(std::move(alive)), pid_(pid), window_(window) {}

    AXError copyAttributeValue(std::string_view attribute, AXValue& value) const override;
    AXError setAttributeValue(std::string_view attribute, const AXValue& value) override;
    AXError isAttributeSettable(std::string_view attribute, bool& settable) const override;
    AXError performAction(std::string_view action) override;
    AXError setAttributeValueAsStepOf(const AXStep& step, std::string_view attribute,
                                      const AXValue& value) override;
    AXError performActionAsStepOf(const AXStep& step, std::string_view action) override;
    AXError setMessagingTimeout(double seconds) override;
    AXError pid(std::int32_t& pid) const override;
    std::uint32_t identity() const override { return window_ != 0 ? window_ : std::uint32_t(pid_); }

    std::int32_t ownerPID() const { return pid_; }
    WindowID window() const { return window_; }  // 0: the application element
    double messagingTimeout() const { return timeout_; }

  private:
    SimDesktop* desktop_;
    std::weak_ptr<bool> alive_;
    std::int32_t pid_;
    WindowID window_;
    double timeout_ = SimDesktop::kDefaultMessagingTimeout;
};

class SimObserver final : public AXObserver {
  public:
    SimObserver(SimDesktop* desktop, std::weak_ptr<bool> alive, std::int32_t pid,
                AXObserverCallback callback)
        : desktop_(desktop), alive_(std::move(alive)), pid_(pid), callback_(std::move(callback)) {}

    AXError addNotification(const AXElementRef& element, std::string_view notification) override;
    AXError removeNotification(const AXElementRef& element, std::string_view notification) override;
    void scheduleOnMain() override { scheduled_ = true; }
    void unscheduleFromMain() override { scheduled_ = false; }

    bool isScheduled() const { return scheduled_; }
    bool wants(WindowID target, std::string_view notification) const {
        return registrations_.count({target, std::string(notification)}) != 0;
    }
    void fire(const AXElementRef& element, const std::string& notification) const {
        if (callback_) callback_(element, notification);
    }

  private:
    SimDesktop* desktop_;
    std::weak_ptr<bool> alive_;
    std::int32_t pid_;
    AXObserverCallback callback_;
    bool scheduled_ = false;
    std::set<std::pair<WindowID, std::string>> registrations_;
};

}  // namespace brindlow
