// Start and stop: the main-thread side (notifications, timers, the bounded wait at quit) and the
// start body and the quit restore on the strip queue.
#include <algorithm>
#include <chrono>
#include <future>

#include "controller/Departures.h"
#include "controller/MaximizedState.h"
#include "controller/StripController.h"
#include "settings/JSONFiles.h"
#include "settings/UsableSettings.h"
#include "windows/AX.h"
#include "windows/FrameRecords.h"
#include "windows/WindowObserver.h"

namespace brindlow {

void StripController::start(const AppSettings& settings) {
    if (!workspaceTokens_.empty() || stopped_.load()) return;
    Workspace& workspace = *env_.platform.workspace;
    const std::vector<AppRef> apps = AppRef::runningApps(workspace);
    const std::optional<RunningApplication> frontmost = workspace.frontmostApplication();
    const std::int32_t frontmostPID = frontmost ? frontmost->pid : 0;
    lastDisplays_ = DisplayInfo::current(*env_.platform.screens);
    registerObservers();
    // A hand-edited file may hold anything: the first layout already holds what cannot be used.
    enqueue([this, apps, frontmostPID, displays = lastDisplays_,
             settings = usableSettings(settings, DisplayInfo::usableSizes(lastDisplays_))] {
        startOnQueue(apps, frontmostPID, displays, settings);
    });
}

void StripController::registerObservers() {
    Workspace& workspace = *env_.platform.workspace;
    std::weak_ptr<StripController*> weak = weakSelf_;
    const auto forward = [weak](void (StripController::*handler)(const RunningApplication&)) {
        return [weak, handler](const RunningApplication& app) {
            if (auto alive = weak.lock()) ((*alive)->*handler)(app);
        };
    };
    workspaceTokens_.emplace_back(
        WorkspaceEvent::didLaunch,
        workspace.addObserver(WorkspaceEvent::didLaunch,
                              forward(&StripController::appLaunchedNotification)));
    workspaceTokens_.emplace_back(
        WorkspaceEvent::didTerminate,
        workspace.addObserver(WorkspaceEvent::didTerminate,
                              forward(&StripController::appTerminatedNotification)));
    workspaceTokens_.emplace_back(
        WorkspaceEvent::didActivate,
        workspace.addObserver(WorkspaceEvent::didActivate,
                              forward(&StripController::appActivatedNotification)));
    workspaceTokens_.emplace_back(
        WorkspaceEvent::didDeactivate,
        workspace.addObserver(WorkspaceEvent::didDeactivate,
                              forward(&StripController::appDeactivatedNotification)));
    screensToken_ = env_.platform.screens->addChangeObserver([weak] {
        if (auto alive = weak.lock()) (*alive)->screensMayHaveChanged();
    });
    stackingToken_ = env_.platform.windowList->addStackingObserver([weak] {
        if (auto alive = weak.lock()) (*alive)->stackingChanged();
    });
    ticks_.emplace(now(), std::vector<double>{kDisplayRereadInterval, kCatchUpInterval});
    scheduleTicks();
}

// The repeating main-queue timers: one wake-up for the next tick due, whichever it is. They end
// when the controller stops or goes away.
void StripController::scheduleTicks() {
    std::weak_ptr<StripController*> weak = weakSelf_;
    main_.asyncAfter(std::max(0.0, ticks_->nextDue() - now()), [weak] {
        auto alive = weak.lock();
        if (!alive || (*alive)->stopped_.load()) return;
        (*alive)->runDueTicks();
    });
}

void StripController::runDueTicks() {
    // The display first: a pass due at the same moment then sees the new displays.
    for (const std::size_t tick : ticks_->takeDue(now()))
        tick == 0 ? screensMayHaveChanged() : catchUpTick();
    scheduleTicks();
}

void StripController::appLaunchedNotification(const RunningApplication& app) {
    if (stopped_.load()) return;
    const std::optional<AppRef> ref =
        AppRef::make(app, env_.platform.workspace->currentProcessID());
    if (!ref) return;
    enqueue([this, ref = *ref] { tracker_->observeLaunched(ref, 0); });
}

void StripController::appTerminatedNotification(const RunningApplication& app) {
    if (stopped_.load()) return;
    enqueue([this, pid = app.pid] { tracker_->appQuit(pid); });
}

void StripController::appActivatedNotification(const RunningApplication& app) {
    if (stopped_.load()) return;
    const std::int32_t ownPID = env_.platform.workspace->currentProcessID();
    const std::optional<AppRef> ref = AppRef::make(app, ownPID);
    enqueue([this, ref, pid = app.pid, ownPID] {
        // One of our own panels took the focus; the strip never raises those, so this is no
        // answer to a raise of ours.
        if (pid == ownPID) dropRaisesAwaitingLanding();
        tracker_->appActivated(ref, pid);
    });
}

void StripController::appDeactivatedNotification(const RunningApplication&) {
    if (stopped_.load()) return;
    enqueue([this] { focusLost(); });
}

void StripController::catchUpTick() {
    if (stopped_.load()) return;
    // The count is read before the applications, so a change between the two reads is newer
    // than the mark and brings the next pass.
    CatchUpGate::Look look{env_.platform.accessibility->changeCount(),
                           AppRef::runningApps(*env_.platform.workspace)};
    if (!catchUpGate_.needsPass(look)) return;
    std::weak_ptr<StripController*> weak = weakSelf_;
    queue_->async([weak, look = std::move(look)] {
        auto alive = weak.lock();
        if (!alive || (*alive)->stopped_.load()) return;
        StripController& self = **alive;
        self.catchUpGate_.passed(look, self.tracker_->catchUp(look.running));
    });
}

// MARK: Stop

void StripController::beginStop(std::function<void()> done) {
    // Marked first, so ticks, timers, events and commands already queued do nothing from here on.
    stopped_ = true;
    queue_->async([this, done = std::move(done)] {
        displayLink_->stop();
        session_->saveIfPending();
        restoreWindowsForQuit();
        restoreEnhancedUI();
        if (done) done();
    });
}

bool StripController::stop(double timeout) {
    auto finished = std::make_shared<std::promise<void>>();
    std::future<void> signal = finished->get_future();
    beginStop([finished] { finished->set_value(); });
    return signal.wait_for(std::chrono::duration<double>(timeout)) == std::future_status::ready;
}

// MARK: Start body

void StripController::startOnQueue(const std::vector<AppRef>& apps, std::int32_t frontmostPID,
                                   const std::vector<DisplayInfo>& displays,
                                   const AppSettings& settings) {
    if (state_.started) return;
    state_.started = true;
    state_.settings = settings;
    state_.frontmostPID = frontmostPID;
    displaysChanged(displays);

    std::vector<ManagedWindow> collected;
    // Windows out of sight (on another desktop, minimised) are adopted too and leave at once, so
    // the saved session gives them their places and the original-frames file their frames for
    // when they come back, and the quit puts them back as well.
    std::map<WindowID, Departure::Kind> outOfSight;
    for (const AppRef& app : apps) {
        const std::optional<std::vector<AXElementRef>> elements = tracker_->observe(app);
        if (!elements) {
            // The retry runs right after this body: windows it adopts now would be lost when
            // the restored strips replace the current ones below.
            enqueue([this, app] { tracker_->observeLaunched(app, 1); });
            continue;
        }
        for (const AXElementRef& element : *elements) {
            if (!element) continue;
            if (state_.records.isUserFloating(element->identity())) continue;
            if (app.bundleID) {
                const std::optional<AppRule> rule = state_.settings.rule(*app.bundleID);
                if (rule && rule->behavior == AppBehavior::floating) continue;
            }
            std::optional<ManagedWindow> window = WindowObserver::makeManagedWindow(
                element, app, &state_.verdicts, WindowObserver::OutOfSight::accepted);
            if (!window) continue;
            if (AX::boolAttribute(element, ax::away).value_or(false))
                outOfSight[window->id] = Departure::Kind::away;
            else if (AX::boolAttribute(element, ax::minimized).value_or(false))
                outOfSight[window->id] = Departure::Kind::minimized;
            collected.push_back(std::move(*window));
        }
    }
    const size_t outOfSightCount = outOfSight.size();
    // Windows left parked by a run that ended without putting them back get their true originals
    // from the file, and their maximised state, which they had left by then.
    std::vector<WindowFrameRecord> live = frameRecords(collected);
    for (std::size_t i = 0; i < live.size(); ++i)
        live[i].maximized = MaximizedState::isMaximized(collected[i].element);
    const std::map<WindowID, OriginalFrame> originals = originals_->adopt(live);
    for (const ManagedWindow& window : collected) {
        state_.windows[window.id] = window;
        // Maximised, it would stay over the other columns at the whole work area: it leaves that
        // state to be tiled and gets it back at the quit, with its frame.
        MaximizedState::clear(window.element);
        state_.records.edit(window.id, [&](WindowRecord& record) {
            record.originalFrame = originals.at(window.id).frame;
            record.originalMaximized = originals.at(window.id).maximized;
        });
        if (outOfSight.contains(window.id)) {
            log_.info("Keep %{public}s '%{private}s' until it comes back", window.appName,
                      window.title);
        } else {
            log_.info("Add %{public}s '%{private}s'", window.appName, window.title);
        }
    }

    std::vector<WindowCandidate> candidates;
    for (const ManagedWindow& window : collected) {
        std::optional<std::string> uuid = displayInUse(window.frame);
        // Out of view, a window may stand anywhere: it belongs to the first display.
        if (!uuid && outOfSight.contains(window.id) && !state_.displayOrder.empty())
            uuid = state_.displayOrder.front();
        if (!uuid) {
            outOfSight.erase(window.id);
            state_.windows.erase(window.id);
            state_.records.edit(window.id,
                                [](WindowRecord& record) { record.originalFrame.reset(); });
            continue;
        }
        candidates.push_back(WindowCandidate{window.id, window.bundleID.value_or(window.appName),
                                             window.title, *uuid, window.frame});
    }

    session_->place(session_->stored(), candidates);
    for (const Departure::Kind kind : {Departure::Kind::away, Departure::Kind::minimized}) {
        std::vector<WindowID> leaving;
        for (const auto& [id, each] : outOfSight)
            if (each == kind) leaving.push_back(id);
        Departures(state_).leave(leaving, kind, now());
    }

    for (const std::string& uuid : state_.displayOrder) unstackColumnsWithoutRoom(uuid);

    const AXElementRef focused = focusedWindow(state_.frontmostPID);
    raiseEchoes_.reset(focused ? std::optional(focused->identity()) : std::nullopt);
    if (focused) {
        if (const auto location = locate(focused->identity())) {
            if (DisplayState* display = stateOf(location->first)) {
                display->strip.focus(focused->identity());
                state_.activeUUID = location->first;
            }
        }
    }

    for (const std::string& uuid : state_.displayOrder) {
        clampViewport(uuid);
        if (DisplayState* display = stateOf(uuid))
            display->displayedOffset = display->strip.scrollOffset;
    }
    log_.info("Start: %ld windows on %ld displays", long(collected.size() - outOfSightCount),
              long(state_.displayOrder.size()));
    for (const std::string& uuid : std::vector<std::string>(state_.displayOrder)) relayout(uuid);
    publishSnapshot(SnapshotReason::structure());
    // A window manager that focuses under the pointer may have no window focused as we start
    // (the pointer rests where no window was entered): the strip's focus, which its border
    // shows, is given the focus, so that both name the same window.
    const AXElementRef front =
        env_.platform.accessibility && state_.frontmostPID
            ? env_.platform.accessibility->applicationElement(state_.frontmostPID)
            : nullptr;
    if (state_.activeUUID && env_.windowManagerTraits().focusModel == FocusModel::followsPointer &&
        !(front && AX::boolAttribute(front, ax::frontmost).value_or(false)))
        raiseFocused(*state_.activeUUID);
}

// MARK: Putting windows back

void StripController::restoreWindowsForQuit() {
    raiser_->cancelPending();
    asyncMover_->flush();
    std::vector<Rect> screens;
    for (const DisplayInfo& display : state_.allDisplays) screens.push_back(display.frame);

    // Only windows that reached their place count: one that vanished or refused a write is not
    // back.
    long moved = 0;
    const auto count = [&moved](const MoveResult& result) {
        if (!result.gone && result.errors.empty()) ++moved;
    };
    std::set<WindowID> planned;
    const auto putBack = [&](const std::vector<LayoutEngine::QuitWindow>& windows,
                             const Rect& area) {
        const std::map<WindowID, Rect> plan = LayoutEngine::quitPlan(windows, screens, area, 24.0);
        std::vector<std::pair<ManagedWindow, Rect>> moves;
        for (const auto& [id, frame] : plan) {
            if (const auto window = state_.windows.find(id); window != state_.windows.end())
                moves.emplace_back(window->second, frame);
            else if (const auto away = state_.departed.find(id); away != state_.departed.end())
                moves.emplace_back(away->second.window, frame);
        }
        // Together where the platform can, so every window goes back with one wait. From where
        // each one really stands: the frame recorded for it may be stale (moved while out of
        // sight, by its application or by a new window manager).
        for (const MoveResult& result : windowMover_.moveAll(moves, true)) count(result);
    };

    for (const std::string& uuid : state_.displayOrder) {
        const DisplayState* display = stateOf(uuid);
        if (!display) continue;
        std::vector<LayoutEngine::QuitWindow> windows;
        for (const Placement& placement : display->lastLayout.placements) {
            const auto window = state_.windows.find(placement.windowID);
            if (window == state_.windows.end() || planned.contains(placement.windowID)) continue;
            planned.insert(placement.windowID);
            windows.push_back(
                quitWindow(window->second, placement.isParked || !placement.isVisible));
        }
        // Windows of the strip no layout placed (back while tiling was paused, or as the quit
        // began) stand wherever they were left: they go back too.
        for (const auto& [id, window] : state_.windows) {
            if (planned.contains(id)) continue;
            const auto location = locate(id);
            if (!location || location->first != uuid) continue;
            planned.insert(id);
            windows.push_back(quitWindow(window, true));
        }
        putBack(windows, display->info.visible);
    }

    // Windows that belong to no strip any more (their last display went away) still stand where
    // their strip left them: they go back too, onto the first connected display.
    std::vector<LayoutEngine::QuitWindow> strays;
    std::map<WindowID, ManagedWindow> strayWindows;
    for (const auto& [id, window] : state_.windows)
        if (!planned.contains(id) && !locate(id)) {
            strays.push_back(quitWindow(window, true));
            strayWindows.emplace(id, window);
        }
    // Windows out of sight for a while (on another desktop, minimised) were tiled too: they go
    // back to where they stood before, wherever they are now; one adopted after the start is
    // brought on screen, as a parked one is.
    for (const auto& [id, departure] : state_.departed) {
        strays.push_back(quitWindow(departure.window, true));
        strayWindows.emplace(id, departure.window);
    }
    if (!strays.empty()) {
        if (!state_.allDisplays.empty()) {
            putBack(strays, state_.allDisplays.front().visible);
        } else {
            for (const LayoutEngine::QuitWindow& stray : strays) {
                if (!stray.original) continue;
                count(windowMover_.move(strayWindows.at(stray.id), *stray.original, true));
            }
        }
    }
    for (const auto& [id, record] : state_.records.all()) {
        if (!record.originalMaximized || !record.originalFrame) continue;
        if (const auto window = state_.windows.find(id); window != state_.windows.end())
            window->second.element->setAttributeValue(ax::maximized, true);
        else if (const auto away = state_.departed.find(id); away != state_.departed.end())
            away->second.window.element->setAttributeValue(ax::maximized, true);
    }
    log_.info("Put %ld windows back before quitting", moved);
    originals_->forget();
}

LayoutEngine::QuitWindow StripController::quitWindow(const ManagedWindow& window,
                                                     bool hidden) const {
    LayoutEngine::QuitWindow quit;
    quit.id = window.id;
    quit.current = window.frame;
    if (const std::optional<Rect> original = state_.records.get(window.id).originalFrame)
        quit.original = *original;
    quit.hidden = hidden;
    return quit;
}

void StripController::restoreEnhancedUI() {
    for (const std::int32_t pid : state_.enhancedUISuspended) windowMover_.enableEnhancedUI(pid);
    state_.enhancedUISuspended.clear();
    state_.enhancedUIChecked.clear();
}

}  // namespace brindlow
