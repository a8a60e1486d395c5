#include "platform/x11/input/X11PointerActivity.h"

#include <vector>

#include "platform/Clock.h"

namespace brindlow {
namespace {

const std::vector<int> kHandEvents = {XCB_INPUT_RAW_MOTION, XCB_INPUT_RAW_BUTTON_PRESS,
                                      XCB_INPUT_RAW_BUTTON_RELEASE};

}  // namespace

X11PointerActivity::X11PointerActivity(std::string display)
    : display_(std::move(display)), log_(makeLogger("Gestures")) {}

X11PointerActivity::~X11PointerActivity() {
    // The thread ends before the members its callbacks use.
    if (session_) session_->stop();
}

bool X11PointerActivity::listenUntil(double until) {
    std::lock_guard lock(mutex_);
    if (failed_) return false;
    until_ = until;
    if (listening_) return true;
    if (!session_) {
        std::string error;
        session_ = X11InputSession::open(display_, error);
        if (!session_) {
            failed_ = true;
            log_.error("Pointer motion cannot be heard: %{public}s", error);
            return false;
        }
        session_->run(
            "com.vemto.brindlow.hand",
            [this](const xcb_ge_generic_event_t& event) {
                if (event.event_type == XCB_INPUT_RAW_MOTION ||
                    event.event_type == XCB_INPUT_RAW_BUTTON_PRESS ||
                    event.event_type == XCB_INPUT_RAW_BUTTON_RELEASE)
                    heard();
            },
            nullptr, nullptr);
    }
    if (!session_->select(XCB_INPUT_DEVICE_ALL, kHandEvents)) {
        failed_ = true;
        log_.error("Pointer motion cannot be heard: the X server refused to report it");
        return false;
    }
    listening_ = true;
    return true;
}

void X11PointerActivity::heard() {
    const double now = MonotonicClock::shared().now();
    last_.store(now);
    std::lock_guard lock(mutex_);
    if (!listening_ || now <= until_) return;
    // Past the end: no more wake-ups for motion until asked again.
    session_->select(XCB_INPUT_DEVICE_ALL, {});
    listening_ = false;
}

bool X11PointerActivity::afterHeardUpToNow(std::function<void()> then) {
    std::unique_lock lock(mutex_);
    if (failed_) return false;
    if (session_) {
        session_->afterRoundTrip(std::move(then));
        return true;
    }
    // Never listened: there is nothing to wait for.
    lock.unlock();
    then();
    return true;
}

std::optional<double> X11PointerActivity::lastActivity() const {
    const double last = last_.load();
    if (last < 0) return std::nullopt;
    return last;
}

}  // namespace brindlow
