#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Accessibility.h"
#include "platform/Executor.h"
#include "platform/x11/windows/X11Observer.h"

namespace brindlow {

class X11Desktop;

// Messaging time-out of an element that was given none: how long a write waits
// for the window manager to handle it.
inline constexpr double kDefaultMessagingTimeout = 2.0;

// What window and application elements share: the desktop, the owning process and the
// messaging time-out.
class X11Element : public AXElement {
  public:
    AXError setMessagingTimeout(double seconds) final;
    AXError pid(std::int32_t& pid) const final;

  protected:
    X11Element(X11Desktop& desktop, std::int32_t pid) : desktop_(desktop), pid_(pid) {}
    double timeout() const;

    X11Desktop& desktop_;
    const std::int32_t pid_;

  private:
    std::atomic<double> timeout_{0};
};

// A client window as an accessibility element. Position and size are the outer
// frame (decorations included); writes go through the window manager and
// return once it has handled them, so a read afterwards shows what it did.
class X11WindowElement final : public X11Element {
  public:
    X11WindowElement(X11Desktop& desktop, xcb_window_t window, std::int32_t pid);

    AXError copyAttributeValue(std::string_view attribute, AXValue& value) const override;
    AXError setAttributeValue(std::string_view attribute, const AXValue& value) override;
    AXError isAttributeSettable(std::string_view attribute, bool& settable) const override;
    AXError performAction(std::string_view action) override;
    AXError setAttributeValueAsStepOf(const AXStep& step, std::string_view attribute,
                                      const AXValue& value) override;
    AXError performActionAsStepOf(const AXStep& step, std::string_view action) override;
    std::uint32_t identity() const override { return window_; }

    xcb_window_t window() const { return window_; }

  private:
    const xcb_window_t window_;
};

// An application (all clients with one pid) as an accessibility element.
class X11ApplicationElement final : public X11Element {
  public:
    X11ApplicationElement(X11Desktop& desktop, std::int32_t pid);

    AXError copyAttributeValue(std::string_view attribute, AXValue& value) const override;
    AXError setAttributeValue(std::string_view attribute, const AXValue& value) override;
    AXError isAttributeSettable(std::string_view attribute, bool& settable) const override;
    AXError performAction(std::string_view action) override;
    AXError setAttributeValueAsStepOf(const AXStep& step, std::string_view attribute,
                                      const AXValue& value) override;
    std::uint32_t identity() const override { return std::uint32_t(pid_); }

  private:
    // The window that speaks for the application: its focused one, else (never active yet) its
    // first window on this desktop.
    std::optional<xcb_window_t> representativeWindow() const;
};

// The accessibility service over EWMH/ICCCM. Trusted = connected to a display.
class X11Accessibility final : public Accessibility {
  public:
    X11Accessibility(X11Desktop& desktop, Executor& main);

    bool isProcessTrusted(bool prompt) override;
    AXElementRef applicationElement(std::int32_t pid) override;
    AXError createObserver(std::int32_t pid, AXObserverCallback callback,
                           std::shared_ptr<AXObserver>& observer) override;
    std::optional<std::vector<FrameWriteResult>> setFrames(std::span<const FrameWrite> writes,
                                                           double timeout) override;
    bool canSetFrames() const override { return true; }
    std::optional<std::uint64_t> changeCount() const override;

  private:
    X11Desktop& desktop_;
    std::shared_ptr<X11MainDeliveries> main_;
};

}  // namespace brindlow
