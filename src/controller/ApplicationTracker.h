#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "controller/ApplicationWatch.h"
#include "controller/Departures.h"
#include "controller/Snapshot.h"
#include "controller/StripControllerEnvironment.h"
#include "controller/StripControllerState.h"
#include "platform/Log.h"
#include "windows/AppObserver.h"
#include "windows/AppRef.h"
#include "windows/AsyncMover.h"

namespace brindlow {

// Follows the applications and their windows: observes each running application, adopts its
// windows into the strips, takes them off again when they close, minimise, float or go full
// screen, reacts to the applications' window events, and catches up on windows that were missed.
// Runs on the strip queue, on the state its owner keeps.
class ApplicationTracker {
  public:
    // What the tracker asks of its owner.
    struct Hooks {
        // Runs `block` on the strip queue soon; safe to call from any thread, also once the owner
        // is gone (then nothing runs).
        std::function<void(std::function<void()> block)> run;
        // Runs `block` on the strip queue `seconds` later (nothing once the owner is gone).
        std::function<void(double seconds, std::function<void()> block)> runAfter;
        // The strip of display `uuid` changed its structure.
        std::function<void(const std::string& uuid)> structureChanged;
        std::function<void(const SnapshotReason& reason)> publishSnapshot;
        // The frontmost application's focused window is now `id`.
        // Returns whether the focus change was somebody else's (not an answer to our raise).
        std::function<bool(WindowID id)> windowFocused;
        // The focused window of display `uuid` is to be raised and focused.
        std::function<void(const std::string& uuid)> raiseFocused;
        // The window manager focused `id` of an application not (yet) frontmost.
        std::function<void(WindowID id)> windowFocusedAside;
        // The focused window of display `uuid` left minimised; the strip focuses another.
        std::function<void(const std::string& uuid)> focusedWindowMinimised;
        // The focus went to `id`, a window not yet adopted, after a command chose another window
        // since `id` appeared. Returns whether it was declined as the window manager's late answer
        // to the map (nobody's choice), not followed.
        std::function<bool(WindowID id)> mapFocusAfterCommand;
        // `id`, tiled or not, closed.
        std::function<void(WindowID id)> windowClosed;
        // `id` was minimised or left for another desktop.
        std::function<void(WindowID id)> windowHidden;
        // `id` was shown again after a minimise (restored by the user, not by us).
        std::function<void(WindowID id)> windowRestored;
        // `id`, a window just opened, took the strip's focus as it was adopted.
        std::function<void(WindowID id)> newWindowFocused;
        // A tiled window was moved by someone else.
        std::function<void(WindowID id)> windowMoved;
        // A tiled window was resized by someone else (the user, its application).
        std::function<void(WindowID id)> windowResized;
        // A tiled window was maximised, or left its maximised state.
        std::function<void(WindowID id)> windowMaximizedChanged;
        // The display in use that a window with `frame` belongs to.
        std::function<std::optional<std::string>(const Rect& frame)> displayInUse;
    };

    // Why a window leaves the strip; the way back from full screen survives only `fullScreen`.
    enum class Removal { gone, floated, appRuleFloat, appQuit, closed, minimized, fullScreen };

    // A new window is adopted after these delays (its attributes settle after it appears).
    static constexpr double kFirstAdoptDelay = 0.15;
    static constexpr double kSecondAdoptDelay = 0.8;
    // Windows that leave or come back within this long are moved together: a desktop switch
    // reports each window on its own, and their places are taken from the strip as it stood.
    static constexpr double kDepartureGathering = 0.05;
    // A window that left as minimised and is back within this long goes back to its place in the
    // strip; later it comes back like a new window (its original frame is kept either way). Here
    // "minimised" is also a window its application withdrew and maps again: that may not reorder
    // the strip, nor may a minimise undone at once.
    static constexpr double kMinimizedPlaceKept = 60.0;

    ApplicationTracker(StripControllerState& state, const StripControllerEnvironment& env,
                       AsyncMover& asyncMover, Hooks hooks);

    // The applications' observers and the catch-up pass (ApplicationWatch).
    std::optional<std::vector<AXElementRef>> observe(const AppRef& app) {
        return watch_.observe(app);
    }
    void observeLaunched(const AppRef& app, int attempt) { watch_.observeLaunched(app, attempt); }
    void appQuit(std::int32_t pid);
    void appActivated(const std::optional<AppRef>& app, std::int32_t pid);
    // No window has the focus: the window handed on last, focused again, is news.
    void focusLost() { focusHandedOn_.reset(); }
    bool catchUp(const std::vector<AppRef>& running) { return watch_.catchUp(running); }
    int rescanWindows(bool respectingBackoff) { return watch_.rescanWindows(respectingBackoff); }
    // Adopts a window into the strip of its display; false when it is not tiled. `created`: as
    // the window was just opened.
    bool add(const AXElementRef& element, std::int32_t pid, bool focus, bool created = false);
    // Takes a window off its strip and forgets its tiling records.
    void remove(WindowID id, Removal reason);
    // The same, then the display is laid out again.
    void removeAndRelayout(WindowID id, Removal reason);
    // Every record kept about one window beside its place in a strip.
    void forgetWindowRecords(WindowID id, bool keepFullScreenReturn);
    AXElementRef focusedWindow(std::int32_t pid) const;
    // Tells the controller the focus is on `id` now.
    void handFocusOn(WindowID id);
    // Tiled windows out of sight for a while, with their places.
    const Departures& departures() const { return departures_; }
    // Takes the windows gathered as leaving or coming back off or into their strips now rather
    // than when the gathering ends: a command given right after a desktop switch or a restore acts
    // on the windows the user sees, not on those of the desktop left behind.
    void settleGatheredNow();

    // The reason as the log line says it.
    static const char* removalText(Removal reason);
    // How many minimises of `id` have been heard: a raise of it says so, and undoes none after.
    std::uint64_t minimisesHeard(WindowID id) const;

  private:
    ApplicationWatch::Hooks watchHooks();
    std::optional<ManagedWindow> candidate(const AXElementRef& element, const AppRef& app) const;
    // Removes the window; the display it was on, if any.
    std::optional<std::string> removeFromStrip(WindowID id, Removal reason);
    void handle(AppObserver::Event event, const AXElementRef& element, std::int32_t pid);
    // A tiled window entering full screen keeps its column's place and width to come back to.
    void keepWayBackFromFullScreen(WindowID id);
    // A managed window leaves its strip for a while (its place and records kept).
    void queueDeparture(WindowID id, Departure::Kind kind);
    // A window that left comes back to its place.
    void queueReturn(const AXElementRef& element, std::int32_t pid, bool focus);
    void scheduleSettle();
    // A gathered return of `id` is no longer to be settled.
    void dropPendingReturn(WindowID id);
    void settleDepartures();
    // Puts a window that left back where it stood; false when it cannot be tiled now.
    bool addReturning(const AXElementRef& element, std::int32_t pid, bool focus);
    // Whether the window manager made `element` the active window already (its focus event may
    // have come while the window was not ours to focus).
    bool activeAlready(const AXElementRef& element, std::int32_t pid) const;
    // Inserts a new window's column; returns its index.
    int insertNew(Strip& strip, WindowID id, double width) const;
    double now() const { return clock_.now(); }

    StripControllerState& state_;
    const StripControllerEnvironment& env_;
    Clock& clock_;
    AsyncMover* const asyncMover_;
    // The window whose focus was last handed on to the controller.
    std::optional<WindowID> focusHandedOn_;
    // The window last handed on was declined as a late answer to its map: nobody chose it.
    bool handOnDeclined_ = false;
    // Focus events handed on so far, and how many there had been (and command choices) when each
    // window waiting to be adopted was created: one handed on for another window since, or a
    // command's choice, was the user's later choice.
    std::uint64_t focusesHandedOn_ = 0;
    // The commands' focus choices counted when the last focus was handed on.
    std::uint64_t commandChoicesAtHandOn_ = 0;
    struct AtCreation {
        std::uint64_t focusesHandedOn = 0;
        std::uint64_t commandChoices = 0;
        // The window manager focused it before it was adopted: its answer to the map came.
        bool focused = false;
        std::uint64_t othersFocuses = 0;
        // Its place among the windows created so far.
        std::uint64_t order = 0;
    };
    std::uint64_t windowsCreated_ = 0;
    // Focus changes of somebody else's so far (answers to our raises left out), and the last.
    std::uint64_t othersFocuses_ = 0;
    std::optional<WindowID> othersLastFocus_;
    std::map<WindowID, AtCreation> atCreation_;
    Hooks hooks_;
    Logger log_;
    Departures departures_;
    struct PendingReturn {
        WindowID id = 0;
        AXElementRef element;
        std::int32_t pid = 0;
        bool focus = false;
        std::uint64_t commandChoices = 0;  // counted when it came back
        std::uint64_t othersFocuses = 0;   // counted when it came back
    };
    std::uint64_t returnsHeard_ = 0;
    // While a gathered return is added: whether a command chose the focus since it came back.
    bool commandSinceReturn_ = false;
    // ... and whether somebody else (the user's click) focused another window since.
    bool focusSinceReturn_ = false;
    std::map<WindowID, Departure::Kind> pendingDepartures_;
    // Keyed by their place among the returns heard: settled in the order they came back.
    std::map<std::uint64_t, PendingReturn> pendingReturns_;
    bool settleScheduled_ = false;
    std::map<WindowID, std::uint64_t> minimisesHeard_;
    // Gatherings settled so far: a scheduled settle finds its gathering settled early.
    std::uint64_t gatheringsSettled_ = 0;
    // After hooks_: its hooks copy them.
    ApplicationWatch watch_;
};

}  // namespace brindlow
