#pragma once

#include <functional>

#include "command/Command.h"
#include "settings/SettingsStore.h"

namespace brindlow {

// Carries a Command out on the main thread, whoever produced it (a shortcut,
// the menu, a command-line request, a URL): the two overlay switches flip their
// setting, the three panel commands open their panel, and every other command
// goes to the strip controller.
class CommandPerformer {
  public:
    using StripCommandSink = std::function<void(const Command&)>;
    // Open or close a panel with the latest snapshot the delegate holds.
    struct PanelToggles {
        std::function<void()> search;
        std::function<void()> overview;
        std::function<void()> showShortcuts;
    };

    CommandPerformer(SettingsStore& settings, StripCommandSink toStripController);

    // Main thread.
    void perform(const Command& command);
    void setPanelToggles(PanelToggles toggles) { panels_ = std::move(toggles); }

  private:
    SettingsStore& settings_;
    StripCommandSink toStripController_;
    PanelToggles panels_;
};

}  // namespace brindlow
