#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/AccessibilityObserver.h"
#include "platform/AccessibilityTypes.h"

namespace brindlow {

// One step of a caller's request made in several steps (a raise: main window, raise, application
// frontmost).
struct AXStep {
    // Shared by the steps of one request.
    std::uint64_t request = 0;
    // How many minimises of the window the caller had been told of when it asked: a minimise
    // the platform has seen beyond them is one the request was made without knowing of, and no
    // step of it shows the window again. None: the caller does not say.
    std::optional<std::uint64_t> minimisesHeard;
};

// One user-interface object of another application (an application or one of
// its windows), reached the way an assistive client reaches it. Elements are
// shared, never copied: every holder of the same AXElementRef sees the same
// messaging time-out. Two element objects for the same window have the same
// identity().
//
// Every call blocks until the other application answers or the messaging
// time-out runs out (then AXError::cannotComplete). Calls may be made from any
// thread; no call may be made while holding a lock.
class AXElement {
  public:
    virtual ~AXElement() = default;

    // Reads an attribute ("AXRole", "AXPosition", "AXWindows", ...). On success
    // `value` holds the attribute's value; otherwise it is left untouched.
    virtual AXError copyAttributeValue(std::string_view attribute, AXValue& value) const = 0;
    // Writes an attribute. Points and sizes are written as Point / Size values.
    virtual AXError setAttributeValue(std::string_view attribute, const AXValue& value) = 0;
    // Whether the attribute can be written.
    virtual AXError isAttributeSettable(std::string_view attribute, bool& settable) const = 0;
    // Performs an action ("AXRaise").
    virtual AXError performAction(std::string_view action) = 0;
    // The same two as one step of the caller's request `step`: the steps of one request share
    // its number, so that the platform can tell a further step of a request it has already
    // carried out from a new request. Platforms that need not ignore it.
    virtual AXError setAttributeValueAsStepOf(const AXStep& step, std::string_view attribute,
                                              const AXValue& value) {
        (void)step;
        return setAttributeValue(attribute, value);
    }
    virtual AXError performActionAsStepOf(const AXStep& step, std::string_view action) {
        (void)step;
        return performAction(action);
    }
    // How long each later call through this element waits for an answer.
    // Zero or less restores the platform default.
    virtual AXError setMessagingTimeout(double seconds) = 0;
    // The process id of the application the element belongs to.
    virtual AXError pid(std::int32_t& pid) const = 0;
    // Stable number of the object behind the element: for a window it is the
    // window's id (WindowID) throughout the system; equal objects, equal identity.
    virtual std::uint32_t identity() const = 0;
};

// One window's new frame in a batch write (Accessibility::setFrames).
struct FrameWrite {
    AXElementRef element;
    Rect frame;  // position and size, whole points, as the platform can represent them
};

// What became of one FrameWrite: the frame read before and after the write (none when it could
// not be read), whether anything was sent, and the result code.
struct FrameWriteResult {
    AXError error = axerror::success;
    std::optional<Rect> before;
    std::optional<Rect> after;
    bool written = false;
};

// The accessibility service.
class Accessibility {
  public:
    virtual ~Accessibility() = default;

    // Whether this process may use the service; `prompt` asks the user when not.
    virtual bool isProcessTrusted(bool prompt) = 0;
    // A new element for the application with this process id. Never null; for a
    // process that does not exist, every call through it fails.
    virtual AXElementRef applicationElement(std::int32_t pid) = 0;
    // A new observer of one application's notifications. On success `observer`
    // is set; callbacks are delivered on the main executor once the observer is
    // scheduled there (AXObserver::scheduleOnMain).
    virtual AXError createObserver(std::int32_t pid, AXObserverCallback callback,
                                   std::shared_ptr<AXObserver>& observer) = 0;
    // Moves and resizes several windows together: position and size go out in one request per
    // window whose frame differs from the target by a point or more, one wait covers them all,
    // and a size is sent again only for a window whose read-back size differs. One result per
    // write, in order. None when the service cannot write in batches: then the caller writes
    // window by window.
    virtual std::optional<std::vector<FrameWriteResult>> setFrames(std::span<const FrameWrite>,
                                                                   double /*timeout*/) {
        return std::nullopt;
    }
    // Whether setFrames writes in batches here.
    virtual bool canSetFrames() const { return false; }
    // A number that grows with every change the service hears of in any application or window
    // (launch, quit, a new or closed window, any attribute). While it stays the same, a new read
    // of windows and attributes would find what the last one found. None when the service cannot
    // tell. Any thread.
    virtual std::optional<std::uint64_t> changeCount() const { return std::nullopt; }
};

}  // namespace brindlow
