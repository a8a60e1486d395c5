#include "app/qt/QuitSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace brindlow {

namespace {

// The pipe is made once per process and never closed: a handler may run at any
// moment, even after the QuitSignals object is gone.
int pipeFDs[2] = {-1, -1};

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void writeSignalToPipe(int signal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // Non-blocking: a full pipe already holds a pending quit.
    [[maybe_unused]] const ssize_t written = write(pipeFDs[1], &byte, 1);
    errno = savedErrno;
}

bool makePipe() {
    if (pipeFDs[0] >= 0) return true;
    return pipe2(pipeFDs, O_CLOEXEC | O_NONBLOCK) == 0;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    if (!makePipe()) return;
    notifier_ = std::make_unique<QSocketNotifier>(pipeFDs[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });

    struct sigaction action {};
    action.sa_handler = writeSignalToPipe;
    sigemptyset(&action.sa_mask);
    // Restart interrupted system calls so that threads blocked in read() or
    // accept() are not woken with EINTR by a quit request.
    action.sa_flags = SA_RESTART;
    for (int signal : kQuitSignals) {
        // A hang-up ignored from the start (`nohup brindlow &`) stays ignored:
        // closing the terminal that started Brindlow must not end it.
        struct sigaction current {};
        if (signal == SIGHUP && sigaction(SIGHUP, nullptr, &current) == 0 &&
            current.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

QuitSignals::~QuitSignals() = default;

void QuitSignals::drain() {
    unsigned char byte = 0;
    while (read(pipeFDs[0], &byte, 1) == 1) {
        if (onSignal_) onSignal_(byte);
    }
}

}  // namespace brindlow
