#include "platform/x11/connection/X11Connection.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/randr.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace brindlow {

namespace {
constexpr const char* kSyncAtom = "_BRINDLOW_SYNC";
constexpr const char* kStopAtom = "_BRINDLOW_STOP";
}  // namespace

std::unique_ptr<X11Connection> X11Connection::open(const char* display) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display, &screenNumber);
    if (!connection) return nullptr;
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(connection, screenNumber));
}

X11Connection::X11Connection(xcb_connection_t* connection, int screenNumber)
    : connection_(connection), screenNumber_(screenNumber) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber_ && it.rem; ++i) xcb_screen_next(&it);
    screen_ = it.data;

    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(connection_, &ewmh_);
    xcb_ewmh_init_atoms_replies(&ewmh_, cookies, nullptr);

    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection_, &xcb_randr_id);
    if (randr && randr->present) {
        auto version = xcb_randr_query_version(connection_, 1, 5);
        std::free(xcb_randr_query_version_reply(connection_, version, nullptr));
        randrEventBase_ = randr->first_event;
    }

    // Root events every service relies on: the window manager's properties and
    // the top-level windows coming and going.
    uint32_t rootMask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root(), XCB_CW_EVENT_MASK, &rootMask);

    // An unmapped window of our own to post fences and the stop message to.
    wakeWindow_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, wakeWindow_, root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    atom(kSyncAtom);
    atom(kStopAtom);
    xcb_flush(connection_);
    eventThread_ = std::thread([this] { readEvents(); });
    watchStopFD_ = eventfd(0, EFD_CLOEXEC);
    if (watchStopFD_ >= 0) watchThread_ = std::thread([this] { watchForHangUp(); });
}

X11Connection::~X11Connection() {
    {
        std::lock_guard lock(waitersMutex_);
        stopping_ = true;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = wakeWindow_;
    message.type = atom(kStopAtom);
    xcb_send_event(connection_, 0, wakeWindow_, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
    if (watchStopFD_ >= 0) eventfd_write(watchStopFD_, 1);
    if (watchThread_.joinable()) watchThread_.join();
    if (watchStopFD_ >= 0) close(watchStopFD_);
    if (eventThread_.joinable()) eventThread_.join();
    xcb_ewmh_connection_wipe(&ewmh_);
    xcb_disconnect(connection_);
}

xcb_atom_t X11Connection::atom(std::string_view name) {
    std::string key(name);
    {
        std::lock_guard lock(atomsMutex_);
        auto found = atoms_.find(key);
        if (found != atoms_.end()) return found->second;
    }
    auto cookie = xcb_intern_atom(connection_, 0, uint16_t(key.size()), key.data());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookie, nullptr);
    xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    if (result != XCB_ATOM_NONE) {
        std::lock_guard lock(atomsMutex_);
        atoms_[key] = result;
    }
    return result;
}

std::string X11Connection::atomName(xcb_atom_t atom) {
    auto cookie = xcb_get_atom_name(connection_, atom);
    xcb_get_atom_name_reply_t* reply = xcb_get_atom_name_reply(connection_, cookie, nullptr);
    if (!reply) return {};
    std::string name(xcb_get_atom_name_name(reply), size_t(xcb_get_atom_name_name_length(reply)));
    std::free(reply);
    return name;
}

std::uint64_t X11Connection::addListener(Listener listener) {
    std::lock_guard lock(listenersMutex_);
    std::uint64_t id = nextListener_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void X11Connection::removeListener(std::uint64_t id) {
    std::lock_guard lock(listenersMutex_);
    listeners_.erase(id);
}

bool X11Connection::waitForEvent(const std::function<bool(const Event&)>& accept, double timeout,
                                 const std::function<bool()>& send) {
    Waiter waiter{&accept};
    std::uint64_t id;
    {
        std::lock_guard lock(waitersMutex_);
        if (stopping_) return false;
        id = nextWaiter_++;
        waiters_.emplace(id, &waiter);
    }
    const bool already = send();
    xcb_flush(connection_);
    std::unique_lock lock(waitersMutex_);
    if (already) {
        waiters_.erase(id);
        return true;
    }
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(timeout));
    waitersChanged_.wait_until(lock, deadline, [&] { return waiter.accepted || stopping_; });
    waiters_.erase(id);
    return waiter.accepted;
}

void X11Connection::sync() {
    const std::uint32_t serial = ++syncSerial_;
    const xcb_atom_t type = atom(kSyncAtom);
    waitForEvent(
        [&](const Event& event) {
            if ((event.response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
            auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
            return message.type == type && message.data.data32[0] == serial;
        },
        5.0,
        [&] {
            sendToSelf(wakeWindow_, type, serial);
            return false;
        });
}

void X11Connection::sendToSelf(xcb_window_t window, xcb_atom_t type, std::uint32_t value) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    message.data.data32[0] = value;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
}

void X11Connection::readEvents() {
    const xcb_atom_t stop = atom(kStopAtom);
    bool stopped = false;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            stopped = message->window == wakeWindow_ && message->type == stop;
        }
        if (!stopped) dispatch(*event);
        std::free(event);
        if (stopped) break;
    }
    {
        // The connection broke or we are stopping: nobody waits any longer.
        std::lock_guard lock(waitersMutex_);
        stopping_ = true;
        waitersChanged_.notify_all();
    }
    if (!stopped) reportLost();
}

void X11Connection::watchForHangUp() {
    pollfd watched[2] = {{xcb_get_file_descriptor(connection_), POLLRDHUP, 0},
                         {watchStopFD_, POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        if (watched[0].revents & (POLLRDHUP | POLLHUP | POLLERR)) break;
    }
    reportLost();
}

void X11Connection::reportLost() {
    std::function<void()> handler;
    {
        std::lock_guard lock(lostMutex_);
        if (lost_) return;
        lost_ = true;
        handler = lostHandler_;
    }
    if (handler) handler();
}

void X11Connection::setConnectionLostHandler(std::function<void()> handler) {
    bool alreadyLost = false;
    {
        std::lock_guard lock(lostMutex_);
        lostHandler_ = handler;
        alreadyLost = lost_;
    }
    if (alreadyLost && handler) handler();
}

void X11Connection::dispatch(const Event& event) {
    eventCount_.fetch_add(1, std::memory_order_acq_rel);
    {
        // Held while they run, so a listener removed has finished running.
        std::lock_guard lock(listenersMutex_);
        for (auto& [id, listener] : listeners_) listener(event);
    }

    std::lock_guard lock(waitersMutex_);
    bool any = false;
    for (auto& [id, waiter] : waiters_) {
        if (!waiter->accepted && (*waiter->accept)(event)) {
            waiter->accepted = true;
            any = true;
        }
    }
    if (any) waitersChanged_.notify_all();
}

}  // namespace brindlow
