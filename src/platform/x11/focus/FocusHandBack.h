#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace brindlow {

// When the window manager focuses a window Brindlow maps back into view, the focus is handed back
// to the window that had it. The hand-back is an activation of that window, and a window manager
// that handles it after a desktop switch the user asked for goes back to the desktop left to
// activate it. Requests to the window manager reach every listener of the root too, in the order
// the server handles them, so Brindlow hears them in the order the window manager does:
// - the hand-back waits for a marker Brindlow sends to itself, and is dropped when a desktop
//   switch was asked for before the marker came back;
// - a switch asked for after the marker but before the hand-back itself (heard when it comes back
//   to us) is asked for once more after it, unless the user asked for another one meanwhile.
// Any thread.
class FocusHandBack {
  public:
    struct Request {
        std::uint32_t from = 0;  // the window that took the focus
        std::uint32_t to = 0;    // the one that had it
    };
    // What to send once a marker came back.
    struct Due {
        std::optional<Request> handBack;
        std::optional<std::uint32_t> desktop;  // a switch to ask for once more
    };

    // The focus is due back from `from` to `to`; replaces whatever was under way. Returns the
    // marker to send.
    std::uint32_t plan(std::uint32_t from, std::uint32_t to);
    // Someone asked the window manager to switch to `desktop`. Returns the hand-back dropped
    // because of it, if any.
    std::optional<Request> desktopSwitchRequested(std::uint32_t desktop);
    // A marker came back: what to send now.
    Due markerArrived(std::uint32_t marker);
    // An activation of `to` asked for by `from` reached the window manager. When it is the
    // hand-back and a switch came before it, returns the marker to send before asking for that
    // switch once more.
    std::optional<std::uint32_t> activationHeard(std::uint32_t from, std::uint32_t to);

  private:
    enum class Stage { idle, waiting, sent, reasking };

    std::mutex mutex_;
    Stage stage_ = Stage::idle;
    std::uint32_t lastMarker_ = 0;
    Request request_;
    std::optional<std::uint32_t> overtakenBy_;  // a switch heard after the hand-back went out
};

}  // namespace brindlow
