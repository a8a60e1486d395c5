#include "platform/x11/input/X11InputSession.h"

#include <xcb/xcbext.h>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Clock.h"
#include "platform/SerialQueue.h"

namespace brindlow {
namespace {

// What a byte written to the wake pipe asks of the reading thread.
constexpr char kStop = 1;
constexpr char kLookAgain = 2;

}  // namespace

double fromFP1616(std::int32_t value) {
    return value / 65536.0;
}

double fromFP3232(const xcb_input_fp3232_t& value) {
    return value.integral + value.frac / 4294967296.0;
}

X11InputSession::X11InputSession(xcb_connection_t* connection, xcb_window_t root)
    : connection_(connection), root_(root) {}

std::unique_ptr<X11InputSession> X11InputSession::open(const std::string& display,
                                                       std::string& error) {
    xcb_connection_t* connection =
        xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        error = "the display could not be opened";
        return nullptr;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    std::unique_ptr<X11InputSession> session(new X11InputSession(connection, root));
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_input_id);
    if (!extension || !extension->present) {
        error = "the X server has no XInput extension";
        return nullptr;
    }
    session->opcode_ = extension->major_opcode;
    auto* version = xcb_input_xi_query_version_reply(
        connection, xcb_input_xi_query_version(connection, 2, 4), nullptr);
    if (version) {
        session->major_ = version->major_version;
        session->minor_ = version->minor_version;
    }
    std::free(version);
    if (session->major_ < 2 || (session->major_ == 2 && session->minor_ < 2)) {
        error = "the X server offers XInput " + std::to_string(session->major_) + "." +
                std::to_string(session->minor_) + ", not 2.2";
        return nullptr;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = "no pipe for the listening thread";
        return nullptr;
    }
    session->wakeRead_ = fds[0];
    session->wakeWrite_ = fds[1];
    return session;
}

X11InputSession::~X11InputSession() {
    stop();
    if (wakeRead_ >= 0) close(wakeRead_);
    if (wakeWrite_ >= 0) close(wakeWrite_);
    xcb_disconnect(connection_);
}

bool X11InputSession::select(std::uint16_t device, const std::vector<int>& eventTypes) {
    // The mask is one bit per event type, in 32-bit words.
    int highest = 0;
    for (int type : eventTypes) highest = std::max(highest, type);
    const std::uint16_t words = static_cast<std::uint16_t>(highest / 32 + 1);
    std::vector<std::uint32_t> buffer(1 + words, 0);
    auto* head = reinterpret_cast<xcb_input_event_mask_t*>(buffer.data());
    head->deviceid = device;
    head->mask_len = words;
    for (int type : eventTypes) buffer[1 + type / 32] |= 1u << (type % 32);
    xcb_generic_error_t* error = xcb_request_check(
        connection_, xcb_input_xi_select_events_checked(connection_, root_, 1, head));
    const bool ok = error == nullptr;
    std::free(error);
    lookAgain();
    return ok;
}

void X11InputSession::lookAgain() {
    // Waiting for its answer, or writing, xcb may have read what the reading thread sleeps on.
    const char byte = kLookAgain;
    [[maybe_unused]] ssize_t written = write(wakeWrite_, &byte, 1);
}

void X11InputSession::run(const std::string& label, EventHandler onEvent,
                          std::function<double()> deadline, std::function<void()> onTimer) {
    stop();
    onEvent_ = std::move(onEvent);
    deadline_ = std::move(deadline);
    onTimer_ = std::move(onTimer);
    thread_ = std::thread([this, label] { loop(label); });
}

void X11InputSession::stop() {
    if (!thread_.joinable()) return;
    const char byte = kStop;
    [[maybe_unused]] ssize_t written = write(wakeWrite_, &byte, 1);
    thread_.join();
    char drain[16];
    while (read(wakeRead_, drain, sizeof drain) > 0) {
    }
}

void X11InputSession::afterRoundTrip(std::function<void()> then) {
    {
        // Kept before the answer can be looked for.
        std::lock_guard lock(roundTripsMutex_);
        const xcb_get_input_focus_cookie_t cookie = xcb_get_input_focus(connection_);
        roundTrips_.emplace_back(cookie.sequence, std::move(then));
    }
    xcb_flush(connection_);
    lookAgain();
}

std::vector<std::function<void()>> X11InputSession::answeredRoundTrips() {
    std::vector<std::function<void()>> answered;
    std::lock_guard lock(roundTripsMutex_);
    // Answers come in the order asked: none after the first that is not in yet.
    while (!roundTrips_.empty()) {
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (!xcb_poll_for_reply(connection_, roundTrips_.front().first, &reply, &error)) break;
        std::free(reply);
        std::free(error);
        answered.push_back(std::move(roundTrips_.front().second));
        roundTrips_.pop_front();
    }
    return answered;
}

void X11InputSession::loop(const std::string& label) {
    pthread_setname_np(pthread_self(), SerialQueue::threadName(label).c_str());
    pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    const auto handle = [this](xcb_generic_event_t* event) {
        if ((event->response_type & 0x7f) == XCB_GE_GENERIC) {
            const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
            if (generic->extension == opcode_) onEvent_(*generic);
        }
        std::free(event);
    };
    for (;;) {
        // Replies read while handling may have queued events: drain before sleeping.
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) handle(event);
        // An answer found was read after every event sent before it, which is queued by now
        // (looking for answers may read more): those are handled before the answer is told.
        const std::vector<std::function<void()>> answered = answeredRoundTrips();
        while (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection_)) handle(event);
        for (const auto& then : answered) then();
        if (xcb_connection_has_error(connection_)) return;
        int timeout = -1;
        const double due = deadline_ ? deadline_() : -1;
        if (due >= 0) {
            const double wait = due - MonotonicClock::shared().now();
            timeout = wait <= 0 ? 0 : static_cast<int>(std::ceil(wait * 1000));
        }
        fds[0].revents = fds[1].revents = 0;
        poll(fds, 2, timeout);
        if (fds[1].revents) {
            char bytes[16];
            bool stopping = false;
            for (ssize_t count; (count = read(wakeRead_, bytes, sizeof bytes)) > 0;)
                stopping = stopping || std::find(bytes, bytes + count, kStop) != bytes + count;
            if (stopping) return;
        }
        if (due >= 0 && onTimer_ && MonotonicClock::shared().now() >= due) onTimer_();
    }
}

}  // namespace brindlow
