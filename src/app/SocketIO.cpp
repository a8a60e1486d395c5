#include "app/SocketIO.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace brindlow {

std::optional<sockaddr_un> makeSocketAddress(const std::filesystem::path& path) {
    sockaddr_un address{};
    const std::string& text = path.native();
    if (text.size() > sizeof(address.sun_path) - 1) return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, text.data(), text.size());
    address.sun_path[text.size()] = '\0';
    return address;
}

int withSocketAddress(const std::filesystem::path& path,
                      const std::function<int(const sockaddr_un&)>& call) {
    if (const auto address = makeSocketAddress(path)) return call(*address);
    const int folder = open(path.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return -1;
    const std::filesystem::path viaFolder =
        std::filesystem::path("/proc/self/fd") / std::to_string(folder) / path.filename();
    const auto address = makeSocketAddress(viaFolder);
    int result = -1;
    if (address) {
        result = call(*address);
    } else {
        errno = ENAMETOOLONG;
    }
    const int saved = errno;
    close(folder);
    errno = saved;
    return result;
}

SocketDeadline deadlineAfter(double seconds) {
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds));
}

void setSocketTimeouts(int fd, double seconds) {
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(std::floor(seconds));
    limit.tv_usec = static_cast<suseconds_t>((seconds - std::floor(seconds)) * 1e6);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

int connectUnixSocket(const std::filesystem::path& path, double timeoutSeconds) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    // Set before connect: a Unix-domain connect to a full backlog waits for the
    // send time-out.
    setSocketTimeouts(fd, timeoutSeconds);
    const int result = withSocketAddress(path, [fd](const sockaddr_un& address) {
        int connected;
        do {
            connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        } while (connected < 0 && errno == EINTR);
        return connected;
    });
    return result < 0 ? closeKeepingErrno(fd) : fd;
}

int closeKeepingErrno(int fd) {
    const int saved = errno;
    close(fd);
    errno = saved;
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written < 1) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

LineRead readLineReporting(int fd, std::size_t maxBytes, SocketDeadline deadline) {
    std::string collected;
    char buffer[65536];
    for (;;) {
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (remaining.count() < 0) return {std::nullopt, LineEnd::timedOut};
        // Rounded up so that a deadline a fraction of a millisecond away still
        // waits; long waits go in slices that fit poll's argument.
        const int waitMs = static_cast<int>(std::min<std::int64_t>(remaining.count() + 1, 60'000));
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, waitMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return {std::nullopt, LineEnd::failed};
        if (ready == 0) {
            if (std::chrono::steady_clock::now() >= deadline)
                return {std::nullopt, LineEnd::timedOut};
            continue;
        }
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (count < 0) return {std::nullopt, LineEnd::failed};
        if (count == 0) {
            if (collected.empty()) return {std::nullopt, LineEnd::closedEmpty};
            if (collected.size() > maxBytes) return {std::nullopt, LineEnd::tooLong};
            return {std::move(collected), LineEnd::line};
        }
        const std::size_t before = collected.size();
        collected.append(buffer, static_cast<std::size_t>(count));
        const std::size_t newline = collected.find('\n', before);
        if (newline != std::string::npos) {
            if (newline > maxBytes) return {std::nullopt, LineEnd::tooLong};
            collected.resize(newline);
            return {std::move(collected), LineEnd::line};
        }
        if (collected.size() > maxBytes) return {std::nullopt, LineEnd::tooLong};
    }
}

std::optional<std::string> readLine(int fd, std::size_t maxBytes, SocketDeadline deadline) {
    return readLineReporting(fd, maxBytes, deadline).line;
}

ExchangeOutcome exchangeReporting(std::string_view request, const std::filesystem::path& path,
                                  double timeoutSeconds, std::size_t maxReplyBytes) {
    const int fd = connectUnixSocket(path, timeoutSeconds);
    if (fd < 0) {
        const int error = errno;
        // A name too long for any address cannot have a listener either.
        const bool nothingListens =
            error == ENOENT || error == ECONNREFUSED || error == ENOTDIR || error == ENAMETOOLONG;
        return {std::nullopt,
                nothingListens ? ExchangeEnd::nothingListens : ExchangeEnd::cannotConnect, error};
    }
    const SocketDeadline deadline = deadlineAfter(timeoutSeconds);
    ExchangeOutcome outcome;
    if (!writeAll(fd, request)) {
        outcome = {std::nullopt, ExchangeEnd::cannotSend, errno};
    } else {
        LineRead read = readLineReporting(fd, maxReplyBytes, deadline);
        switch (read.end) {
            case LineEnd::line:
                outcome = {std::move(read.line), ExchangeEnd::replied, 0};
                break;
            case LineEnd::closedEmpty:
                outcome.end = ExchangeEnd::closedWithoutReply;
                break;
            case LineEnd::timedOut:
                outcome.end = ExchangeEnd::timedOut;
                break;
            case LineEnd::tooLong:
                outcome.end = ExchangeEnd::replyTooLarge;
                break;
            case LineEnd::failed:
                outcome = {std::nullopt, ExchangeEnd::readFailed, errno};
                break;
        }
    }
    close(fd);
    return outcome;
}

std::optional<std::string> exchange(std::string_view request, const std::filesystem::path& path,
                                    double timeoutSeconds) {
    return exchangeReporting(request, path, timeoutSeconds).reply;
}

}  // namespace brindlow
