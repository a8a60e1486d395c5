#include "windows/WindowObserver.h"

#include <algorithm>

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
                                               const std::string& title, OutOfSight outOfSight) {
    // Reads in the order of the tests and stops at the first failure, so a slow
    // application is asked no more than needed.
    if (auto reason = roleReason(AX::stringAttribute(element, ax::role))) return reason;
    if (auto reason = subroleReason(AX::stringAttribute(element, ax::subrole))) return reason;
    if (outOfSight == OutOfSight::refused) {
        if (AX::boolAttribute(element, ax::minimized).value_or(false)) return "minimized";
        if (AX::boolAttribute(element, ax::away).value_or(false)) return "on another desktop";
    }
    if (AX::boolAttribute(element, ax::fullScreen).value_or(false)) return "fullscreen";
    if (isFinderDesktop(bundleID, title)) return "Finder desktop";
    if (!AX::isSettable(element, ax::size)) return "fixed size";
    if (!AX::isSettable(element, ax::position)) return "cannot move";
    return std::nullopt;
}

bool showsOrdinaryWindows(Accessibility& accessibility, std::int32_t pid) {
    const std::optional<std::vector<AXElementRef>> windows =
        AX::elementsAttribute(accessibility.applicationElement(pid), ax::windows);
    if (!windows || windows->empty()) return true;
    return std::any_of(windows->begin(), windows->end(), [](const AXElementRef& window) {
        return AX::stringAttribute(window, ax::subrole) != std::string(ax::unknownSubrole);
    });
}

bool VerdictMemory::changed(std::int32_t pid, WindowID window,
                            const std::optional<std::string>& reason) {
    auto& windows = verdicts_[pid];
    const auto [found, added] = windows.try_emplace(window, reason);
    if (added) return true;
    if (found->second == reason) return false;
    found->second = reason;
    return true;
}

void VerdictMemory::keepOnly(std::int32_t pid, const std::set<WindowID>& listed) {
    const auto found = verdicts_.find(pid);
    if (found == verdicts_.end()) return;
    std::erase_if(found->second,
                  [&listed](const auto& entry) { return !listed.contains(entry.first); });
    if (found->second.empty()) verdicts_.erase(found);
}

void VerdictMemory::forgetApplication(std::int32_t pid) {
    verdicts_.erase(pid);
}

std::size_t VerdictMemory::size() const {
    std::size_t count = 0;
    for (const auto& [pid, windows] : verdicts_) count += windows.size();
    return count;
}

std::optional<ManagedWindow> makeManagedWindow(const AXElementRef& element, const AppRef& app,
                                               VerdictMemory* verdicts, OutOfSight outOfSight) {
    if (!element) return std::nullopt;
    element->setMessagingTimeout(kAdoptedElementTimeout);
    const std::string title = AX::stringAttribute(element, ax::title).value_or("");
    const std::optional<std::string> reason =
        ineligibilityReason(element, app.bundleID, title, outOfSight);
    const bool changed = !verdicts || verdicts->changed(app.pid, element->identity(), reason);
    if (reason) {
        if (changed)
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
