#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "command/BadgeRequest.h"
#include "command/Command.h"
#include "controller/StripControllerMembers.h"
#include "settings/AppSettings.h"
#include "settings/GestureUnit.h"
#include "settings/ToastMessage.h"

namespace brindlow {

// The one owner of all strip state: the displays in use with their strips, the tiled windows,
// the observed applications, learned sizes, the animation clock. Every piece of that state lives
// on the strip queue; the public operations only queue work there and return. Results leave
// through three callbacks, always called on the main queue in the order they were made.
class StripController : private StripControllerMembers {
  public:
    static constexpr const char* kQueueLabel = "com.vemto.brindlow.strip";
    // The main thread's repeating timers: the displays read again, the catch-up pass.
    static constexpr double kDisplayRereadInterval = 2.0;
    static constexpr double kCatchUpInterval = 3.0;

    explicit StripController(StripControllerEnvironment environment);
    ~StripController();
    StripController(const StripController&) = delete;
    StripController& operator=(const StripController&) = delete;

    // The application's one instance, made by installShared before its first use.
    static void installShared(StripControllerEnvironment environment);
    static StripController& shared();

    // Set on the main thread before start; called only on the main queue.
    std::function<void(const StripSnapshot&)> onSnapshot;
    std::function<void(const std::vector<FocusFrame>&)> onFocusFrames;
    std::function<void(const ToastMessage&)> onMessage;
    // A window our moves slid under a still pointer took the keys while one of our own windows
    // had them: the keys go back to that window of ours. Without it, or when none of ours is left
    // to take them (see ownWindowKeptNoKeys), the strip's focused window gets them.
    std::function<void()> onOwnKeysTaken;

    // MARK: Main thread

    // Reads applications, the frontmost one and the displays, registers the workspace and screen
    // notifications and the 2.0 s display and 3.0 s catch-up timers (on one grid, so they meet
    // every 6 s in one wake-up), and queues the start body.
    // A second call does nothing. Settings here and in updateSettings() are used as written,
    // but for values that cannot be used (usableSettings, with the displays' usable sizes).
    void start(const AppSettings& settings);
    // Marks the controller stopped (every later tick, timer, event and command does nothing),
    // then on the strip queue stops the display clock, puts every window back and switches the
    // enhanced user interface back on. Waits at most `timeout` seconds; true when it finished.
    bool stop(double timeout = 2.0);
    // The same without waiting: `done` runs on the strip queue when the windows are back.
    void beginStop(std::function<void()> done);
    void screensMayHaveChanged();
    // Hands a catch-up pass to the strip queue unless the last pass found nothing to do and
    // nothing has changed since (CatchUpGate).
    void catchUpTick();
    void appLaunchedNotification(const RunningApplication& app);
    void appTerminatedNotification(const RunningApplication& app);
    void appActivatedNotification(const RunningApplication& app);
    void appDeactivatedNotification(const RunningApplication& app);

    // MARK: Any thread

    void updateSettings(AppSettings settings);
    void perform(Command command);
    // The display clock's frame, on its thread.
    void frameTick(double frameTime);

    bool isStopped() const { return stopped_.load(); }

    // Entry points for other subsystems (any thread; each only queues its work). Completions run
    // on the strip queue.
    void jump(WindowID id);
    // One of our own windows (a panel, the settings window) is about to take the focus: a raise
    // asked for before it, even one waiting for a scroll to land, must not take the focus away
    // from it. Any thread.
    void yieldFocusToOwnWindow();
    // After onOwnKeysTaken: none of our windows was there to take the keys back, so the strip's
    // focused window gets them. Any thread.
    void ownWindowKeptNoKeys();
    // A window of ours that had the keys (the settings window) closed: the window manager's own
    // pick of the next window to focus is nobody's choice, and the strip's focused window (a
    // command's choice made since among them) keeps the focus. Any thread.
    void ownWindowClosed();
    void reorderColumn(const std::string& uuid, int from, int to);
    void captureSnapshot(std::function<void(SessionSnapshot)> completion);
    void restoreLayout(SessionSnapshot snapshot,
                       std::function<void(std::set<std::string>)> completion);
    void listJSON(bool titles, std::function<void(std::string)> completion);
    void badge(BadgeRequest request);
    void focusWindow(Point point);
    void gestureBegan(Point point);
    // The total amount since the gesture began; updates waiting for the queue are coalesced.
    void gestureChanged(double amount, GestureUnit unit);
    void gestureEnded(double velocity, GestureUnit unit);
    // The strips as they stand, and what is wrong with the controller's own tables (one line
    // each, none when they agree): for checks from outside and for diagnosis.
    struct Inspection {
        StripSnapshot snapshot;
        std::vector<std::string> problems;
        // Every window the controller would put back at quit (tiled, away, minimised), with
        // the frame it had before it was tiled, where known.
        std::map<WindowID, std::optional<Rect>> known;
    };
    void inspect(std::function<void(Inspection)> completion);

  private:
    // After every raise, on the raise queue: the raised window's parked neighbours go back above
    // it, and the focus frames follow.
    void windowRaised(WindowID raised);
    // The window server's stacking order may have changed. Any thread.
    void stackingChanged();

    // MARK: Strip queue (the operations below run only there)

    // Settings and displays.
    void applySettings(const AppSettings& settings);
    void displayListChanged(const std::vector<DisplayInfo>& displays);
    void displaysChanged(const std::vector<DisplayInfo>& connected);
    // The display in use that a window with `frame` belongs to; none when that display has no
    // strip.
    std::optional<std::string> displayInUse(const Rect& frame) const;
    std::optional<ToastMessage> unstackColumnsWithoutRoom(const std::string& uuid);
    std::optional<ToastMessage> stackRefusal(const Column& column, const Strip& strip,
                                             const std::string& uuid) const;
    std::optional<std::pair<std::string, StripLocation>> locate(WindowID id) const {
        return state_.locate(id);
    }
    DisplayGeometry geometry(const std::string& uuid) const;
    LayoutEngine::MinimumHeights minimumHeights(const Strip& strip) const;

    // Start and stop.
    void startOnQueue(const std::vector<AppRef>& apps, std::int32_t frontmostPID,
                      const std::vector<DisplayInfo>& displays, const AppSettings& settings);
    void restoreWindowsForQuit();
    void restoreEnhancedUI();

    // Window tracking lives in tracker_; these keep its call sites short.
    using Removal = ApplicationTracker::Removal;
    void remove(WindowID id, Removal reason) { tracker_->remove(id, reason); }
    void removeAndRelayout(WindowID id, Removal reason) { tracker_->removeAndRelayout(id, reason); }
    int rescanWindows(bool respectingBackoff) { return tracker_->rescanWindows(respectingBackoff); }
    AXElementRef focusedWindow(std::int32_t pid) const { return tracker_->focusedWindow(pid); }
    // The frontmost application's focused window, as the window manager names it; none while our
    // own raise of the strip's focus is still under way.
    AXElementRef windowManagersFocus() const;
    // Returns whether the change was somebody else's, not an answer to a raise of ours.
    bool windowFocused(WindowID id);
    // The window manager focused `id` of an application not (yet) in front.
    void windowFocusedAside(WindowID id);
    // Whether the focus on `id`, not yet adopted, is the window manager's late answer to its map
    // after a command chose another window since it appeared; if so, it is not followed.
    bool mapFocusAfterCommand(WindowID id);
    // `id`, a window just opened, took the focus: raises asked before it answer nobody's choice.
    void newWindowTookFocus(WindowID id);
    // Whether the window manager focused `id` only because our moves slid it under the pointer;
    // `focusHeard`: judged as its focus event is heard.
    bool slidUnderStillPointer(WindowID id, bool focusHeard = false) const;
    // The windows of ours that closing `closed`, which had no focus, leaves under the resting
    // pointer, one of which the window manager then focuses for nobody's choice.
    std::vector<WindowID> uncoveredUnderStillPointer(WindowID closed) const;
    // Whether the window manager still owes `record`'s window the focus it gives new windows.
    bool mapFocusOwed(const WindowRecord& record) const;
    // A focus change nobody chose is not followed: logs `why`, gives the focus back to the strip's
    // window unless a raise of ours is still on its way, and says the change was not followed.
    bool keepStripFocus(const char* why, std::optional<WindowID> stripFocus);
    // When the user's hand last acted, where the platform hears it.
    std::optional<double> handActedAt() const;
    bool stripFocusMinimized(std::optional<WindowID> stripFocus) const;
    // `id` closed.
    void windowClosed(WindowID id);
    // The focused window of display `uuid` left minimised and the strip focuses a neighbour.
    void focusedWindowMinimised(const std::string& uuid);
    // Whether the focus, lost from `lostFrom`, went to no window where the window manager owed a
    // pick (our window or a window under the resting pointer closed, the focused window was
    // minimised): then the strip's window is raised.
    bool nobodyFocusedAfterLeaving(std::optional<WindowID> lostFrom);
    // The focus went to no window.
    void focusLost();
    // Whether the focus lost at `lostAt` went because our moves left the still pointer over none of
    // our windows, so that it is to be given back to the strip's window.
    bool lostUnderStillPointer(double lostAt) const;
    void followHandAfterDenial(WindowID id, double deniedAt, std::uint64_t othersThen);
    // What the platform heard of the user's hand on the pointer.
    StillPointerFocus::Hand hand() const;
    // Has the platform listen for the user's hand on the pointer until `until`.
    void listenForHand(double until);
    std::string displayName(const std::string& uuid) const { return state_.displayName(uuid); }

    // Commands.
    void execute(Command command);
    // The display commands act on: the active one, else the first; none without a strip.
    std::optional<std::string> commandDisplay() const;
    // Carries out a focus command on the strip alone and leaves the rest of the focus change to
    // finishFocusMoves(); false for a command that needs its full handler.
    bool moveFocusAhead(const Command& command, const std::string& uuid);
    void finishFocusMoves();
    void togglePause();
    // After the strip's structure changed: automatic tabs back to stacks, viewport clamp, relayout,
    // session save and a structure snapshot.
    void afterStructureChange(const std::string& uuid);
    void restoreAutoTabs(const std::string& uuid);
    // `askedAt` is the raiser's count of yields when the raise was asked for; none: now.
    void raiseFocused(const std::string& uuid, std::optional<std::uint64_t> askedAt = {});
    // Every raise goes through here, so that the focus event answering it is known for ours.
    void raise(const ManagedWindow& window, std::optional<std::uint64_t> askedAt = {});
    // Somebody else moved the focus while a scroll was under way: the raise waiting for its
    // landing would take the focus away from where they put it.
    void dropRaisesAwaitingLanding();
    void showMessage(const ToastMessage& message);
    // A user drag or resize of a tiled window, judged when the button is released.
    void watchDrag(WindowID id);
    // Under the held button, a window away from where the controller put it waits for the drop.
    void noteDragAway(WindowID id);
    // A tiled window standing away from where the strip laid it out, read while its display is at
    // rest (no glide, no swipe): the moments in which a change is the window's or the user's.
    struct AwayFromLayout {
        std::string displayID;
        const DisplayState* display = nullptr;
        ManagedWindow* window = nullptr;
        Rect live;
    };
    std::optional<AwayFromLayout> awayFromLayout(WindowID id);
    // A tiled window's size changed: a drag under the button, else the window's own doing.
    void windowResized(WindowID id);
    // A tiled window that resized itself goes back into its column (once our own move's echoes
    // are over: putBackIfAway).
    void putBackSelfResized(WindowID id);
    void putBackIfAway(WindowID id);
    // A parked window that resized itself goes back to its parked place `spot` at the size it
    // chose (`live`): out of sight its size is its own, and sent its column's size again it would
    // answer with another resize of its own, which a window manager may place back in view.
    void parkAtOwnSize(ManagedWindow& window, const Rect& spot, const Rect& area, const Rect& live);
    // Right after the controller's own move of the window, its echoes may still be landing: one
    // look (`pending` keeps it to one) once they have, while a drag button is down or up as
    // `buttonDown` says, runs `look`, or `again` when the controller moved the window meanwhile.
    // False when no own move is that recent: nothing is waited for.
    bool lookAfterOwnMove(WindowID id, bool WindowRecord::*pending, bool buttonDown,
                          void (StripController::*again)(WindowID),
                          void (StripController::*look)(WindowID));
    // A tiled window was maximised (or let go of a maximise): its column's full width.
    void maximizedChanged(WindowID id);
    // Put-backs of a window that keeps resizing itself, within this many seconds of the first.
    static constexpr int kSelfResizePutBacks = 3;
    static constexpr double kSelfResizeRun = 10.0;

    // Layout application.
    void clampViewport(const std::string& uuid);
    void relayout(const std::string& uuid);
    // Every display's viewport is clamped before any display is laid out again.
    void clampAndRelayoutAll();
    // The frames the visible windows stood at, when the new layout moves or resizes one of them.
    std::optional<std::map<WindowID, Rect>> glideStart(const std::string& uuid) const;
    std::vector<GapStrip> makeGapStrips(const std::vector<GapBand>& bands);

    // Animation.
    void tickOnQueue();
    void animationStep();
    void logAnimationSummary(const DisplayAnimator::Step& landing);

    // Snapshots and focus frames.
    StripSnapshot makeSnapshot(const SnapshotReason& reason) const;
    void publishSnapshot(const SnapshotReason& reason);
    void publishFocusFrames();

    // Queue hops that do nothing once the controller is gone or stopped.
    void enqueue(std::function<void()> block);
    void enqueueAfter(double seconds, std::function<void()> block);
    void onMain(std::function<void()> block);
    void scheduleTicks();
    void runDueTicks();
    void registerObservers();

    LayoutEngine::QuitWindow quitWindow(const ManagedWindow& window, bool hidden) const;
    void placeWhereQuitWould(const std::vector<WindowID>& ids, const DisplayState& display);
    void releaseWindows(const std::vector<WindowID>& ids, const DisplayState& display);
    void adoptOrphans();
    double now() const { return clock_.now(); }
    DisplayState* stateOf(const std::string& uuid) { return state_.display(uuid); }
    const DisplayState* stateOf(const std::string& uuid) const { return state_.display(uuid); }
    // The first display in order whose frame holds `point`.
    std::optional<std::string> displayUnder(Point point) const;

    // MARK: Commands, drags, entry points and gestures

    // Command handlers (strip queue).
    void runCommand(Command command, const std::string& uuid);
    // The focus tail: with `activate`, the display becomes active, its focused window loses its
    // badge and is raised after the relayout.
    void focusChanged(const std::string& uuid, bool activate);
    // "?" for a window that is not managed.
    std::string appName(WindowID id) const;
    void setWidth(const std::vector<double>& sortedPresets, const std::string& uuid);
    void resizeColumn(double step, const std::string& uuid);
    void toggleFullWidth(const std::string& uuid);
    void centerFocused(const std::string& uuid);
    void stackFocused(Command::Kind kind, const std::string& uuid);
    void toggleTabbed(const std::string& uuid);
    void changeHeight(const std::string& uuid, bool taller);
    // Moves a window's column to another display, at `index` or (with afterFocused) right after
    // the target's focused column, with its application's width.
    void move(WindowID id, const std::string& source, const std::string& target, int index,
              bool afterFocused);
    void sendToNextDisplay(const std::string& uuid);
    void moveAcrossDisplays(const std::string& uuid, int direction);
    void focusAdjacentDisplay(const std::string& uuid, int direction);
    void toggleFloat(const std::string& uuid);
    void toggleFullScreen(const std::string& uuid);
    // Judges a user drag or resize once the left button is up.
    void userChanged(WindowID id);
    int dropColumn(const Rect& live, const std::string& uuid, WindowID id) const;

    // Their bodies (strip queue).
    void jumpOnQueue(WindowID id);
    // Tells the still pointer's judge once the hand is heard up to a choice made now.
    void hearHandUpToChoice();
    void reorderOnQueue(const std::string& uuid, int from, int to);
    std::string makeListJSON(bool titles) const;
    std::vector<std::string> consistencyProblems() const;
    void performBadge(const BadgeRequest& request);
    void performFocus(Point point);
    std::optional<std::int32_t> pidOfWindow(Point point) const;
    void beginGesture(Point point);
    void applyPendingGesture();
    void settleSwipe(double velocity, GestureUnit unit);

    Column* focusedColumn(const std::string& uuid);
    void editFocusedColumn(const std::string& uuid, const std::function<void(Column&)>& edit);
    std::optional<std::pair<double, GestureUnit>> takePendingGesture();
};

}  // namespace brindlow
