#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Executor.h"
#include "platform/HotKeys.h"

struct xcb_connection_t;
struct _XCBKeySymbols;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace brindlow {

// Hot keys as passive key grabs on the root window of a connection of their
// own, whose events are read on the main thread: the owner watches
// fileDescriptor() and calls processEvents() when it is readable. Every
// combination is grabbed once per state of the lock keys (Caps Lock, and Num
// Lock and Scroll Lock when mapped), so the locks do not matter. Option and
// Command are the modifier bits that Alt_L and Super_L have in the server's
// modifier map. Key characters are those of the keyboard group in use (the
// server's locked group), followed through XKB events as the layout or the
// group changes. Main thread only.
class X11HotKeys : public HotKeys {
  public:
    // Nothing when the display cannot be opened (null: $DISPLAY).
    static std::unique_ptr<X11HotKeys> open(Executor& main, const char* display = nullptr);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    int fileDescriptor() const;
    // Handles every event that has arrived.
    void processEvents();
    // The server closed this connection (it went away): nothing more will arrive.
    bool connectionBroken() const;

    void setHandler(Handler handler) override { handler_ = std::move(handler); }
    int registerHotKey(int keyCode, int modifiers, std::int64_t id) override;
    void unregisterHotKey(std::int64_t id) override;
    bool isTakenElsewhere(int keyCode, int modifiers) override;
    std::optional<std::string> keyCharacter(int keyCode) override;

  private:
    struct Combination {
        std::uint8_t keycode = 0;
        std::uint16_t modifiers = 0;
        bool operator==(const Combination&) const = default;
    };

    X11HotKeys(Executor& main, xcb_connection_t* connection, std::uint32_t root);
    void readModifierMap();
    void readKeymap();
    // Asks for the XKB events that change what keys type: a new keyboard or
    // keymap, and group changes.
    void selectKeyboardEvents();
    // A new keymap: the key symbols, the modifier map and the XKB keymap again.
    void keymapChanged();
    std::optional<Combination> combination(int keyCode, int modifiers) const;
    std::vector<std::uint16_t> lockVariants() const;
    // Grabs every lock variant, checked; on failure releases what it took.
    int grab(const Combination& combination);
    void ungrab(const Combination& combination);
    bool holds(const Combination& combination) const;
    void handleEvent(const void* event);
    // Events queued while waiting for replies are read on the next main-queue turn.
    void scheduleProcessing();

    Executor& main_;
    xcb_connection_t* connection_;
    std::uint32_t root_;
    Handler handler_;
    _XCBKeySymbols* symbols_ = nullptr;
    xkb_context* xkbContext_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    // The server's keyboard state (its locked group above all), kept by StateNotify events.
    xkb_state* state_ = nullptr;
    std::uint8_t xkbEventBase_ = 0;
    std::int32_t keyboardDevice_ = -1;
    std::uint16_t altMask_ = 0;
    std::uint16_t superMask_ = 0;
    std::uint16_t numLockMask_ = 0;
    std::uint16_t scrollLockMask_ = 0;
    std::map<std::int64_t, Combination> grabs_;
    // The id each held key fired, by key code: releases go there, repeats are dropped.
    std::map<std::uint8_t, std::int64_t> held_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace brindlow
