#include "app/qt/AppRequestTarget.h"

#include "controller/ListJSON.h"
#include "controller/StripController.h"
#include "settings/LayoutsStore.h"

namespace brindlow {

AppRequestTarget::AppRequestTarget(CommandPerformer& performer, StripController& controller,
                                   LayoutsStore& layouts)
    : performer_(performer), controller_(controller), layouts_(layouts) {}

void AppRequestTarget::perform(const Command& command) {
    performer_.perform(command);
}

void AppRequestTarget::snapshotPublished(std::shared_ptr<const StripSnapshot> snapshot) {
    std::lock_guard lock(latestMutex_);
    latest_ = std::move(snapshot);
}

void AppRequestTarget::listJSON(bool titles, std::function<void(std::string)> completion) {
    std::shared_ptr<const StripSnapshot> latest;
    {
        std::lock_guard lock(latestMutex_);
        latest = latest_;
    }
    // The published picture answers at once, even while the strip queue is busy moving windows;
    // only before the first one does the list wait for the queue.
    if (latest) {
        completion(makeListJSON(*latest, titles));
        return;
    }
    controller_.listJSON(titles, std::move(completion));
}

void AppRequestTarget::badge(const BadgeRequest& request) {
    controller_.badge(request);
}

std::vector<std::string> AppRequestTarget::layoutNames() {
    return layouts_.names();
}

bool AppRequestTarget::saveLayout(const std::string& name,
                                  std::function<void(std::optional<std::string>)> saved) {
    return layouts_.saveCurrent(name, std::move(saved));
}

bool AppRequestTarget::restoreLayout(const std::string& name) {
    return layouts_.apply(name);
}

}  // namespace brindlow
