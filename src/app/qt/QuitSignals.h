#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace brindlow {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the Qt event loop, so that a
// quit by signal runs the same orderly shut-down (windows put back) as any
// other quit; a hang-up that was ignored when the process started (nohup)
// stays ignored. The handler only writes the signal number to a pipe; the
// loop reads it. One instance per process; the handlers stay installed after it is
// gone (later signals are then swallowed by the pipe's full write end rather
// than killing the process half-way through putting windows back).
class QuitSignals {
  public:
    // `onSignal` runs on the main thread with the signal number. Installs the
    // handlers at once; signals that arrive before the event loop runs are
    // delivered when it starts.
    explicit QuitSignals(std::function<void(int signal)> onSignal);
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // Whether the handlers are in place (the pipe could be made).
    bool isInstalled() const { return notifier_ != nullptr; }

  private:
    void drain();

    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace brindlow
