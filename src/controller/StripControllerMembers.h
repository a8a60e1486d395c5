#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "command/BadgeRequest.h"
#include "command/Command.h"
#include "controller/ApplicationTracker.h"
#include "controller/CatchUpGate.h"
#include "controller/DisplayLinkDriver.h"
#include "controller/DisplayState.h"
#include "controller/LayoutApplier.h"
#include "controller/LearnedHeights.h"
#include "controller/OriginalFramesKeeper.h"
#include "controller/RaiseEchoes.h"
#include "controller/SessionKeeper.h"
#include "controller/Snapshot.h"
#include "controller/StillPointerFocus.h"
#include "controller/StripControllerEnvironment.h"
#include "controller/StripControllerState.h"
#include "controller/TickGrid.h"
#include "controller/WindowRecords.h"
#include "platform/Executor.h"
#include "platform/Log.h"
#include "platform/ObserverToken.h"
#include "platform/Platform.h"
#include "settings/AppSettings.h"
#include "settings/GestureUnit.h"
#include "settings/SavedArrangement.h"
#include "settings/ToastMessage.h"
#include "strip/DisplayGeometry.h"
#include "strip/LayoutEngine.h"
#include "windows/AppRef.h"
#include "windows/AsyncMover.h"
#include "windows/AsyncRaiser.h"
#include "windows/DisplayInfo.h"
#include "windows/ManagedWindow.h"
#include "windows/WindowMover.h"

namespace brindlow {

class StripController;

// The state the strip controller keeps, in the order it is made and the reverse of the order it
// goes; only StripController uses it (as a private base), so that its header shows what others
// may call.
struct StripControllerMembers {
    StripControllerMembers(StripControllerEnvironment environment, StripController* owner);

    StripControllerEnvironment env_;
    Logger log_;
    std::shared_ptr<Executor> queue_;
    Executor& main_;
    Clock& clock_;
    StripControllerState state_;

    WindowMover windowMover_;
    std::unique_ptr<AsyncMover> asyncMover_;
    std::unique_ptr<AsyncRaiser> raiser_;
    std::unique_ptr<LayoutApplier> applier_;
    std::unique_ptr<SessionKeeper> session_;
    std::unique_ptr<OriginalFramesKeeper> originals_;
    std::unique_ptr<ApplicationTracker> tracker_;

    // Shared across threads, each under its own lock, never nested.
    std::mutex frameTimeMutex_;
    std::optional<double> frameTime_;
    std::mutex tickPendingMutex_;
    bool tickPending_ = false;

    std::atomic<bool> stopped_{false};
    // Main thread only.
    std::vector<std::pair<WorkspaceEvent, ObserverToken>> workspaceTokens_;
    std::optional<ObserverToken> screensToken_;
    std::optional<ObserverToken> stackingToken_;
    std::vector<DisplayInfo> lastDisplays_;
    std::optional<TickGrid> ticks_;
    CatchUpGate catchUpGate_;

    // Closures hold this weakly; it dies with the controller.
    std::shared_ptr<StripController*> alive_;
    // What closures copy, on any thread: never written after construction, so copying it does
    // not race with the destructor letting go of alive_.
    const std::weak_ptr<StripController*> weakSelf_;
    // Last, so the link stops before anything it calls into goes away.
    std::unique_ptr<DisplayLinkDriver> displayLink_;

    // The display whose focus moved ahead of its layout (strip queue).
    std::optional<std::string> pendingFocusDisplay_;
    // A landing moved windows that no published snapshot shows yet; any snapshot clears it
    // (strip queue).
    bool landingUnpublished_ = false;
    // Our raises until the window manager answers them with a focus event (strip queue).
    RaiseEchoes raiseEchoes_;
    // A window the user floated has the focus, off the strip of this display: the display shows
    // no focus border until the focus or a raise of ours goes to another window (strip queue).
    struct FloatedFocus {
        WindowID window = 0;
        std::string display;
    };
    std::optional<FloatedFocus> floatedFocus_;
    // Our moves and where the pointer stood, to tell a focus under a still pointer (strip queue).
    StillPointerFocus stillPointer_;
    // Since when the window manager owes a focus of its own: a window our moves slid under the
    // resting pointer closed, with its focus and not the strip's, and the next focus is its pick
    // of a successor (strip queue). Ends with the next focus judged, or as the window manager
    // names no window: then the strip's window is raised, and its answer is judged.
    std::optional<double> successorDueSince_;
    // The user closed a window without the focus over others of ours under the resting pointer:
    // when, and those others. The next focus of one of them, if any, is the window manager's,
    // nobody's choice (strip queue). Ends with the next focus judged.
    struct Uncovered {
        double since = 0;
        std::vector<WindowID> windows;
    };
    std::optional<Uncovered> uncovered_;
    // A new window whose focus, heard before its application came to the front, was followed
    // beside a window manager that focuses under the pointer: the activation handing it on next
    // tells the same focus again, no answer to the raise of it asked since (strip queue).
    std::optional<WindowID> newWindowFollowedAside_;
    // Whether the platform listened for the user's hand as our last moves went out.
    // One of our own windows (a panel) takes the focus: the window manager may let no window
    // have it for a moment on the way, which is no focus lost. Until the user chooses in it or a
    // strip window has the focus again.
    bool ownWindowTakesFocus_ = false;
    bool handHeard_ = false;
    // When a window of ours that had the keys closed, until the next focus change is judged (the
    // answer to the raise asked as the window manager names no window, if it does).
    std::optional<double> ownWindowClosedAt_;
    // Shared with the gesture thread under its own lock.
    std::mutex pendingGestureMutex_;
    std::optional<std::pair<double, GestureUnit>> pendingGesture_;
};

}  // namespace brindlow
