#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/RequestTarget.h"
#include "platform/Executor.h"

namespace brindlow::test {

// Records what the request executor asks of the application. "list" is
// answered at once with listAnswer (or the command count) when set, otherwise
// held until the test answers it. Waits are bounded so a fault fails the test instead of hanging
// it.
class FakeRequestTarget final : public RequestTarget {
  public:
    static constexpr auto kPatience = std::chrono::seconds(10);

    explicit FakeRequestTarget(const Executor* mainQueue = nullptr) : mainQueue_(mainQueue) {}

    void perform(const Command& command) override {
        std::lock_guard lock(mutex_);
        performed_.push_back(command);
        noteQueue();
        changed_.notify_all();
    }

    void queueWindowCommand(const Command& command) override {
        std::lock_guard lock(mutex_);
        performed_.push_back(command);
        queuedWindowCommands_.push_back(command);
        changed_.notify_all();
    }

    void listJSON(bool titles, std::function<void(std::string)> completion) override {
        std::optional<std::string> answer;
        {
            std::lock_guard lock(mutex_);
            listTitles_.push_back(titles);
            answer = listAnswer_;
            if (listsCountCommands_)
                answer = "{\"commands\":" + std::to_string(performed_.size()) + "}";
            if (!answer) pendingLists_.push_back(std::move(completion));
            changed_.notify_all();
        }
        if (answer) completion(*answer);
    }

    void badge(const BadgeRequest& request) override {
        std::lock_guard lock(mutex_);
        badges_.push_back(request);
        changed_.notify_all();
    }

    std::vector<std::string> layoutNames() override {
        std::lock_guard lock(mutex_);
        noteQueue();
        return layouts_;
    }

    // Refuses a name that is blank, as the layouts store does; reports the write at once.
    bool saveLayout(const std::string& name,
                    std::function<void(std::optional<std::string>)> saved) override {
        std::optional<std::string> failure;
        {
            std::lock_guard lock(mutex_);
            noteQueue();
            if (name.find_first_not_of(" \t\n\r") == std::string::npos) return false;
            saved_.push_back(name);
            failure = saveFailure_;
        }
        saved(failure);
        return true;
    }

    // Exact names only: ignoring the letter case is the layouts store's own rule.
    bool restoreLayout(const std::string& name) override {
        std::lock_guard lock(mutex_);
        noteQueue();
        restored_.push_back(name);
        return std::find(layouts_.begin(), layouts_.end(), name) != layouts_.end();
    }

    // --- set-up

    void answerListsWith(std::string json) {
        std::lock_guard lock(mutex_);
        listAnswer_ = std::move(json);
    }
    // Every later save fails with this reason (a full disk), or succeeds again with nothing.
    void failSavesWith(std::optional<std::string> reason) {
        std::lock_guard lock(mutex_);
        saveFailure_ = std::move(reason);
    }
    // Every list answers {"commands":N}, N the commands carried out by the time it is asked for.
    void answerListsWithTheCommandCount() {
        std::lock_guard lock(mutex_);
        listsCountCommands_ = true;
    }
    void setLayouts(std::vector<std::string> names) {
        std::lock_guard lock(mutex_);
        layouts_ = std::move(names);
    }

    // --- waiting and answering

    bool waitForPerformed(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return performed_.size() >= count; });
    }
    bool waitForPendingLists(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return pendingLists_.size() >= count; });
    }
    // Answers every held "list", each with its own text.
    void answerPendingLists(const std::function<std::string(std::size_t)>& json) {
        std::vector<std::function<void(std::string)>> pending;
        {
            std::lock_guard lock(mutex_);
            pending.swap(pendingLists_);
        }
        for (std::size_t i = 0; i < pending.size(); ++i) pending[i](json(i));
    }

    // --- what happened

    // Every command, whichever way it came.
    std::vector<Command> performed() const { return locked(performed_); }
    // The window commands queued straight for the strip controller.
    std::vector<Command> queuedWindowCommands() const { return locked(queuedWindowCommands_); }
    std::vector<bool> listTitles() const { return locked(listTitles_); }
    std::vector<BadgeRequest> badges() const { return locked(badges_); }
    std::vector<std::string> saved() const { return locked(saved_); }
    std::vector<std::string> restored() const { return locked(restored_); }
    int offMainQueueCalls() const { return locked(offMainQueueCalls_); }

  private:
    template <typename T>
    T locked(const T& value) const {
        std::lock_guard lock(mutex_);
        return value;
    }
    // Called with the mutex held.
    void noteQueue() {
        if (mainQueue_ && !mainQueue_->isCurrent()) offMainQueueCalls_++;
    }

    const Executor* mainQueue_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Command> performed_;
    std::vector<Command> queuedWindowCommands_;
    bool listsCountCommands_ = false;
    std::vector<bool> listTitles_;
    std::optional<std::string> listAnswer_;
    std::vector<std::function<void(std::string)>> pendingLists_;
    std::vector<BadgeRequest> badges_;
    std::vector<std::string> layouts_;
    std::vector<std::string> saved_;
    std::optional<std::string> saveFailure_;
    std::vector<std::string> restored_;
    int offMainQueueCalls_ = 0;
};

}  // namespace brindlow::test
