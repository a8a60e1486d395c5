#include "windows/WindowObserver.h"

#include "platform/Accessibility.h"
#include "platform/Log.h"
#include "windows/AX.h"

namespace brindlow::WindowObserver {

namespace {
constexpr std::string_view kFinderBundleID = "com.apple.finder";
constexpr double kAdoptedElementTimeout = 1.0;

const Logger& log() {
    static const Logger logger = makeLogger("WindowObserver");
    return logger;
}

std::optional<std::string> roleReason(const std::optional<std::string>& role) {
    if (!role || *role != ax::windowRole) return "not a window";
    return std::nullopt;
}

std::optional<std::string> subroleReason(const std::optional<std::string>& subrole) {
    if (subrole && *subrole == ax::standardWindowSubrole) return std::nullopt;
    return "subrole " + subrole.value_or("none");
}

bool isFinderDesktop(const std::optional<std::string>& bundleID, const std::string& title) {
    return bundleID && *bundleID == kFinderBundleID && title.empty();
}
}  // namespace

std::optional<std::string> ineligibilityReason(const WindowFacts& facts) {
    if (auto reason = roleReason(facts.role)) return reason;
    if (auto reason = subroleReason(facts.subrole)) return reason;
    if (facts.minimized.value_or(false)) return "minimized";
    if (facts.fullScreen.value_or(false)) return "fullscreen";
    if (isFinderDesktop(facts.bundleID, facts.title)) return "Finder desktop";
    if (!facts.sizeSettable) return "fixed size";
    if (!facts.positionSettable) return "cannot move";
    return std::nullopt;
}

std::optional<std::string> ineligibilityReason(const AXElementRef& element,
                                               const std::optional<std::string>& bundleID,
                                               const std::string& title) {
    // Reads in the order of the tests and stops at the first failure, so a slow
    // application is asked no more than needed.
    if (auto reason = roleReason(AX::stringAttribute(element, ax::role))) return reason;
    if (auto reason = subroleReason(AX::stringAttribute(element, ax::subrole))) return reason;
    if (AX::boolAttribute(element, ax::minimized).value_or(false)) return "minimized";
    if (AX::boolAttribute(element, ax::away).value_or(false)) return "on another desktop";
    if (AX::boolAttribute(element, ax::fullScreen).value_or(false)) return "fullscreen";
    if (isFinderDesktop(bundleID, title)) return "Finder desktop";
    if (!AX::isSettable(element, ax::size)) return "fixed size";
    if (!AX::isSettable(element, ax::position)) return "cannot move";
    return std::nullopt;
}

std::optional<ManagedWindow> makeManagedWindow(const AXElementRef& element, const AppRef& app) {
    if (!element) return std::nullopt;
    element->setMessagingTimeout(kAdoptedElementTimeout);
    const std::string title = AX::stringAttribute(element, ax::title).value_or("");
    if (auto reason = ineligibilityReason(element, app.bundleID, title)) {
        log().debug("Float %{public}s '%{private}s': %{public}s", app.name, title, *reason);
        return std::nullopt;
    }
    const auto frame = AX::frame(element);
    if (!frame) return std::nullopt;
    ManagedWindow window;
    window.id = element->identity();
    window.pid = app.pid;
    window.bundleID = app.bundleID;
    window.appName = app.name;
    window.title = title;
    window.frame = *frame;
    window.element = element;
    return window;
}

}  // namespace brindlow::WindowObserver
