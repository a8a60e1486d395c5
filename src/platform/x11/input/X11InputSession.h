#pragma once

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brindlow {

// A connection of its own to the X server for XInput2 listening, read on a thread of
// its own. stop() (and the destructor) wake the thread through a pipe and join it, so
// no callback runs once it returns; closing the connection drops every selection and
// grab made on it.
class X11InputSession {
  public:
    using EventHandler = std::function<void(const xcb_ge_generic_event_t&)>;

    // Nothing when the display cannot be opened or has no XInput 2.2; `error` says why.
    static std::unique_ptr<X11InputSession> open(const std::string& display, std::string& error);
    ~X11InputSession();
    X11InputSession(const X11InputSession&) = delete;
    X11InputSession& operator=(const X11InputSession&) = delete;

    xcb_connection_t* xcb() const { return connection_; }
    xcb_window_t root() const { return root_; }
    // The version the server agreed to, at most 2.4.
    int majorVersion() const { return major_; }
    int minorVersion() const { return minor_; }
    bool hasSwipeGestures() const { return major_ > 2 || (major_ == 2 && minor_ >= 4); }

    // Selects the XInput2 event types (their numbers) on the root for `device`.
    bool select(std::uint16_t device, const std::vector<int>& eventTypes);

    // Starts the reading thread: `onEvent` for every XInput2 event; `onTimer` once
    // the deadline that `deadline` reports (seconds on the monotonic clock, negative:
    // none) has passed. Both run on that thread.
    void run(const std::string& label, EventHandler onEvent, std::function<double()> deadline,
             std::function<void()> onTimer);
    void stop();
    // Sends a request that the server answers and calls `then` on the reading thread once the
    // answer is in, after every event the server sent before it was handled: the server sends
    // what it sends a connection in order. Any thread; run() must have been called. Dropped
    // when the session stops first.
    void afterRoundTrip(std::function<void()> then);

  private:
    X11InputSession(xcb_connection_t* connection, xcb_window_t root);
    void loop(const std::string& label);
    // Wakes the reading thread to look at what xcb has read meanwhile.
    void lookAgain();
    // The round trips answered by now, oldest first (reading thread).
    std::vector<std::function<void()>> answeredRoundTrips();

    xcb_connection_t* connection_;
    xcb_window_t root_;
    std::uint8_t opcode_ = 0;
    int major_ = 0;
    int minor_ = 0;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    EventHandler onEvent_;
    std::function<double()> deadline_;
    std::function<void()> onTimer_;
    std::thread thread_;
    std::mutex roundTripsMutex_;
    // Requests sent for afterRoundTrip, by sequence number, in the order sent.
    std::deque<std::pair<unsigned int, std::function<void()>>> roundTrips_;
};

// Fixed-point XInput values as doubles.
double fromFP1616(std::int32_t value);
double fromFP3232(const xcb_input_fp3232_t& value);

}  // namespace brindlow
