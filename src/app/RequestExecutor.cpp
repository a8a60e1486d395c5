#include "app/RequestExecutor.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "app/SocketIO.h"
#include "command/DecimalParsing.h"
#include "settings/LayoutsStore.h"

namespace brindlow {

// Shared with every completion and queued block, so that a late answer (after
// the wait gave up, or after the executor is gone) only fills a slot nobody reads.
struct RequestExecutor::WaitState {
    std::mutex mutex;
    std::condition_variable changed;
    bool cancelled = false;
};

namespace {

template <typename T>
struct Slot {
    std::optional<T> value;
};

enum class WaitEnd { answered, timedOut, cancelled };

template <typename T, typename State>
void fill(const std::shared_ptr<State>& state, const std::shared_ptr<Slot<T>>& slot, T value) {
    {
        std::lock_guard lock(state->mutex);
        if (slot->value) return;
        slot->value = std::move(value);
    }
    state->changed.notify_all();
}

// Waits until the slot is filled, the deadline (when given) passes, or the
// waits are cancelled; the answer, if any, is moved into `out`.
template <typename T, typename State>
WaitEnd wait(State& state, Slot<T>& slot, std::optional<SocketDeadline> deadline, T& out) {
    std::unique_lock lock(state.mutex);
    const auto settled = [&] { return slot.value.has_value() || state.cancelled; };
    if (deadline) {
        state.changed.wait_until(lock, *deadline, settled);
    } else {
        state.changed.wait(lock, settled);
    }
    if (slot.value) {
        out = std::move(*slot.value);
        return WaitEnd::answered;
    }
    return state.cancelled ? WaitEnd::cancelled : WaitEnd::timedOut;
}

// Names the layout as the store keeps it, without the white space around the typed name.
CLIResponse savedReply(const std::string& typedName, const std::optional<std::string>& failure) {
    const std::string name = trimmedLayoutName(typedName);
    if (failure) {
        return {false,
                "Could not save " + name + ": " + *failure + ". " + LayoutsStore::kNotWrittenNote};
    }
    return {true, "Saved " + name};
}

// The reply, or nothing when it comes later: given `saved`, an accepted save answers through it
// once the layouts file is written (or could not be).
std::optional<CLIResponse> runLayoutCommand(RequestTarget& target, std::string_view subcommand,
                                            const std::string& name,
                                            std::function<void(CLIResponse)> saved = {}) {
    if (subcommand == "list") {
        std::string text;
        for (const std::string& layout : target.layoutNames()) {
            if (!text.empty()) text += "\n";
            text += layout;
        }
        return CLIResponse{true, text};
    }
    if (subcommand == "save" && !name.empty()) {
        // The store keeps it once the strip controller has sent the arrangement; the reply
        // waits for the file, so that a full disk is not reported as saved.
        // A blank name is refused by the store: never report it as saved.
        const bool accepted =
            target.saveLayout(name, [name, saved](std::optional<std::string> failure) {
                if (saved) saved(savedReply(name, failure));
            });
        if (!accepted) return CLIResponse{false, std::string(RequestExecutor::kLayoutUsage)};
        // Without a completion (run on the main queue itself) nobody can wait: the store logs
        // a failure.
        if (!saved) return savedReply(name, std::nullopt);
        return std::nullopt;
    }
    if (subcommand == "restore" && !name.empty()) {
        if (target.restoreLayout(name)) return CLIResponse{true, ""};
        return CLIResponse{false, "No layout named " + name};
    }
    return CLIResponse{false, std::string(RequestExecutor::kLayoutUsage)};
}

}  // namespace

RequestExecutor::RequestExecutor(RequestTarget& target, Executor& mainQueue)
    : RequestExecutor(target, mainQueue, Options{}) {}

RequestExecutor::RequestExecutor(RequestTarget& target, Executor& mainQueue, Options options)
    : target_(target),
      mainQueue_(mainQueue),
      options_(options),
      waits_(std::make_shared<WaitState>()) {}

RequestExecutor::~RequestExecutor() = default;

void RequestExecutor::cancelWaits() {
    {
        std::lock_guard lock(waits_->mutex);
        waits_->cancelled = true;
    }
    waits_->changed.notify_all();
}

void RequestExecutor::reopenWaits() {
    std::lock_guard lock(waits_->mutex);
    waits_->cancelled = false;
}

CLIResponse RequestExecutor::execute(const CLIRequest& request) {
    const auto& args = request.args;
    if (args.empty()) return {false, "No command"};
    const std::string& word = args.front();
    if (word == "list") return list(request);
    if (word == "notify") return notify(request);
    if (word == "layout") return layout(request);
    const std::optional<std::string_view> argument =
        args.size() > 1 ? std::optional<std::string_view>(args[1]) : std::nullopt;
    if (const auto command = Command::named(word, argument)) {
        // Answered before it runs: the reply says it was accepted, not what it did. A window
        // command joins the strip controller's queue before the reply goes, so a list asked for
        // after the reply (queued there too) shows it; the main queue, often busy drawing, would
        // let the list overtake it.
        if (!command->isApplicationSide()) {
            target_.queueWindowCommand(*command);
            return {true, ""};
        }
        RequestTarget* target = &target_;
        mainQueue_.async([target, command = *command] { target->perform(command); });
        return {true, ""};
    }
    return {false, "Unknown command " + word};
}

CLIResponse RequestExecutor::list(const CLIRequest& request) {
    bool titles = false;
    for (const std::string& word : request.args) titles = titles || word == "--titles";
    auto slot = std::make_shared<Slot<std::string>>();
    auto state = waits_;
    target_.listJSON(titles,
                     [state, slot](std::string json) { fill(state, slot, std::move(json)); });
    std::string json;
    switch (wait(*state, *slot, deadlineAfter(options_.listWaitSeconds), json)) {
        case WaitEnd::answered:
            return {true, json};
        case WaitEnd::timedOut:
            // An empty "{}" would read as "no displays"; say that nothing came.
            return {false, std::string(kListTimedOut)};
        case WaitEnd::cancelled:
            break;
    }
    return {false, std::string(kCancelled)};
}

CLIResponse RequestExecutor::notify(const CLIRequest& request) {
    const auto& args = request.args;
    BadgeRequest badge;
    badge.shellPID = request.callerPID.value_or(0);
    // The second word ("done") is not looked at; options come in pairs from the third.
    for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
        const std::string& key = args[i];
        const std::string& value = args[i + 1];
        if (key == "--pid") {
            if (const auto pid = parseDecimal<std::int32_t>(value)) badge.shellPID = *pid;
        } else if (key == "--dir") {
            badge.directory = value;
        } else if (key == "--cmd") {
            badge.command = value;
        } else if (key == "--status") {
            badge.status = parseDecimal<std::int32_t>(value).value_or(0);
        }
    }
    target_.badge(badge);
    return {true, ""};
}

CLIResponse RequestExecutor::layout(const CLIRequest& request) {
    const auto& args = request.args;
    const std::string subcommand = args.size() > 1 ? args[1] : "list";
    std::string name;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (i > 2) name += " ";
        name += args[i];
    }
    // The layouts store belongs to the main queue; called there already (never
    // the case from the socket), run it in place rather than wait for ourselves.
    if (mainQueue_.isCurrent()) return layoutCommand(subcommand, name);
    auto slot = std::make_shared<Slot<CLIResponse>>();
    auto state = waits_;
    RequestTarget* target = &target_;
    const bool saving = subcommand == "save" && !name.empty();
    mainQueue_.async([state, slot, target, subcommand, name] {
        auto saved = [state, slot](CLIResponse reply) { fill(state, slot, std::move(reply)); };
        if (auto reply = runLayoutCommand(*target, subcommand, name, saved))
            fill(state, slot, std::move(*reply));
    });
    // A save waits for the strip queue as well as the main queue: bounded, so that the tool
    // hears something before it gives up.
    const std::optional<SocketDeadline> deadline =
        saving ? std::optional<SocketDeadline>(deadlineAfter(options_.saveWaitSeconds))
               : std::nullopt;
    CLIResponse response;
    switch (wait(*state, *slot, deadline, response)) {
        case WaitEnd::answered:
            return response;
        case WaitEnd::timedOut:
            return {false, "Brindlow did not finish saving " + name + " in time"};
        case WaitEnd::cancelled:
            break;
    }
    return {false, std::string(kCancelled)};
}

CLIResponse RequestExecutor::layoutCommand(std::string_view subcommand, const std::string& name) {
    // Without a completion every sub-command answers at once.
    return runLayoutCommand(target_, subcommand, name).value_or(CLIResponse{});
}

}  // namespace brindlow
