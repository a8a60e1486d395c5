#include "app/qt/AppRequestTarget.h"

#include "controller/StripController.h"
#include "settings/LayoutsStore.h"

namespace brindlow {

AppRequestTarget::AppRequestTarget(CommandPerformer& performer, StripController& controller,
                                   LayoutsStore& layouts)
    : performer_(performer), controller_(controller), layouts_(layouts) {}

void AppRequestTarget::perform(const Command& command) {
    performer_.perform(command);
}

void AppRequestTarget::queueWindowCommand(const Command& command) {
    controller_.perform(command);
}

void AppRequestTarget::listJSON(bool titles, std::function<void(std::string)> completion) {
    // Asked of the strip queue, behind every command handed to it before: a published picture
    // may not show them yet.
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
