#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "app/RequestExecutor.h"
#include "app/SocketIO.h"
#include "platform/Log.h"

namespace brindlow {

// Listens on a Unix-domain socket for the command-line tool for as long as the
// application runs: one JSON request line in, one reply line out per connection.
// Each connection is served on a thread of its own so a slow client never holds
// up the accept loop or the others.
class SocketServer {
  public:
    struct Options {
        // A request line must arrive whole within this time.
        double readLimitSeconds = 3.0;
        std::size_t maxRequestBytes = kMaxRequestBytes;
        // Connections served at once; more are closed without a reply.
        std::size_t maxConnections = 32;
        int backlog = 8;
        // Pause after a failed accept that may repeat at once (out of descriptors).
        double acceptRetrySeconds = 0.1;
        // Replaces accept(2) (tests script failures); nullptr uses the real call.
        std::function<int(int listeningFD)> acceptCall;
    };

    enum class StartResult {
        listening,
        // Another instance answers on the socket; it was left alone.
        alreadyRunning,
        // Nothing listens (the reason is logged).
        failed,
    };

    // "brindlow.sock" in the storage folder.
    static std::filesystem::path defaultSocketPath();

    // True when an instance accepts connections on the path. The application
    // entry asks before it takes over any window, so that a second instance
    // exits without touching the first one's windows or socket.
    static bool isAnswering(const std::filesystem::path& socketPath);
    static constexpr std::string_view kAlreadyRunningMessage =
        "brindlow: Brindlow is already running.\n";

    // The executor must outlive the server.
    SocketServer(std::filesystem::path socketPath, RequestExecutor& executor);
    SocketServer(std::filesystem::path socketPath, RequestExecutor& executor, Options options);
    ~SocketServer();  // stops
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    // Creates the folder, binds (replacing a stale socket file, never a live
    // one), makes the file owner-only, listens and starts the accept thread.
    StartResult start();

    // Closes the listening socket, ends the connections in progress and their
    // waits, joins every thread and removes the socket file if this server made it.
    void stop();

    bool isListening() const;
    const std::filesystem::path& socketPath() const { return path_; }

    // Serves one accepted connection and closes it. Runs on a connection thread.
    void handle(int connection);

  private:
    struct Connection {
        std::thread thread;
        int fd = -1;
        bool finished = false;
    };

    void acceptLoop(int listeningFD);
    bool stillListeningOn(int fd) const;
    void serve(int fd);
    void reapFinishedConnections();
    void pauseAfterAcceptFailure(int listeningFD);

    const std::filesystem::path path_;
    RequestExecutor& executor_;
    const Options options_;
    const Logger log_;

    mutable std::mutex mutex_;
    std::condition_variable stopping_;
    int listeningFD_ = -1;
    // The identity of the socket file this server bound, so that stop never
    // removes a file that another instance put there since.
    bool ownsSocketFile_ = false;
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    // "<socket>.lock", held with flock for as long as this server listens: it
    // tells an instance that is still between bind and listen from a stale file.
    int startLockFD_ = -1;
    std::thread acceptThread_;
    std::list<Connection> connections_;
};

}  // namespace brindlow
