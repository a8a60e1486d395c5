#include "platform/x11/input/X11PointerMonitor.h"

#include <cstdlib>

namespace brindlow {

X11PointerMonitor::X11PointerMonitor(std::string display, Executor& main)
    : display_(std::move(display)), main_(main), log_(makeLogger("Gestures")) {}

X11PointerMonitor::~X11PointerMonitor() {
    stop();
}

bool X11PointerMonitor::start(std::function<void()> moved) {
    if (session_) return true;
    std::string error;
    session_ = X11InputSession::open(display_, error);
    if (session_ && !session_->select(XCB_INPUT_DEVICE_ALL, {XCB_INPUT_RAW_MOTION})) {
        error = "the X server refused to report pointer motion";
        session_.reset();
    }
    if (!session_) {
        log_.error("Focus follows the mouse is unavailable: %{public}s", error);
        return false;
    }
    delivery_ = std::make_shared<Delivery>();
    delivery_->moved = std::move(moved);
    std::shared_ptr<Delivery> delivery = delivery_;
    Executor* main = &main_;
    session_->run(
        "com.vemto.brindlow.pointer",
        [delivery, main](const xcb_ge_generic_event_t& event) {
            if (event.event_type != XCB_INPUT_RAW_MOTION) return;
            // One queued call at a time: a burst of motion is one movement.
            if (delivery->queued.exchange(true)) return;
            main->async([delivery] {
                delivery->queued.store(false);
                if (delivery->active) delivery->moved();
            });
        },
        nullptr, nullptr);
    return true;
}

void X11PointerMonitor::stop() {
    if (!session_) return;
    session_->stop();
    session_.reset();
    // A call already queued on the main executor finds the delivery switched off.
    delivery_->active = false;
    delivery_.reset();
}

PointerState X11PointerMonitor::pointer() const {
    PointerState state;
    if (!session_) return state;
    xcb_connection_t* c = session_->xcb();
    auto* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, session_->root()), nullptr);
    if (!reply) return state;
    state.location = {double(reply->root_x), double(reply->root_y)};
    state.buttonDown = reply->mask & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3);
    std::free(reply);
    return state;
}

}  // namespace brindlow
