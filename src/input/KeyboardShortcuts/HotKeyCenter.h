#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_set>

#include "input/KeyboardShortcuts/Shortcut.h"
#include "platform/HotKeys.h"

namespace brindlow::KeyboardShortcuts {

// The registered hot keys of the process: one record per registration under an
// id that is never reused, suspended as a whole while shortcuts are switched
// off or one of our menus is open, and brought back under the same ids.
// While a menu is open (and shortcuts are on) key presses are watched instead,
// through handleRawKey, so a shortcut pressed inside the menu still runs.
// Main thread only.
class HotKeyCenter {
  public:
    using Callback = std::function<void(const Shortcut&)>;
    // Receives the failure line, "Error registering hotkey Ctrl+Alt+←: another program holds
    // it (often the window manager), so it does nothing here".
    using LineWriter = std::function<void(const std::string& line)>;

    explicit HotKeyCenter(HotKeys& system, LineWriter writeLine = {});
    ~HotKeyCenter();
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    // Registers one new hot key under the next id. While registrations are
    // suspended the record is made suspended and goes live at the next return
    // to normal. A refused registration prints the failure line, stores
    // nothing and gives false.
    bool registerShortcut(const Shortcut& shortcut, Callback onKeyDown, Callback onKeyUp);
    // Unregisters and forgets every record of the shortcut.
    void unregisterShortcut(const Shortcut& shortcut);
    // Brings the registrations and the key watch in line with the two switches.
    void update(bool enabled, bool menuOpen);

    // The key watch while a menu is open: runs the record with this key code
    // and (normalised) modifiers; true when one ran, so the key is consumed.
    bool handleRawKey(int keyCode, int carbonModifierMask, bool pressed);
    bool isWatchingKeys() const { return watchingKeys_; }
    // Told when the key watch starts (true) and stops (false).
    std::function<void(bool)> onWatchKeysChanged;

    // Whether a record of the shortcut holds a live system registration.
    bool isLive(const Shortcut& shortcut) const;
    bool hasRecord(const Shortcut& shortcut) const;
    // Whether the system refused the shortcut at its last registration attempt (another program
    // holds it); forgotten when it is unregistered or a later attempt succeeds.
    bool isRefused(const Shortcut& shortcut) const { return refused_.contains(shortcut); }
    std::int64_t lastId() const { return lastId_; }
    // The id of the first record of the shortcut, 0 when none.
    std::int64_t idOf(const Shortcut& shortcut) const;

    // The failure line for a shortcut and status: why, in words.
    static std::string failureLine(const Shortcut& shortcut, int status);

  private:
    struct Record {
        Shortcut shortcut;
        bool live = false;
        Callback onKeyDown;
        Callback onKeyUp;
    };
    enum class Mode { normal, menuTracking, off };

    void handleSystemEvent(std::int64_t id, bool pressed);
    void suspendAll();
    void reregisterAll();
    void setWatching(bool watching);
    void report(const Shortcut& shortcut, int status);

    HotKeys& system_;
    LineWriter writeLine_;
    std::map<std::int64_t, Record> records_;
    std::unordered_set<Shortcut> refused_;
    std::int64_t lastId_ = 0;
    Mode mode_ = Mode::normal;
    bool watchingKeys_ = false;
};

}  // namespace brindlow::KeyboardShortcuts
