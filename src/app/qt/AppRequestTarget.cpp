#include "app/qt/AppRequestTarget.h"

#include "controller/ListJSON.h"
#include "controller/StripController.h"

namespace brindlow {

AppRequestTarget::AppRequestTarget(CommandPerformer& performer, StripController& controller)
    : performer_(performer), controller_(controller) {}

void AppRequestTarget::perform(const Command& command) {
    performer_.perform(command);
}

void AppRequestTarget::listJSON(bool titles, std::function<void(std::string)> completion) {
    StripController* controller = &controller_;
    // A quiet snapshot made on the strip queue, where the state lives; nothing is published.
    controller_.queue().async([controller, titles, completion = std::move(completion)] {
        completion(makeListJSON(controller->makeSnapshot(SnapshotReason::quiet()), titles));
    });
}

void AppRequestTarget::badge(const BadgeRequest&) {}

std::vector<std::string> AppRequestTarget::layoutNames() {
    return {};
}

void AppRequestTarget::saveLayout(const std::string&) {}

bool AppRequestTarget::restoreLayout(const std::string&) {
    return false;
}

}  // namespace brindlow
