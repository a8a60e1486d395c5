#pragma once

#include "platform/PanelDesktop.h"

namespace brindlow {

class X11Connection;

// The panel services over the shared connection: EWMH requests to the window manager and the
// process list from /proc.
class X11PanelDesktop final : public PanelDesktop {
  public:
    explicit X11PanelDesktop(X11Connection& connection) : x_(connection) {}

    std::optional<std::uint32_t> activeWindow() override;
    void activate(std::uint32_t window) override;
    bool activateAndWait(std::uint32_t window, double limit) override;
    void raiseWithoutFocus(std::uint32_t window) override;
    void preparePanel(std::uint32_t window, bool keepAbove) override;
    bool compositorRunning() override;
    std::optional<std::string> windowManagerName() override;
    std::vector<std::string> processNames() override;

  private:
    X11Connection& x_;
};

}  // namespace brindlow
