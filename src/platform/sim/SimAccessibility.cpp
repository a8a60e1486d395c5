// The simulated desktop's accessibility calls: reads, writes, actions, batched frame writes.

#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <utility>

#include "platform/sim/SimElement.h"
#include "platform/sim/SimState.h"

namespace brindlow {

namespace {
// Finishes an element call: records it with the result it returns.
class CallRecorder {
  public:
    CallRecorder(std::vector<SimCall>& calls, SimCall call)
        : calls_(calls), call_(std::move(call)) {}
    AXError operator()(AXError code) {
        call_.result = code;
        calls_.push_back(call_);
        return code;
    }

  private:
    std::vector<SimCall>& calls_;
    SimCall call_;
};

// The failure a test planted for `name`, if any.
std::optional<AXError> plantedFailure(const std::map<std::string, AXError>& failures,
                                      std::string_view name) {
    const auto found = failures.find(std::string(name));
    if (found == failures.end()) return std::nullopt;
    return found->second;
}
// The kind of window-manager request a write is, if it is one.
std::optional<SimRequestKind> requestKind(std::string_view name, const AXValue& value) {
    const bool* flag = std::get_if<bool>(&value);
    if (name == ax::main || name == ax::focused || name == ax::frontmost)
        return flag && *flag ? std::optional(SimRequestKind::activate) : std::nullopt;
    if (name == ax::minimized && flag)
        return *flag ? SimRequestKind::iconify : SimRequestKind::mapBack;
    if (name == ax::stackedAbove) return SimRequestKind::restack;
    if (name == ax::away && flag) return SimRequestKind::desktopMove;
    return std::nullopt;
}
}  // namespace

// ---- accessibility ----

bool SimDesktop::isProcessTrusted(bool) {
    return trusted_;
}

std::optional<std::vector<FrameWriteResult>> SimDesktop::setFrames(
    std::span<const FrameWrite> writes, double) {
    if (!batchWrites_) return std::nullopt;
    const auto readFrame = [](const AXElementRef& element) -> std::optional<Rect> {
        AXValue position, size;
        if (element->copyAttributeValue(ax::position, position) != axerror::success ||
            element->copyAttributeValue(ax::size, size) != axerror::success)
            return std::nullopt;
        const Point* origin = std::get_if<Point>(&position);
        const Size* extent = std::get_if<Size>(&size);
        if (!origin || !extent) return std::nullopt;
        return Rect(*origin, *extent);
    };
    std::vector<FrameWriteResult> results;
    for (const FrameWrite& write : writes) {
        FrameWriteResult result;
        result.before = readFrame(write.element);
        const bool resizes = !result.before || result.before->size() != write.frame.size();
        const auto keep = [&](AXError code) {
            if (result.error == axerror::success) result.error = code;
        };
        if (resizes) keep(write.element->setAttributeValue(ax::size, write.frame.size()));
        keep(write.element->setAttributeValue(ax::position, write.frame.origin()));
        if (resizes) keep(write.element->setAttributeValue(ax::size, write.frame.size()));
        result.written = true;
        result.after = readFrame(write.element);
        results.push_back(result);
    }
    return results;
}

AXElementRef SimDesktop::applicationElement(std::int32_t pid) {
    return std::make_shared<SimElement>(this, alive_, pid, 0);
}

AXError SimDesktop::createObserver(std::int32_t pid, AXObserverCallback callback,
                                   std::shared_ptr<AXObserver>& observer) {
    if (!trusted_) return axerror::apiDisabled;
    auto created = std::make_shared<SimObserver>(this, alive_, pid, std::move(callback));
    observers_[pid].push_back(created);
    observer = created;
    return axerror::success;
}

bool SimDesktop::spend(std::int32_t pid, WindowID window, double timeout) {
    double latency = 0;
    if (auto app = apps_.find(pid); app != apps_.end()) latency = app->second->latency;
    if (window != 0) {
        if (auto found = windows_.find(window);
            found != windows_.end() && found->second->latency >= 0) {
            latency = found->second->latency;
        }
    }
    if (latency <= 0) return true;
    if (latency > timeout) {
        time_.clock().advance(timeout);
        return false;
    }
    time_.clock().advance(latency);
    return true;
}

AXError SimDesktop::readAttribute(std::int32_t pid, WindowID window, std::string_view name,
                                  AXValue& value, double timeout) {
    CallRecorder finish(calls_, {SimCall::Kind::read, pid, window, std::string(name), {}, 0});
    if (window == 0) {
        AppState* app = runningApp(pid);
        if (!app || !spend(pid, 0, timeout)) return finish(axerror::cannotComplete);
        AppState& state = *app;
        if (const auto failure = plantedFailure(state.readFailures, name)) return finish(*failure);
        if (name == ax::role) {
            value = std::string(ax::applicationRole);
        } else if (name == ax::title) {
            if (!state.info.localizedName) return finish(axerror::noValue);
            value = *state.info.localizedName;
        } else if (name == ax::windows || name == ax::children) {
            if (!state.windowsReadable) return finish(axerror::cannotComplete);
            std::vector<AXElementRef> list;
            for (const WindowID id : state.windows) {
                if (std::as_const(*this).windowState(id).exists)
                    list.push_back(makeWindowElement(id));
            }
            value = std::move(list);
        } else if (name == ax::focusedWindow || name == ax::mainWindow) {
            if (state.focused == 0 || !std::as_const(*this).windowState(state.focused).exists)
                return finish(axerror::noValue);
            value = makeWindowElement(state.focused);
        } else if (name == ax::frontmost) {
            value = frontmost_ == pid;
        } else if (name == ax::hidden) {
            value = false;
        } else if (name == ax::enhancedUserInterface) {
            if (!state.enhancedUserInterface) return finish(axerror::attributeUnsupported);
            value = *state.enhancedUserInterface;
        } else {
            return finish(axerror::attributeUnsupported);
        }
        return finish(axerror::success);
    }
    WindowState* found = liveWindow(window);
    if (!found) return finish(axerror::invalidElement);
    if (!spend(pid, window, timeout)) return finish(axerror::cannotComplete);
    WindowState& state = *found;
    if (const auto failure = plantedFailure(state.readFailures, name)) return finish(*failure);
    const auto optionalText = [&](const std::optional<std::string>& text) {
        if (!text) return axerror::noValue;
        value = *text;
        return axerror::success;
    };
    if (name == ax::role) return finish(optionalText(state.role));
    if (name == ax::subrole) return finish(optionalText(state.subrole));
    if (name == ax::title) return finish(optionalText(state.title));
    if (name == ax::position) {
        if (!state.positionReadable) return finish(axerror::noValue);
        value = state.frame.origin();
    } else if (name == ax::size) {
        if (!state.sizeReadable) return finish(axerror::noValue);
        value = state.frame.size();
    } else if (name == ax::minimized) {
        value = state.minimized;
    } else if (name == ax::away) {
        value = state.away;
    } else if (name == ax::fullScreen) {
        value = state.fullScreen;
    } else if (name == ax::maximized) {
        value = state.maximized;
    } else if (name == ax::drawnFrame) {
        value = state.frame.insetBy(-state.margin, -state.margin);
    } else if (name == ax::main || name == ax::focused) {
        value = std::as_const(*this).appState(pid).focused == window;
    } else {
        return finish(axerror::attributeUnsupported);
    }
    return finish(axerror::success);
}

AXError SimDesktop::settable(std::int32_t pid, WindowID window, std::string_view name, bool& result,
                             double timeout) {
    CallRecorder finish(calls_, {SimCall::Kind::settable, pid, window, std::string(name), {}, 0});
    if (window == 0) {
        AppState* app = runningApp(pid);
        if (!app || !spend(pid, 0, timeout)) return finish(axerror::cannotComplete);
        result = name == ax::frontmost ||
                 (name == ax::enhancedUserInterface && app->enhancedUserInterface);
        return finish(axerror::success);
    }
    WindowState* found = liveWindow(window);
    if (!found) return finish(axerror::invalidElement);
    if (!spend(pid, window, timeout)) return finish(axerror::cannotComplete);
    const WindowState& state = *found;
    if (const auto failure = plantedFailure(state.readFailures, name)) return finish(*failure);
    if (name == ax::size) {
        result = state.sizeSettable;
    } else if (name == ax::position) {
        result = state.positionSettable;
    } else {
        result = name == ax::minimized || name == ax::fullScreen || name == ax::maximized ||
                 name == ax::main || name == ax::focused;
    }
    return finish(axerror::success);
}

AXError SimDesktop::writeAttribute(std::int32_t pid, WindowID window, std::string_view name,
                                   const AXValue& value, double timeout) {
    CallRecorder finish(calls_, {SimCall::Kind::write, pid, window, std::string(name), value, 0});
    if (window == 0) {
        AppState* app = runningApp(pid);
        if (!app || !spend(pid, 0, timeout)) return finish(axerror::cannotComplete);
        if (const auto kind = requestKind(name, value)) {
            if (const auto failure = plantedFailure(app->writeFailures, name))
                return finish(*failure);
            const auto request = [this, pid, name = std::string(name), value] {
                if (AppState* running = runningApp(pid)) applyAppWrite(*running, name, value);
            };
            if (deferred(*kind, request)) return finish(axerror::success);
        }
        AXError code = axerror::success;
        asWindowManager([&] { code = applyAppWrite(*app, name, value); });
        return finish(code);
    }
    WindowState* found = liveWindow(window);
    if (!found) return finish(axerror::invalidElement);
    WindowState& state = *found;
    state.writes.push_back(std::string(name));
    if (!spend(pid, window, timeout)) return finish(axerror::cannotComplete);
    if (state.vanishAfterWrites == 0) {
        destroyWindow(state, true);
        return finish(axerror::invalidElement);
    }
    if (state.vanishAfterWrites > 0) --state.vanishAfterWrites;
    if (const auto kind = requestKind(name, value)) {
        if (const auto failure = plantedFailure(state.writeFailures, name)) return finish(*failure);
        // Carried out on the window as it is by then, if it still lives.
        const auto request = [this, window, name = std::string(name), value] {
            if (WindowState* live = liveWindow(window)) finishWindowWrite(*live, name, value);
        };
        if (deferred(*kind, request)) return finish(axerror::success);
    }
    const AXError code = finishWindowWrite(state, name, value);
    finish(code);
    if (name == ax::position || name == ax::size) afterOurMove();
    return code;
}

AXError SimDesktop::finishWindowWrite(WindowState& window, std::string_view name,
                                      const AXValue& value) {
    const WindowID id = window.id;
    AXError code = axerror::success;
    asWindowManager([&] { code = applyWindowWrite(window, name, value); });
    if (code == axerror::success && window.onWrite) {
        auto hook = window.onWrite;
        hook(SimWindow(this, id), std::string(name));
    }
    return code;
}

AXError SimDesktop::applyWindowWrite(WindowState& window, std::string_view name,
                                     const AXValue& value) {
    ++changes_;
    if (const auto failure = plantedFailure(window.writeFailures, name)) return *failure;
    if (name == ax::stackedAbove) {
        const auto* sibling = std::get_if<AXElementRef>(&value);
        if (!sibling || !*sibling) return axerror::illegalArgument;
        const auto above = std::find(zOrder_.begin(), zOrder_.end(), (*sibling)->identity());
        if (above == zOrder_.end()) return axerror::invalidElement;
        const WindowID id = window.id;
        const WindowID siblingID = *above;
        zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
        zOrder_.insert(std::find(zOrder_.begin(), zOrder_.end(), siblingID), id);
        postStackingChanged();
        return axerror::success;
    }
    if (name == ax::position) {
        const Point* point = std::get_if<Point>(&value);
        if (!point || !std::isfinite(point->x) || !std::isfinite(point->y))
            return axerror::illegalArgument;
        if (!window.positionSettable) return axerror::attributeUnsupported;
        if (window.ignoreMoves || window.fullScreen || window.maximized) return axerror::success;
        setWindowFrame(window, Rect(*point, window.frame.size()));
        return axerror::success;
    }
    if (name == ax::size) {
        const Size* size = std::get_if<Size>(&value);
        if (!size || !std::isfinite(size->width) || !std::isfinite(size->height)) {
            return axerror::illegalArgument;
        }
        if (!window.sizeSettable) return axerror::attributeUnsupported;
        if (window.refuseSizes || window.fullScreen || window.maximized) return axerror::success;
        const Size kept{
            std::clamp(size->width, window.minimumSize.width, window.maximumSize.width),
            std::clamp(size->height, window.minimumSize.height, window.maximumSize.height)};
        setWindowFrame(window, Rect(window.frame.origin(), kept));
        return axerror::success;
    }
    const bool* flag = std::get_if<bool>(&value);
    if (name == ax::minimized) {
        if (!flag) return axerror::illegalArgument;
        SimWindow(this, window.id).minimize(*flag);
        return axerror::success;
    }
    if (name == ax::fullScreen) {
        if (!flag) return axerror::illegalArgument;
        SimWindow(this, window.id).setFullScreen(*flag);
        return axerror::success;
    }
    if (name == ax::maximized) {
        if (!flag) return axerror::illegalArgument;
        SimWindow(this, window.id).setMaximized(*flag);
        return axerror::success;
    }
    if (name == ax::main || name == ax::focused) {
        if (!flag) return axerror::illegalArgument;
        if (!*flag) return axerror::success;
        // A window manager maps back a minimised window it is asked to activate.
        if (timing_.on()) SimWindow(this, window.id).minimize(false);
        setFocusedWindow(appState(window.pid), window.id, true);
        return axerror::success;
    }
    if (name == ax::away) {
        if (!flag) return axerror::illegalArgument;
        SimWindow(this, window.id).setAway(*flag);
        return axerror::success;
    }
    return axerror::attributeUnsupported;
}

AXError SimDesktop::applyAppWrite(AppState& app, std::string_view name, const AXValue& value) {
    ++changes_;
    if (const auto failure = plantedFailure(app.writeFailures, name)) return *failure;
    const bool* flag = std::get_if<bool>(&value);
    if (name == ax::frontmost) {
        if (!flag) return axerror::illegalArgument;
        if (*flag && timing_.on() && app.focused != 0) SimWindow(this, app.focused).minimize(false);
        if (*flag && frontmost_ != app.pid) activateApp(app.pid);
        return axerror::success;
    }
    if (name == ax::enhancedUserInterface) {
        if (!app.enhancedUserInterface) return axerror::attributeUnsupported;
        if (!flag) return axerror::illegalArgument;
        app.enhancedUserInterface = *flag;
        return axerror::success;
    }
    return axerror::attributeUnsupported;
}

AXError SimDesktop::action(std::int32_t pid, WindowID window, std::string_view name,
                           double timeout) {
    CallRecorder finish(calls_, {SimCall::Kind::action, pid, window, std::string(name), {}, 0});
    if (window == 0)
        return finish(runningApp(pid) ? axerror::actionUnsupported : axerror::cannotComplete);
    WindowState* found = liveWindow(window);
    if (!found) return finish(axerror::invalidElement);
    if (!spend(pid, window, timeout)) return finish(axerror::cannotComplete);
    WindowState& state = *found;
    if (const auto failure = plantedFailure(state.actionFailures, name)) return finish(*failure);
    if (name != ax::lowerAction && name != ax::raiseAction)
        return finish(axerror::actionUnsupported);
    const bool lower = name == ax::lowerAction;
    const auto request = [this, window, lower] {
        if (!liveWindow(window)) return;
        if (lower) {
            sendToBack(window);
            return;
        }
        // A window manager maps back a minimised window it is asked to raise.
        if (timing_.on()) asWindowManager([&] { SimWindow(this, window).minimize(false); });
        bringToFront(window);
    };
    if (!deferred(lower ? SimRequestKind::restack : SimRequestKind::activate, request)) request();
    return finish(axerror::success);
}

}  // namespace brindlow
