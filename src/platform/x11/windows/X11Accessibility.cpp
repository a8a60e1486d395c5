#include "platform/x11/windows/X11Accessibility.h"

#include <algorithm>

#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/connection/X11Properties.h"
#include "platform/x11/windows/X11Desktop.h"
#include "platform/x11/windows/X11Observer.h"

namespace brindlow {

double X11Element::timeout() const {
    double t = timeout_.load();
    return t > 0 ? t : kDefaultMessagingTimeout;
}

AXError X11Element::setMessagingTimeout(double seconds) {
    timeout_.store(seconds > 0 ? seconds : 0);
    return axerror::success;
}

AXError X11Element::pid(std::int32_t& pid) const {
    pid = pid_;
    return axerror::success;
}

X11WindowElement::X11WindowElement(X11Desktop& desktop, xcb_window_t window, std::int32_t pid)
    : X11Element(desktop, pid), window_(window) {}

AXError X11WindowElement::copyAttributeValue(std::string_view attribute, AXValue& value) const {
    if (attribute == ax::fullScreen || attribute == ax::maximized) {
        // Asked after every resize of a tiled window, a scroll's edge slices included: the state
        // alone answers, one request instead of a read of the whole window.
        if (!desktop_.registry().isClient(window_)) return axerror::invalidElement;
        if (attribute == ax::maximized && desktop_.registry().showsMaximizedOnlyByFrame()) {
            const auto s = desktop_.registry().read(window_);
            if (!s) return axerror::invalidElement;
            value = desktop_.registry().maximized(*s);
            return axerror::success;
        }
        X11Connection& x = desktop_.connection();
        const auto states = readStates(x, window_);
        if (!states) return axerror::invalidElement;
        if (attribute == ax::maximized) {
            value = desktop_.registry().maximized(*states);
            return axerror::success;
        }
        value = std::find(states->begin(), states->end(), x.ewmh()->_NET_WM_STATE_FULLSCREEN) !=
                states->end();
        return axerror::success;
    }
    auto s = desktop_.registry().read(window_);
    if (!s) return axerror::invalidElement;
    if (attribute == ax::role) {
        value = std::string(ax::windowRole);
    } else if (attribute == ax::subrole) {
        value = desktop_.registry().subrole(*s);
    } else if (attribute == ax::title) {
        value = s->title;
    } else if (attribute == ax::position) {
        value = desktop_.parking().parkedFrame(window_).value_or(s->outerFrame()).origin();
    } else if (attribute == ax::size) {
        value = desktop_.parking().parkedFrame(window_).value_or(s->outerFrame()).size();
    } else if (attribute == ax::drawnFrame) {
        // Iconified for parking, nothing of it is drawn but where it stands for us.
        const auto parked = desktop_.parking().parkedFrame(window_);
        const FrameExtents& e = s->extents;
        value = parked ? *parked
                       : Rect(s->clientFrame.x - e.left, s->clientFrame.y - e.top,
                              s->clientFrame.width + e.left + e.right,
                              s->clientFrame.height + e.top + e.bottom);
    } else if (attribute == ax::minimized) {
        value = desktop_.registry().minimized(*s);
    } else if (attribute == ax::away) {
        value = desktop_.registry().away(*s);
    } else if (attribute == ax::main || attribute == ax::focused) {
        value = desktop_.registry().activeWindow() == window_;
    } else {
        return axerror::attributeUnsupported;
    }
    return axerror::success;
}

AXError X11WindowElement::setAttributeValue(std::string_view attribute, const AXValue& value) {
    if (attribute == ax::position) {
        auto* point = std::get_if<Point>(&value);
        if (!point) return axerror::illegalArgument;
        return desktop_.frameWriter().moveResize(window_, *point, std::nullopt, timeout());
    }
    if (attribute == ax::size) {
        auto* size = std::get_if<Size>(&value);
        if (!size) return axerror::illegalArgument;
        return desktop_.frameWriter().moveResize(window_, std::nullopt, *size, timeout());
    }
    if (attribute == ax::stackedAbove) {
        const auto* sibling = std::get_if<AXElementRef>(&value);
        if (!sibling || !*sibling) return axerror::illegalArgument;
        return desktop_.stacking().restackAbove(window_, xcb_window_t((*sibling)->identity()));
    }
    auto* flag = std::get_if<bool>(&value);
    if (attribute == ax::minimized) {
        if (!flag) return axerror::illegalArgument;
        return desktop_.desktops().setMinimized(window_, *flag, timeout());
    }
    if (attribute == ax::fullScreen) {
        if (!flag) return axerror::illegalArgument;
        return desktop_.frameWriter().setFullScreen(window_, *flag, timeout());
    }
    if (attribute == ax::maximized) {
        if (!flag) return axerror::illegalArgument;
        return desktop_.frameWriter().setMaximized(window_, *flag, timeout());
    }
    if (attribute == ax::main || attribute == ax::focused) {
        if (!flag) return axerror::illegalArgument;
        // Nothing can take the focus away without giving it to another window.
        if (!*flag)
            return desktop_.registry().read(window_) ? axerror::success : axerror::invalidElement;
        return desktop_.activation().activate(window_, timeout());
    }
    if (!desktop_.registry().read(window_)) return axerror::invalidElement;
    return attribute == ax::role || attribute == ax::subrole || attribute == ax::title
               ? axerror::cannotComplete
               : axerror::attributeUnsupported;
}

AXError X11WindowElement::isAttributeSettable(std::string_view attribute, bool& settable) const {
    auto s = desktop_.registry().read(window_);
    if (!s) return axerror::invalidElement;
    if (attribute == ax::size) {
        settable = !s->hints.fixedSize();
    } else if (attribute == ax::position || attribute == ax::main || attribute == ax::focused ||
               attribute == ax::minimized) {
        settable = true;
    } else if (attribute == ax::fullScreen || attribute == ax::maximized) {
        settable = desktop_.registry().hasWindowManager();
    } else if (attribute == ax::role || attribute == ax::subrole || attribute == ax::title) {
        settable = false;
    } else {
        return axerror::attributeUnsupported;
    }
    return axerror::success;
}

AXError X11WindowElement::performAction(std::string_view action) {
    if (action == ax::lowerAction) return desktop_.stacking().lower(window_);
    if (action != ax::raiseAction) {
        return desktop_.registry().read(window_) ? axerror::actionUnsupported
                                                 : axerror::invalidElement;
    }
    return desktop_.activation().activate(window_, timeout());
}

// One raise of the window mover activates the window in several steps: the activation is told
// which raise each belongs to, so that it sends one request per raise.
AXError X11WindowElement::setAttributeValueAsStepOf(const AXStep& step, std::string_view attribute,
                                                    const AXValue& value) {
    const auto* flag = std::get_if<bool>(&value);
    if ((attribute == ax::main || attribute == ax::focused) && flag && *flag)
        return desktop_.activation().activate(window_, timeout(), step);
    return setAttributeValue(attribute, value);
}

AXError X11WindowElement::performActionAsStepOf(const AXStep& step, std::string_view action) {
    if (action == ax::raiseAction) return desktop_.activation().activate(window_, timeout(), step);
    return performAction(action);
}

X11ApplicationElement::X11ApplicationElement(X11Desktop& desktop, std::int32_t pid)
    : X11Element(desktop, pid) {}

std::optional<xcb_window_t> X11ApplicationElement::representativeWindow() const {
    if (auto window = desktop_.registry().focusedWindowOf(pid_)) return window;
    auto windows = desktop_.registry().windowsOf(pid_);
    if (windows.empty()) return std::nullopt;
    return windows.front();
}

AXError X11ApplicationElement::copyAttributeValue(std::string_view attribute,
                                                  AXValue& value) const {
    auto app = desktop_.registry().application(pid_);
    if (!app) return axerror::invalidElement;
    if (attribute == ax::role) {
        value = std::string(ax::applicationRole);
    } else if (attribute == ax::title) {
        value = app->wmClass;
    } else if (attribute == ax::windows || attribute == ax::children) {
        std::vector<AXElementRef> windows;
        for (xcb_window_t w : desktop_.registry().windowsOf(pid_)) {
            windows.push_back(std::make_shared<X11WindowElement>(desktop_, w, pid_));
        }
        value = std::move(windows);
    } else if (attribute == ax::focusedWindow || attribute == ax::mainWindow) {
        const auto window = representativeWindow();
        if (!window) return axerror::noValue;
        value = AXElementRef(std::make_shared<X11WindowElement>(desktop_, *window, pid_));
    } else if (attribute == ax::frontmost) {
        auto active = desktop_.registry().activeWindow();
        value = active && desktop_.registry().pidOf(*active) == pid_;
    } else if (attribute == ax::hidden) {
        value = false;
    } else {
        // Includes the enhanced user interface, which X clients do not have.
        return axerror::attributeUnsupported;
    }
    return axerror::success;
}

AXError X11ApplicationElement::setAttributeValue(std::string_view attribute, const AXValue& value) {
    if (!desktop_.registry().application(pid_)) return axerror::invalidElement;
    if (attribute == ax::frontmost) {
        auto* flag = std::get_if<bool>(&value);
        if (!flag) return axerror::illegalArgument;
        if (!*flag) return axerror::success;
        const auto window = representativeWindow();
        if (!window) return axerror::cannotComplete;
        return desktop_.activation().activate(*window, timeout());
    }
    return axerror::attributeUnsupported;
}

AXError X11ApplicationElement::setAttributeValueAsStepOf(const AXStep& step,
                                                         std::string_view attribute,
                                                         const AXValue& value) {
    const auto* flag = std::get_if<bool>(&value);
    if (attribute != ax::frontmost || !flag || !*flag) return setAttributeValue(attribute, value);
    if (!desktop_.registry().application(pid_)) return axerror::invalidElement;
    const auto window = representativeWindow();
    if (!window) return axerror::cannotComplete;
    return desktop_.activation().activate(*window, timeout(), step);
}

AXError X11ApplicationElement::isAttributeSettable(std::string_view attribute,
                                                   bool& settable) const {
    if (!desktop_.registry().application(pid_)) return axerror::invalidElement;
    settable = attribute == ax::frontmost;
    return axerror::success;
}

AXError X11ApplicationElement::performAction(std::string_view) {
    return desktop_.registry().application(pid_) ? axerror::actionUnsupported
                                                 : axerror::invalidElement;
}

X11Accessibility::X11Accessibility(X11Desktop& desktop, Executor& main)
    : desktop_(desktop), main_(std::make_shared<X11MainDeliveries>(main)) {}

bool X11Accessibility::isProcessTrusted(bool) {
    return !desktop_.connection().hasError();
}

std::optional<std::uint64_t> X11Accessibility::changeCount() const {
    // Every attribute an element reads comes from the server, which reports each change to the
    // windows and properties the desktop follows with an event.
    return desktop_.eventCount();
}

AXElementRef X11Accessibility::applicationElement(std::int32_t pid) {
    return std::make_shared<X11ApplicationElement>(desktop_, pid);
}

AXError X11Accessibility::createObserver(std::int32_t pid, AXObserverCallback callback,
                                         std::shared_ptr<AXObserver>& observer) {
    if (desktop_.connection().hasError()) return axerror::cannotComplete;
    observer = X11Observer::make(desktop_, main_, pid, std::move(callback));
    return axerror::success;
}

std::optional<std::vector<FrameWriteResult>> X11Accessibility::setFrames(
    std::span<const FrameWrite> writes, double timeout) {
    std::vector<std::pair<xcb_window_t, Rect>> targets;
    targets.reserve(writes.size());
    for (const FrameWrite& write : writes) {
        const auto* window = dynamic_cast<const X11WindowElement*>(write.element.get());
        if (!window) return std::nullopt;  // not a window of this desktop: one by one
        targets.emplace_back(window->window(), write.frame);
    }
    return desktop_.frameWriter().setFrames(targets,
                                            timeout > 0 ? timeout : kDefaultMessagingTimeout);
}

}  // namespace brindlow
