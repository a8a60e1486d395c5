#include "controller/ApplicationTracker.h"

#include <algorithm>
#include <limits>
#include <set>
#include <utility>

#include "controller/MaximizedState.h"
#include "windows/AX.h"
#include "windows/WindowObserver.h"

namespace brindlow {
namespace {

const char* eventText(AppObserver::Event event) {
    switch (event) {
        case AppObserver::Event::windowCreated:
            return "created";
        case AppObserver::Event::windowDestroyed:
            return "destroyed";
        case AppObserver::Event::focusedWindowChanged:
            return "focused";
        case AppObserver::Event::minimized:
            return "minimized";
        case AppObserver::Event::restored:
            return "restored";
        case AppObserver::Event::resized:
            return "resized";
        case AppObserver::Event::moved:
            return "moved";
        case AppObserver::Event::titleChanged:
            return "title changed";
        case AppObserver::Event::away:
            return "away";
        case AppObserver::Event::back:
            return "back";
        case AppObserver::Event::maximizedChanged:
            return "maximized changed";
    }
    return "?";
}

}  // namespace

ApplicationTracker::ApplicationTracker(StripControllerState& state,
                                       const StripControllerEnvironment& env,
                                       AsyncMover& asyncMover, Hooks hooks)
    : state_(state),
      env_(env),
      clock_(*env.platform.clock),
      asyncMover_(&asyncMover),
      hooks_(std::move(hooks)),
      log_(makeLogger("StripController")),
      departures_(state),
      watch_(state, env, watchHooks()) {}

ApplicationWatch::Hooks ApplicationTracker::watchHooks() {
    ApplicationWatch::Hooks hooks;
    hooks.run = hooks_.run;
    hooks.runAfter = hooks_.runAfter;
    hooks.windowEvent = [this](AppObserver::Event event, const AXElementRef& element,
                               std::int32_t pid) { handle(event, element, pid); };
    // The watch asks for the focus only for the windows of an application launched just now:
    // windows just opened.
    hooks.add = [this](const AXElementRef& element, std::int32_t pid, bool focus) {
        return add(element, pid, focus, focus);
    };
    hooks.appQuit = [this](std::int32_t pid) { appQuit(pid); };
    return hooks;
}

void ApplicationTracker::appQuit(std::int32_t pid) {
    const auto observer = state_.observers.find(pid);
    if (observer != state_.observers.end()) {
        observer->second->stop();
        state_.observers.erase(observer);
    }
    state_.apps.erase(pid);
    state_.verdicts.forgetApplication(pid);
    std::vector<WindowID> ids;
    for (const auto& [id, window] : state_.windows)
        if (window.pid == pid) ids.push_back(id);
    for (const WindowID id : ids) remove(id, Removal::appQuit);
    std::vector<WindowID> departed;
    for (const auto& [id, departure] : state_.departed)
        if (departure.window.pid == pid) departed.push_back(id);
    for (const WindowID id : departed) forgetWindowRecords(id, false);
    asyncMover_->retire(pid);
    if (ids.empty()) return;
    for (const std::string& uuid : std::vector<std::string>(state_.displayOrder))
        hooks_.structureChanged(uuid);
}

void ApplicationTracker::appActivated(const std::optional<AppRef>& app, std::int32_t pid) {
    const bool switched = state_.frontmostPID != pid;
    state_.frontmostPID = pid;
    if (app && !state_.observers.contains(pid)) {
        if (const std::optional<std::vector<AXElementRef>> windows = watch_.observe(*app)) {
            log_.info("Observing %{public}s (activated)", app->name);
            for (const AXElementRef& window : *windows) add(window, pid, true);
        }
    }
    if (pid == 0) return;
    // An activation is heard after the focus events of its windows, maybe after those of the
    // next application too: when the focus has already left this application, or its focused
    // window was already handed on, it brings no news, and handing its window on again would
    // pull the focus back to where quick commands passed by. Another application coming to the
    // front is news, though its focused window was handed on before (the user clicked back on it).
    const std::optional<RunningApplication> frontmost =
        env_.platform.workspace->frontmostApplication();
    if (frontmost && frontmost->pid != pid) {
        // Still, the window manager focused its window for a moment: that may answer our raise.
        if (const AXElementRef focused = focusedWindow(pid); focused && hooks_.windowFocusedAside)
            hooks_.windowFocusedAside(focused->identity());
        return;
    }
    const AXElementRef focused = focusedWindow(pid);
    if (focused && (switched || focused->identity() != focusHandedOn_))
        handFocusOn(focused->identity());
}

void ApplicationTracker::handFocusOn(WindowID id) {
    focusHandedOn_ = id;
    // The window manager answers a map whenever it gets to it, maybe after a command the user gave
    // once the window appeared: that command's choice holds.
    const auto creation = atCreation_.find(id);
    handOnDeclined_ = creation != atCreation_.end() &&
                      state_.commandChoices > creation->second.commandChoices &&
                      hooks_.mapFocusAfterCommand && hooks_.mapFocusAfterCommand(id);
    if (handOnDeclined_) {
        creation->second.focused = true;
        return;
    }
    ++focusesHandedOn_;
    commandChoicesAtHandOn_ = state_.commandChoices;
    if (!hooks_.windowFocused(id)) return;
    ++othersFocuses_;
    othersLastFocus_ = id;
}

AXElementRef ApplicationTracker::focusedWindow(std::int32_t pid) const {
    if (pid == 0) return nullptr;
    const auto observer = state_.observers.find(pid);
    const AXElementRef app = observer != state_.observers.end()
                                 ? observer->second->appElement()
                                 : env_.platform.accessibility->applicationElement(pid);
    return AX::elementAttribute(app, ax::focusedWindow);
}

std::optional<ManagedWindow> ApplicationTracker::candidate(const AXElementRef& element,
                                                           const AppRef& app) const {
    if (state_.records.isUserFloating(element->identity())) return std::nullopt;
    if (app.bundleID) {
        const std::optional<AppRule> rule = state_.settings.rule(*app.bundleID);
        if (rule && rule->behavior == AppBehavior::floating) return std::nullopt;
    }
    return WindowObserver::makeManagedWindow(element, app, &state_.verdicts);
}

bool ApplicationTracker::add(const AXElementRef& element, std::int32_t pid, bool focus,
                             bool created) {
    if (!element) return false;
    const WindowID id = element->identity();
    if (state_.windows.contains(id)) return false;
    if (state_.departed.contains(id)) return addReturning(element, pid, focus);
    const auto app = state_.apps.find(pid);
    if (app == state_.apps.end()) return false;
    const auto observer = state_.observers.find(pid);
    if (observer != state_.observers.end()) observer->second->watch(element);
    std::optional<ManagedWindow> window = candidate(element, app->second);
    if (!window) return false;
    const std::optional<std::string> home = hooks_.displayInUse(window->frame);
    if (!home) return false;
    if (MaximizedState::clear(element)) {
        log_.info("%{public}s '%{private}s' was maximised: taken out of it to tile it",
                  window->appName, window->title);
        if (const std::optional<Rect> frame = AX::frame(element)) window->frame = *frame;
    }
    state_.windows[id] = *window;
    // A window adopted after the start keeps no frame from before tiling: the quit leaves it
    // where the strip shows it (or brings it on screen when parked). Those of the start keep
    // theirs for the whole run, however often they leave the strip and come back.
    const double width = state_.settings.newColumnWidth(window->bundleID);

    std::string target = *home;
    int index = 0;
    const std::optional<FullScreenReturn> back = state_.records.get(id).fullScreenReturn;
    if (back && state_.display(back->uuid)) {
        target = back->uuid;
        Column column = Column::single(id, back->width);
        index = state_.display(target)->strip.insertColumn(std::move(column), back->index);
    } else {
        index = insertNew(state_.display(target)->strip, id, width);
    }
    if (back)
        state_.records.edit(id, [](WindowRecord& record) { record.fullScreenReturn.reset(); });

    // A window the window manager made the active one before it was adopted has the user's focus
    // already: its column takes it (never parked and lowered under the focus).
    // A window waiting to be adopted when the focus went to another window gives way to it: the
    // user chose that one after this one appeared.
    const auto creation = atCreation_.find(id);
    const AtCreation before =
        creation != atCreation_.end()
            ? creation->second
            : AtCreation{focusesHandedOn_, state_.commandChoices, false, othersFocuses_};
    if (creation != atCreation_.end()) atCreation_.erase(creation);
    // The latest choice since it appeared was the focus going to it (the user clicked it): it
    // takes the strip's focus whatever came before.
    const bool chosenLast = focusHandedOn_ == id && !handOnDeclined_ &&
                            focusesHandedOn_ > before.focusesHandedOn &&
                            commandChoicesAtHandOn_ == state_.commandChoices;
    // A window back long after it was minimised comes as a new one: a command that chose the
    // focus since it came back keeps it too, and so does another window focused since.
    const bool choiceSince =
        !chosenLast &&
        ((othersFocuses_ > before.othersFocuses && othersLastFocus_ != id) ||
         state_.commandChoices > before.commandChoices || commandSinceReturn_ || focusSinceReturn_);
    const bool alreadyActive = activeAlready(element, pid);
    // Beside a window manager that focuses new windows and also focuses under the pointer, its
    // focus for the map can go to whatever our scroll slides under a resting pointer instead:
    // the window just opened claims the focus itself, as the newest window, unless a choice
    // came since it appeared.
    const WindowManagerTraits& traits = env_.windowManagerTraits();
    const bool claims = created && focus && !alreadyActive && !choiceSince &&
                        traits.focusesNewWindows && traits.focusModel == FocusModel::followsPointer;
    // Active already, as the window manager reports it, unless a command chose another window
    // since: our raise of that one is on its way.
    const bool focused =
        chosenLast ||
        (!choiceSince && ((focus && pid == state_.frontmostPID) || alreadyActive || claims));
    if (focused) state_.display(target)->strip.focusedIndex = index;
    // The window manager's focus may still come: one that focuses new windows gives it for the
    // map, not for a pointer our moves slid it under.
    if (!focused)
        state_.records.edit(id, [&before](WindowRecord& r) {
            r.mappedUnfocused = true;
            r.commandChoicesAtMap = before.commandChoices;
            r.mapFocusHeard = before.focused;
        });
    // Taken as focused for its application's sake: the window manager's own focus for the map
    // may come only after a command chose another window.
    if (focused && created && focus && !alreadyActive && !chosenLast && !before.focused &&
        traits.focusesNewWindows)
        state_.records.edit(id, [&before](WindowRecord& r) {
            r.focusedAheadOfMap = true;
            r.commandChoicesAtMap = before.commandChoices;
        });
    state_.records.edit(id, [&](WindowRecord& r) {
        r.createdOrder = before.order;
        r.createdByAdoption = windowsCreated_;
    });
    log_.info("Add %{public}s '%{private}s' at column %ld on %{public}s", window->appName,
              window->title, long(index + 1), state_.displayName(target));
    hooks_.structureChanged(target);
    if (focused) {
        state_.activeUUID = target;
        hooks_.publishSnapshot(SnapshotReason::focus(target));
        if (created && hooks_.newWindowFocused) hooks_.newWindowFocused(id);
    }
    if (claims) hooks_.raiseFocused(target);
    return true;
}

// Every record the controller keeps about one window. Window ids come back (X reuses them), so
// nothing may survive the window.
void ApplicationTracker::forgetWindowRecords(WindowID id, bool keepFullScreenReturn) {
    state_.records.forgetTiling(id, keepFullScreenReturn);
    asyncMover_->forget(id);
    departures_.forget(id);
    pendingDepartures_.erase(id);
    dropPendingReturn(id);
    atCreation_.erase(id);
}

// MARK: Leaving for a while

void ApplicationTracker::queueDeparture(WindowID id, Departure::Kind kind) {
    dropPendingReturn(id);
    pendingDepartures_[id] = kind;
    scheduleSettle();
}

void ApplicationTracker::queueReturn(const AXElementRef& element, std::int32_t pid, bool focus) {
    const WindowID id = element->identity();
    // Back before it was taken off: it never left.
    if (pendingDepartures_.erase(id) > 0) return;
    dropPendingReturn(id);
    pendingReturns_.emplace(++returnsHeard_, PendingReturn{id, element, pid, focus,
                                                           state_.commandChoices, othersFocuses_});
    scheduleSettle();
}

void ApplicationTracker::scheduleSettle() {
    if (settleScheduled_) return;
    settleScheduled_ = true;
    hooks_.runAfter(kDepartureGathering, [this, gathering = gatheringsSettled_] {
        if (gathering == gatheringsSettled_) settleDepartures();
    });
}

void ApplicationTracker::settleGatheredNow() {
    if (settleScheduled_) settleDepartures();
}

void ApplicationTracker::dropPendingReturn(WindowID id) {
    std::erase_if(pendingReturns_, [id](const auto& entry) { return entry.second.id == id; });
}

void ApplicationTracker::settleDepartures() {
    settleScheduled_ = false;
    ++gatheringsSettled_;
    std::map<Departure::Kind, std::vector<WindowID>> leaving;
    for (const auto& [id, kind] : pendingDepartures_)
        if (state_.windows.contains(id)) leaving[kind].push_back(id);
    pendingDepartures_.clear();
    std::set<std::string> changed;
    // The strips whose focused window leaves: the neighbour the strip picks gives way to the
    // window the window manager still focuses (our raise of the leaving one never went out).
    std::set<std::string> focusLeaves;
    std::set<std::string> focusMinimised;
    for (const auto& [kind, ids] : leaving)
        for (const WindowID id : ids)
            if (const auto location = state_.locate(id))
                if (const DisplayState* display = state_.display(location->first);
                    display && display->strip.focusedWindowID() == id) {
                    focusLeaves.insert(location->first);
                    if (kind == Departure::Kind::minimized) focusMinimised.insert(location->first);
                }
    for (const auto& [kind, ids] : leaving) {
        for (const WindowID id : ids) {
            const ManagedWindow& window = state_.windows.at(id);
            log_.info("Remove %{public}s '%{private}s': %{public}s", window.appName, window.title,
                      std::string(kind == Departure::Kind::away ? "away" : "minimized"));
        }
        changed.merge(departures_.leave(ids, kind, now()));
    }
    if (const AXElementRef active = focusedWindow(state_.frontmostPID);
        active && activeAlready(active, state_.frontmostPID))
        for (const std::string& uuid : focusLeaves)
            if (DisplayState* display = state_.display(uuid);
                display && display->strip.locate(active->identity()))
                display->strip.focus(active->identity());
    for (const std::string& uuid : changed) hooks_.structureChanged(uuid);
    if (hooks_.focusedWindowMinimised)
        for (const std::string& uuid : focusMinimised) hooks_.focusedWindowMinimised(uuid);

    // In the order they came back: of two windows the user restored one after the other, the
    // later one has the focus.
    const std::map<std::uint64_t, PendingReturn> returning = std::exchange(pendingReturns_, {});
    for (const auto& entry : returning) {
        const PendingReturn& back = entry.second;
        if (state_.windows.contains(back.id)) continue;
        commandSinceReturn_ = state_.commandChoices > back.commandChoices;
        focusSinceReturn_ = othersFocuses_ > back.othersFocuses && othersLastFocus_ != back.id;
        add(back.element, back.pid, back.focus);
        commandSinceReturn_ = false;
        focusSinceReturn_ = false;
    }
}

bool ApplicationTracker::addReturning(const AXElementRef& element, std::int32_t pid, bool focus) {
    const WindowID id = element->identity();
    const auto app = state_.apps.find(pid);
    if (app == state_.apps.end()) return false;
    std::optional<ManagedWindow> window = candidate(element, app->second);
    const Departure& departure = state_.departed.at(id);
    if (!window && AX::boolAttribute(element, ax::fullScreen).value_or(false)) {
        // Back in full screen: shown, no longer out of sight. It keeps its way back to its
        // column, as a window that went full screen from there does.
        const DepartedColumn& column = *departure.column;
        const FullScreenReturn back{column.uuid, column.index, column.column.widthFraction};
        state_.records.edit(id, [&](WindowRecord& record) { record.fullScreenReturn = back; });
        departures_.forget(id);
        return false;
    }
    if (!window) return false;
    if (departure.kind == Departure::Kind::minimized &&
        now() - departure.time > kMinimizedPlaceKept) {
        // Its place is long gone: a new column like any other, with its original frame kept.
        departures_.forget(id);
        return add(element, pid, focus);
    }
    std::optional<std::string> fallback = hooks_.displayInUse(window->frame);
    if (!fallback) fallback = state_.activeUUID;
    // The strip's focus before it comes back (0: none).
    const WindowID focusBefore =
        fallback && state_.display(*fallback)
            ? state_.display(*fallback)->strip.focusedWindowID().value_or(0)
            : 0;
    const Departures::Placed placed = departures_.placeBack({*window}, fallback);
    const auto where = placed.where.find(id);
    if (where == placed.where.end()) return false;
    const auto& [uuid, index] = where->second;
    log_.info("Add %{public}s '%{private}s' at column %ld on %{public}s", window->appName,
              window->title, long(index + 1), state_.displayName(uuid));
    // A window the user activated while it was away or minimised (a click right after a desktop
    // switch) keeps that focus: its focus event came while it stood in no column.
    // A command that chose the focus since it came back keeps it: our raise is on its way.
    // Another window the user focused since it was restored (a click right after) keeps it too.
    const bool focused =
        !commandSinceReturn_ && ((focus && pid == state_.frontmostPID && !focusSinceReturn_) ||
                                 activeAlready(element, pid));
    Strip& strip = state_.display(uuid)->strip;
    if (focused) {
        strip.focus(id);
    } else if (commandSinceReturn_ && strip.focusedWindowID() == id && focusBefore != 0 &&
               focusBefore != id) {
        // Coming back gave it the focus it had when it left; the command's window keeps it.
        strip.focus(focusBefore);
    } else if (strip.focusedWindowID() == id && focusBefore != id) {
        // Coming back gave it the focus it had when it left; the window the user activated since
        // (already back) keeps it.
        const AXElementRef active = focusedWindow(state_.frontmostPID);
        if (active && active->identity() != id && strip.locate(active->identity()) &&
            activeAlready(active, state_.frontmostPID))
            strip.focus(active->identity());
    }
    for (const std::string& changed : placed.displays) hooks_.structureChanged(changed);
    if (focused) {
        state_.activeUUID = uuid;
        hooks_.publishSnapshot(SnapshotReason::focus(uuid));
    }
    return true;
}

int ApplicationTracker::insertNew(Strip& strip, WindowID id, double width) const {
    if (!strip.focusedIndex || size_t(*strip.focusedIndex) >= strip.columns.size() ||
        strip.columns[size_t(*strip.focusedIndex)].pin)
        return strip.insertWindow(id, width);
    // After the focused column, and after the windows opened before this one that still wait for
    // the window manager's focus: new windows stand in the order they were opened, also when a
    // catch-up adopts them application by application.
    const auto creation = atCreation_.find(id);
    const std::uint64_t order = creation != atCreation_.end()
                                    ? creation->second.order
                                    : std::numeric_limits<std::uint64_t>::max();
    const auto createdAt = [&](size_t index) {
        return strip.columns[index].windows.size() == 1
                   ? state_.records.get(strip.columns[index].windows.front()).createdOrder
                   : 0;
    };
    size_t at = size_t(*strip.focusedIndex) + 1;
    // Before the windows opened after it that were adopted first.
    while (at > 0 && createdAt(at - 1) > order) --at;
    while (at < strip.columns.size() && strip.columns[at].windows.size() == 1) {
        const WindowRecord waiting = state_.records.get(strip.columns[at].windows.front());
        // Opened before this one and adopted after it was opened: one right after another,
        // whoever has had the focus since.
        const bool inARow = waiting.createdOrder != 0 && waiting.createdOrder < order &&
                            order <= waiting.createdByAdoption;
        if (!inARow && (!waiting.mappedUnfocused || waiting.createdOrder > order)) break;
        ++at;
    }
    return strip.insertColumn(Column::single(id, width), int(at));
}

bool ApplicationTracker::activeAlready(const AXElementRef& element, std::int32_t pid) const {
    const auto observer = state_.observers.find(pid);
    return observer != state_.observers.end() &&
           AX::boolAttribute(observer->second->appElement(), ax::frontmost).value_or(false) &&
           AX::boolAttribute(element, ax::main).value_or(false);
}

void ApplicationTracker::keepWayBackFromFullScreen(WindowID id) {
    // The full-screen command notes it before asking; a window that went by itself (its own
    // full-screen key) comes back to its column just the same, not after the focused one.
    if (state_.records.get(id).fullScreenReturn) return;
    const auto location = state_.locate(id);
    if (!location) return;
    const DisplayState* display = state_.display(location->first);
    if (!display) return;
    const Column& column = display->strip.columns[size_t(location->second.column)];
    const FullScreenReturn back{location->first, location->second.column, column.widthFraction};
    state_.records.edit(id, [&](WindowRecord& record) { record.fullScreenReturn = back; });
}

const char* ApplicationTracker::removalText(Removal reason) {
    switch (reason) {
        case Removal::gone:
            return "gone";
        case Removal::floated:
            return "floated";
        case Removal::appRuleFloat:
            return "app rule: float";
        case Removal::appQuit:
            return "app quit";
        case Removal::closed:
            return "closed";
        case Removal::minimized:
            return "minimized";
        case Removal::fullScreen:
            return "fullscreen";
    }
    return "?";
}

std::optional<std::string> ApplicationTracker::removeFromStrip(WindowID id, Removal reason) {
    const auto found = state_.windows.find(id);
    if (found == state_.windows.end()) return std::nullopt;
    const ManagedWindow window = found->second;
    state_.windows.erase(found);
    forgetWindowRecords(id, reason == Removal::fullScreen);
    const auto location = state_.locate(id);
    if (location) {
        if (DisplayState* display = state_.display(location->first)) display->strip.remove(id);
    } else {
        for (auto& [uuid, strip] : state_.waitingStrips) strip.remove(id);
    }
    log_.info("Remove %{public}s '%{private}s': %{public}s", window.appName, window.title,
              std::string(removalText(reason)));
    if (!location) return std::nullopt;
    return location->first;
}

void ApplicationTracker::remove(WindowID id, Removal reason) {
    removeFromStrip(id, reason);
}

void ApplicationTracker::removeAndRelayout(WindowID id, Removal reason) {
    if (const std::optional<std::string> uuid = removeFromStrip(id, reason))
        hooks_.structureChanged(*uuid);
}

void ApplicationTracker::handle(AppObserver::Event event, const AXElementRef& element,
                                std::int32_t pid) {
    if (!element) return;
    const WindowID id = element->identity();
    const bool managed = state_.windows.contains(id);
    // Which window heard what, and in which state it was: the order of these events decides
    // where windows that leave and come back end up.
    log_.debug("Window %lu %{public}s (%{public}s)", id, eventText(event),
               managed                        ? "tiled"
               : state_.departed.contains(id) ? "away"
                                              : "untiled");
    switch (event) {
        case AppObserver::Event::windowCreated:
            if (managed) break;
            atCreation_[id] = {focusesHandedOn_, state_.commandChoices, false, othersFocuses_,
                               ++windowsCreated_};
            hooks_.runAfter(kFirstAdoptDelay,
                            [this, element, pid] { add(element, pid, true, true); });
            hooks_.runAfter(kSecondAdoptDelay,
                            [this, element, pid] { add(element, pid, true, true); });
            break;
        case AppObserver::Event::windowDestroyed:
            minimisesHeard_.erase(id);
            if (hooks_.windowClosed) hooks_.windowClosed(id);
            state_.records.edit(id, [](WindowRecord& record) { record.userFloating = false; });
            if (managed) {
                removeAndRelayout(id, Removal::closed);
            } else {
                // A window closed while in full screen, floating or untiled: its id may come
                // back for another window, so nothing of it is kept.
                forgetWindowRecords(id, false);
            }
            break;
        case AppObserver::Event::focusedWindowChanged:
            // Heard before its application's activation, too: the window manager's answer to the
            // map came.
            if (const auto creation = atCreation_.find(id); creation != atCreation_.end())
                creation->second.focused = true;
            if (pid == state_.frontmostPID) {
                // The window just handed on, told again (its application's activation told it
                // first): no news.
                if (id != focusHandedOn_) handFocusOn(id);
            } else if (hooks_.windowFocusedAside) {
                // Its activation may be heard after the focus has gone on elsewhere.
                hooks_.windowFocusedAside(id);
            }
            break;
        case AppObserver::Event::minimized:
            ++minimisesHeard_[id];
            if (hooks_.windowHidden) hooks_.windowHidden(id);
            if (managed) queueDeparture(id, Departure::Kind::minimized);
            dropPendingReturn(id);
            break;
        case AppObserver::Event::away:
            if (hooks_.windowHidden) hooks_.windowHidden(id);
            if (managed) queueDeparture(id, Departure::Kind::away);
            dropPendingReturn(id);
            break;
        case AppObserver::Event::restored:
        case AppObserver::Event::back: {
            // The user switching desktops brings windows back; that gives none the focus.
            const bool focus = event == AppObserver::Event::restored;
            if (focus && hooks_.windowRestored) hooks_.windowRestored(id);
            if (pendingDepartures_.contains(id) || state_.departed.contains(id)) {
                queueReturn(element, pid, focus);
            } else if (!managed) {
                // Minimised before it was adopted, and shown again by the user: whatever was
                // chosen since it first appeared came before this.
                if (focus) atCreation_.erase(id);
                add(element, pid, focus);
            }
            break;
        }
        case AppObserver::Event::resized:
            if (!managed) {
                add(element, pid, true);
            } else if (AX::boolAttribute(element, ax::fullScreen).value_or(false)) {
                keepWayBackFromFullScreen(id);
                removeAndRelayout(id, Removal::fullScreen);
            } else {
                hooks_.windowResized(id);
            }
            break;
        case AppObserver::Event::moved:
            if (managed) hooks_.windowMoved(id);
            break;
        case AppObserver::Event::maximizedChanged:
            if (managed) hooks_.windowMaximizedChanged(id);
            break;
        case AppObserver::Event::titleChanged:
            if (!managed) break;
            if (const std::optional<std::string> title = AX::stringAttribute(element, ax::title)) {
                ManagedWindow& window = state_.windows.at(id);
                if (*title != window.title) {
                    window.title = *title;
                    hooks_.publishSnapshot(SnapshotReason::quiet());
                }
            }
            break;
    }
}

std::uint64_t ApplicationTracker::minimisesHeard(WindowID id) const {
    const auto found = minimisesHeard_.find(id);
    return found == minimisesHeard_.end() ? 0 : found->second;
}

}  // namespace brindlow
