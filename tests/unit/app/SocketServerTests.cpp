#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <future>
#include <set>
#include <thread>

#include "FakeRequestTarget.h"
#include "app/CommandLineTool.h"
#include "app/SocketIO.h"
#include "app/SocketServer.h"
#include "platform/Log.h"
#include "platform/SerialQueue.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

using test::FakeRequestTarget;

// A client connection held open by the test.
struct Client {
    int fd = -1;
    explicit Client(const std::filesystem::path& path) : fd(connectUnixSocket(path, 10)) {}
    ~Client() {
        if (fd >= 0) close(fd);
    }
    void hangUp() {
        close(fd);
        fd = -1;
    }
    // What comes back before the server closes: a reply line, or nothing.
    std::optional<std::string> reply() { return readLine(fd, kMaxReplyBytes, deadlineAfter(10)); }
};

class SocketServerTest : public ::testing::Test {
  protected:
    SocketServerTest() { LogSink::setStderrEnabled(false); }
    ~SocketServerTest() override {
        server.reset();
        // Blocks queued for the target run before the target goes away.
        mainQueue.sync([] {});
        LogSink::setStderrEnabled(true);
    }

    void startServer(SocketServer::Options options = {},
                     RequestExecutor::Options executorOptions = {}) {
        executor = std::make_unique<RequestExecutor>(target, mainQueue, executorOptions);
        server = std::make_unique<SocketServer>(path, *executor, std::move(options));
        ASSERT_EQ(server->start(), SocketServer::StartResult::listening);
    }

    ToolRun tool(std::vector<std::string> args) {
        ToolEnvironment environment;
        environment.socketPath = path;
        environment.callerPID = 555;
        return runCommandLineTool(args, environment);
    }
    // The server still answers an ordinary request.
    void expectStillServing() {
        const ToolRun run = tool({"pause"});
        EXPECT_EQ(run.status, 0) << run.err;
    }

    test::TempFolder folder;
    // A folder that does not exist yet: the server creates it.
    std::filesystem::path path = folder.path() / "Brindlow" / "brindlow.sock";
    SerialQueue mainQueue{"com.vemto.brindlow.main"};
    FakeRequestTarget target{&mainQueue};
    std::unique_ptr<RequestExecutor> executor;
    std::unique_ptr<SocketServer> server;
};

TEST_F(SocketServerTest, ToolCommandReachesTheTargetThroughAnOwnerOnlySocket) {
    startServer();
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const ToolRun run = tool({"jump", "4"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(target.queuedWindowCommands(), std::vector<Command>{Command::jumpTo(4)});
    EXPECT_EQ(tool({"overview"}).status, 0);
    ASSERT_TRUE(target.waitForPerformed(2));
    EXPECT_EQ(target.performed(),
              (std::vector<Command>{Command::jumpTo(4), Command::Kind::overview}));
    EXPECT_EQ(target.offMainQueueCalls(), 0);
}

// "brindlow focus-left; brindlow list", twenty times, each over a connection of its own: every
// list shows every command answered before it, while the main queue is busy all along.
TEST_F(SocketServerTest, EachListShowsEveryCommandAnsweredBeforeIt) {
    startServer();
    target.answerListsWithTheCommandCount();
    std::promise<void> release;
    mainQueue.async([future = release.get_future().share()] { future.wait(); });
    for (int n = 1; n <= 20; ++n) {
        EXPECT_EQ(tool({n % 2 ? "focus-left" : "focus-right"}).status, 0);
        const ToolRun list = tool({"list"});
        EXPECT_EQ(list.status, 0) << list.err;
        EXPECT_EQ(list.out, "{\"commands\":" + std::to_string(n) + "}\n");
    }
    release.set_value();
}

TEST_F(SocketServerTest, LogShowsOnlyTheCommandWordOfARequest) {
    LogSink::clear();
    startServer();
    EXPECT_EQ(tool({"layout", "save", "Secret", "Plans"}).status, 0);
    std::vector<std::string> socketLines;
    for (const LogRecord& record : LogSink::recent()) {
        if (record.category == "Socket") socketLines.push_back(record.message);
        EXPECT_EQ(record.message.find("Secret"), std::string::npos) << record.message;
    }
    EXPECT_EQ(socketLines, (std::vector<std::string>{"Listening for the command-line tool",
                                                     "Command-line request: layout"}));
}

TEST_F(SocketServerTest, LayoutSaveThatCouldNotBeWrittenExitsOneWithTheReason) {
    startServer();
    target.failSavesWith("No space left on device");
    const ToolRun failed = tool({"layout", "save", "Full"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err,
              "Could not save Full: No space left on device. It stays listed until Brindlow "
              "quits, and is written with the next change to the layouts that can be.\n");
    target.failSavesWith(std::nullopt);
    const ToolRun saved = tool({"layout", "save", "Full"});
    EXPECT_EQ(saved.status, 0);
    EXPECT_EQ(saved.out, "Saved Full\n");
}

TEST_F(SocketServerTest, RequestWhoseSenderFinishesWithoutANewlineStillCounts) {
    startServer();
    Client finished(path);
    ASSERT_TRUE(writeAll(finished.fd, "{\"args\":[\"overview\"]}"));
    shutdown(finished.fd, SHUT_WR);
    EXPECT_EQ(finished.reply(), "{\"ok\":true,\"output\":\"\"}");
}

// A client that sends its request line without the newline and keeps the connection open: once
// the read limit has passed, what was read is the request, as long as it stays within the bound.
struct UnfinishedLine {
    const char* name;
    std::string bytes;
    std::size_t maxRequestBytes;
    std::optional<std::string> reply;
    std::vector<Command> performed;
    std::size_t badges;
};

// A notify request exactly `size` bytes long.
std::string notifyRequestOfSize(std::size_t size) {
    const std::string head = "{\"args\":[\"notify\",\"done\",\"--dir\",\"";
    const std::string tail = "\"]}";
    return head + std::string(size - head.size() - tail.size(), 'd') + tail;
}

class UnfinishedLineTest : public SocketServerTest,
                           public ::testing::WithParamInterface<UnfinishedLine> {};

TEST_P(UnfinishedLineTest, IsTakenAsTheRequestWhenTheReadLimitPasses) {
    SocketServer::Options options;
    // The limit is the server's own clock: the test waits for the reply, not for the limit.
    options.readLimitSeconds = 0.2;
    options.maxRequestBytes = GetParam().maxRequestBytes;
    startServer(options);
    target.answerListsWith("{}");
    Client held(path);
    ASSERT_TRUE(writeAll(held.fd, GetParam().bytes));
    EXPECT_EQ(held.reply(), GetParam().reply);
    EXPECT_TRUE(target.waitForPerformed(GetParam().performed.size()));
    EXPECT_EQ(target.performed(), GetParam().performed);
    EXPECT_EQ(target.badges().size(), GetParam().badges);
    expectStillServing();
}

INSTANTIATE_TEST_SUITE_P(HeldOpen, UnfinishedLineTest,
                         ::testing::Values(UnfinishedLine{"a_command_is_carried_out",
                                                          "{\"args\":[\"pause\"]}",
                                                          kMaxRequestBytes,
                                                          "{\"ok\":true,\"output\":\"\"}",
                                                          {Command::Kind::togglePause},
                                                          0},
                                           UnfinishedLine{"a_listing_is_answered",
                                                          "{\"args\":[\"list\"]}",
                                                          kMaxRequestBytes,
                                                          "{\"ok\":true,\"output\":\"{}\"}",
                                                          {},
                                                          0},
                                           UnfinishedLine{
                                               "a_request_as_long_as_the_bound_is_carried_out",
                                               notifyRequestOfSize(1024),
                                               1024,
                                               "{\"ok\":true,\"output\":\"\"}",
                                               {},
                                               1},
                                           UnfinishedLine{"a_request_past_the_bound_is_dropped",
                                                          notifyRequestOfSize(1025),
                                                          1024,
                                                          std::nullopt,
                                                          {},
                                                          0}),
                         [](const auto& row) { return std::string(row.param.name); });

// The server's bound on a request line, 64 KiB, from a raw client: a line of exactly that size is
// served, with or without its newline; one byte more, still unfinished, ends the connection as
// soon as it is read, not when the read limit passes.
struct AtTheBound {
    const char* name;
    std::string bytes;
    double readLimitSeconds;
    bool answered;
};

class RequestAtTheBoundTest : public SocketServerTest,
                              public ::testing::WithParamInterface<AtTheBound> {};

TEST_P(RequestAtTheBoundTest, IsServedUpToTheBoundAndCutAtOnceBeyondIt) {
    SocketServer::Options options;
    options.readLimitSeconds = GetParam().readLimitSeconds;
    startServer(options);
    Client client(path);
    // The server may close before it has taken every byte: what was written is enough.
    writeAll(client.fd, GetParam().bytes);
    const LineRead read = readLineReporting(client.fd, kMaxReplyBytes, deadlineAfter(5));
    if (GetParam().answered) {
        EXPECT_EQ(read.line, "{\"ok\":true,\"output\":\"\"}");
        EXPECT_EQ(target.badges().size(), 1u);
    } else {
        EXPECT_EQ(read.line, std::nullopt);
        EXPECT_NE(read.end, LineEnd::timedOut) << "still open after 5 s";
        EXPECT_TRUE(target.badges().empty());
    }
    expectStillServing();
}

INSTANTIATE_TEST_SUITE_P(Bound, RequestAtTheBoundTest,
                         ::testing::Values(AtTheBound{"exactly_64_KiB_and_its_newline",
                                                      notifyRequestOfSize(65'536) + "\n", 30, true},
                                           AtTheBound{"exactly_64_KiB_held_open",
                                                      notifyRequestOfSize(65'536), 0.2, true},
                                           AtTheBound{"one_byte_more_held_open",
                                                      notifyRequestOfSize(65'537), 30, false}),
                         [](const auto& row) { return std::string(row.param.name); });

// The same bound at the tool: {"args":["notify","done","--dir","…"],"callerPID":555} is 53 bytes
// besides the folder, so a folder of 65,483 bytes makes a line of exactly 64 KiB.
struct ToolAtTheBound {
    const char* name;
    std::size_t folderBytes;
    int status;
    std::size_t badges;
    const char* err;
};

class ToolAtTheBoundTest : public SocketServerTest,
                           public ::testing::WithParamInterface<ToolAtTheBound> {};

TEST_P(ToolAtTheBoundTest, SendsALineOfTheBoundAndRefusesOneByteMore) {
    startServer();
    const ToolRun run = tool({"notify", "done", "--dir", std::string(GetParam().folderBytes, 'd')});
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.err, GetParam().err);
    EXPECT_EQ(target.badges().size(), GetParam().badges);
}

INSTANTIATE_TEST_SUITE_P(
    Bound, ToolAtTheBoundTest,
    ::testing::Values(ToolAtTheBound{"exactly_64_KiB", 65'483, 0, 1, ""},
                      ToolAtTheBound{"one_byte_more", 65'484, 64, 0,
                                     "brindlow: request too large (65537 bytes, at most 65536)\n"}),
    [](const auto& row) { return std::string(row.param.name); });

// A client that breaks the protocol is closed without a reply, nothing it sent is carried out, and
// the server goes on serving the others.
struct BrokenClient {
    const char* name;
    std::string bytes;
    std::size_t maxRequestBytes;
    double readLimitSeconds;
};

class BrokenClientTest : public SocketServerTest,
                         public ::testing::WithParamInterface<BrokenClient> {};

TEST_P(BrokenClientTest, IsClosedWithoutReplyAndTheServerGoesOn) {
    SocketServer::Options options;
    options.maxRequestBytes = GetParam().maxRequestBytes;
    options.readLimitSeconds = GetParam().readLimitSeconds;
    startServer(options);
    Client client(path);
    ASSERT_TRUE(writeAll(client.fd, GetParam().bytes));
    EXPECT_EQ(client.reply(), std::nullopt);
    EXPECT_TRUE(target.performed().empty());
    EXPECT_TRUE(target.badges().empty());
    expectStillServing();
}

// Which lines are unreadable is for the message-decoding tests.
INSTANTIATE_TEST_SUITE_P(
    Faults, BrokenClientTest,
    ::testing::Values(BrokenClient{"unreadable", "not json\n", kMaxRequestBytes, 3},
                      BrokenClient{"oversized",
                                   "{\"args\":[\"notify\",\"done\",\"--dir\",\"" +
                                       std::string(2000, 'd') + "\"]}\n",
                                   1024, 3},
                      BrokenClient{"unfinished_past_the_read_limit", "{\"args\":[\"pa",
                                   kMaxRequestBytes, 0.1}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(SocketServerTest, ConcurrentListsAreServedAtTheSameTime) {
    startServer({}, RequestExecutor::Options{30});
    constexpr std::size_t kClients = 8;
    std::vector<std::future<ToolRun>> runs;
    for (std::size_t i = 0; i < kClients; ++i) {
        runs.push_back(std::async(std::launch::async, [this] { return tool({"list"}); }));
    }
    // Every request is waiting for the strip controller at once: none is queued
    // behind another.
    const bool allWaiting = target.waitForPendingLists(kClients);
    target.answerPendingLists([](std::size_t i) { return "{\"n\":" + std::to_string(i) + "}"; });
    ASSERT_TRUE(allWaiting);
    std::set<std::string> outputs;
    for (auto& run : runs) {
        const ToolRun result = run.get();
        EXPECT_EQ(result.status, 0);
        outputs.insert(result.out);
    }
    EXPECT_EQ(outputs.size(), kClients);
}

TEST_F(SocketServerTest, ClientThatHangsUpBeforeTheReplyDoesNotHurtTheServer) {
    // The write to the departed client must fail quietly, not raise SIGPIPE.
    struct sigaction previous {};
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaults, &previous);
    startServer({}, RequestExecutor::Options{30});
    {
        Client impatient(path);
        ASSERT_TRUE(writeAll(impatient.fd, "{\"args\":[\"list\"]}\n"));
        ASSERT_TRUE(target.waitForPendingLists(1));
        impatient.hangUp();
    }
    target.answerPendingLists([](std::size_t) { return std::string(200'000, 'x'); });
    target.answerListsWith("{}");
    expectStillServing();
    sigaction(SIGPIPE, &previous, nullptr);
}

TEST_F(SocketServerTest, AcceptSurvivesTransientErrors) {
    std::atomic<int> calls = 0;
    SocketServer::Options options;
    options.acceptRetrySeconds = 0.001;
    options.acceptCall = [&calls](int fd) {
        static constexpr int kFailures[] = {EMFILE, ECONNABORTED, EINTR, ENFILE, ENOBUFS, EPROTO};
        const int n = calls++;
        if (n < int(std::size(kFailures))) {
            errno = kFailures[n];
            return -1;
        }
        return accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    };
    startServer(options);
    expectStillServing();
    EXPECT_GE(calls.load(), 7);
}

TEST_F(SocketServerTest, StopEndsARequestWaitingForAStuckMainQueue) {
    startServer();
    std::promise<void> release;
    mainQueue.async([future = release.get_future().share()] { future.wait(); });
    Client waiting(path);
    ASSERT_TRUE(writeAll(waiting.fd, "{\"args\":[\"layout\",\"list\"]}\n"));
    // Whether the request was read before the stop or not, stop returns and the
    // client is answered with a failure or not at all.
    server->stop();
    const auto reply = waiting.reply();
    if (reply) {
        EXPECT_EQ(decodeResponse(*reply)->ok, false);
    }
    release.set_value();
}

TEST_F(SocketServerTest, InstanceThatIsStillStartingKeepsItsSocketFile) {
    // Another instance has taken the start-up lock and bound its socket but
    // does not listen yet: connects are refused as for a stale file, yet the
    // file is its own.
    std::filesystem::create_directories(path.parent_path());
    const int lock = open((path.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
    const int starting = socket(AF_UNIX, SOCK_STREAM, 0);
    const auto address = makeSocketAddress(path);
    ASSERT_EQ(bind(starting, reinterpret_cast<const sockaddr*>(&*address), sizeof(sockaddr_un)), 0);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);

    executor = std::make_unique<RequestExecutor>(target, mainQueue);
    SocketServer second(path, *executor);
    EXPECT_EQ(second.start(), SocketServer::StartResult::alreadyRunning);
    second.stop();
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);

    // Once that instance has gone (lock released, file left behind), the next
    // start replaces the file.
    close(starting);
    close(lock);
    EXPECT_EQ(second.start(), SocketServer::StartResult::listening);
    second.stop();
}

TEST_F(SocketServerTest, PathTooLongForAnAddressIsReachedThroughItsFolder) {
    path = folder.path() / std::string(120, 'p') / "brindlow.sock";
    startServer();
    expectStillServing();
}

TEST_F(SocketServerTest, SymbolicLinkAtTheSocketIsRefusedAndTheStartLockKept) {
    std::filesystem::create_directories(path.parent_path());
    std::filesystem::create_symlink(folder.path() / "elsewhere.sock", path);
    executor = std::make_unique<RequestExecutor>(target, mainQueue);
    SocketServer first(path, *executor);
    EXPECT_EQ(first.start(), SocketServer::StartResult::failed);
    EXPECT_EQ(first.failureReason(), "a symbolic link is in the way of the socket");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "elsewhere.sock"));
    // Without a socket, the lock alone keeps a second instance out.
    SocketServer second(path, *executor);
    EXPECT_EQ(second.start(), SocketServer::StartResult::alreadyRunning);
    first.stop();
    std::filesystem::remove(path);
    EXPECT_EQ(second.start(), SocketServer::StartResult::listening);
}

// Enough descriptors for both ends of a thousand connections.
void allowDescriptors(rlim_t wanted) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = std::min(wanted, limit.rlim_max);
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

TEST_F(SocketServerTest, ThousandIdleClientsHoldUpNeitherACommandNorTheStop) {
    allowDescriptors(4096);
    SocketServer::Options options;
    // Longer than the test: the idle clients are never cut off meanwhile.
    options.readLimitSeconds = 120;
    startServer(options);
    std::vector<std::unique_ptr<Client>> idle;
    for (int i = 0; i < 1000; ++i) {
        idle.push_back(std::make_unique<Client>(path));
        ASSERT_GE(idle.back()->fd, 0) << i;
    }
    ASSERT_TRUE(writeAll(idle.back()->fd, "{\"args\""));
    target.answerListsWith("{\"displays\":[]}");
    const ToolRun run = tool({"list"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "{\"displays\":[]}\n");
    // Stopping does not wait out their read limit either.
    server->stop();
    EXPECT_EQ(idle.front()->reply(), std::nullopt);
}

TEST_F(SocketServerTest, OutOfConnectionsTheLongestWaitingIdleClientMakesRoom) {
    SocketServer::Options options;
    options.maxConnections = 3;
    options.readLimitSeconds = 120;
    startServer(options);
    Client oldest(path);
    Client second(path);
    Client third(path);
    expectStillServing();
    EXPECT_EQ(oldest.reply(), std::nullopt);
}

TEST_F(SocketServerTest, HundredConcurrentClientsAreAllAnswered) {
    allowDescriptors(4096);
    startServer();
    target.answerListsWith("{}");
    constexpr int kClients = 100;
    constexpr int kRequestsEach = 50;
    std::atomic<int> answered = 0;
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&] {
            for (int n = 0; n < kRequestsEach; ++n) {
                if (tool({"list", "--titles"}).status == 0) ++answered;
            }
        });
    }
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(answered.load(), kClients * kRequestsEach);
}

}  // namespace
}  // namespace brindlow
