// The command dispatcher and the closing steps every change shares. The handlers of the window
// commands are in files of their own.
#include <algorithm>
#include <map>
#include <utility>

#include "controller/StripController.h"
#include "windows/AX.h"

namespace brindlow {

namespace {

const char* verdictName(RaiseEchoes::Verdict verdict) {
    switch (verdict) {
        case RaiseEchoes::Verdict::notOurs:
            return "somebody's choice";
        case RaiseEchoes::Verdict::answer:
            return "the answer to our raise";
        case RaiseEchoes::Verdict::overtaken:
            return "an answer overtaken by a later raise";
        case RaiseEchoes::Verdict::superseded:
            return "the answer to a raise superseded";
        case RaiseEchoes::Verdict::repeated:
            return "the same focus told again";
        case RaiseEchoes::Verdict::late:
            return "a late answer";
    }
    return "?";
}

}  // namespace

void StripController::execute(Command command) {
    if (command.kind() == Command::Kind::togglePause) {
        finishFocusMoves();
        togglePause();
        return;
    }
    if (state_.paused) return;
    // Right after a desktop switch the strip may still show the windows left behind.
    tracker_->settleGatheredNow();
    const std::optional<std::string> uuid = commandDisplay();
    if (!uuid) return;
    log_.info("Command %{public}s", command.text());
    if (moveFocusAhead(command, *uuid)) return;
    finishFocusMoves();
    if (const std::optional<std::string> current = commandDisplay()) runCommand(command, *current);
}

std::optional<std::string> StripController::commandDisplay() const {
    const std::optional<std::string> uuid =
        state_.activeUUID
            ? state_.activeUUID
            : (state_.displayOrder.empty() ? std::nullopt
                                           : std::optional(state_.displayOrder.front()));
    if (!uuid || !stateOf(*uuid)) return std::nullopt;
    return uuid;
}

// Focus commands that arrive faster than windows can be moved change only the strip here; the
// relayout, raise, session save and snapshot run once, in a block queued behind them, for where
// the focus ended. A flood of them thus costs one layout apply instead of one each.
bool StripController::moveFocusAhead(const Command& command, const std::string& uuid) {
    Strip& strip = stateOf(uuid)->strip;
    using Kind = Command::Kind;
    switch (command.kind()) {
        case Kind::jump: {
            const std::int64_t column = command.jumpColumn();
            if (column < 1 || column > std::int64_t(strip.columns.size())) return true;
            if (pendingFocusDisplay_ && *pendingFocusDisplay_ != uuid) finishFocusMoves();
            strip.focusedIndex = int(column - 1);
            break;
        }
        case Kind::focusLeft:
        case Kind::focusRight:
            // At the strip's end the command may cross to another display: not a focus move here.
            if (pendingFocusDisplay_ && *pendingFocusDisplay_ != uuid) return false;
            if (!strip.moveFocus(command.kind() == Kind::focusLeft ? -1 : +1)) return false;
            break;
        case Kind::focusUp:
        case Kind::focusDown:
            if (pendingFocusDisplay_ && *pendingFocusDisplay_ != uuid) finishFocusMoves();
            if (!strip.moveFocusInStack(command.kind() == Kind::focusUp ? -1 : +1)) return true;
            break;
        case Kind::focusFirst:
        case Kind::focusLast:
            if (pendingFocusDisplay_ && *pendingFocusDisplay_ != uuid) finishFocusMoves();
            if (!strip.focusEdge(command.kind() == Kind::focusFirst ? -1 : +1)) {
                // Already there in the strip, but the window manager may have given the focus
                // elsewhere (to the window under the pointer): the column takes it back.
                if (strip.focusedWindowID() != raiseEchoes_.reportedFocus()) {
                    ++state_.commandChoices;
                    state_.lastCommandChoice = now();
                    raiseFocused(uuid);
                }
                return true;
            }
            break;
        default:
            return false;
    }
    // What each focus change does at once; the viewport is clamped after every step because where
    // it lands depends on where it stood.
    restoreAutoTabs(uuid);
    state_.activeUUID = uuid;
    if (const std::optional<WindowID> focused = strip.focusedWindowID())
        state_.records.clearBadge(*focused);
    clampViewport(uuid);
    if (!pendingFocusDisplay_) {
        pendingFocusDisplay_ = uuid;
        enqueue([this] { finishFocusMoves(); });
    }
    return true;
}

void StripController::finishFocusMoves() {
    if (!pendingFocusDisplay_) return;
    const std::string uuid = std::move(*pendingFocusDisplay_);
    pendingFocusDisplay_.reset();
    if (state_.paused || !stateOf(uuid)) return;
    // An event in between may have made another display active; it stays so.
    focusChanged(uuid, state_.activeUUID == uuid);
}

void StripController::togglePause() {
    state_.paused = !state_.paused;
    log_.info("%{public}s", std::string(state_.paused ? "Paused" : "Resumed"));
    if (state_.paused) {
        // A swipe in progress ends here: its updates and its settle move nothing while paused.
        for (auto& [uuid, display] : state_.displays) display.animator.halt();
        restoreEnhancedUI();
    } else {
        rescanWindows(false);
        clampAndRelayoutAll();
    }
    publishSnapshot(SnapshotReason::structure());
    publishFocusFrames();
}

void StripController::afterStructureChange(const std::string& uuid) {
    restoreAutoTabs(uuid);
    clampViewport(uuid);
    relayout(uuid);
    session_->scheduleSave();
    publishSnapshot(SnapshotReason::structure());
}

void StripController::restoreAutoTabs(const std::string& uuid) {
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    for (size_t index = 0; index < display->strip.columns.size(); ++index) {
        Column& column = display->strip.columns[index];
        if (!column.autoTabbed) continue;
        column.isTabbed = false;
        column.autoTabbed = false;
        log_.info("Column %ld: automatic tabs back to a stack", long(index + 1));
    }
}

void StripController::raiseFocused(const std::string& uuid, std::optional<std::uint64_t> askedAt) {
    if (state_.paused) return;
    DisplayState* display = stateOf(uuid);
    if (!display) return;
    const std::optional<WindowID> focused = display->strip.focusedWindowID();
    if (!focused) return;
    const auto window = state_.windows.find(*focused);
    if (window == state_.windows.end()) return;
    if (!display->animator.isResting()) {
        display->raiseWhenLanded = true;
        display->raiseAskedAt = askedAt.value_or(raiser_->yields());
        return;
    }
    display->raiseWhenLanded = false;
    raise(window->second, askedAt);
}

void StripController::raise(const ManagedWindow& window, std::optional<std::uint64_t> askedAt) {
    if (floatedFocus_ && floatedFocus_->window != window.id) floatedFocus_.reset();
    ManagedWindow asked = window;
    asked.minimisesHeard = tracker_->minimisesHeard(window.id);
    const std::optional<bool> replacedLast =
        askedAt ? raiser_->raiseAskedAt(asked, *askedAt) : raiser_->raise(asked);
    // Dropped: one of our own windows took the focus since it was asked for.
    if (!replacedLast) return;
    raiseEchoes_.raised(window.id, now(), *replacedLast,
                        env_.windowManagerTraits().followsPointer());
}

void StripController::yieldFocusToOwnWindow() {
    raiser_->yieldFocus();
    enqueue([this] {
        ownWindowTakesFocus_ = true;
        dropRaisesAwaitingLanding();
        // A dropped raise is never answered; awaiting it would misjudge the focus changes to come.
        raiseEchoes_.forgetRequests();
    });
}

void StripController::ownWindowKeptNoKeys() {
    enqueue([this] {
        if (!ownWindowTakesFocus_) return;
        ownWindowTakesFocus_ = false;
        if (state_.activeUUID) raiseFocused(*state_.activeUUID);
    });
}

void StripController::ownWindowClosed() {
    enqueue([this] { ownWindowClosedAt_ = now(); });
}

void StripController::dropRaisesAwaitingLanding() {
    for (const std::string& uuid : state_.displayOrder)
        if (DisplayState* display = stateOf(uuid)) display->raiseWhenLanded = false;
}

// The window manager answers a raise with a focus event, which may come back after later commands
// moved the strip's focus on; taken as the user's choice, it would pull the focus back to where a
// flood of commands passed by. Such overtaken answers are dropped, and so is the focus a window
// manager that focuses under the pointer gives a window our own moves slid under a still pointer:
// that focus goes back to the strip's. Every other focus change, ours or not, is followed.
bool StripController::windowFocused(WindowID id) {
    const auto location = locate(id);
    const std::optional<WindowID> stripFocus =
        location ? stateOf(location->first)->strip.focusedWindowID() : std::nullopt;
    const std::optional<double> handActed = handActedAt();
    // A new window's focus followed as heard aside, told again as its application comes to the
    // front with no focus heard in between: no answer to the raise of it asked since. Taken for
    // that answer, it would count the raises asked before as handled (one the new window
    // superseded, say), and their late answers would be followed as somebody else's choice.
    if (std::exchange(newWindowFollowedAside_, std::nullopt) == id &&
        raiseEchoes_.reportedFocus() == id)
        return false;
    const WindowRecord record = state_.records.get(id);
    const bool focusedAsMapped = mapFocusOwed(record);
    // The window manager's focus for the map is still to come, whether or not the window took
    // the strip's focus as it was adopted.
    const bool mapFocusDue = focusedAsMapped || record.focusedAheadOfMap;
    // The user restored the window: its first focus since is the restore's, though our moves may
    // have slid it under the resting pointer as it came back.
    const bool restoreFocus = stillPointer_.focusOfRestore(id);
    // A focus of the window manager's own is due for a map, or (beside one that focuses under the
    // pointer) after a window that had its focus closed: the first focus may be that as well as
    // an answer to a raise of ours.
    const std::optional<double> successorDue = std::exchange(successorDueSince_, std::nullopt);
    // Where the focus follows the pointer, a window that took the strip's focus as it was adopted
    // was raised for it at once (it claims the focus): its first focus answers that raise.
    const bool ownFocusDue = focusedAsMapped || (record.focusedAheadOfMap &&
                                                 !env_.windowManagerTraits().followsPointer());
    // A window without the focus closed over others under the resting pointer: the window
    // manager may focus none of them (one stood above it), so this focus may as well answer a
    // raise of ours, judged as such.
    const std::optional<Uncovered> uncovered = std::exchange(uncovered_, std::nullopt);
    std::optional<double> pickDue = successorDue;
    if (!pickDue && uncovered &&
        std::find(uncovered->windows.begin(), uncovered->windows.end(), id) !=
            uncovered->windows.end())
        pickDue = uncovered->since;
    const RaiseEchoes::Verdict verdict =
        raiseEchoes_.judge(id, now(), stripFocus, handActed, ownFocusDue || successorDue,
                           location && !restoreFocus && slidUnderStillPointer(id));
    log_.debug("Focus of window %lu heard: %{public}s", static_cast<unsigned long>(id),
               verdictName(verdict));
    // The first focus since a window was mapped, beside a window manager that focuses new
    // windows, is that window manager's answer to the map. Any focus of somebody else's ends every
    // such wait; the answer to a raise of ours does not: the map's answer may still come after it.
    std::vector<WindowID> waiting;
    for (const auto& [window, kept] : state_.records.all())
        if ((kept.mappedUnfocused || kept.focusedAheadOfMap) &&
            (verdict == RaiseEchoes::Verdict::notOurs || window == id))
            waiting.push_back(window);
    for (const WindowID window : waiting)
        state_.records.edit(window, [&](WindowRecord& r) {
            r.focusedAheadOfMap = false;
            if (verdict != RaiseEchoes::Verdict::notOurs) return;
            r.mappedUnfocused = false;
            r.commandChoicesAtMap = 0;
            r.mapFocusHeard = false;
        });
    // The first focus change judged after a window of ours that had the keys closed is the
    // window manager's pick of a window to focus next (it handled the close before any request
    // sent after it): nobody chose it. A new window's focus and a hand on the pointer since the
    // close (a click) are choices.
    const std::optional<double> closedAt = std::exchange(ownWindowClosedAt_, std::nullopt);
    if (closedAt && verdict == RaiseEchoes::Verdict::notOurs && !focusedAsMapped &&
        !(handActed && *handActed > *closedAt)) {
        return keepStripFocus("Focus the window manager gave as our window closed not followed",
                              stripFocus);
    }
    if (verdict == RaiseEchoes::Verdict::overtaken || verdict == RaiseEchoes::Verdict::repeated)
        return false;
    // A raise of the window asked again meanwhile and not yet sent has nothing left to do: sent
    // later, it could take the focus from a window opened since.
    if (verdict == RaiseEchoes::Verdict::answer && stripFocus == id && raiser_->dropPendingOf(id))
        raiseEchoes_.withdrawLast();
    if (verdict == RaiseEchoes::Verdict::late)
        return keepStripFocus("Late answer to an earlier raise of ours not followed", stripFocus);
    if (verdict == RaiseEchoes::Verdict::superseded) {
        if (location && stripFocus && *stripFocus != id) {
            log_.info("Focus for a raise asked before a new window not followed");
            if (state_.activeUUID) raiseFocused(*state_.activeUUID);
        }
        return false;
    }
    // The window manager's focus for a map that a command's choice came after (the map's answer
    // is late): the command's window keeps the focus. A hand on the pointer since the command
    // may have clicked the new window: that focus is the user's.
    const bool handSinceCommand = handActed && *handActed > state_.lastCommandChoice;
    if (verdict == RaiseEchoes::Verdict::notOurs && location && stripFocus != id && mapFocusDue &&
        state_.commandChoices > record.commandChoicesAtMap && !handSinceCommand) {
        log_.info("Focus for a new window not followed: a command chose another since");
        raiseEchoes_.declined(id);
        // The command's raise, still unanswered, is handled after this focus and takes it back
        // by itself. Asked again, the raise would go out late, maybe after the window manager
        // has focused a window the user opened since.
        if (state_.activeUUID && !(stripFocus && raiseEchoes_.answerStillDueFor(*stripFocus)))
            raiseFocused(*state_.activeUUID);
        return verdict == RaiseEchoes::Verdict::notOurs;
    }
    // The window manager's pick of a successor to a window that closed with its focus and not
    // the strip's: nobody chose it, unless the user's hand acted since. A command's raise asked
    // since, still unanswered, takes the focus back by itself.
    if (pickDue && verdict == RaiseEchoes::Verdict::notOurs && stripFocus && *stripFocus != id &&
        !focusedAsMapped && !stripFocusMinimized(stripFocus) &&
        !(handActed && *handActed > *pickDue)) {
        return keepStripFocus("Focus handed on after a closed window not followed", stripFocus);
    }
    if (verdict == RaiseEchoes::Verdict::notOurs && location && stripFocus != id &&
        !focusedAsMapped && !stripFocusMinimized(stripFocus) && !restoreFocus &&
        slidUnderStillPointer(id, true)) {
        if (ownWindowTakesFocus_ && onOwnKeysTaken) {
            // Raising the strip's window would take the keys from the panel the user types in.
            log_.info("Focus under the still pointer not followed: the keys go back to our window");
            onMain([callback = onOwnKeysTaken] { callback(); });
        } else {
            log_.info("Focus under the still pointer not followed");
            // Raised at once, or once the scroll lands when it still runs.
            if (state_.activeUUID) raiseFocused(*state_.activeUUID);
        }
        // The user's hand may only be heard after the focus it caused (a click right after the
        // pointer arrived): judged again a moment later.
        enqueueAfter(StillPointerFocus::kRest,
                     [this, id, deniedAt = now(), othersThen = raiseEchoes_.othersNoted()] {
                         followHandAfterDenial(id, deniedAt, othersThen);
                     });
        return false;
    }
    if (verdict == RaiseEchoes::Verdict::notOurs) {
        dropRaisesAwaitingLanding();
        // Somebody else moved the focus after our raise was asked for and before it went out:
        // sent now, it would take the focus from their choice.
        if (raiser_->dropPending()) raiseEchoes_.withdrawLast();
        // A click's focus: what we asked before it was carried out before it, answered or not.
        if (handActed && !mapFocusDue && !env_.windowManagerTraits().followsPointer())
            raiseEchoes_.handledBefore(*handActed);
        // The window manager's focus for a window just opened: the newest window's choice, which
        // an answer to a raise of ours asked before it may not undo.
        if (focusedAsMapped && location) newWindowTookFocus(id);
    }
    if (!location && state_.records.isUserFloating(id) && state_.activeUUID) {
        // The user came back to a floated window: the border leaves the strip.
        if (!floatedFocus_ || floatedFocus_->window != id) {
            floatedFocus_ = FloatedFocus{id, *state_.activeUUID};
            publishFocusFrames();
        }
        return verdict == RaiseEchoes::Verdict::notOurs;
    }
    if (floatedFocus_) {
        floatedFocus_.reset();
        if (!location) publishFocusFrames();
    }
    if (!location) return verdict == RaiseEchoes::Verdict::notOurs;
    ownWindowTakesFocus_ = false;
    const std::string uuid = location->first;
    const bool changed = stateOf(uuid)->strip.focus(id);
    const bool same = state_.activeUUID && *state_.activeUUID == uuid;
    state_.activeUUID = uuid;
    const bool cleared = state_.records.clearBadge(id);
    if (changed) {
        afterStructureChange(uuid);
        publishSnapshot(SnapshotReason::focus(uuid));
    } else if (cleared || !same) {
        publishSnapshot(SnapshotReason::focus(uuid));
    }
    publishFocusFrames();
    return verdict == RaiseEchoes::Verdict::notOurs;
}

void StripController::windowFocusedAside(WindowID id) {
    // Beside a window manager that focuses by click, the focus goes on only by somebody's choice:
    // the window handed on after it (the one it focused as the user minimised another, say) is
    // news, though a raise of ours asked for it too. Where the focus follows the pointer, it may
    // be the window manager's own focus (for a map, or its pick of a successor to a window that
    // closed), as judged in windowFocused.
    log_.debug("Focus of window %lu heard aside", static_cast<unsigned long>(id));
    const WindowRecord record = state_.records.get(id);
    const bool followsPointer = env_.windowManagerTraits().followsPointer();
    const auto location = locate(id);
    // Beside a window manager that focuses by click, a new window's focus for its map as well,
    // whether or not the window took the strip's focus as it was adopted.
    const bool mapFocusDue =
        followsPointer ? mapFocusOwed(record) : mapFocusOwed(record) || record.focusedAheadOfMap;
    raiseEchoes_.focusedAside(id, now(), handActedAt(), followsPointer,
                              mapFocusDue || successorDueSince_,
                              location && slidUnderStillPointer(id));
    // The window manager's focus for the map of a window adopted without it: the newest window's
    // choice, even when the focus moved on at once (to what our moves slid under the resting
    // pointer) and its application's activation comes too late to tell it. A command's choice
    // since keeps the focus.
    if (!location || !mapFocusOwed(record) || state_.commandChoices > record.commandChoicesAtMap)
        return;
    state_.records.edit(id, [](WindowRecord& r) {
        r.mappedUnfocused = false;
        r.commandChoicesAtMap = 0;
    });
    log_.info("Focus for a new window followed, heard before its application came to the front");
    if (env_.windowManagerTraits().followsPointer()) newWindowFollowedAside_ = id;
    newWindowTookFocus(id);
    stateOf(location->first)->strip.focus(id);
    state_.activeUUID = location->first;
    afterStructureChange(location->first);
    publishSnapshot(SnapshotReason::focus(location->first));
    publishFocusFrames();
    raiseFocused(location->first);
}

bool StripController::mapFocusAfterCommand(WindowID id) {
    if (!env_.windowManagerTraits().focusesNewWindows) return false;
    // A hand on the pointer since the command may have clicked the new window: the user's choice.
    const std::optional<double> handActed = handActedAt();
    if (handActed && *handActed > state_.lastCommandChoice) return false;
    // The window manager's own focus, as it is for a tiled window whose map it answers late: it
    // answers no raise of ours, which stay awaited.
    raiseEchoes_.judge(id, now(), std::nullopt, handActed, true);
    raiseEchoes_.declined(id);
    const DisplayState* display = state_.activeUUID ? stateOf(*state_.activeUUID) : nullptr;
    keepStripFocus("Focus for a new window not followed: a command chose another since",
                   display ? display->strip.focusedWindowID() : std::nullopt);
    return true;
}

bool StripController::mapFocusOwed(const WindowRecord& record) const {
    return record.mappedUnfocused && !record.mapFocusHeard &&
           env_.windowManagerTraits().focusesNewWindows;
}

bool StripController::keepStripFocus(const char* why, std::optional<WindowID> stripFocus) {
    log_.info("%{public}s", why);
    // A command's raise asked since, still unanswered, takes the focus back by itself.
    if (state_.activeUUID && !(stripFocus && raiseEchoes_.focusDueBackTo(*stripFocus)))
        raiseFocused(*state_.activeUUID);
    return false;
}

void StripController::newWindowTookFocus(WindowID id) {
    // Only where the focus follows the pointer: beside a window manager that focuses by click, the
    // new window's focus may be heard only after a command chose another window, and the raise
    // that command asked for, taken for one the new window superseded, was not followed.
    if (env_.windowManagerTraits().followsPointer()) raiseEchoes_.supersede(id);
}

// Some window managers that focus under the pointer take the focus from every window when a gap
// between columns arrives under it. When our moves brought the gap there, the focus goes back to
// the strip's focused window; when the user's hand did, it stays with nobody.
void StripController::focusLost() {
    const std::optional<WindowID> lostFrom = raiseEchoes_.reportedFocus();
    raiseEchoes_.lost();
    tracker_->focusLost();
    if (nobodyFocusedAfterLeaving(lostFrom)) return;
    const double lostAt = now();
    if (!lostUnderStillPointer(lostAt)) return;
    const auto judgeAgain = [this, lostAt] {
        // Somebody focused a window since.
        if (raiseEchoes_.reportedFocus() || !lostUnderStillPointer(lostAt)) return;
        log_.info("Focus lost under the still pointer: given back");
        raiseFocused(*state_.activeUUID);
    };
    // The hand is heard on a connection of its own: the motion that took the pointer over the gap
    // may be heard after the focus loss it caused, however late. Judged again once every hand
    // change the server reported before now is heard.
    PointerActivity* activity = env_.platform.pointerActivity;
    const bool waiting = activity && activity->afterHeardUpToNow([weak = weakSelf_, judgeAgain] {
        if (auto alive = weak.lock()) (*alive)->enqueue(judgeAgain);
    });
    if (!waiting) judgeAgain();
}

// The window manager focuses no window after one it owed a pick to left: our own window that had
// the keys closed, a window under the resting pointer closed, or the user minimised the strip's
// focused window (whose departure is then taken in). Its pick, if any, has been made: the keys
// would go nowhere while the strip shows its window focused, so that one is raised. The marks end
// here or with the focus that answers the raise, whichever the window manager reports first; a
// pick it names after a moment of no window comes before that answer and is still declined.
bool StripController::nobodyFocusedAfterLeaving(std::optional<WindowID> lostFrom) {
    const std::optional<double> handActed = handActedAt();
    const std::optional<double> markedAt =
        ownWindowClosedAt_ ? ownWindowClosedAt_ : successorDueSince_;
    const auto departed = lostFrom ? state_.departed.find(*lostFrom) : state_.departed.end();
    const bool minimisedAway =
        departed != state_.departed.end() && departed->second.kind == Departure::Kind::minimized;
    // One of our own panels takes the keys: no window may have the focus on the way.
    if ((!markedAt && !minimisedAway) || ownWindowTakesFocus_) return false;
    // The user's hand since: the loss may be the user's doing (a click on the desktop).
    const double since = markedAt ? *markedAt : departed->second.time;
    const auto endMarks = [this] {
        ownWindowClosedAt_.reset();
        successorDueSince_.reset();
        return false;
    };
    if (handActed && *handActed > since) return endMarks();
    const DisplayState* display = state_.activeUUID ? stateOf(*state_.activeUUID) : nullptr;
    const std::optional<WindowID> stripFocus =
        display ? display->strip.focusedWindowID() : std::nullopt;
    if (state_.paused || !stripFocus || stripFocusMinimized(stripFocus)) return endMarks();
    keepStripFocus("No window focused after the focused one left: the strip's focus raised",
                   stripFocus);
    return true;
}

bool StripController::lostUnderStillPointer(double lostAt) const {
    if (state_.paused || ownWindowTakesFocus_ || !state_.activeUUID) return false;
    const DisplayState* display = stateOf(*state_.activeUUID);
    if (!display || !display->strip.focusedWindowID() || !env_.platform.pointer) return false;
    // Only a window manager that focuses under the pointer takes the focus for a gap.
    if (!env_.windowManagerTraits().followsPointer()) return false;
    // A desktop switch takes the focus from every window it hides: the user's doing.
    const auto focused = state_.windows.find(*display->strip.focusedWindowID());
    if (focused != state_.windows.end() &&
        AX::boolAttribute(focused->second.element, ax::away).value_or(false)) {
        log_.debug("Focus lost to a desktop switch: left with nobody");
        return false;
    }
    std::map<WindowID, Rect> frames;
    for (const auto& [id, window] : state_.windows) frames.emplace(id, window.frame);
    if (!stillPointer_.slidAway(lostAt, env_.platform.pointer(), hand(), frames)) {
        log_.debug("Focus lost: left with nobody");
        return false;
    }
    return true;
}

// The user minimised the strip's focused window and its departure is not gathered yet: the window
// manager's focus is its choice of the successor, whatever stands under the pointer. Giving the
// focus back would ask for a raise of the minimised window, which goes out no more, and the strip
// would later pick a neighbour the window manager never focused.
bool StripController::stripFocusMinimized(std::optional<WindowID> stripFocus) const {
    if (!stripFocus) return false;
    const auto window = state_.windows.find(*stripFocus);
    return window != state_.windows.end() &&
           AX::boolAttribute(window->second.element, ax::minimized).value_or(false);
}

// Beside a window manager that focuses under the pointer, the user may close a window our moves
// slid under the resting pointer before the focus it took there is given back, or even heard (it
// may be heard only aside, or not at all when the window is gone by then). The window manager
// then hands the focus on to a window of its own choosing, which nobody chose: the strip's focus,
// still shown, takes it back (the next focus heard, told above). A window that had the focus for
// another reason (the user's, an application's) hands it on as the user expects. So too when the
// user closes a window that had no focus while the pointer rested over it and over another of ours
// beneath (parked windows at an edge): the window manager focuses the one it uncovers, nobody's
// choice.
void StripController::windowClosed(WindowID id) {
    // Beside any window manager: our raise of the window, if still unanswered, never will be.
    raiseEchoes_.closed(id);
    if (!env_.windowManagerTraits().followsPointer() || !state_.activeUUID) return;
    const DisplayState* display = stateOf(*state_.activeUUID);
    const std::optional<WindowID> stripFocus =
        display ? display->strip.focusedWindowID() : std::nullopt;
    if (!stripFocus || *stripFocus == id) return;
    if (!slidUnderStillPointer(id)) {
        std::vector<WindowID> beneath = uncoveredUnderStillPointer(id);
        if (!beneath.empty()) uncovered_ = Uncovered{now(), std::move(beneath)};
        return;
    }
    successorDueSince_ = now();
    // The window manager named no window before the close was heard: the strip's window takes
    // the keys now.
    if (!raiseEchoes_.reportedFocus()) nobodyFocusedAfterLeaving(std::nullopt);
}

// Where the window manager already focuses no window as the minimised window's departure is taken
// in (its own habit after a minimise, or it named none first), the neighbour the strip now focuses
// is raised: the keys would otherwise go nowhere. A window it focuses later is followed as always.
void StripController::focusedWindowMinimised(const std::string& uuid) {
    // One of our own panels taking the keys may leave no window focused on the way.
    if (state_.paused || state_.activeUUID != uuid || raiseEchoes_.reportedFocus() ||
        ownWindowTakesFocus_)
        return;
    log_.info("No window focused after the focused one was minimised: the strip's focus raised");
    raiseFocused(uuid);
}

std::vector<WindowID> StripController::uncoveredUnderStillPointer(WindowID closed) const {
    const auto window = state_.windows.find(closed);
    const std::optional<WindowID> focused = raiseEchoes_.reportedFocus();
    if (window == state_.windows.end() || focused == closed || !env_.platform.pointer) return {};
    std::map<WindowID, Rect> others;
    for (const auto& [id, other] : state_.windows)
        if (id != closed && id != focused) others.emplace(id, other.frame);
    return StillPointerFocus::uncovered(env_.platform.pointer(), window->second.frame, others);
}

bool StripController::slidUnderStillPointer(WindowID id, bool focusHeard) const {
    const auto window = state_.windows.find(id);
    if (window == state_.windows.end() || !env_.platform.pointer) return false;
    if (!env_.windowManagerTraits().followsPointer()) return false;
    const auto location = locate(id);
    return stillPointer_.slidUnder(
        now(), env_.platform.pointer(), hand(), id, window->second.frame,
        location ? stateOf(location->first)->strip.focusedWindowID() : std::nullopt, focusHeard);
}

// The hand acted since the focus on `id` was denied, with the pointer still over that window, and
// not to make a choice of its own since (a click on our indicator's icon): the user chose it after
// all, and the strip takes it. Unless only somebody's focus of other windows was followed since
// (the count of them was `othersThen`): that is what the hand chose (a click on a window our moves
// slid there since). Where this window's own focus was followed since, the hand chose it, and a
// focus of another window heard after it may be a later step of our own raise that went out as
// the click landed.
void StripController::followHandAfterDenial(WindowID id, double deniedAt,
                                            std::uint64_t othersThen) {
    if (state_.paused || !env_.platform.pointer) return;
    if (!stillPointer_.actedSince(deniedAt, hand())) return;
    const std::optional<PointerState> pointer = env_.platform.pointer();
    const auto window = state_.windows.find(id);
    const auto location = locate(id);
    if (!pointer || window == state_.windows.end() || !location ||
        !window->second.frame.contains(pointer->location))
        return;
    DisplayState* display = stateOf(location->first);
    if (display->strip.focusedWindowID() == id) return;
    if (raiseEchoes_.othersNoted() != othersThen && raiseEchoes_.reportedFocus() != id &&
        !raiseEchoes_.judgedOthersSince(othersThen, id))
        return;
    log_.info("Focus under the pointer followed: the hand chose it");
    display->strip.focus(id);
    focusChanged(location->first, true);
}

void StripController::listenForHand(double until) {
    PointerActivity* activity = env_.platform.pointerActivity;
    handHeard_ = activity && activity->listenUntil(until);
}

std::optional<double> StripController::handActedAt() const {
    const PointerActivity* activity = env_.platform.pointerActivity;
    return activity ? activity->lastActivity() : std::nullopt;
}

StillPointerFocus::Hand StripController::hand() const {
    StillPointerFocus::Hand hand;
    hand.heard = handHeard_;
    if (handHeard_) hand.lastActive = env_.platform.pointerActivity->lastActivity();
    return hand;
}

void StripController::showMessage(const ToastMessage& message) {
    log_.log("Message: %{public}s", message.summary());
    if (!onMessage) return;
    onMain([callback = onMessage, message] { callback(message); });
}

}  // namespace brindlow
