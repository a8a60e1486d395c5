#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/RequestExecutor.h"
#include "app/SocketIO.h"
#include "platform/Log.h"

namespace brindlow {

// Listens on a Unix-domain socket for the command-line tool for as long as the
// application runs: one JSON request line in, one reply line out per connection.
// One event-loop thread reads requests and writes replies on non-blocking
// sockets, each connection under its own deadline, so idle or slow clients cost
// a descriptor and nothing else; requests read whole are carried out on worker
// threads, because carrying one out may wait for the strip controller.
class SocketServer {
  public:
    struct Options {
        // A request line must arrive within this time (what has come by then,
        // without its newline, is taken as the request), and a reply must be
        // taken whole within this time.
        double readLimitSeconds = 3.0;
        std::size_t maxRequestBytes = kMaxRequestBytes;
        // Connections held at once; past it (or when descriptors run out) the
        // one that has waited longest for its request is closed.
        std::size_t maxConnections = 4096;
        // Requests carried out at once; more wait their turn.
        std::size_t maxWorkers = 64;
        int backlog = 256;
        // Pause after a failed accept that may repeat at once (out of descriptors).
        double acceptRetrySeconds = 0.1;
        // Replaces accept(2) (tests script failures); nullptr uses the real call.
        std::function<int(int listeningFD)> acceptCall;
    };

    enum class StartResult {
        listening,
        // Another instance answers on the socket; it was left alone.
        alreadyRunning,
        // Nothing listens (the reason is logged). The start lock stays held
        // until stop(), so no second instance starts meanwhile.
        failed,
    };

    // "brindlow.sock" in the storage folder.
    static std::filesystem::path defaultSocketPath();

    // The executor must outlive the server.
    SocketServer(std::filesystem::path socketPath, RequestExecutor& executor);
    SocketServer(std::filesystem::path socketPath, RequestExecutor& executor, Options options);
    ~SocketServer();  // stops
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    // Creates the folder, binds (replacing a stale socket file, never a live
    // one nor a symbolic link), makes the file owner-only, listens and starts
    // the event loop.
    StartResult start();

    // Closes the listening socket, ends the connections in progress and their
    // waits, joins every thread, removes the socket file if this server made
    // it and releases the start lock.
    void stop();

    // Removes the socket file if this server made it, and nothing else: no thread is stopped
    // or joined. For a process that ends at once (the display went away); any thread.
    void removeSocketFileBeforeExit();

    bool isListening() const;
    const std::filesystem::path& socketPath() const { return path_; }

    // Why the last start failed ("" after a success).
    std::string failureReason() const;

  private:
    struct Connection;
    struct Job {
        int id = 0;
        CLIRequest request;
    };

    StartResult listenOnPath();
    // Unlinks the socket file if it is still the one this server bound.
    void removeOwnSocketFile() const;
    StartResult failStart(std::string reason);
    void eventLoop(int listeningFD);
    void acceptAll(int listeningFD);
    bool stillListeningOn(int fd) const;
    bool closeOldestWaiting();
    void readFrom(int id, Connection& connection);
    // Decodes the bytes read as the request and hands it to a worker; an unreadable one (or one
    // over the size bound) closes the connection without a reply.
    void takeRequest(int id, Connection& connection);
    void writeTo(Connection& connection);
    void takeFinishedReplies();
    void submit(int id, CLIRequest request);
    void workerLoop();

    const std::filesystem::path path_;
    RequestExecutor& executor_;
    const Options options_;
    const Logger log_;

    mutable std::mutex mutex_;
    std::condition_variable stopping_;
    int listeningFD_ = -1;
    // Wakes the event loop: a reply is ready, or the server stops.
    int wakeFD_ = -1;
    std::string failureReason_;
    // The identity of the socket file this server bound, so that stop never
    // removes a file that another instance put there since.
    bool ownsSocketFile_ = false;
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    // "<socket>.lock", held with flock for as long as this server runs: it
    // tells an instance that is still between bind and listen from a stale file.
    int startLockFD_ = -1;
    std::thread loopThread_;

    // Owned by the event-loop thread.
    std::map<int, std::unique_ptr<Connection>> connections_;
    int nextID_ = 1;
    bool acceptPaused_ = false;
    std::chrono::steady_clock::time_point acceptResumes_;

    // Shared with the workers, under workMutex_.
    std::mutex workMutex_;
    std::condition_variable workChanged_;
    std::deque<Job> jobs_;
    std::vector<std::pair<int, std::string>> replies_;
    std::vector<std::thread> workers_;
    std::size_t idleWorkers_ = 0;
    bool workersStop_ = false;
};

}  // namespace brindlow
