// One request line to a running Brindlow over its socket, for the benchmarks that drive one.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>

namespace brindlow::bench {

// The reply line, or none when nothing answers.
inline std::optional<std::string> request(const std::string& socketPath, const std::string& line) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    std::string reply;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        write(fd, line.data(), line.size()) == ssize_t(line.size())) {
        char buffer[65536];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
            reply.append(buffer, size_t(n));
            if (reply.back() == '\n') break;
        }
    }
    close(fd);
    if (reply.empty()) return std::nullopt;
    return reply;
}

}  // namespace brindlow::bench
