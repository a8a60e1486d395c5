#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "platform/x11/apps/X11Workspace.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

// A launched program starts with default signal dispositions and an empty mask,
// whatever this process ignores or blocks.
TEST(SpawnDetached, ProgramStartsWithDefaultSignalsAndNoMask) {
    test::TempFolder folder;
    const std::string fifo = (folder.path() / "status").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    sigaction(SIGPIPE, &ignore, &previous);
    sigset_t blocked;
    sigset_t previousMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &previousMask);

    // exec: a shell blocks every signal while it waits for a child, so the
    // program reads its own status rather than its parent shell's.
    const bool started =
        spawnDetached({"sh", "-c", "exec grep -E '^Sig(Ign|Blk)' /proc/self/status > " + fifo});
    sigaction(SIGPIPE, &previous, nullptr);
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    ASSERT_TRUE(started);

    // Opening the pipe waits for the program to open its end.
    std::ifstream status(fifo);
    std::stringstream text;
    text << status.rdbuf();
    EXPECT_EQ(text.str(), "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n");
}

}  // namespace
}  // namespace brindlow
