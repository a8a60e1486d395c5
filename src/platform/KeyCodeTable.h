#pragma once

#include <optional>

namespace brindlow {

// The fixed table between the stored virtual key codes and the X key codes of
// a PC keyboard (evdev code + 8), in both directions. The Function key has no
// X key code.
std::optional<int> xKeyCodeForVirtualKey(int virtualKeyCode);
std::optional<int> virtualKeyForXKeyCode(int xKeyCode);

}  // namespace brindlow
