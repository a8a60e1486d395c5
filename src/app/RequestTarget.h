#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "command/BadgeRequest.h"
#include "command/Command.h"

namespace brindlow {

// What the request executor needs of the rest of the application. The
// application entry implements it over the strip controller, the settings
// store, the panels and the layouts store; tests fake it.
class RequestTarget {
  public:
    virtual ~RequestTarget() = default;

    // Carries a command out: the five application-side commands on the
    // application, every other one handed to the strip controller. Main queue.
    virtual void perform(const Command& command) = 0;

    // Queues a window command (not application-side) for the strip controller
    // at once, behind everything handed to it before. Any thread.
    virtual void queueWindowCommand(const Command& command) = 0;

    // Builds the command-line list JSON (titles included when asked) and calls
    // the completion with it, on any thread, at most once. The list shows the
    // effect of everything handed to the strip controller before the call.
    // Called off the main queue; must return at once.
    virtual void listJSON(bool titles, std::function<void(std::string)> completion) = 0;

    // Records a finished terminal command for a badge. Any thread; returns at once.
    virtual void badge(const BadgeRequest& request) = 0;

    // Named layouts, all on the main queue:
    // the names in store order;
    virtual std::vector<std::string> layoutNames() = 0;
    // stores the current arrangement under the name (trimmed by the store),
    // possibly after returning, then calls `saved` (any thread, at most once)
    // with nothing or the reason the layouts file could not be written; false
    // (and `saved` is never called) when the store refuses the name (blank).
    virtual bool saveLayout(const std::string& name,
                            std::function<void(std::optional<std::string> failure)> saved) = 0;
    // restores the layout of that name (any letter case); false when none exists.
    virtual bool restoreLayout(const std::string& name) = 0;
};

}  // namespace brindlow
