#include "platform/sim/SimElement.h"

#include "platform/sim/SimState.h"

namespace brindlow {

AXError SimElement::copyAttributeValue(std::string_view attribute, AXValue& value) const {
    if (!alive_.lock()) return axerror::invalidElement;
    return desktop_->readAttribute(pid_, window_, attribute, value, timeout_);
}

AXError SimElement::setAttributeValue(std::string_view attribute, const AXValue& value) {
    if (!alive_.lock()) return axerror::invalidElement;
    return desktop_->writeAttribute(pid_, window_, attribute, value, timeout_);
}

AXError SimElement::isAttributeSettable(std::string_view attribute, bool& settable) const {
    if (!alive_.lock()) return axerror::invalidElement;
    return desktop_->settable(pid_, window_, attribute, settable, timeout_);
}

AXError SimElement::performAction(std::string_view action) {
    if (!alive_.lock()) return axerror::invalidElement;
    return desktop_->action(pid_, window_, action, timeout_);
}

AXError SimElement::setAttributeValueAsStepOf(const AXStep& step, std::string_view attribute,
                                              const AXValue& value) {
    if (alive_.lock()) desktop_->stepAsked(window_, step);
    return setAttributeValue(attribute, value);
}

AXError SimElement::performActionAsStepOf(const AXStep& step, std::string_view action) {
    if (alive_.lock()) desktop_->stepAsked(window_, step);
    return performAction(action);
}

AXError SimElement::setMessagingTimeout(double seconds) {
    timeout_ = seconds > 0 ? seconds : SimDesktop::kDefaultMessagingTimeout;
    return axerror::success;
}

AXError SimElement::pid(std::int32_t& pid) const {
    pid = pid_;
    return axerror::success;
}

AXError SimObserver::addNotification(const AXElementRef& element, std::string_view notification) {
    if (!alive_.lock()) return axerror::invalidObserver;
    const auto* sim = dynamic_cast<const SimElement*>(element.get());
    if (!sim || sim->ownerPID() != pid_) return axerror::illegalArgument;
    auto found = desktop_->apps_.find(pid_);
    if (found == desktop_->apps_.end() || !found->second->running) return axerror::invalidElement;
    SimDesktop::AppState& app = *found->second;
    if (app.refusedRegistrations > 0) {
        --app.refusedRegistrations;
        return app.refusalCode;
    }
    if (sim->window() != 0) {
        auto window = desktop_->windows_.find(sim->window());
        if (window == desktop_->windows_.end() || !window->second->exists) {
            return axerror::invalidElement;
        }
    }
    if (!registrations_.emplace(sim->window(), std::string(notification)).second) {
        return axerror::notificationAlreadyRegistered;
    }
    return axerror::success;
}

AXError SimObserver::removeNotification(const AXElementRef& element,
                                        std::string_view notification) {
    const auto* sim = dynamic_cast<const SimElement*>(element.get());
    if (!sim) return axerror::illegalArgument;
    if (registrations_.erase({sim->window(), std::string(notification)}) == 0) {
        return axerror::notificationNotRegistered;
    }
    return axerror::success;
}

}  // namespace brindlow
