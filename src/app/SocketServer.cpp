#include "app/SocketServer.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

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

std::string SocketServer::failureReason() const {
    std::lock_guard lock(mutex_);
    return failureReason_;
}

SocketServer::StartResult SocketServer::failStart(std::string reason) {
    log_.error(
        "Could not listen on %{public}s: %{public}s; the command-line tool will not reach "
        "this instance",
        path_.string(), reason);
    std::lock_guard lock(mutex_);
    failureReason_ = std::move(reason);
    return StartResult::failed;
}

SocketServer::StartResult SocketServer::start() {
    if (isListening()) return StartResult::listening;
    {
        std::lock_guard lock(mutex_);
        failureReason_.clear();
    }
    if (const std::error_code error = createPrivateFolder(path_.parent_path())) {
        return failStart(error.message());
    }

    // Only the holder of the lock may replace or make the socket file, so two
    // instances starting at once never take each other's file for stale. A
    // failed start keeps it, so that no second instance takes over meanwhile.
    int lockFD;
    {
        std::lock_guard lock(mutex_);
        lockFD = startLockFD_;
    }
    if (lockFD < 0) {
        lockFD = takeStartLock(path_);
        if (lockFD < 0 && errno == EWOULDBLOCK) {
            log_.error("Brindlow is already running: %{public}s is locked", path_.string());
            return StartResult::alreadyRunning;
        }
        if (lockFD < 0) return failStart(std::strerror(errno));
        std::lock_guard lock(mutex_);
        startLockFD_ = lockFD;
    }
    return listenOnPath();
}

SocketServer::StartResult SocketServer::listenOnPath() {
    struct stat existing {};
    if (lstat(path_.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
        return failStart("a symbolic link is in the way of the socket");
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        log_.error("socket() failed");
        return failStart(std::strerror(errno));
    }
    const auto fail = [&](bool removeFile) {
        const std::string reason = std::strerror(errno);
        close(fd);
        if (removeFile) unlink(path_.c_str());
        return failStart(reason);
    };
    const auto bindAddress = [&] {
        return withSocketAddress(path_, [fd](const sockaddr_un& address) {
            return bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        });
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
    if (fchmodat(AT_FDCWD, path_.c_str(), 0600, 0) < 0) return fail(true);
    struct stat info {};
    if (lstat(path_.c_str(), &info) < 0) return fail(true);
    if (listen(fd, options_.backlog) < 0) return fail(true);
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) return fail(true);

    {
        std::lock_guard lock(mutex_);
        listeningFD_ = fd;
        wakeFD_ = wake;
        ownsSocketFile_ = true;
        socketDevice_ = info.st_dev;
        socketInode_ = info.st_ino;
    }
    executor_.reopenWaits();
    loopThread_ = std::thread([this, fd] {
        nameThisThread(kAcceptThreadLabel);
        eventLoop(fd);
    });
    log_.info("Listening for the command-line tool");
    return StartResult::listening;
}

void SocketServer::stop() {
    int fd;
    int wake;
    bool removeFile;
    int startLockFD;
    {
        std::lock_guard lock(mutex_);
        fd = listeningFD_;
        listeningFD_ = -1;
        wake = wakeFD_;
        removeFile = ownsSocketFile_;
        ownsSocketFile_ = false;
        startLockFD = startLockFD_;
        startLockFD_ = -1;
    }
    stopping_.notify_all();
    // The loop closes every connection on its way out; the descriptors it
    // polls are closed only once it is gone, so no number is reused under it.
    if (wake >= 0) eventfd_write(wake, 1);
    if (loopThread_.joinable()) loopThread_.join();
    if (fd >= 0) close(fd);

    // End the requests in progress: waits for the strip controller or the main
    // queue give up, and queued ones are dropped.
    executor_.cancelWaits();
    {
        std::lock_guard lock(workMutex_);
        workersStop_ = true;
        jobs_.clear();
    }
    workChanged_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    {
        std::lock_guard lock(workMutex_);
        workers_.clear();
        replies_.clear();
        idleWorkers_ = 0;
        workersStop_ = false;
    }
    {
        std::lock_guard lock(mutex_);
        wakeFD_ = -1;
    }
    if (wake >= 0) close(wake);

    if (removeFile) removeOwnSocketFile();
    // Released only after the file is gone, so the next instance finds no stale file.
    if (startLockFD >= 0) close(startLockFD);
}

void SocketServer::removeOwnSocketFile() const {
    struct stat info {};
    if (lstat(path_.c_str(), &info) == 0 && info.st_dev == socketDevice_ &&
        info.st_ino == socketInode_) {
        unlink(path_.c_str());
    }
}

void SocketServer::removeSocketFileBeforeExit() {
    std::lock_guard lock(mutex_);
    if (!ownsSocketFile_) return;
    removeOwnSocketFile();
    ownsSocketFile_ = false;
}

struct SocketServer::Connection {
    enum class Phase { reading, working, writing };
    int fd = -1;
    Phase phase = Phase::reading;
    // The request bytes read so far, then the reply.
    std::string bytes;
    std::size_t written = 0;
    SocketDeadline deadline;
};

void SocketServer::eventLoop(int listeningFD) {
    int wake;
    {
        std::lock_guard lock(mutex_);
        wake = wakeFD_;
    }
    std::vector<pollfd> entries;
    std::vector<int> ids;
    while (stillListeningOn(listeningFD)) {
        takeFinishedReplies();
        const auto now = std::chrono::steady_clock::now();
        if (acceptPaused_ && now >= acceptResumes_) acceptPaused_ = false;

        entries.clear();
        ids.clear();
        entries.push_back({wake, POLLIN, 0});
        entries.push_back({acceptPaused_ ? -1 : listeningFD, POLLIN, 0});
        std::optional<SocketDeadline> nearest;
        if (acceptPaused_) nearest = acceptResumes_;
        for (const auto& [id, connection] : connections_) {
            if (connection->phase == Connection::Phase::working) continue;
            const short events = connection->phase == Connection::Phase::reading ? POLLIN : POLLOUT;
            entries.push_back({connection->fd, events, 0});
            ids.push_back(id);
            if (!nearest || connection->deadline < *nearest) nearest = connection->deadline;
        }
        int timeoutMs = -1;
        if (nearest) {
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(*nearest - now).count() + 1;
            timeoutMs = static_cast<int>(std::clamp<std::int64_t>(wait, 0, 60'000));
        }
        const int ready = poll(entries.data(), entries.size(), timeoutMs);
        if (ready < 0 && errno != EINTR) {
            log_.error("poll() failed: %d", errno);
            break;
        }
        if (ready > 0 && entries[0].revents) {
            eventfd_t ignored;
            eventfd_read(wake, &ignored);
        }
        for (std::size_t i = 0; ready > 0 && i < ids.size(); ++i) {
            const short revents = entries[i + 2].revents;
            if (!revents) continue;
            const auto found = connections_.find(ids[i]);
            if (found == connections_.end()) continue;
            Connection& connection = *found->second;
            if (connection.phase == Connection::Phase::reading) {
                readFrom(ids[i], connection);
            } else {
                writeTo(connection);
            }
            if (connection.fd < 0) connections_.erase(found);
        }
        // Whoever has not finished its request in time has sent what it is going to send: what
        // was read is its request. Whoever has not taken its reply in time is cut off.
        const auto after = std::chrono::steady_clock::now();
        for (auto it = connections_.begin(); it != connections_.end();) {
            Connection& connection = *it->second;
            if (connection.phase != Connection::Phase::working && connection.deadline <= after) {
                if (connection.phase == Connection::Phase::reading && !connection.bytes.empty()) {
                    takeRequest(it->first, connection);
                } else {
                    close(connection.fd);
                    connection.fd = -1;
                }
            }
            it = connection.fd < 0 ? connections_.erase(it) : std::next(it);
        }
        if (ready > 0 && entries[1].revents) acceptAll(listeningFD);
    }
    for (auto& [id, connection] : connections_) close(connection->fd);
    connections_.clear();
}

void SocketServer::acceptAll(int listeningFD) {
    int lastError = 0;
    for (;;) {
        const int fd = options_.acceptCall
                           ? options_.acceptCall(listeningFD)
                           : accept4(listeningFD, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            const int error = errno;
            if (error == EAGAIN || error == EWOULDBLOCK) return;
            if (isRetryableAtOnce(error)) continue;
            // Out of descriptors: the client that has waited longest for its
            // own request gives its descriptor to the newcomer.
            if ((error == EMFILE || error == ENFILE) && error != lastError) {
                lastError = error;
                if (closeOldestWaiting()) continue;
            }
            if (error != lastError) log_.error("accept() failed: %d", error);
            // Anything else unexpected: keep serving the others, and give the
            // process a moment before accepting again instead of spinning.
            acceptPaused_ = true;
            acceptResumes_ = deadlineAfter(options_.acceptRetrySeconds);
            return;
        }
        lastError = 0;
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        if (connections_.size() >= options_.maxConnections && !closeOldestWaiting()) {
            log_.error("Too many command-line connections; closing one");
            close(fd);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->deadline = deadlineAfter(options_.readLimitSeconds);
        connections_.emplace(nextID_++, std::move(connection));
    }
}

bool SocketServer::closeOldestWaiting() {
    auto oldest = connections_.end();
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->second->phase != Connection::Phase::reading) continue;
        if (oldest == connections_.end() || it->second->deadline < oldest->second->deadline)
            oldest = it;
    }
    if (oldest == connections_.end()) return false;
    close(oldest->second->fd);
    connections_.erase(oldest);
    return true;
}

void SocketServer::readFrom(int id, Connection& connection) {
    const auto drop = [&connection] {
        close(connection.fd);
        connection.fd = -1;
    };
    char buffer[16384];
    bool ended = false;
    for (;;) {
        const ssize_t count = read(connection.fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (count < 0) return drop();
        if (count == 0) {
            ended = true;
            break;
        }
        const std::size_t before = connection.bytes.size();
        connection.bytes.append(buffer, static_cast<std::size_t>(count));
        const std::size_t newline = connection.bytes.find('\n', before);
        if (newline != std::string::npos) {
            connection.bytes.resize(newline);
            ended = true;
            break;
        }
        if (connection.bytes.size() > options_.maxRequestBytes) return drop();
    }
    // A request whose sender finished without the newline still counts.
    if (ended) takeRequest(id, connection);
}

void SocketServer::takeRequest(int id, Connection& connection) {
    const auto drop = [&connection] {
        close(connection.fd);
        connection.fd = -1;
    };
    if (connection.bytes.size() > options_.maxRequestBytes) return drop();
    // An unreadable request ends the connection without a reply.
    auto request = decodeRequest(connection.bytes);
    if (!request) return drop();
    log_.info("Command-line request: %{public}s",
              request->args.empty() ? std::string() : request->args.front());
    connection.bytes.clear();
    connection.phase = Connection::Phase::working;
    submit(id, std::move(*request));
}

void SocketServer::writeTo(Connection& connection) {
    while (connection.written < connection.bytes.size()) {
        const ssize_t sent =
            send(connection.fd, connection.bytes.data() + connection.written,
                 connection.bytes.size() - connection.written, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (sent < 1) break;
        connection.written += static_cast<std::size_t>(sent);
    }
    // Done, or the client has gone: either way the connection ends.
    close(connection.fd);
    connection.fd = -1;
}

void SocketServer::takeFinishedReplies() {
    std::vector<std::pair<int, std::string>> finished;
    {
        std::lock_guard lock(workMutex_);
        finished.swap(replies_);
    }
    for (auto& [id, reply] : finished) {
        const auto found = connections_.find(id);
        if (found == connections_.end()) continue;
        Connection& connection = *found->second;
        connection.phase = Connection::Phase::writing;
        connection.bytes = std::move(reply);
        connection.written = 0;
        connection.deadline = deadlineAfter(options_.readLimitSeconds);
        writeTo(connection);
        if (connection.fd < 0) connections_.erase(found);
    }
}

void SocketServer::submit(int id, CLIRequest request) {
    std::lock_guard lock(workMutex_);
    jobs_.push_back({id, std::move(request)});
    if (jobs_.size() > idleWorkers_ && workers_.size() < options_.maxWorkers) {
        ++idleWorkers_;
        workers_.emplace_back([this] {
            nameThisThread(kConnectionThreadLabel);
            workerLoop();
        });
    }
    workChanged_.notify_one();
}

void SocketServer::workerLoop() {
    std::unique_lock lock(workMutex_);
    for (;;) {
        workChanged_.wait(lock, [this] { return workersStop_ || !jobs_.empty(); });
        if (workersStop_) return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        --idleWorkers_;
        lock.unlock();
        std::string reply = encodeLine(executor_.execute(job.request));
        lock.lock();
        ++idleWorkers_;
        replies_.emplace_back(job.id, std::move(reply));
        int wake;
        {
            std::lock_guard wakeLock(mutex_);
            wake = wakeFD_;
        }
        if (wake >= 0) eventfd_write(wake, 1);
    }
}

}  // namespace brindlow
