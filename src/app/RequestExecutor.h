#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/CLIMessages.h"
#include "app/RequestTarget.h"
#include "platform/Executor.h"

namespace brindlow {

// Turns a command-line request (from the socket or a URL) into its reply.
// Window commands, "list" and "notify" go straight to the target, which queues
// them for the strip controller in the order they came, so that a list shows
// every request answered before it; the application-side commands hop to the
// main queue asynchronously; layout sub-commands run synchronously there.
class RequestExecutor {
  public:
    struct Options {
        // How long "list" waits for the strip controller.
        double listWaitSeconds = 2.0;
        // How long "layout save" waits for the layout to be written (the tool waits 5 s).
        double saveWaitSeconds = 4.0;
    };

    // The target and the main queue must outlive the executor and every block
    // it queued.
    RequestExecutor(RequestTarget& target, Executor& mainQueue);
    RequestExecutor(RequestTarget& target, Executor& mainQueue, Options options);
    ~RequestExecutor();
    RequestExecutor(const RequestExecutor&) = delete;
    RequestExecutor& operator=(const RequestExecutor&) = delete;

    // Blocks its caller (up to the list wait, or until the main queue has run a
    // layout sub-command), so it must never run on the main queue.
    CLIResponse execute(const CLIRequest& request);

    // The layout sub-commands "list", "save <name>", "restore <name>". Main queue.
    CLIResponse layoutCommand(std::string_view subcommand, const std::string& name);

    // Ends every wait in progress, and makes later ones end at once, until
    // reopenWaits(): the application is quitting and the main queue may never
    // run the block a wait depends on. Those requests reply ok false.
    void cancelWaits();
    void reopenWaits();

    static constexpr std::string_view kLayoutUsage =
        "Use: brindlow layout list | save <name> | restore <name>";
    static constexpr std::string_view kListTimedOut = "Brindlow did not answer the list in time";
    static constexpr std::string_view kCancelled = "Brindlow is quitting";

  private:
    CLIResponse list(const CLIRequest& request);
    CLIResponse notify(const CLIRequest& request);
    CLIResponse layout(const CLIRequest& request);

    struct WaitState;

    RequestTarget& target_;
    Executor& mainQueue_;
    Options options_;
    std::shared_ptr<WaitState> waits_;
};

}  // namespace brindlow
