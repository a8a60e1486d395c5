// What every client of one X display sends and receives, counted by the server itself through
// the RECORD extension: requests by major opcode (extension requests by name and minor
// opcode), events delivered by type (sent ones apart), replies and errors, per process.
// Recording costs the server time of its own, so CPU figures are taken in runs without it.
#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brindlow::bench {

struct ProtocolCounts {
    std::map<std::string, double> requests;  // by request name
    std::map<std::string, double> events;    // by event name; "sent" ones counted apart
    double replies = 0, errors = 0, requestBytes = 0, receivedBytes = 0;

    ProtocolCounts& operator+=(const ProtocolCounts& other);
    ProtocolCounts minus(const ProtocolCounts& earlier) const;
    ProtocolCounts scaled(double factor) const;
    double requestCount() const;
    double eventCount() const;
};

// Counts by process name (a process with several connections is counted once).
using CountsByProcess = std::map<std::string, ProtocolCounts>;

class ProtocolRecorder {
  public:
    // Records every client of `display` from now on. `ok()` tells whether the server records.
    explicit ProtocolRecorder(const char* display);
    ~ProtocolRecorder();
    ProtocolRecorder(const ProtocolRecorder&) = delete;
    ProtocolRecorder& operator=(const ProtocolRecorder&) = delete;

    bool ok() const { return ok_; }
    // Everything counted so far. Waits until the server has handed over what it recorded up to
    // this call.
    CountsByProcess counts();

  private:
    void read();
    void count(uint32_t client, uint8_t category, const uint8_t* data, size_t length);
    std::string processOf(uint32_t client);
    std::string requestName(const uint8_t* request) const;
    std::string eventName(const uint8_t* event) const;
    void learnExtensions();

    xcb_connection_t* control_ = nullptr;
    xcb_connection_t* data_ = nullptr;
    uint32_t context_ = 0;
    bool ok_ = false;
    std::thread reader_;
    std::mutex mutex_;
    std::map<uint32_t, ProtocolCounts> byClient_;   // by resource-id base
    std::map<uint32_t, std::string> processNames_;  // by resource-id base
    std::map<uint8_t, std::string> extensionByMajor_;
    std::vector<std::pair<uint8_t, std::string>> extensionEvents_;  // first event, name
};

// One line per process: its totals and its `top` most frequent requests and events.
void printCounts(const char* title, const CountsByProcess& counts, int top);

}  // namespace brindlow::bench
