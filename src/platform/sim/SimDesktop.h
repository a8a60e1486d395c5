#pragma once

// An in-memory desktop for tests: displays, applications and windows with
// every attribute the accessibility layer reads, in virtual time.
//
//   VirtualTime time;
//   SimDesktop desktop(time);
//   desktop.addDisplay({.name = "Left", .frame = {0, 0, 1920, 1080}});
//   SimApp editor = desktop.launchApp({.name = "Editor", .bundleID = "org.example.editor"});
//   SimWindow w = desktop.openWindow(editor, {.title = "notes.txt", .frame = {100, 100, 800,
//   600}}); w.setMinimumSize({400, 300});          // the application refuses smaller sizes
//   w.setLatency(0.2);                     // every call to it takes 0.2 s of virtual time
//   Platform platform = desktop.platform(); // hand to the code under test
//   time.runUntilIdle();                   // deliver notifications on the main executor
//
// Behaviour, as real applications show it:
// - Every accessibility call through an element of an application spends that
//   application's (or window's) latency on the virtual clock. A latency above
//   the element's messaging time-out (default 6 s) spends the time-out and
//   answers cannotComplete (-25204) without effect.
// - Size writes are clamped to the window's minimum and maximum sizes; a window
//   that refuses sizes keeps its size and answers success; a window that ignores
//   moves keeps its position and answers success; a fixed-size window (size not
//   settable) answers attributeUnsupported (-25205) to size writes.
// - failWrites / failReads / failAction make the named attribute or action
//   answer the given code; vanishAfterWrites(n) lets n more writes succeed, then
//   the window is destroyed and later calls answer invalidElement (-25202).
// - Changes post the matching notifications ("AXWindowMoved", "AXWindowResized",
//   "AXWindowMiniaturized", ...) to the application's observers; delivery is a
//   block on the main executor, so nothing arrives until the test runs it.
//   Quitting an application posts no window notifications, only the workspace's
//   terminate notification, as a process that exits does.
// - Windows of a quit application, and closed windows, answer invalidElement.
// - The window list holds the visible windows of running applications front to
//   back; openWindow, raising and focusing bring a window to the front, lowering
//   ("AXLower") sends it to the back.
//
// Everything runs on the test's thread: the desktop is not thread-safe, and the
// code under test must run on executors of the same VirtualTime. A slow call
// moves the virtual clock forward while a block runs; VirtualTime::advance(s)
// sets the clock to its own target when it ends, so after calls slower than the
// step, drive with runUntilIdle() or larger steps.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "geometry/WindowID.h"
#include "platform/ManualExecutor.h"
#include "platform/Platform.h"
#include "platform/WindowManagerTraits.h"
#include "platform/sim/SimWindowManagerTiming.h"

namespace brindlow {

class SimDesktop;
class SimElement;
class SimObserver;

struct SimDisplaySpec {
    std::optional<std::uint32_t> number{};  // default: the next free number from 1
    std::string name = "Display";
    Rect frame{0, 0, 1920, 1080};
    std::optional<Rect> visible{};      // default: the frame
    std::optional<std::string> uuid{};  // default: a fixed UUID derived from the number
    bool hasNumber = true;              // false: the screen carries no display number
    bool hasUUID = true;                // false: the platform knows no UUID for it
    double refreshRate = 60;
};

struct SimAppSpec {
    std::optional<std::string> name = "App";  // nothing: the application has no name
    std::optional<std::string> bundleID{};
    ActivationPolicy policy = ActivationPolicy::regular;
    std::optional<std::int32_t> pid{};  // default: the next free pid from 501
    std::optional<Image> icon{};
    std::optional<bool> enhancedUserInterface{};  // nothing: the attribute is not supported
    bool activate = false;                        // becomes frontmost at launch
};

struct SimWindowSpec {
    std::optional<std::string> title = "";  // nothing: the title cannot be read
    Rect frame{100, 100, 800, 600};
    std::optional<std::string> role = "AXWindow";
    std::optional<std::string> subrole = "AXStandardWindow";  // nothing: no subrole
    bool sizeSettable = true;
    bool positionSettable = true;
    Size minimumSize{1, 1};
    Size maximumSize{32767, 32767};
    std::int32_t layer = 0;
    bool minimized = false;
    bool fullScreen = false;
    bool maximized = false;  // mapped maximised: `frame` is its maximised frame
    double margin = 0;       // drawn beyond the frame on every side (its own decorations' shadow)
    bool focus = false;      // becomes its application's focused (main) window
    bool notify = true;      // posts "AXWindowCreated"
    double latency = -1;     // seconds per call; below 0: the application's latency
};

// One recorded accessibility call that reached an application.
struct SimCall {
    enum class Kind { read, write, settable, action };
    Kind kind = Kind::read;
    std::int32_t pid = 0;
    WindowID window = 0;  // 0: the application element
    std::string name;     // attribute or action
    AXValue value;        // what was written
    AXError result = 0;
};

// Handle of one simulated window. Copyable; stays valid (and keeps answering
// for the closed window) for the desktop's lifetime.
class SimWindow {
  public:
    SimWindow() = default;
    SimWindow(SimDesktop* desktop, WindowID id) : desktop_(desktop), id_(id) {}

    WindowID id() const { return id_; }
    std::int32_t pid() const;
    std::uint32_t number() const;  // the window-server number
    bool exists() const;
    // A fresh element for the window, as "AXWindows" hands one out.
    AXElementRef element() const;

    Rect frame() const;
    std::optional<std::string> title() const;
    bool isMinimized() const;
    bool isAway() const;  // on another virtual desktop
    bool isFullScreen() const;
    bool isMaximized() const;
    bool isFocused() const;  // its application's focused window
    // Attribute names written to this window, in order (successful or not).
    std::vector<std::string> writes() const;
    void clearWrites() const;

    // What the user or the application does (posts the notifications).
    const SimWindow& setFrame(const Rect& frame) const;  // "AXWindowMoved" / "AXWindowResized"
    const SimWindow& setTitle(const std::optional<std::string>& title) const;
    const SimWindow& minimize(bool minimized = true) const;
    // To another virtual desktop and back (also the user switching desktops): "AXWindowAway" /
    // "AXWindowBack".
    const SimWindow& setAway(bool away = true) const;
    const SimWindow& setFullScreen(bool on) const;
    // Maximised to its display's visible frame and back, as a window manager does:
    // "AXWindowResized" (and "AXWindowMoved"), then "AXWindowMaximizedChanged".
    const SimWindow& setMaximized(bool on) const;
    const SimWindow& focus() const;  // focused + front; "AXFocusedWindowChanged"
    const SimWindow& raise() const;  // to the front of the window list
    void close() const;              // "AXUIElementDestroyed"

    // Attributes without notifications.
    const SimWindow& setSizeSettable(bool settable) const;
    const SimWindow& setGeometryReadable(bool position, bool size) const;
    const SimWindow& setLayer(std::int32_t layer) const;
    // The bounds the window list reports (e.g. with decorations); nothing: the frame.
    const SimWindow& setServerBounds(const std::optional<Rect>& bounds) const;

    // Application behaviour.
    const SimWindow& setMinimumSize(Size size) const;
    const SimWindow& setMaximumSize(Size size) const;
    const SimWindow& refuseSizes(bool refuse = true) const;
    const SimWindow& ignoreMoves(bool ignore = true) const;
    const SimWindow& setLatency(double seconds) const;  // below 0: the application's
    const SimWindow& failWrites(const std::string& attribute, AXError code) const;
    const SimWindow& failReads(const std::string& attribute, AXError code) const;
    const SimWindow& failAction(const std::string& action, AXError code) const;
    const SimWindow& clearFailures() const;
    // After `writes` more writes the window is destroyed (0: at the next write).
    const SimWindow& vanishAfterWrites(int writes) const;
    // Runs after every successful write with the attribute's name; may change
    // the window through this handle (e.g. snap it somewhere else).
    const SimWindow& onWrite(std::function<void(const SimWindow&, const std::string&)> hook) const;

    friend bool operator==(const SimWindow& a, const SimWindow& b) { return a.id_ == b.id_; }

  private:
    SimDesktop* desktop_ = nullptr;
    WindowID id_ = 0;
};

// Handle of one simulated application.
class SimApp {
  public:
    SimApp() = default;
    SimApp(SimDesktop* desktop, std::int32_t pid) : desktop_(desktop), pid_(pid) {}

    std::int32_t pid() const { return pid_; }
    bool isRunning() const;
    AXElementRef element() const;
    std::vector<SimWindow> windows() const;
    std::optional<bool> enhancedUserInterface() const;

    const SimApp& activate() const;  // frontmost; "didActivate"
    void quit() const;               // "didTerminate"
    const SimApp& setLatency(double seconds) const;
    // The next `count` observer registrations answer `code` (a launching application).
    const SimApp& refuseRegistrations(int count, AXError code = axerror::cannotComplete) const;
    // Attribute writes to the application element ("AXFrontmost", ...).
    const SimApp& failWrites(const std::string& attribute, AXError code) const;
    const SimApp& failReads(const std::string& attribute, AXError code) const;
    const SimApp& setEnhancedUserInterface(std::optional<bool> value) const;
    // "AXWindows" cannot be read.
    const SimApp& setWindowsReadable(bool readable) const;

    friend bool operator==(const SimApp& a, const SimApp& b) { return a.pid_ == b.pid_; }

  private:
    SimDesktop* desktop_ = nullptr;
    std::int32_t pid_ = 0;
};

class SimDesktop final : public Accessibility,
                         public WindowList,
                         public Workspace,
                         public Screens,
                         public ProcessTable,
                         public PointerActivity {
  public:
    static constexpr std::int32_t kOwnPID = 100;
    static constexpr double kDefaultMessagingTimeout = 6.0;

    explicit SimDesktop(VirtualTime& time);
    ~SimDesktop() override;
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    // Every service wired to this desktop; move and raise queues are manual
    // executors of the same virtual time.
    Platform platform();
    VirtualTime& time() { return time_; }
    // The main executor notifications and timers run on.
    const ManualExecutor& mainExecutor() const { return main_; }

    // Displays (each change posts the screen-change notification).
    std::uint32_t addDisplay(const SimDisplaySpec& spec);
    void removeDisplay(std::uint32_t number);
    void setDisplayFrames(std::uint32_t number, const Rect& frame,
                          const std::optional<Rect>& visible);

    // Applications.
    SimApp launchApp(const SimAppSpec& spec);
    SimApp app(std::int32_t pid) { return SimApp(this, pid); }
    void quitApp(std::int32_t pid);
    void activateApp(std::int32_t pid);
    // No window has the focus any more (a window manager that focuses under the pointer, with
    // nothing under it): no application is frontmost; "didDeactivate" for the one that was.
    void loseFocus();
    // Known to urlForApplication / openApplication without running.
    void installApp(const SimAppSpec& spec);

    // Windows.
    SimWindow openWindow(const SimApp& app, const SimWindowSpec& spec);
    SimWindow window(WindowID id) { return SimWindow(this, id); }
    // Posts any notification for a window as its application would.
    void postEvent(const SimWindow& window, const std::string& notification);

    // Input and processes.
    // Each change is heard as the user's hand on the pointer (PointerActivity), at once or a hand
    // latency later.
    void setLeftMouseButtonDown(bool down);
    bool leftMouseButtonDown() const { return leftButtonDown_; }
    // Where the pointer stands; none (the default) when the desktop cannot tell.
    void setPointerLocation(std::optional<Point> location);
    // How late the hand's changes are heard (a connection of its own, a loaded server); at once by
    // default. They are heard in the order they came, and a wait for the hand's changes up to now
    // ends once the last of them was heard.
    void setHandLatency(double seconds) { handLatency_ = seconds; }
    // The window manager the desktop stands for (any row of the known ones); by default one that
    // is not known, so that every handler judges by what it sees.
    void setWindowManagerTraits(WindowManagerTraits traits) { traits_ = std::move(traits); }
    const WindowManagerTraits& windowManagerTraits() const { return traits_; }
    // How late the window manager answers our requests (see SimWindowManagerTiming); at once by
    // default. With any latency, beside traits whose focus follows the pointer, a window that comes
    // under a resting pointer takes the focus, and the focus leaves a window the user minimises,
    // closes or sends away for the topmost one left, each an activation's latency later.
    void setWindowManagerTiming(SimWindowManagerTiming timing);
    // The window manager's active window: the frontmost application's focused window, when shown.
    std::optional<WindowID> activeWindow() const;
    // Requests the window manager has not answered yet.
    size_t unansweredRequests() const { return pending_.size(); }
    void setProcess(std::int32_t pid, std::int32_t parent, const std::string& name);
    void setTrusted(bool trusted) { trusted_ = trusted; }
    // Whether setFrames writes batches (as the X11 back end does); off by default, so windows
    // are written one by one through their elements.
    void setBatchWrites(bool on) { batchWrites_ = on; }
    void setSymbolImagesAvailable(bool available) { symbolImages_ = available; }

    // Every accessibility call that reached an application, in order.
    const std::vector<SimCall>& calls() const { return calls_; }
    // The steps of requests made in steps (raises), with the window (0: an application) each
    // was asked of, in order.
    const std::vector<std::pair<WindowID, AXStep>>& steps() const { return steps_; }
    void stepAsked(WindowID window, const AXStep& step) { steps_.emplace_back(window, step); }
    size_t liveObserverCount(std::int32_t pid) const;

    // Accessibility
    bool isProcessTrusted(bool prompt) override;
    AXElementRef applicationElement(std::int32_t pid) override;
    AXError createObserver(std::int32_t pid, AXObserverCallback callback,
                           std::shared_ptr<AXObserver>& observer) override;
    // With batch writes on: every window through its element, size (when it changes), position,
    // size again, reading the frame before and after; each call spends its latency.
    std::optional<std::vector<FrameWriteResult>> setFrames(std::span<const FrameWrite> writes,
                                                           double timeout) override;
    bool canSetFrames() const override { return batchWrites_; }
    std::optional<std::uint64_t> changeCount() const override { return changes_.load(); }
    // WindowList
    std::vector<WindowListEntry> onScreenWindows() const override;
    // Told on the main queue after each restack.
    ObserverToken addStackingObserver(std::function<void()> handler) override;
    void removeStackingObserver(ObserverToken token) override;
    // Workspace
    std::vector<RunningApplication> runningApplications() const override;
    std::optional<RunningApplication> frontmostApplication() const override;
    std::optional<RunningApplication> application(std::int32_t pid) const override;
    std::int32_t currentProcessID() const override { return kOwnPID; }
    ObserverToken addObserver(WorkspaceEvent event, Handler handler) override;
    void removeObserver(ObserverToken token) override;
    std::optional<Image> applicationIcon(std::int32_t pid) const override;
    std::optional<Image> symbolImage(const std::string& name) const override;
    std::optional<std::string> urlForApplication(const std::string& bundleID) const override;
    bool openApplication(const std::string& url) override;
    bool openURL(const std::string& url) override;
    std::optional<std::string> desktopImagePath(std::uint32_t screenNumber) const override;
    // Screens
    std::vector<ScreenInfo> screens() const override;
    ObserverToken addChangeObserver(std::function<void()> handler) override;
    void removeChangeObserver(ObserverToken token) override;
    // PointerActivity: the sim always listens.
    bool listenUntil(double) override { return true; }
    std::optional<double> lastActivity() const override { return lastPointerActivity_; }
    bool afterHeardUpToNow(std::function<void()> then) override;
    // ProcessTable
    std::optional<std::int32_t> parentProcessID(std::int32_t pid) const override;
    std::optional<std::string> processName(std::int32_t pid) const override;

  private:
    friend class SimWindow;
    friend class SimApp;
    friend class SimElement;
    friend class SimObserver;
    struct WindowState;
    struct AppState;

    WindowState& windowState(WindowID id);
    const WindowState& windowState(WindowID id) const;
    AppState& appState(std::int32_t pid);
    const AppState& appState(std::int32_t pid) const;
    bool windowAlive(const WindowState& window) const;
    // The application if it is running, the window if it exists and its application runs.
    AppState* runningApp(std::int32_t pid) const;
    WindowState* liveWindow(WindowID id);

    // Element calls (SimElement forwards here).
    AXError readAttribute(std::int32_t pid, WindowID window, std::string_view name, AXValue& value,
                          double timeout);
    AXError writeAttribute(std::int32_t pid, WindowID window, std::string_view name,
                           const AXValue& value, double timeout);
    AXError settable(std::int32_t pid, WindowID window, std::string_view name, bool& result,
                     double timeout);
    AXError action(std::int32_t pid, WindowID window, std::string_view name, double timeout);
    // Spends the call's latency; false when it ran past the time-out.
    bool spend(std::int32_t pid, WindowID window, double timeout);

    AXError applyWindowWrite(WindowState& window, std::string_view name, const AXValue& value);
    AXError applyAppWrite(AppState& app, std::string_view name, const AXValue& value);
    // Applies a write as the window manager and runs the test's write hook.
    AXError finishWindowWrite(WindowState& window, std::string_view name, const AXValue& value);

    AXElementRef makeWindowElement(WindowID id);
    // Posts a notification registered on `target` (0: the application element)
    // with `subject` as the element it names.
    void notify(std::int32_t pid, WindowID target, WindowID subject, std::string_view notification);
    void notifyWindow(WindowState& window, std::string_view notification);
    void postWorkspace(WorkspaceEvent event, const RunningApplication& app);
    void postScreensChanged();
    void postStackingChanged();
    void bringToFront(WindowID id);
    void sendToBack(WindowID id);
    void destroyWindow(WindowState& window, bool notify);
    void setFocusedWindow(AppState& app, WindowID id, bool notify);
    void setWindowFrame(WindowState& window, const Rect& frame);

    // The window manager's timing (SimWindowManager.cpp).
    struct PendingRequest {
        double due = 0;
        std::uint64_t order = 0;
        std::function<void()> request;
    };
    // Queues `request` to be carried out once the kind's latency has passed; false when it is to
    // be carried out at once.
    bool deferred(SimRequestKind kind, std::function<void()> request);
    // Carries out, in the order they fall due, the requests due by `time`.
    void answerUntil(double time);
    // The user acts: every request sent before is carried out first.
    void userActs();
    // The hand changed the pointer: heard at once, or a hand latency later.
    void handActed();
    // Runs a change the window manager makes itself, not a user's action.
    void asWindowManager(const std::function<void()>& change);
    WindowID windowUnderPointer() const;
    void pointerMayHaveEntered();
    void focusAsWindowManager(WindowState& window);
    void focusNextIfActiveLeft(bool wasActive);
    // One of our moves or resizes went out: what comes under the pointer is seen a latency later.
    void afterOurMove();

    VirtualTime& time_;
    ManualExecutor main_;
    std::shared_ptr<bool> alive_;
    std::map<std::uint32_t, SimDisplaySpec> displays_;
    std::vector<std::uint32_t> displayOrder_;
    std::map<std::int32_t, std::unique_ptr<AppState>> apps_;
    std::vector<std::int32_t> launchOrder_;
    std::map<WindowID, std::unique_ptr<WindowState>> windows_;
    std::vector<WindowID> zOrder_;  // front first
    std::map<std::string, SimAppSpec> installed_;
    std::map<std::int32_t, std::pair<std::int32_t, std::string>> processes_;
    std::map<ObserverToken, std::pair<WorkspaceEvent, Handler>> workspaceObservers_;
    std::map<ObserverToken, std::function<void()>> screenObservers_;
    std::map<ObserverToken, std::function<void()>> stackingObservers_;
    std::map<std::int32_t, std::vector<std::weak_ptr<SimObserver>>> observers_;
    std::vector<SimCall> calls_;
    std::vector<std::pair<WindowID, AXStep>> steps_;
    std::optional<std::int32_t> frontmost_;
    ObserverToken nextToken_ = 1;
    std::int32_t nextPID_ = 501;
    WindowID nextWindowID_ = 0x10001;
    std::uint32_t nextNumber_ = 2001;
    bool leftButtonDown_ = false;
    WindowManagerTraits traits_ = WindowManagerTraits::unknownWindowManager("sim");
    std::optional<Point> pointerLocation_;
    SimWindowManagerTiming timing_;
    std::mt19937_64 timingRandom_;
    std::vector<PendingRequest> pending_;
    std::uint64_t requestOrder_ = 0;
    std::map<SimRequestKind, double> lastDue_;
    bool answering_ = false;
    WindowID underPointer_ = 0;
    std::optional<double> lastPointerActivity_;
    double handLatency_ = 0;
    // When the last hand change made will have been heard; how many were made and heard; the
    // waits for the hand's changes up to a count, in the order asked.
    double handHeardBy_ = 0;
    std::uint64_t handChanges_ = 0;
    std::uint64_t handHeard_ = 0;
    std::deque<std::pair<std::uint64_t, std::function<void()>>> handWaits_;
    bool trusted_ = true;
    bool batchWrites_ = false;
    std::atomic<std::uint64_t> changes_{0};
    bool symbolImages_ = true;
};

}  // namespace brindlow
