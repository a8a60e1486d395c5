#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/PanelDesktop.h"

namespace brindlow::test {

// A desktop whose window manager publishes the active window when the test says: records what
// was asked of it.
class ReportingDesktop final : public PanelDesktop {
  public:
    // The window manager names `window` active (none: no window).
    void report(std::optional<std::uint32_t> window) {
        active = window;
        if (watcher) watcher(window);
    }

    std::optional<std::uint32_t> activeWindow() override { return active; }
    std::optional<std::uint32_t> keyboardFocus() override { return active; }
    ObserverToken watchActiveWindow(ActiveWindowChanged changed) override {
        watcher = std::move(changed);
        return 1;
    }
    void unwatchActiveWindow(ObserverToken) override { watcher = nullptr; }
    void activate(std::uint32_t window) override { activated.push_back(window); }
    bool activateAndWait(std::uint32_t window, double) override {
        activate(window);
        return true;
    }
    bool handFocusBack(std::uint32_t window) override {
        askedBack.push_back(window);
        return previousShown;
    }
    void raiseWithoutFocus(std::uint32_t window) override { raised.push_back(window); }
    void preparePanel(std::uint32_t, bool) override {}
    bool compositorRunning() override { return false; }
    std::optional<std::string> windowManagerName() override { return std::nullopt; }
    std::vector<std::string> processNames() override { return {}; }

    std::optional<std::uint32_t> active;
    // Whether the window the focus goes back to is still shown to the user.
    bool previousShown = true;
    ActiveWindowChanged watcher;
    std::vector<std::uint32_t> activated, askedBack, raised;
};

}  // namespace brindlow::test
