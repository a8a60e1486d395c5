#pragma once

#include <memory>
#include <mutex>

#include "app/RequestTarget.h"
#include "app/qt/CommandPerformer.h"

namespace brindlow {

class LayoutsStore;
class StripController;
struct StripSnapshot;

// What a command-line request or URL reaches in the running application: window
// commands through the command performer (main queue), the list and badges on
// the strip controller, named layouts on the layouts store (main queue). The list is made from
// the latest snapshot the strip controller published.
class AppRequestTarget final : public RequestTarget {
  public:
    AppRequestTarget(CommandPerformer& performer, StripController& controller,
                     LayoutsStore& layouts);

    // Keeps the strip controller's latest snapshot for the list. Main queue.
    void snapshotPublished(std::shared_ptr<const StripSnapshot> snapshot);

    void perform(const Command& command) override;
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
    std::mutex latestMutex_;
    std::shared_ptr<const StripSnapshot> latest_;
};

}  // namespace brindlow
