#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "app/SocketIO.h"

namespace brindlow {
namespace {

// A connected pair of stream sockets, closed at the end.
struct SocketPair {
    int ours = -1;
    int theirs = -1;
    SocketPair() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) throw std::runtime_error("socketpair");
        ours = fds[0];
        theirs = fds[1];
    }
    ~SocketPair() {
        if (ours >= 0) close(ours);
        closeTheirs();
    }
    void closeTheirs() {
        if (theirs >= 0) close(theirs);
        theirs = -1;
    }
};

const SocketDeadline kFarAway = deadlineAfter(60);

TEST(SocketIO, ReadsTheFirstLineEvenAnEmptyOneAndEndOfFileWithoutBytesIsNothing) {
    SocketPair pair;
    ASSERT_TRUE(writeAll(pair.theirs, "first\nsecond\n"));
    EXPECT_EQ(readLine(pair.ours, 100, kFarAway), "first");
    SocketPair empty;
    ASSERT_TRUE(writeAll(empty.theirs, "\n"));
    EXPECT_EQ(readLine(empty.ours, 100, kFarAway), "");
    SocketPair closed;
    closed.closeTheirs();
    EXPECT_EQ(readLine(closed.ours, 100, kFarAway), std::nullopt);
}

TEST(SocketIO, LineLongerThanTheLimitIsRefused) {
    SocketPair pair;
    std::thread writer([&] { writeAll(pair.theirs, std::string(10'000, 'x') + "\n"); });
    EXPECT_EQ(readLine(pair.ours, 4096, kFarAway), std::nullopt);
    pair.closeTheirs();
    writer.join();
    // Exactly at the limit is fine.
    SocketPair exact;
    ASSERT_TRUE(writeAll(exact.theirs, std::string(4096, 'y') + "\n"));
    EXPECT_EQ(readLine(exact.ours, 4096, kFarAway)->size(), 4096u);
}

}  // namespace
}  // namespace brindlow
