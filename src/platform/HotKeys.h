#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace brindlow {

// System-wide hot keys. Keys and modifiers are given in the stored scheme: a
// virtual key code (0...127) and a modifier mask made of Command 0x100, Shift
// 0x200, Option 0x800, Control 0x1000 and Function 0x20000; the back end
// translates them for the display server. Main thread only.
class HotKeys {
  public:
    // Results of a registration.
    static constexpr int kNoError = 0;
    // Another program holds the combination.
    static constexpr int kHotKeyExists = -9878;
    // The key or a modifier has no counterpart on this keyboard.
    static constexpr int kHotKeyInvalid = -9879;

    // Called on the main thread with the id given at registration; `pressed` is
    // false for the release. A key held down fires once.
    using Handler = std::function<void(std::int64_t id, bool pressed)>;

    virtual ~HotKeys() = default;

    virtual void setHandler(Handler handler) = 0;
    // kNoError once the combination is grabbed under `id`, else the failure
    // (nothing stays grabbed then).
    virtual int registerHotKey(int keyCode, int modifiers, std::int64_t id) = 0;
    // Releases what `id` holds; an unknown id does nothing.
    virtual void unregisterHotKey(std::int64_t id) = 0;
    // Whether another program holds the combination now. Combinations this
    // process holds are never probed and give false.
    virtual bool isTakenElsewhere(int keyCode, int modifiers) = 0;
    // The character the key types in the current keyboard layout without
    // modifiers (UTF-8), none for a dead key, a key typing nothing or several
    // characters, or a key code this keyboard lacks.
    virtual std::optional<std::string> keyCharacter(int keyCode) = 0;
};

}  // namespace brindlow
