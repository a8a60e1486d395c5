#include "input/KeyboardShortcuts/HotKeyCenter.h"

#include <cstdio>
#include <vector>

#include "input/KeyboardShortcuts/DisplayText.h"

namespace brindlow::KeyboardShortcuts {

HotKeyCenter::HotKeyCenter(HotKeys& system, LineWriter writeLine)
    : system_(system), writeLine_(std::move(writeLine)) {
    if (!writeLine_) {
        writeLine_ = [](const std::string& line) {
            std::fputs((line + "\n").c_str(), stdout);
            std::fflush(stdout);
        };
    }
    system_.setHandler([this](std::int64_t id, bool pressed) { handleSystemEvent(id, pressed); });
}

HotKeyCenter::~HotKeyCenter() {
    system_.setHandler({});
    for (auto& [id, record] : records_) {
        if (record.live) system_.unregisterHotKey(id);
    }
}

std::string HotKeyCenter::failureLine(const Shortcut& shortcut, int status) {
    // The X server tells no one which client holds a key; the window manager is the usual one.
    const std::string reason =
        status == HotKeys::kHotKeyExists
            ? "another program holds it (often the window manager), so it does nothing here"
        : status == HotKeys::kHotKeyInvalid ? "this keyboard has no key for it"
                                            : "error " + std::to_string(status);
    return "Error registering hotkey " + shortcut.description() + ": " + reason;
}

void HotKeyCenter::report(const Shortcut& shortcut, int status) {
    writeLine_(failureLine(shortcut, status));
}

bool HotKeyCenter::registerShortcut(const Shortcut& shortcut, Callback onKeyDown,
                                    Callback onKeyUp) {
    const std::int64_t id = ++lastId_;
    Record record{shortcut, false, std::move(onKeyDown), std::move(onKeyUp)};
    if (mode_ == Mode::normal) {
        const int status =
            system_.registerHotKey(shortcut.carbonKeyCode, shortcut.carbonModifiers, id);
        if (status != HotKeys::kNoError) {
            report(shortcut, status);
            refused_.insert(shortcut);
            return false;
        }
        refused_.erase(shortcut);
        record.live = true;
    }
    // Made while suspended: it goes live at the next return to normal.
    records_.emplace(id, std::move(record));
    return true;
}

void HotKeyCenter::unregisterShortcut(const Shortcut& shortcut) {
    refused_.erase(shortcut);
    for (auto it = records_.begin(); it != records_.end();) {
        if (it->second.shortcut == shortcut) {
            if (it->second.live) system_.unregisterHotKey(it->first);
            it = records_.erase(it);
        } else {
            ++it;
        }
    }
}

void HotKeyCenter::suspendAll() {
    for (auto& [id, record] : records_) {
        if (!record.live) continue;
        system_.unregisterHotKey(id);
        record.live = false;
    }
}

void HotKeyCenter::reregisterAll() {
    for (auto& [id, record] : records_) {
        if (record.live) continue;
        const Shortcut shortcut = record.shortcut;
        const int status =
            system_.registerHotKey(shortcut.carbonKeyCode, shortcut.carbonModifiers, id);
        if (status == HotKeys::kNoError) {
            record.live = true;
            refused_.erase(shortcut);
        } else {
            refused_.insert(shortcut);
            // The record stays, not live: the next return to normal tries again,
            // and isLive tells the registry the truth meanwhile.
            report(shortcut, status);
        }
    }
}

void HotKeyCenter::setWatching(bool watching) {
    if (watchingKeys_ == watching) return;
    watchingKeys_ = watching;
    if (onWatchKeysChanged) onWatchKeysChanged(watching);
}

void HotKeyCenter::update(bool enabled, bool menuOpen) {
    if (enabled && !menuOpen) {
        mode_ = Mode::normal;
        reregisterAll();
        setWatching(false);
    } else if (enabled) {
        mode_ = Mode::menuTracking;
        suspendAll();
        setWatching(true);
    } else {
        mode_ = Mode::off;
        suspendAll();
        setWatching(false);
    }
}

void HotKeyCenter::handleSystemEvent(std::int64_t id, bool pressed) {
    const auto found = records_.find(id);
    if (found == records_.end()) return;
    // Copies: the callback may change the table.
    const Shortcut shortcut = found->second.shortcut;
    const Callback callback = pressed ? found->second.onKeyDown : found->second.onKeyUp;
    if (callback) callback(shortcut);
}

bool HotKeyCenter::handleRawKey(int keyCode, int carbonModifierMask, bool pressed) {
    if (!watchingKeys_) return false;
    const Shortcut typed = Shortcut::make(keyCode, carbonModifierMask);
    for (const auto& [id, record] : records_) {
        if (record.shortcut != typed) continue;
        const Callback callback = pressed ? record.onKeyDown : record.onKeyUp;
        if (callback) callback(typed);
        return true;
    }
    return false;
}

bool HotKeyCenter::isLive(const Shortcut& shortcut) const {
    for (const auto& [id, record] : records_) {
        if (record.shortcut == shortcut && record.live) return true;
    }
    return false;
}

bool HotKeyCenter::hasRecord(const Shortcut& shortcut) const {
    return idOf(shortcut) != 0;
}

std::int64_t HotKeyCenter::idOf(const Shortcut& shortcut) const {
    for (const auto& [id, record] : records_) {
        if (record.shortcut == shortcut) return id;
    }
    return 0;
}

}  // namespace brindlow::KeyboardShortcuts
