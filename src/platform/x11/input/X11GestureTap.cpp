#include "platform/x11/input/X11GestureTap.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/Clock.h"

namespace brindlow {

namespace {

constexpr const char* kThreadLabel = "com.vemto.brindlow.gestures";

// XInput2 event types.
constexpr int kDeviceChanged = XCB_INPUT_DEVICE_CHANGED;
constexpr int kButtonPress = XCB_INPUT_BUTTON_PRESS;
constexpr int kHierarchy = XCB_INPUT_HIERARCHY;
constexpr int kRawMotion = XCB_INPUT_RAW_MOTION;
constexpr int kSwipeBegin = XCB_INPUT_GESTURE_SWIPE_BEGIN;
constexpr int kSwipeUpdate = XCB_INPUT_GESTURE_SWIPE_UPDATE;
constexpr int kSwipeEnd = XCB_INPUT_GESTURE_SWIPE_END;

bool nameSaysTouchpad(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* word : {"touchpad", "trackpad", "synaptics", "glidepoint"})
        if (name.find(word) != std::string::npos) return true;
    return false;
}

}  // namespace

std::uint32_t modifiersFromX(std::uint32_t mask) {
    std::uint32_t flags = 0;
    if (mask & XCB_MOD_MASK_SHIFT) flags |= modifier::shift;
    if (mask & XCB_MOD_MASK_CONTROL) flags |= modifier::control;
    if (mask & XCB_MOD_MASK_1) flags |= modifier::option;
    if (mask & XCB_MOD_MASK_4) flags |= modifier::command;
    return flags;
}

X11GestureTap::X11GestureTap(std::string display)
    : display_(std::move(display)), log_(makeLogger("Gestures")) {}

X11GestureTap::~X11GestureTap() {
    stop();
}

EventTap::Started X11GestureTap::start(const Options& options, Handler handler) {
    stop();
    std::string error;
    session_ = X11InputSession::open(display_, error);
    if (!session_) {
        log_.error("Trackpad input is unavailable: %{public}s", error);
        return {};
    }
    version_ = {session_->majorVersion(), session_->minorVersion()};
    const bool swipes = options.swipes && session_->hasSwipeGestures();
    log_.info("XInput %ld.%ld on the display: finger swipes %{public}s", version_.first,
              version_.second, session_->hasSwipeGestures() ? "available" : "unavailable");
    if (!swipes && !options.scrolls) {
        session_.reset();
        return {};
    }
    options_ = options;
    handler_ = std::move(handler);
    devices_.clear();
    scrolling_ = false;

    bool ok = session_->select(XCB_INPUT_DEVICE_ALL, {kHierarchy, kDeviceChanged});
    if (options.scrolls) {
        readDevices();
        ok = ok && session_->select(XCB_INPUT_DEVICE_ALL, {kHierarchy, kDeviceChanged, kRawMotion});
    }
    if (swipes)
        ok = ok &&
             session_->select(XCB_INPUT_DEVICE_ALL_MASTER, {kSwipeBegin, kSwipeUpdate, kSwipeEnd});
    if (options.scrolls && options.scrollsWithKeysOnly) ok = ok && grabScrollButtons();
    if (!ok) {
        log_.error("Trackpad input is unavailable: the X server refused the event selection");
        session_.reset();
        return {};
    }
    session_->run(
        kThreadLabel, [this](const xcb_ge_generic_event_t& event) { onEvent(event); },
        [this] { return scrollDeadline(); }, [this] { endScroll(); });
    return {true, swipes};
}

void X11GestureTap::stop() {
    if (!session_) return;
    // Joins the thread before the connection (and with it the grab) goes.
    session_->stop();
    session_.reset();
    handler_ = nullptr;
}

void X11GestureTap::readDevices() {
    xcb_connection_t* c = session_->xcb();
    auto* reply = xcb_input_xi_query_device_reply(
        c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), nullptr);
    devices_.clear();
    if (!reply) return;
    for (auto it = xcb_input_xi_query_device_infos_iterator(reply); it.rem;
         xcb_input_xi_device_info_next(&it)) {
        const xcb_input_xi_device_info_t* info = it.data;
        if (info->type != XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER) continue;
        Device device;
        device.touchpad = nameSaysTouchpad(std::string(xcb_input_xi_device_info_name(info),
                                                       xcb_input_xi_device_info_name_length(info)));
        for (auto cls = xcb_input_xi_device_info_classes_iterator(info); cls.rem;
             xcb_input_device_class_next(&cls)) {
            const std::uint16_t type = cls.data->type;
            // Touchpads are the devices that report swipe gestures or dependent touches.
            if (type == XCB_INPUT_DEVICE_CLASS_TYPE_GESTURE) device.touchpad = true;
            if (type == XCB_INPUT_DEVICE_CLASS_TYPE_TOUCH) {
                const auto* touch = reinterpret_cast<const xcb_input_touch_class_t*>(cls.data);
                if (touch->mode == XCB_INPUT_TOUCH_MODE_DEPENDENT) device.touchpad = true;
            }
            if (type != XCB_INPUT_DEVICE_CLASS_TYPE_SCROLL) continue;
            const auto* axis = reinterpret_cast<const xcb_input_scroll_class_t*>(cls.data);
            const double increment = fromFP3232(axis->increment);
            if (increment == 0) continue;
            device.axes[axis->number] = {axis->scroll_type == XCB_INPUT_SCROLL_TYPE_HORIZONTAL,
                                         increment};
        }
        if (!device.axes.empty()) devices_[info->deviceid] = device;
    }
    std::free(reply);
}

bool X11GestureTap::grabScrollButtons() {
    xcb_connection_t* c = session_->xcb();
    // Control+Alt, with every combination of Caps Lock and Num Lock (Mod2).
    const std::uint32_t keys = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    const std::uint32_t modifiers[] = {keys, keys | XCB_MOD_MASK_LOCK, keys | XCB_MOD_MASK_2,
                                       keys | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
    const std::uint32_t mask =
        XCB_INPUT_XI_EVENT_MASK_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_BUTTON_RELEASE;
    bool ok = true;
    for (std::uint32_t button = 4; button <= 7; ++button) {
        auto* reply = xcb_input_xi_passive_grab_device_reply(
            c,
            xcb_input_xi_passive_grab_device(c, XCB_CURRENT_TIME, session_->root(), XCB_CURSOR_NONE,
                                             button, XCB_INPUT_DEVICE_ALL_MASTER, 4, 1,
                                             XCB_INPUT_GRAB_TYPE_BUTTON,
                                             XCB_INPUT_GRAB_MODE_22_ASYNC,
                                             XCB_INPUT_GRAB_MODE_22_ASYNC, false, &mask, modifiers),
            nullptr);
        // Modifiers the server could not grab are listed as failures: another
        // client holds them.
        if (!reply || reply->num_modifiers > 0) ok = false;
        std::free(reply);
    }
    return ok;
}

void X11GestureTap::onEvent(const xcb_ge_generic_event_t& event) {
    switch (event.event_type) {
        case kHierarchy:
        case kDeviceChanged:
            if (options_.scrolls) readDevices();
            break;
        case kRawMotion:
            onRawMotion(event);
            break;
        case kButtonPress:
            onGrabbedButton(event);
            break;
        case kSwipeBegin:
        case kSwipeUpdate:
        case kSwipeEnd:
            onSwipe(event);
            break;
        default:
            break;
    }
}

void X11GestureTap::onSwipe(const xcb_ge_generic_event_t& event) {
    const auto& swipe = reinterpret_cast<const xcb_input_gesture_swipe_begin_event_t&>(event);
    InputEvent record;
    record.kind = InputEvent::Kind::swipe;
    if (event.event_type == kSwipeBegin) {
        record.phase = InputEvent::Phase::began;
    } else if (event.event_type == kSwipeUpdate) {
        record.phase = InputEvent::Phase::changed;
    } else {
        record.phase = swipe.flags & XCB_INPUT_GESTURE_SWIPE_EVENT_FLAGS_GESTURE_SWIPE_CANCELLED
                           ? InputEvent::Phase::cancelled
                           : InputEvent::Phase::ended;
    }
    record.fingers = int(swipe.detail);
    record.dx = fromFP1616(swipe.delta_unaccel_x) / kSwipeUnitsPerWidth;
    record.dy = fromFP1616(swipe.delta_unaccel_y) / kSwipeUnitsPerWidth;
    record.location = {fromFP1616(swipe.root_x), fromFP1616(swipe.root_y)};
    record.modifiers = modifiersFromX(swipe.mods.effective);
    record.time = MonotonicClock::shared().now();
    handler_(record);
}

void X11GestureTap::onRawMotion(const xcb_ge_generic_event_t& event) {
    const auto* raw = reinterpret_cast<const xcb_input_raw_motion_event_t*>(&event);
    const auto found = devices_.find(raw->deviceid);
    if (found == devices_.end()) return;
    const Device& device = found->second;
    const std::uint32_t* mask = xcb_input_raw_button_press_valuator_mask(raw);
    const xcb_input_fp3232_t* values = xcb_input_raw_button_press_axisvalues(raw);
    const int count = xcb_input_raw_button_press_axisvalues_length(raw);
    double dx = 0, dy = 0;
    int index = 0;
    for (int word = 0; word < raw->valuators_len && index < count; ++word) {
        for (int bit = 0; bit < 32 && index < count; ++bit) {
            if (!(mask[word] & (1u << bit))) continue;
            const double value = fromFP3232(values[index++]);
            const auto axis = device.axes.find(word * 32 + bit);
            if (axis == device.axes.end()) continue;
            // Positive clicks scroll right / down: the content moves left / up.
            const double points = -value / axis->second.increment * kPointsPerClick;
            (axis->second.horizontal ? dx : dy) += points;
        }
    }
    if (dx == 0 && dy == 0) return;
    scroll(dx, dy, device.touchpad, std::nullopt, std::nullopt);
}

void X11GestureTap::onGrabbedButton(const xcb_ge_generic_event_t& event) {
    const auto& press = reinterpret_cast<const xcb_input_button_press_event_t&>(event);
    // Clicks made up from a touchpad's smooth scrolling: the raw valuators carry them.
    if (press.flags & XCB_INPUT_POINTER_EVENT_FLAGS_POINTER_EMULATED) return;
    double dx = 0, dy = 0;
    switch (press.detail) {
        case 4:
            dy = kPointsPerClick;
            break;
        case 5:
            dy = -kPointsPerClick;
            break;
        case 6:
            dx = kPointsPerClick;
            break;
        case 7:
            dx = -kPointsPerClick;
            break;
        default:
            return;
    }
    // Grabbed with the keys held, the clicks are meant for the strip.
    scroll(dx, dy, true, modifiersFromX(press.mods.effective),
           Point{fromFP1616(press.root_x), fromFP1616(press.root_y)});
}

void X11GestureTap::scroll(double dx, double dy, bool continuous,
                           std::optional<std::uint32_t> modifiers, std::optional<Point> location) {
    if (scrolling_ && continuous != scrollContinuous_) endScroll();
    const bool began = !scrolling_;
    if (began && (!modifiers || !location)) {
        xcb_connection_t* c = session_->xcb();
        auto* pointer = xcb_query_pointer_reply(c, xcb_query_pointer(c, session_->root()), nullptr);
        if (pointer) {
            scrollModifiers_ = modifiersFromX(pointer->mask);
            scrollLocation_ = {double(pointer->root_x), double(pointer->root_y)};
        }
        std::free(pointer);
    }
    if (modifiers) scrollModifiers_ = *modifiers;
    if (location) scrollLocation_ = *location;
    scrolling_ = true;
    scrollContinuous_ = continuous;
    lastScroll_ = MonotonicClock::shared().now();

    InputEvent record;
    record.kind = InputEvent::Kind::scroll;
    record.phase = began ? InputEvent::Phase::began : InputEvent::Phase::changed;
    record.dx = dx;
    record.dy = dy;
    record.continuous = continuous;
    record.modifiers = scrollModifiers_;
    record.location = scrollLocation_;
    record.time = lastScroll_;
    handler_(record);
}

double X11GestureTap::scrollDeadline() const {
    return scrolling_ ? lastScroll_ + kScrollPause : -1;
}

void X11GestureTap::endScroll() {
    if (!scrolling_) return;
    scrolling_ = false;
    InputEvent record;
    record.kind = InputEvent::Kind::scroll;
    record.phase = InputEvent::Phase::ended;
    record.continuous = scrollContinuous_;
    record.modifiers = scrollModifiers_;
    record.location = scrollLocation_;
    record.time = MonotonicClock::shared().now();
    handler_(record);
}

}  // namespace brindlow
