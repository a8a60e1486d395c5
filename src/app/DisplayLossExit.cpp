#include "app/DisplayLossExit.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/Log.h"

namespace brindlow::display_loss {

namespace {

std::mutex hooksMutex;
Hooks& hooks() {
    static Hooks installed;
    return installed;
}
std::atomic<bool> armed{false};
std::atomic<bool> exiting{false};

void checkAtExit() {
    if (!armed.load()) return;
    std::function<bool()> displayIsGone;
    {
        std::lock_guard lock(hooksMutex);
        displayIsGone = hooks().displayIsGone;
    }
    if (displayIsGone && displayIsGone()) lost();
}

}  // namespace

void arm(Hooks installed) {
    {
        std::lock_guard lock(hooksMutex);
        hooks() = std::move(installed);
    }
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(checkAtExit); });
    armed.store(true);
}

void lost() {
    if (!armed.load()) return;
    if (exiting.exchange(true)) {
        // Another thread is already on its way out; the process ends with it.
        for (;;) pause();
    }
    makeLogger("Application")
        .error(
            "Lost the connection to the X display; exiting with status %ld (the next start "
            "puts the windows back)",
            long(kStatus));
    std::function<void()> removeSocket;
    {
        std::lock_guard lock(hooksMutex);
        removeSocket = hooks().removeSocket;
    }
    if (removeSocket) removeSocket();
    std::fflush(nullptr);
    _exit(kStatus);
}

}  // namespace brindlow::display_loss
