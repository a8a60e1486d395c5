#pragma once

#include "app/RequestTarget.h"
#include "app/qt/CommandPerformer.h"

namespace brindlow {

class LayoutsStore;
class StripController;

// What a command-line request or URL reaches in the running application: window
// commands, the list and badges on the strip controller's queue, the other commands
// through the command performer and named layouts on the layouts store (main queue).
class AppRequestTarget final : public RequestTarget {
  public:
    AppRequestTarget(CommandPerformer& performer, StripController& controller,
                     LayoutsStore& layouts);

    void perform(const Command& command) override;
    void queueWindowCommand(const Command& command) override;
    void listJSON(bool titles, std::function<void(std::string)> completion) override;
    void badge(const BadgeRequest& request) override;
    std::vector<std::string> layoutNames() override;
    bool saveLayout(const std::string& name,
                    std::function<void(std::optional<std::string>)> saved) override;
    bool restoreLayout(const std::string& name) override;

  private:
    CommandPerformer& performer_;
    StripController& controller_;
    LayoutsStore& layouts_;
};

}  // namespace brindlow
