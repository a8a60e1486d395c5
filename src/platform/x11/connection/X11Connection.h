#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>

namespace brindlow {

// Owns a reply (or event) that xcb allocated for the caller to free().
struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

// One connection to the X server, shared by every x11 service. Requests may be
// made from any thread (xcb is thread-safe). A thread of its own reads the
// events and hands each one to the listeners, then to the waiters.
class X11Connection {
  public:
    using Event = xcb_generic_event_t;
    using Listener = std::function<void(const Event&)>;

    // Nothing when the display cannot be opened (null: $DISPLAY).
    static std::unique_ptr<X11Connection> open(const char* display = nullptr);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* xcb() const { return connection_; }
    xcb_ewmh_connection_t* ewmh() { return &ewmh_; }
    xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_->root; }
    int screenNumber() const { return screenNumber_; }
    bool hasError() const { return xcb_connection_has_error(connection_) != 0; }

    // Interned once, then cached.
    xcb_atom_t atom(std::string_view name);
    std::string atomName(xcb_atom_t atom);

    // Listeners run on the event thread, in registration order; they must not
    // add or remove listeners themselves. Once removeListener returns, the
    // listener is not running and never runs again.
    std::uint64_t addListener(Listener listener);
    void removeListener(std::uint64_t id);

    // Registers `accept`, runs `send`, and waits until an event is accepted or
    // `timeout` seconds pass. True when an event was accepted, or at once when
    // `send` returns true (what it waits for has already happened).
    bool waitForEvent(const std::function<bool(const Event&)>& accept, double timeout,
                      const std::function<bool()>& send);

    // Called once, on the event thread, when the connection breaks (the server went away or
    // closed it); never when this object stops it. Set right after open: a break before then
    // is reported when the handler is set.
    void setConnectionLostHandler(std::function<void()> handler);

    // A round trip: every request made before has been processed, and every
    // event it caused has been read, when this returns.
    void sync();
    void flush() { xcb_flush(connection_); }
    // A client message of `type` carrying `value` to `window`, one of ours with no event mask:
    // it comes back to this connection alone, after every event the server sent it before.
    void sendToSelf(xcb_window_t window, xcb_atom_t type, std::uint32_t value);

    // How many events have been handed out so far; counted before the listeners run, so a value
    // read before a request and unchanged after its reply means no event came in between.
    std::uint64_t eventCount() const { return eventCount_.load(std::memory_order_acquire); }

    // The extension's first event code, or -1 when the server lacks it.
    int randrEventBase() const { return randrEventBase_; }

  private:
    X11Connection(xcb_connection_t* connection, int screenNumber);
    void readEvents();
    void dispatch(const Event& event);
    // Waits, without reading, until the server hangs up the connection: a thread blocked in a
    // reply on a broken connection may never return to report it.
    void watchForHangUp();
    void reportLost();

    struct Waiter {
        const std::function<bool(const Event&)>* accept;
        bool accepted = false;
    };

    xcb_connection_t* connection_;
    int screenNumber_;
    xcb_screen_t* screen_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    int randrEventBase_ = -1;

    std::mutex atomsMutex_;
    std::unordered_map<std::string, xcb_atom_t> atoms_;

    std::mutex listenersMutex_;
    std::map<std::uint64_t, Listener> listeners_;
    std::uint64_t nextListener_ = 1;

    std::mutex waitersMutex_;
    std::condition_variable waitersChanged_;
    std::map<std::uint64_t, Waiter*> waiters_;
    std::uint64_t nextWaiter_ = 1;
    // Numbers the fences of sync(), so each call recognises its own event.
    std::atomic<std::uint32_t> syncSerial_{0};

    std::atomic<std::uint64_t> eventCount_{0};

    std::mutex lostMutex_;
    std::function<void()> lostHandler_;
    bool lost_ = false;
    // Wakes the hang-up watch when this object stops it.
    int watchStopFD_ = -1;
    std::thread watchThread_;

    xcb_window_t wakeWindow_ = XCB_WINDOW_NONE;
    bool stopping_ = false;
    std::thread eventThread_;
};

}  // namespace brindlow
