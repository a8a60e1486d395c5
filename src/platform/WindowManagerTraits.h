#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brindlow {

// How the window manager moves the focus.
enum class FocusModel {
    unknown,         // not published, not yet seen: the handlers act as for pointer focus
    click,           // the focus moves only when the user clicks or a window asks for it
    followsPointer,  // the window the pointer enters takes the focus (sloppy focus included)
};

// The pointer buttons a window manager moves and resizes windows with, beside a drag of a frame's
// title or border with the first button. Bit n - 1 stands for button n.
struct DragButtons {
    std::uint8_t buttons = 0b001;
    // Held with one of `buttons` over any part of a window; none: the buttons act only on frames.
    enum class Modifier { none, alt, super } modifier = Modifier::alt;

    bool holds(int button) const {
        return button >= 1 && button <= 8 && (buttons >> (button - 1)) & 1;
    }
    friend bool operator==(const DragButtons&, const DragButtons&) = default;
};

// What the running window manager does, where it differs from one window manager to the next:
// one value, decided once from what the window manager publishes (its name, its configuration)
// and replaced when another one takes over. The handlers that make up for a window manager's
// habits ask it whether they apply; a rule made for one window manager never acts beside another.
struct WindowManagerTraits {
    // As its check window names it; empty while no window manager runs.
    std::string name;
    // One of the window managers Brindlow is known to run beside. For any other, the traits
    // below that a handler asks before acting are set, and the handlers judge by what they see.
    bool known = true;
    FocusModel focusModel = FocusModel::unknown;
    // Where the focus model was read ("/etc/xdg/openbox/rc.xml", "default", …).
    std::string focusModelSource;
    // Pulls a window moved mostly off the screen back into view: parked windows are iconified.
    bool keepsWindowsOnScreen = false;
    // Carries out _NET_RESTACK_WINDOW requests.
    bool honoursRestack = true;
    // Takes a restack above the window directly below for a lower (the second of two identical
    // requests sends the window to the bottom).
    bool lowersOnIdenticalRestack = false;
    // Publishes _NET_CLIENT_LIST_STACKING from the top down, not from the bottom up as others do.
    bool listsStackingTopFirst = false;
    // Frames a translucent window of ours again after the outputs went off and on.
    bool framesTranslucentAfterOutputsChange = true;
    // Focuses a window that leaves the iconic state (a parked window mapped back).
    bool focusesMappedBack = false;
    // Resizes a client first and moves its frame only a moment later: a frame read back at its
    // old place right after a move is waited for.
    bool movesFrameLate = false;
    // Focuses a newly mapped window.
    bool focusesNewWindows = true;
    // Holds the WM_Sn selection (can be replaced by another window manager asking for it).
    bool holdsSelection = true;
    // Lists a maximised window's state in _NET_WM_STATE. One that does not (fvwm) still carries out
    // the requests to add and remove it: there a window reads maximised by its frame, which fills
    // the usable part of its monitor.
    bool publishesMaximized = true;
    DragButtons drag;

    // One of the window managers Brindlow is known to run beside, by its published name; none for
    // any other. The focus model is the window manager's default.
    static std::optional<WindowManagerTraits> forName(std::string_view name);
    // Traits for a window manager not among the known ones: nothing assumed that a handler could
    // act on wrongly, the focus model unknown.
    static WindowManagerTraits unknownWindowManager(std::string name);

    bool followsPointer() const { return focusModel != FocusModel::click; }
    // One line for the log.
    std::string describe() const;

    friend bool operator==(const WindowManagerTraits&, const WindowManagerTraits&) = default;
};

std::string_view focusModelName(FocusModel model);

}  // namespace brindlow
