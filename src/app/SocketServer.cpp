#include "app/SocketServer.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/SerialQueue.h"
#include "settings/StorageFolder.h"

namespace brindlow {

namespace {

constexpr const char* kAcceptThreadLabel = "com.vemto.brindlow.socket";
constexpr const char* kConnectionThreadLabel = "com.vemto.brindlow.socket.request";

void nameThisThread(const char* label) {
    pthread_setname_np(pthread_self(), SerialQueue::threadName(label).c_str());
}

// Takes the start-up lock beside the socket; -1 with errno EWOULDBLOCK when
// another instance holds it.
int takeStartLock(const std::filesystem::path& socketPath) {
    const std::string lockPath = socketPath.string() + ".lock";
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    int result;
    do {
        result = flock(fd, LOCK_EX | LOCK_NB);
    } while (result < 0 && errno == EINTR);
    return result < 0 ? closeKeepingErrno(fd) : fd;
}

// Errors after which the next accept can succeed at once.
bool isRetryableAtOnce(int error) {
    return error == EINTR || error == ECONNABORTED || error == EPROTO || error == EAGAIN ||
           error == EWOULDBLOCK;
}

}  // namespace

std::filesystem::path SocketServer::defaultSocketPath() {
    return storageFile("brindlow.sock");
}

bool SocketServer::isAnswering(const std::filesystem::path& socketPath) {
    const int probe = connectUnixSocket(socketPath, 1.0);
    if (probe < 0) return false;
    close(probe);
    return true;
}

SocketServer::SocketServer(std::filesystem::path socketPath, RequestExecutor& executor)
    : SocketServer(std::move(socketPath), executor, Options{}) {}

SocketServer::SocketServer(std::filesystem::path socketPath, RequestExecutor& executor,
                           Options options)
    : path_(std::move(socketPath)),
      executor_(executor),
      options_(std::move(options)),
      log_(makeLogger("Socket")) {}

SocketServer::~SocketServer() {
    stop();
}

bool SocketServer::isListening() const {
    std::lock_guard lock(mutex_);
    return listeningFD_ >= 0;
}

bool SocketServer::stillListeningOn(int fd) const {
    std::lock_guard lock(mutex_);
    return listeningFD_ == fd;
}

SocketServer::StartResult SocketServer::start() {
    if (isListening()) return StartResult::listening;
    std::error_code ignored;
    std::filesystem::create_directories(path_.parent_path(), ignored);

    const auto address = makeSocketAddress(path_);
    if (!address) {
        log_.error("Could not listen on %{public}s: %d", path_.string(), ENAMETOOLONG);
        return StartResult::failed;
    }
    // Only the holder of the lock may replace or make the socket file, so two
    // instances starting at once never take each other's file for stale.
    const int lockFD = takeStartLock(path_);
    if (lockFD < 0 && errno == EWOULDBLOCK) {
        log_.error("Brindlow is already running: %{public}s is locked", path_.string());
        return StartResult::alreadyRunning;
    }
    if (lockFD < 0) {
        log_.error("Could not listen on %{public}s: %d", path_.string(), errno);
        return StartResult::failed;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        log_.error("socket() failed");
        close(lockFD);
        return StartResult::failed;
    }
    const auto fail = [&](bool removeFile) {
        log_.error("Could not listen on %{public}s: %d", path_.string(), errno);
        close(fd);
        if (removeFile) unlink(path_.c_str());
        close(lockFD);
        return StartResult::failed;
    };
    const auto bindAddress = [&] {
        return bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un));
    };

    // Bind first and look at an existing file only when it is in the way, so
    // that a running instance's socket is never removed.
    if (bindAddress() < 0) {
        if (errno != EADDRINUSE) return fail(false);
        const int probe = connectUnixSocket(path_, 1.0);
        if (probe >= 0) {
            close(probe);
            log_.error("Brindlow is already running: %{public}s answers", path_.string());
            close(fd);
            close(lockFD);
            return StartResult::alreadyRunning;
        }
        // Only a refused connection proves the file stale; anything else (a
        // live instance that is slow to accept) leaves the file alone.
        if (errno != ECONNREFUSED) return fail(false);
        log_.info("Replacing the stale socket %{public}s", path_.string());
        unlink(path_.c_str());
        if (bindAddress() < 0) return fail(false);
    }
    // Owner-only before listening: until listen() every connect is refused, so
    // nobody else can slip in while the file has the umask's mode.
    if (chmod(path_.c_str(), 0600) < 0) return fail(true);
    struct stat info {};
    if (stat(path_.c_str(), &info) < 0) return fail(true);
    if (listen(fd, options_.backlog) < 0) return fail(true);

    {
        std::lock_guard lock(mutex_);
        listeningFD_ = fd;
        ownsSocketFile_ = true;
        socketDevice_ = info.st_dev;
        socketInode_ = info.st_ino;
        startLockFD_ = lockFD;
    }
    executor_.reopenWaits();
    acceptThread_ = std::thread([this, fd] {
        nameThisThread(kAcceptThreadLabel);
        acceptLoop(fd);
    });
    log_.info("Listening for the command-line tool");
    return StartResult::listening;
}

void SocketServer::stop() {
    int fd;
    bool removeFile;
    int startLockFD;
    {
        std::lock_guard lock(mutex_);
        fd = listeningFD_;
        listeningFD_ = -1;
        removeFile = ownsSocketFile_;
        ownsSocketFile_ = false;
        startLockFD = startLockFD_;
        startLockFD_ = -1;
    }
    stopping_.notify_all();
    // shutdown() wakes an accept() that is blocked on the descriptor; it is
    // closed only once the accept thread is gone, so the number cannot be
    // reused under it.
    if (fd >= 0) shutdown(fd, SHUT_RDWR);
    if (acceptThread_.joinable()) acceptThread_.join();
    if (fd >= 0) close(fd);

    // End the requests in progress: reads and writes fail at once, and waits
    // for the strip controller or the main queue give up.
    executor_.cancelWaits();
    {
        std::lock_guard lock(mutex_);
        for (Connection& connection : connections_) {
            if (connection.fd >= 0) shutdown(connection.fd, SHUT_RDWR);
        }
    }
    for (Connection& connection : connections_) {
        if (connection.thread.joinable()) connection.thread.join();
    }
    connections_.clear();

    if (removeFile) {
        struct stat info {};
        if (stat(path_.c_str(), &info) == 0 && info.st_dev == socketDevice_ &&
            info.st_ino == socketInode_) {
            unlink(path_.c_str());
        }
    }
    // Released only after the file is gone, so the next instance finds no stale file.
    if (startLockFD >= 0) close(startLockFD);
}

void SocketServer::acceptLoop(int listeningFD) {
    int lastError = 0;
    while (stillListeningOn(listeningFD)) {
        const int connection = options_.acceptCall
                                   ? options_.acceptCall(listeningFD)
                                   : accept4(listeningFD, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            const int error = errno;
            if (!stillListeningOn(listeningFD)) break;
            if (isRetryableAtOnce(error)) continue;
            // Out of descriptors or memory, or anything unexpected: keep serving,
            // but give the process a moment instead of spinning.
            if (error != lastError) log_.error("accept() failed: %d", error);
            lastError = error;
            pauseAfterAcceptFailure(listeningFD);
            continue;
        }
        lastError = 0;
        reapFinishedConnections();
        std::lock_guard lock(mutex_);
        if (listeningFD_ != listeningFD) {
            close(connection);
            break;
        }
        if (connections_.size() >= options_.maxConnections) {
            log_.error("Too many command-line connections; closing one");
            close(connection);
            continue;
        }
        auto entry = connections_.emplace(connections_.end());
        entry->fd = connection;
        entry->thread = std::thread([this, entry] {
            nameThisThread(kConnectionThreadLabel);
            int fd;
            {
                std::lock_guard lock(mutex_);
                fd = entry->fd;
            }
            handle(fd);
            {
                std::lock_guard lock(mutex_);
                entry->fd = -1;
                entry->finished = true;
            }
            close(fd);
        });
    }
}

void SocketServer::pauseAfterAcceptFailure(int listeningFD) {
    std::unique_lock lock(mutex_);
    stopping_.wait_for(lock, std::chrono::duration<double>(options_.acceptRetrySeconds),
                       [&] { return listeningFD_ != listeningFD; });
}

void SocketServer::reapFinishedConnections() {
    std::list<Connection> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            const auto next = std::next(it);
            if (it->finished) finished.splice(finished.end(), connections_, it);
            it = next;
        }
    }
    for (Connection& connection : finished) connection.thread.join();
}

void SocketServer::handle(int connection) {
    // The read limit bounds the whole request line (a client that trickles bytes
    // is cut off too) and each write of the reply.
    setSocketTimeouts(connection, options_.readLimitSeconds);
    const auto line =
        readLine(connection, options_.maxRequestBytes, deadlineAfter(options_.readLimitSeconds));
    if (!line) return;
    // An unreadable request ends the connection without a reply.
    const auto request = decodeRequest(*line);
    if (!request) return;
    log_.info("Command-line request: %{public}s",
              request->args.empty() ? std::string() : request->args.front());
    const CLIResponse response = executor_.execute(*request);
    writeAll(connection, encodeLine(response));
}

}  // namespace brindlow
