#pragma once

#include <map>
#include <set>
#include <utility>

#include "input/KeyboardShortcuts/DisplayText.h"
#include "platform/HotKeys.h"

namespace brindlow::test {

// A hot-key host in memory with a US keyboard: combinations listed in `takenElsewhere` are
// refused as held by another program; `press` plays the system's callback.
class FakeHotKeys : public HotKeys {
  public:
    void setHandler(Handler handler) override { handler_ = std::move(handler); }
    int registerHotKey(int keyCode, int modifiers, std::int64_t id) override {
        attempts.push_back(id);
        if (takenElsewhere.contains({keyCode, modifiers})) return kHotKeyExists;
        grabbed[id] = {keyCode, modifiers};
        return kNoError;
    }
    void unregisterHotKey(std::int64_t id) override { grabbed.erase(id); }
    bool isTakenElsewhere(int keyCode, int modifiers) override {
        return takenElsewhere.contains({keyCode, modifiers});
    }
    // A US keyboard.
    std::optional<std::string> keyCharacter(int keyCode) override {
        return KeyboardShortcuts::usLayoutCharacter(keyCode);
    }

    // Presses (or releases) a combination as the system would: only grabbed ones fire.
    bool press(int keyCode, int modifiers, bool pressed = true) {
        for (const auto& [id, combination] : grabbed) {
            if (combination == std::pair{keyCode, modifiers}) {
                if (handler_) handler_(id, pressed);
                return true;
            }
        }
        return false;
    }

    std::set<std::pair<int, int>> takenElsewhere;
    std::map<std::int64_t, std::pair<int, int>> grabbed;
    std::vector<std::int64_t> attempts;

  private:
    Handler handler_;
};

}  // namespace brindlow::test
