#pragma once

#include <sys/un.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brindlow {

// Routines shared by the command-line tool (client) and the socket server.

using SocketDeadline = std::chrono::steady_clock::time_point;

// The longest reply the tool reads (a generous bound: a list with long titles
// passes a megabyte); the longest request the server reads.
inline constexpr std::size_t kMaxReplyBytes = 64 * 1024 * 1024;
inline constexpr std::size_t kMaxRequestBytes = 64 * 1024;

// A zeroed Unix-domain address with the path and its terminating zero byte;
// none when the path does not fit (more than 107 bytes on Linux).
std::optional<sockaddr_un> makeSocketAddress(const std::filesystem::path& path);

// Runs `call` with an address for the path and returns its result. A path too
// long for an address is reached through a descriptor of its folder
// ("/proc/self/fd/<n>/<name>"); -1 with ENAMETOOLONG when even that does not fit.
int withSocketAddress(const std::filesystem::path& path,
                      const std::function<int(const sockaddr_un&)>& call);

// Seconds from now as a deadline.
SocketDeadline deadlineAfter(double seconds);

// Sets both the receive and the send time-out of a descriptor.
void setSocketTimeouts(int fd, double seconds);

// Closes a descriptor whose set-up failed and returns -1, keeping the errno of
// that failure for the caller.
int closeKeepingErrno(int fd);

// Connects a new stream socket to the path; -1 on failure (errno tells why).
// The time-out bounds the connect itself, and every later read and write.
int connectUnixSocket(const std::filesystem::path& path, double timeoutSeconds);

// Writes every byte, retrying after interruptions. Never raises SIGPIPE: a peer
// that has gone away gives false. False also at the first failed write.
bool writeAll(int fd, std::string_view bytes);

// How a line read ended.
enum class LineEnd {
    line,
    // The peer closed before sending anything.
    closedEmpty,
    timedOut,
    tooLong,
    failed,
};
struct LineRead {
    std::optional<std::string> line;
    LineEnd end = LineEnd::failed;
};
LineRead readLineReporting(int fd, std::size_t maxBytes, SocketDeadline deadline);

// Reads one line: the bytes before the first newline (an empty line gives an
// empty text). At end of file a final line without its newline still counts.
// None when nothing came, the deadline passed first, an error occurred, or the
// line grew past maxBytes before its newline.
std::optional<std::string> readLine(int fd, std::size_t maxBytes, SocketDeadline deadline);

// Client side of one exchange: connect, write the request (newline included),
// read the reply line within the time-out, close. The outcome says what failed.
enum class ExchangeEnd {
    replied,
    // Nothing listens at the path (no file, or a refused connection).
    nothingListens,
    cannotConnect,
    cannotSend,
    closedWithoutReply,
    timedOut,
    replyTooLarge,
    readFailed,
};
struct ExchangeOutcome {
    std::optional<std::string> reply;
    ExchangeEnd end = ExchangeEnd::cannotConnect;
    // errno of a failed connect or send.
    int error = 0;
};
ExchangeOutcome exchangeReporting(std::string_view request, const std::filesystem::path& path,
                                  double timeoutSeconds,
                                  std::size_t maxReplyBytes = kMaxReplyBytes);

// The same with every failure as none.
std::optional<std::string> exchange(std::string_view request, const std::filesystem::path& path,
                                    double timeoutSeconds);

}  // namespace brindlow
