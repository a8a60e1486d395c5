#include "windows/WindowMover.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "platform/CoordinateLimits.h"
#include "platform/Log.h"
#include "windows/AX.h"

namespace brindlow {

namespace {
constexpr double kChangeThreshold = 1.0;
constexpr double kMatchTolerance = 1.5;
constexpr double kRaiseTimeout = 1.0;
constexpr double kEnhancedUITimeout = 0.5;

const Logger& log() {
    static const Logger logger = makeLogger("WindowMover");
    return logger;
}

bool differs(double a, double b) {
    return std::fabs(a - b) >= kChangeThreshold;
}

AXError writeSize(const AXElementRef& element, Size size) {
    const auto value = representableSize(size);
    if (!value) return axerror::failure;
    return element->setAttributeValue(ax::size, *value);
}

AXError writePosition(const AXElementRef& element, Point point) {
    const auto value = representablePoint(point);
    if (!value) return axerror::failure;
    return element->setAttributeValue(ax::position, *value);
}

// The target as the platform can take it: clamped into range.
Rect representable(const Rect& target) {
    const Point origin = representablePoint(target.origin()).value_or(target.origin());
    const Size size = representableSize(target.size()).value_or(target.size());
    return Rect(origin, size);
}
}  // namespace

MoveResult WindowMover::move(const ManagedWindow& window, const Rect& target, bool resend) const {
    return write(window, target, resend, false);
}

std::vector<MoveResult> WindowMover::moveAll(std::span<const std::pair<ManagedWindow, Rect>> moves,
                                             bool resend, double wait) const {
    std::vector<MoveResult> results(moves.size());
    std::vector<FrameWrite> writes;
    std::vector<std::size_t> written;  // the index of each write's move
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const auto& [window, requested] = moves[i];
        if (!requested.isFinite() || !window.element) {
            results[i] = move(window, requested, resend);  // reports the failure
            continue;
        }
        const Rect target = representable(requested);
        if (!resend && !differs(window.frame.width, target.width) &&
            !differs(window.frame.height, target.height) && !differs(window.frame.x, target.x) &&
            !differs(window.frame.y, target.y)) {
            results[i] = MoveResult{window.frame, false, false, {}};
            continue;
        }
        writes.push_back({window.element, target});
        written.push_back(i);
    }
    if (writes.empty()) return results;

    const auto batch = accessibility_.setFrames(writes, wait);
    if (!batch) {
        for (const std::size_t i : written)
            results[i] = move(moves[i].first, moves[i].second, resend);
        return results;
    }
    for (std::size_t k = 0; k < written.size(); ++k) {
        const std::size_t i = written[k];
        const ManagedWindow& window = moves[i].first;
        const Rect& target = writes[k].frame;
        const FrameWriteResult& outcome = (*batch)[k];
        const Rect baseline = resend ? outcome.before.value_or(window.frame) : window.frame;
        if (!differs(baseline.width, target.width) && !differs(baseline.height, target.height) &&
            !differs(baseline.x, target.x) && !differs(baseline.y, target.y)) {
            results[i] = MoveResult{baseline, false, false, {}};
            continue;
        }
        std::vector<AXError> errors;
        if (outcome.error != axerror::success) errors.push_back(outcome.error);
        const std::optional<Rect> accepted = resend ? outcome.after : std::optional(target);
        if (!resend) {
            log().debug("Move %{private}s to %{public}s", window.label(), describe(target));
        } else {
            log().info("Move %{private}s: requested %{public}s accepted %{public}s", window.label(),
                       describe(target),
                       accepted ? describe(*accepted) : std::string("unreadable"));
        }
        if (!errors.empty()) {
            log().error("Move %{private}s failed: %{public}s", window.label(),
                        AX::describeErrors(errors));
        }
        const bool gone = outcome.error == axerror::invalidElement;
        results[i] = MoveResult{accepted.value_or(target), gone, true, std::move(errors)};
    }
    return results;
}

MoveResult WindowMover::forceMove(const ManagedWindow& window, const Rect& target) const {
    return write(window, target, false, true);
}

MoveResult WindowMover::write(const ManagedWindow& window, const Rect& requested, bool resend,
                              bool force) const {
    Rect baseline = window.frame;
    if (resend) {
        if (auto live = AX::frame(window.element)) baseline = *live;
    }
    if (!requested.isFinite() || !window.element) {
        // Nothing that could be written; reported as a failed move, never as sent.
        const AXError code = window.element ? axerror::failure : axerror::invalidElement;
        log().error("Move %{private}s failed: %{public}s", window.label(),
                    AX::describeErrors({code}));
        return MoveResult{baseline, code == axerror::invalidElement, false, {code}};
    }
    const Rect target = representable(requested);
    const bool sizeChanges =
        force || differs(baseline.width, target.width) || differs(baseline.height, target.height);
    const bool positionChanges =
        force || differs(baseline.x, target.x) || differs(baseline.y, target.y);
    if (!sizeChanges && !positionChanges) return MoveResult{baseline, false, false, {}};

    std::vector<AXError> errors;
    const auto keep = [&](AXError code) {
        if (code != axerror::success) errors.push_back(code);
    };
    // Size first so the new position is not refused for lack of room, then
    // again because some applications clamp the size to the old position.
    if (sizeChanges) keep(writeSize(window.element, target.size()));
    keep(writePosition(window.element, target.origin()));
    if (sizeChanges) keep(writeSize(window.element, target.size()));

    bool gone = false;
    for (const AXError code : errors) gone = gone || code == axerror::invalidElement;

    std::optional<Rect> accepted = target;
    if (resend) accepted = AX::frame(window.element);

    if (!resend) {
        log().debug("Move %{private}s to %{public}s", window.label(), describe(target));
    } else {
        log().info("Move %{private}s: requested %{public}s accepted %{public}s", window.label(),
                   describe(target), accepted ? describe(*accepted) : std::string("unreadable"));
    }
    if (!errors.empty()) {
        log().error("Move %{private}s failed: %{public}s", window.label(),
                    AX::describeErrors(errors));
    }
    return MoveResult{accepted.value_or(target), gone, true, std::move(errors)};
}

MoveResult WindowMover::settle(const ManagedWindow& window, const Rect& target) const {
    const auto live = AX::frame(window.element);
    if (!live) return MoveResult{window.frame, false, false, {}};
    if (framesMatch(*live, window.frame) || framesMatch(*live, target)) {
        return MoveResult{*live, false, false, {}};
    }
    log().info("Settle %{public}s: app moved it to %{public}s, sending again", window.appName,
               describe(*live));
    ManagedWindow moved = window;
    moved.frame = *live;
    return move(moved, target, true);
}

bool WindowMover::raise(const ManagedWindow& window,
                        const std::function<bool()>& stillWanted) const {
    const AXElementRef app = accessibility_.applicationElement(window.pid);
    app->setMessagingTimeout(kRaiseTimeout);
    std::vector<AXError> errors;
    const auto keep = [&](AXError code) {
        if (code != axerror::success) errors.push_back(code);
    };
    // Raises are queued and go out in steps: a window the user minimised or sent to another
    // desktop meanwhile stays where the user put it, whichever step is next.
    const auto leftByUser = [&]() -> std::optional<std::string> {
        if (!window.element) return std::nullopt;
        if (AX::boolAttribute(window.element, ax::minimized).value_or(false)) return "minimized";
        if (AX::boolAttribute(window.element, ax::away).value_or(false))
            return "on another desktop";
        return std::nullopt;
    };
    if (const std::optional<std::string> why = leftByUser()) {
        log().info("Raise %{private}s skipped: %{public}s", window.label(), *why);
        return false;
    }
    const auto wanted = [&] { return !stillWanted || stillWanted(); };
    const auto stopped = [&] {
        if (!wanted()) {
            log().info("Raise %{private}s stopped: the focus went elsewhere since it was asked for",
                       window.label());
            return true;
        }
        if (const std::optional<std::string> why = leftByUser()) {
            log().info("Raise %{private}s stopped: %{public}s", window.label(), *why);
            return true;
        }
        return false;
    };
    // The steps share one number, so that the platform sends one request per raise, however
    // many of its steps ask, and never takes a new raise for a step of the one before. They say
    // which minimises the raise was asked knowing of: none of them undoes a later one.
    const AXStep request{.request = ++raises_, .minimisesHeard = window.minimisesHeard};
    if (window.element) {
        keep(window.element->setAttributeValueAsStepOf(request, ax::main, true));
        if (stopped()) return true;
        keep(window.element->performActionAsStepOf(request, ax::raiseAction));
    } else {
        keep(axerror::invalidElement);
        keep(axerror::invalidElement);
    }
    if (stopped()) return true;
    keep(app->setAttributeValueAsStepOf(request, ax::frontmost, true));
    if (!errors.empty()) {
        log().error("Raise %{private}s failed: %{public}s", window.label(),
                    AX::describeErrors(errors));
    } else {
        log().info("Raise %{private}s", window.label());
    }
    return true;
}

bool WindowMover::setFullScreen(const ManagedWindow& window, bool on) const {
    const std::string state = on ? "on" : "off";
    const AXError code = window.element ? window.element->setAttributeValue(ax::fullScreen, on)
                                        : axerror::invalidElement;
    if (code != axerror::success) {
        log().error("Full screen %{public}s failed for %{private}s: AXError %d", state,
                    window.label(), code);
        return false;
    }
    log().info("Full screen %{public}s for %{private}s", state, window.label());
    return true;
}

bool WindowMover::disableEnhancedUI(std::int32_t pid) const {
    const AXElementRef app = accessibility_.applicationElement(pid);
    app->setMessagingTimeout(kEnhancedUITimeout);
    if (!AX::boolAttribute(app, ax::enhancedUserInterface).value_or(false)) return false;
    const AXError code = app->setAttributeValue(ax::enhancedUserInterface, false);
    log().debug("Enhanced accessibility off for pid %d: AXError %d", pid, code);
    return code == axerror::success;
}

AXError WindowMover::enableEnhancedUI(std::int32_t pid) const {
    const AXElementRef app = accessibility_.applicationElement(pid);
    app->setMessagingTimeout(kEnhancedUITimeout);
    return app->setAttributeValue(ax::enhancedUserInterface, true);
}

std::string WindowMover::describe(const Rect& rect) {
    const auto whole = [](double value) -> std::string {
        if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
        const double integral = std::trunc(value);
        if (std::fabs(integral) >= 9.0e18)
            return std::to_string(integral).substr(0, std::to_string(integral).find('.'));
        return std::to_string(static_cast<long long>(integral));
    };
    return "x:" + whole(rect.minX()) + " y:" + whole(rect.minY()) + " " + whole(rect.width) +
           "\u00D7" + whole(rect.height);
}

bool WindowMover::framesMatch(const Rect& a, const Rect& b) {
    return std::fabs(a.minX() - b.minX()) < kMatchTolerance &&
           std::fabs(a.minY() - b.minY()) < kMatchTolerance &&
           std::fabs(a.width - b.width) < kMatchTolerance &&
           std::fabs(a.height - b.height) < kMatchTolerance;
}

}  // namespace brindlow
